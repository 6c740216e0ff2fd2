#pragma once

#include "os_api.h"

#include <cstdint>
#include <vector>

// The seam on Windows: each call is the Win32 call of the same name. Constructing it asks the
// system for a 1 ms timer period, which it keeps until destruction; without it every 1 ms poll
// sleep lasts a whole scheduler tick (about 15.6 ms) and a 250-look time-out about 4 s.
// platform_os_api() holds one for the life of the process.
//
// Used from one thread, like everything above the seam.
class Win32_os : public Os_api {
public:
    Win32_os();
    ~Win32_os() override;
    Win32_os(const Win32_os&) = delete;
    Win32_os& operator=(const Win32_os&) = delete;

    // Whether the system granted the 1 ms timer period.
    bool fine_timer() const { return timer_period_set; }

    Os_library load_library(const char* name) override;
    Os_proc get_proc_address(Os_library library, const char* name) override;
    void free_library(Os_library library) override;
    std::uint32_t last_error() override;
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

private:
    // Keeps `in_flight` up to date for a record whose transfer was just started or seen to end.
    void note_start(const Os_overlapped* overlapped, bool pending);
    // Starts a write or read through `start`, which gets the system's count pointer, and keeps
    // the count, the pending record and the last error as write_file and read_file promise.
    template <typename Start>
    bool transfer(Start start, std::uint32_t* transferred, Os_overlapped* overlapped);

    bool timer_period_set = false;
    // Records of transfers the system accepted as pending and nobody has seen end yet: the only
    // ones a cancellation has to wait for. A transfer refused when it was started never ends and
    // keeps the pending status for good, so waiting for it would never return.
    std::vector<const Os_overlapped*> in_flight;
};
