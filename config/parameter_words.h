#pragma once

#include <array>
#include <cstdint>

// The detector's factory parameter pairs. The tool reads them with every read and never writes
// them; a write checks that UR, U0 and UC survived it, and WID is shown as the production
// identifier.
struct ParameterWords {
    using Pair = std::array<std::uint16_t, 2>;

    static constexpr std::uint16_t UR_address = 0x1002;
    static constexpr std::uint16_t WID_address = 0x100C;
    static constexpr std::uint16_t U0_address = 0x1010;
    static constexpr std::uint16_t UC_address = 0x1080;

    Pair UR{};
    Pair U0{};
    Pair UC{};
    Pair WID{};

    bool operator==(const ParameterWords&) const = default;
};
