#pragma once

#include "os_api.h"

#include <functional>

// An OS with no devices whose sleeps are counted and return at once; `on_sleep` runs after
// every sleep, so a test can end a wait from inside it.
class Sleep_counting_os : public Os_api {
public:
    int sleeps = 0;
    std::uint32_t slept_ms = 0;
    std::function<void()> on_sleep;

    Os_library load_library(const char*) override { return nullptr; }
    Os_proc get_proc_address(Os_library, const char*) override { return nullptr; }
    void free_library(Os_library) override {}
    std::uint32_t last_error() override { return os_const::error_file_not_found; }
    Os_handle create_file(const char*, std::uint32_t, std::uint32_t, std::uint32_t,
                          std::uint32_t) override {
        return os_invalid_handle;
    }
    bool close_handle(Os_handle) override { return false; }
    Os_handle create_event() override { return 0; }
    bool write_file(Os_handle, const void*, std::uint32_t, std::uint32_t*,
                    Os_overlapped*) override {
        return false;
    }
    bool read_file(Os_handle, void*, std::uint32_t, std::uint32_t*, Os_overlapped*) override {
        return false;
    }
    std::uintptr_t overlapped_status(const Os_overlapped*) override {
        return os_const::status_pending;
    }
    void cancel_io(Os_handle, Os_overlapped*) override {}
    void sleep_ms(std::uint32_t milliseconds) override {
        ++sleeps;
        slept_ms += milliseconds;
        if (on_sleep) {
            on_sleep();
        }
    }
};
