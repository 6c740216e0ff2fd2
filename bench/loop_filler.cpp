#include "loop_filler.h"

#include "sim_bench.h"

#include <algorithm>
#include <array>

namespace {

// options1 as the presets leave it: optics, heat and autocompensation on, latching, a basic
// address; W adds the relay (NC), blinking, dust and malfunction, A only the last three.
constexpr std::uint16_t common = 0x4000 | 0x0800 | 0x0020;
constexpr std::array<std::uint16_t, 3> preset_options = {
    common | 0x0008 | 0x0010 | 0x0001 | 0x0200 | 0x0400, // W
    common,                                              // K
    common | 0x0001 | 0x0200 | 0x0400,                   // A
};

} // namespace

Loop_filler::Filled Loop_filler::fill(Sim_bench& bench, Detector_factory& factory, int count) {
    count = std::clamp(count, 1, most);
    Filled filled;
    const int on_own_addresses = count >= 3 ? count - 1 : count;
    for (int n = 1; n <= count; ++n) {
        const int kind = (n - 1) % 4;
        Sim_detector detector = factory.make({52, 0x21,
                                              kind == 3 ? Detector_factory::Kind::factory_fresh
                                                        : Detector_factory::Kind::configured});
        const int address = n <= on_own_addresses ? n : 2;
        if (kind != 3) {
            Sim_detector::Config config;
            config.options1 = preset_options[static_cast<std::size_t>(kind)];
            config.address = static_cast<std::uint16_t>(address);
            detector.write_config(config);
        }
        Sim_detector& placed =
            bench.add_loop_detector(static_cast<std::uint8_t>(address), std::move(detector));
        if (count >= 5 && n == on_own_addresses) {
            placed.arm(Sim_detector::Fault::no_reply);
            filled.silent_address = address;
        }
        filled.detectors.push_back(&placed);
    }
    if (count >= 3) {
        filled.duplicated_address = 2;
    }
    return filled;
}
