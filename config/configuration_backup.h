#pragma once

#include "parameter_words.h"

#include <cstdint>
#include <string>
#include <vector>

// A detector's configuration as one operation saw it, for the station's backups: what a read
// got, and a write's segment as it was read before the first erase and as it was written.
struct Configuration_backup {
    enum class Kind { read, before_write, written };

    Kind kind = Kind::read;
    std::string link; // as the write record names it
    std::uint32_t version = 0;
    std::uint32_t information = 0;
    ParameterWords::Pair wid{};
    // A read's eight configuration words; a write's whole segment, 0x1040 to 0x107E.
    std::vector<std::uint16_t> words;

    static const char* kind_text(Kind kind) {
        switch (kind) {
        case Kind::before_write:
            return "przed_zapisem";
        case Kind::written:
            return "zapisana";
        case Kind::read:
            break;
        }
        return "odczyt";
    }
};
