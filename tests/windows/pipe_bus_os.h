#pragma once

#include "pipe_device.h"
#include "setupapi_emulation.h"
#include "win32_os.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The Windows seam with one extra HID interface on the bus: a named pipe. The device-setup
// library presents the pipe's path under the given hardware IDs (Wine has no HID devices to
// offer), and everything else is the real Win32_os: the HID classes open the pipe with
// CreateFileA and move their reports with overlapped WriteFile and ReadFile, poll the real
// status word and cancel with the real CancelIo.
//
// A test can also act at a chosen poll sleep (answer late, unplug while a read waits), since
// the code under test runs on the test's thread.
class Pipe_bus_os : public Win32_os {
public:
    Pipe_bus_os(Pipe_device& device, std::vector<std::string> hardware_ids);
    ~Pipe_bus_os() override;
    Pipe_bus_os(const Pipe_bus_os&) = delete;
    Pipe_bus_os& operator=(const Pipe_bus_os&) = delete;

    // Runs `action` inside the `nth` sleep from now (1 = the next one).
    void at_sleep(std::uint32_t nth, std::function<void()> action);
    std::uint32_t sleeps() const { return sleep_count; }
    // Opens of the pipe's path the code under test made, in order, with their access rights.
    const std::vector<std::uint32_t>& opens() const { return open_access; }

    Os_library load_library(const char* name) override;
    Os_proc get_proc_address(Os_library library, const char* name) override;
    void free_library(Os_library library) override;
    Os_handle create_file(const char* path, std::uint32_t access, std::uint32_t share,
                          std::uint32_t disposition, std::uint32_t flags) override;
    void sleep_ms(std::uint32_t milliseconds) override;

private:
    struct Setup;
    friend struct Setup;

    Pipe_device& device;
    std::vector<std::string> ids;
    Setupapi_emulation setup;
    std::vector<std::uint32_t> open_access;
    std::uint32_t sleep_count = 0;
    std::uint32_t action_at = 0;
    std::function<void()> action;
};
