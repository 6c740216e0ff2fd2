#pragma once

#include "os_api.h"

#include <functional>

// Hands every call on to another OS and lets a test look at the windows whenever the system
// opens a device or sleeps: the moments between which it shows its progress.
class Observing_os : public Os_api {
public:
    Observing_os(Os_api& inner, std::function<void()> observe)
        : inner(inner), observe(std::move(observe)) {
        previous = &os_api();
        set_os_api(this);
    }
    ~Observing_os() override { set_os_api(previous); }
    Observing_os(const Observing_os&) = delete;
    Observing_os& operator=(const Observing_os&) = delete;

    Os_library load_library(const char* name) override { return inner.load_library(name); }
    Os_proc get_proc_address(Os_library library, const char* name) override {
        return inner.get_proc_address(library, name);
    }
    void free_library(Os_library library) override { inner.free_library(library); }
    std::uint32_t last_error() override { return inner.last_error(); }
    Os_handle create_file(const char* path, std::uint32_t access, std::uint32_t share,
                          std::uint32_t disposition, std::uint32_t flags) override {
        observe();
        return inner.create_file(path, access, share, disposition, flags);
    }
    bool close_handle(Os_handle handle) override { return inner.close_handle(handle); }
    Os_handle create_event() override { return inner.create_event(); }
    bool write_file(Os_handle handle, const void* data, std::uint32_t count,
                    std::uint32_t* transferred, Os_overlapped* overlapped) override {
        return inner.write_file(handle, data, count, transferred, overlapped);
    }
    bool read_file(Os_handle handle, void* data, std::uint32_t count, std::uint32_t* transferred,
                   Os_overlapped* overlapped) override {
        return inner.read_file(handle, data, count, transferred, overlapped);
    }
    std::uintptr_t overlapped_status(const Os_overlapped* overlapped) override {
        return inner.overlapped_status(overlapped);
    }
    void cancel_io(Os_handle handle, Os_overlapped* overlapped) override {
        inner.cancel_io(handle, overlapped);
    }
    void sleep_ms(std::uint32_t milliseconds) override {
        observe();
        inner.sleep_ms(milliseconds);
    }

private:
    Os_api& inner;
    std::function<void()> observe;
    Os_api* previous = nullptr;
};
