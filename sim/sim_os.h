#pragma once

#include "os_api.h"
#include "sim_clock.h"
#include "sim_hid_device.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The simulated OS behind the seam: virtual HID devices presented exactly as Windows presents
// them through the device-setup library and overlapped file I/O, driven by a Sim_clock.
//
// Semantics the system relies on:
// - Devices are enumerated in the order they were added, plugged ones only.
// - "setupapi.dll" loads unless set_setup_library_present(false).
// - Opening a device path fails while the device is unplugged or held open exclusively.
// - Overlapped transfers: Internal := status_pending at the start; a write to a plugged device
//   that accepts output completes at once (the behaviour sees the report); a read completes
//   when an input report is ready at the clock's now, with the 65 wire bytes (report ID 0 and
//   the 64 data bytes). A transfer started on an unplugged device is refused (the call fails,
//   Internal stays pending). A read waiting when its device is unplugged ends with an error
//   status and no data.
// - sleep_ms advances the clock and runs the actions that have come due.
class Sim_os : public Os_api {
public:
    explicit Sim_os(Sim_clock& clock);
    ~Sim_os() override;
    Sim_os(const Sim_os&) = delete;
    Sim_os& operator=(const Sim_os&) = delete;

    Sim_clock& clock() { return time; }

    // A new plugged device at the end of the enumeration order. The path is generated in the
    // Windows form unless one is given.
    Sim_hid_device& add_device(std::vector<std::string> hardware_ids, std::string path = {});
    void unplug(Sim_hid_device& device);
    void plug(Sim_hid_device& device);

    void set_setup_library_present(bool present) { setup_library_present = present; }

    // Run `action` once the clock reaches `at_ms` (checked on every OS call and sleep).
    void at(std::uint64_t at_ms, std::function<void()> action);

    // Bookkeeping for tests: what is still held by the system under test.
    int open_file_handles() const;
    int open_events() const;
    int open_device_sets() const;
    int loaded_libraries() const { return libraries_loaded; }
    // Transfers started and not yet ended, and transfers ended by a cancellation or by closing
    // their handle, so a test can tell that a timed-out transfer was really cancelled.
    int pending_transfers() const;
    int cancelled_transfers() const;

    // Os_api
    Os_library load_library(const char* name) override;
    Os_proc get_proc_address(Os_library library, const char* name) override;
    void free_library(Os_library library) override;
    std::uint32_t last_error() override { return error; }
    Os_handle create_file(const char* path, std::uint32_t access, std::uint32_t share,
                          std::uint32_t disposition, std::uint32_t flags) override;
    bool close_handle(Os_handle handle) override;
    Os_handle create_event() override;
    bool write_file(Os_handle handle, const void* data, std::uint32_t count,
                    std::uint32_t* transferred, Os_overlapped* overlapped) override;
    bool read_file(Os_handle handle, void* data, std::uint32_t count, std::uint32_t* transferred,
                   Os_overlapped* overlapped) override;
    std::uintptr_t overlapped_status(const Os_overlapped* overlapped) override;
    void cancel_io(Os_handle handle, Os_overlapped* overlapped) override;
    void sleep_ms(std::uint32_t milliseconds) override;

    // The Sim_os the device-setup entry points act on (the most recently constructed one alive).
    static Sim_os* active();

private:
    struct Impl;
    Sim_clock& time;
    std::unique_ptr<Impl> impl;
    bool setup_library_present = true;
    int libraries_loaded = 0;
    std::uint32_t error = 0;
    friend struct Sim_setupapi;
};
