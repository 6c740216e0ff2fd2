#pragma once

#include "os_api.h"
#include "sim_hid_behaviour.h"

#include <cstdint>
#include <optional>
#include <string>

// A bare host for the device tests: opens a HID path through the installed OS the way the
// tool's HID classes do (a write and a read handle, overlapped) and moves 65-byte reports with
// status polls every 1 ms, giving up after a number of looks.
class Sim_host {
public:
    explicit Sim_host(const std::string& path);
    ~Sim_host();
    Sim_host(const Sim_host&) = delete;
    Sim_host& operator=(const Sim_host&) = delete;

    bool opened() const;
    bool send(const Sim_report& report, int looks = 250);
    std::optional<Sim_report> receive(int looks = 250);

private:
    bool transfer(Os_handle handle, bool read, std::uint8_t* wire, int looks);

    Os_handle write_handle;
    Os_handle read_handle;
};
