#include "sim_host.h"

#include <array>
#include <cstring>

namespace {
constexpr std::uint32_t wire_bytes = 65;

Os_handle open(const std::string& path, std::uint32_t access) {
    return os_api().create_file(path.c_str(), access,
                                os_const::file_share_read | os_const::file_share_write,
                                os_const::open_existing, os_const::file_flag_overlapped);
}
} // namespace

Sim_host::Sim_host(const std::string& path)
    : write_handle(open(path, os_const::generic_write)),
      read_handle(open(path, os_const::generic_read)) {}

Sim_host::~Sim_host() {
    for (Os_handle handle : {write_handle, read_handle}) {
        if (handle != os_invalid_handle) {
            os_api().close_handle(handle);
        }
    }
}

bool Sim_host::opened() const {
    return write_handle != os_invalid_handle && read_handle != os_invalid_handle;
}

bool Sim_host::transfer(Os_handle handle, bool read, std::uint8_t* wire, int looks) {
    Os_overlapped record{};
    record.hEvent = os_api().create_event();
    std::uint32_t count = 0;
    if (read) {
        os_api().read_file(handle, wire, wire_bytes, &count, &record);
    } else {
        os_api().write_file(handle, wire, wire_bytes, &count, &record);
    }
    bool done = false;
    for (int i = 0; i < looks && !done; ++i) {
        done = os_api().overlapped_status(&record) != os_const::status_pending;
        os_api().sleep_ms(1);
    }
    if (!done) {
        os_api().cancel_io(handle, &record);
    }
    os_api().close_handle(record.hEvent);
    return done;
}

bool Sim_host::send(const Sim_report& report, int looks) {
    std::array<std::uint8_t, wire_bytes> wire{};
    std::memcpy(wire.data() + 1, report.data(), report.size());
    return transfer(write_handle, false, wire.data(), looks);
}

std::optional<Sim_report> Sim_host::receive(int looks) {
    std::array<std::uint8_t, wire_bytes> wire{};
    if (!transfer(read_handle, true, wire.data(), looks)) {
        return std::nullopt;
    }
    Sim_report report{};
    std::memcpy(report.data(), wire.data() + 1, report.size());
    return report;
}
