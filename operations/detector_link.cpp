#include "detector_link.h"

#include "pnx_connection.h"

std::string Detector_link::text() const {
    if (via_panel && panel != nullptr) {
        return "PNX30 adres " + std::to_string(panel->detector_address());
    }
    return "dongle";
}
