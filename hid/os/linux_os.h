#pragma once

#include "os_api.h"
#include "setupapi_emulation.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// The OS seam on Linux: HID interfaces are the hidraw nodes. They are enumerated from the
// hidraw class directory in the order of their numbers, each with a hardware ID
// "HID\VID_XXXX&PID_XXXX" taken from its device's uevent, and opened by their node in the
// device directory. The device-setup entry points are emulated; overlapped transfers are
// non-blocking reads and writes that stay pending until poll() finds the node ready.
class Linux_os : public Os_api {
public:
    // Production passes "/sys/class/hidraw" and "/dev"; tests pass a fake tree.
    Linux_os(std::string hidraw_class_dir, std::string device_dir);
    ~Linux_os() override;
    Linux_os(const Linux_os&) = delete;
    Linux_os& operator=(const Linux_os&) = delete;

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

    // The instance the device-setup entry points act on: the most recently constructed one
    // still alive.
    static Linux_os* active();

    // The hidraw interfaces present now, in their stable order.
    std::vector<Setupapi_emulation::Interface> interfaces() const;

private:
    struct File {
        int fd;
        bool readable;
        bool writable;
    };
    struct Transfer {
        Os_handle handle;
        Os_overlapped* record;
        bool read;
        std::uint8_t* destination;        // reads: the caller's buffer, report ID first
        std::uint32_t count;              // bytes asked for, report ID included
        std::vector<std::uint8_t> source; // writes: the bytes as handed over
    };
    enum class Attempt { done, again, failed };

    Attempt attempt(const File& file, Transfer& transfer);
    bool start(Os_handle handle, bool read, std::uint8_t* data, std::uint32_t count,
               std::uint32_t* transferred, Os_overlapped* overlapped);
    bool refuse(std::uint32_t code);

    std::string class_dir;
    std::string dev_dir;
    std::map<Os_handle, File> files;
    std::set<Os_handle> events;
    std::vector<Transfer> pending;
    Os_handle next_handle = 0x100;
    int libraries_loaded = 0;
    char library_token = 0;
    std::uint32_t error = 0;
    Setupapi_emulation setup;
    friend struct Linux_setupapi;
};
