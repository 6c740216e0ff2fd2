#include "sim_panel_frame.h"

#include "checksums.h"

#include <algorithm>

namespace {

void store_crc(Sim_report& report, std::size_t covered) {
    const std::uint16_t crc = crc16_arc(report.data(), static_cast<std::uint8_t>(covered));
    report[covered] = static_cast<std::uint8_t>(crc >> 8);
    report[covered + 1] = static_cast<std::uint8_t>(crc & 0xFF);
}

} // namespace

Sim_report Sim_panel_frame::build(std::uint8_t code, const std::vector<std::uint8_t>& data) {
    const std::size_t n = std::min(data.size(), max_data);
    Sim_report report{};
    report[0] = start;
    report[1] = start;
    report[2] = static_cast<std::uint8_t>(n + 1);
    report[3] = code;
    std::copy_n(data.begin(), n, report.begin() + 4);
    store_crc(report, n + 4);
    return report;
}

Sim_report Sim_panel_frame::error(std::uint8_t code, std::uint8_t error_number) {
    Sim_report report{};
    report[0] = error_marker;
    report[1] = error_marker;
    report[2] = 2;
    report[3] = code;
    report[4] = error_number;
    store_crc(report, 5);
    return report;
}

void Sim_panel_frame::seal(Sim_report& report) {
    const std::size_t length = report[2];
    if (length >= 1 && length <= max_data + 1) {
        store_crc(report, length + 3);
    }
}

std::optional<Sim_panel_frame::Parsed> Sim_panel_frame::parse(const Sim_report& report,
                                                              Problem* problem) {
    Problem found = Problem::none;
    std::optional<Parsed> parsed;
    const std::size_t length = report[2];
    if (report[0] != start || report[1] != start) {
        found = Problem::not_a_frame;
    } else if (length < 1 || length > max_data + 1) {
        found = Problem::bad_length;
    } else {
        const std::size_t covered = length + 3;
        const std::uint16_t crc = crc16_arc(report.data(), static_cast<std::uint8_t>(covered));
        const auto stored = static_cast<std::uint16_t>(report[covered] << 8 | report[covered + 1]);
        if (crc != stored) {
            found = Problem::bad_crc;
        } else {
            parsed = Parsed{report[3], std::vector<std::uint8_t>(report.begin() + 4,
                                                                 report.begin() + 3 +
                                                                     static_cast<long>(length))};
        }
    }
    if (problem != nullptr) {
        *problem = found;
    }
    return parsed;
}
