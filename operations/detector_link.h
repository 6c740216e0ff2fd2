#pragma once

#include <cstdint>
#include <string>

class Pnx_connection;

// How an operation reaches its detector, taken once when it starts so that it stays on that
// link: the dongle, or the detector chosen on the PNX30 loop through the panel connection.
struct Detector_link {
    bool via_panel = false;
    // The panel connection in panel mode; without one every remote operation fails.
    Pnx_connection* panel = nullptr;
    // Given to every bootloader object the operation makes.
    std::uint8_t cmpl = 2;

    // As the write record names it: "dongle" or "PNX30 adres N".
    std::string text() const;
};
