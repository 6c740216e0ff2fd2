#include "win32_os.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <mmsystem.h>
#include <setupapi.h>

#include <algorithm>
#include <atomic>
#include <cstddef>

// The HID classes hand the platform pointers to the seam's records and expect the platform's
// values in its constants, so both must match the system headers of the build's architecture.
static_assert(sizeof(Os_handle) == sizeof(HANDLE));
static_assert(sizeof(Os_guid) == sizeof(GUID));
static_assert(offsetof(Os_guid, data2) == offsetof(GUID, Data2));
static_assert(offsetof(Os_guid, data3) == offsetof(GUID, Data3));
static_assert(offsetof(Os_guid, data4) == offsetof(GUID, Data4));

static_assert(sizeof(Os_device_interface_data) == sizeof(SP_DEVICE_INTERFACE_DATA));
static_assert(offsetof(Os_device_interface_data, InterfaceClassGuid) ==
              offsetof(SP_DEVICE_INTERFACE_DATA, InterfaceClassGuid));
static_assert(offsetof(Os_device_interface_data, Flags) ==
              offsetof(SP_DEVICE_INTERFACE_DATA, Flags));
static_assert(offsetof(Os_device_interface_data, Reserved) ==
              offsetof(SP_DEVICE_INTERFACE_DATA, Reserved));

static_assert(sizeof(Os_devinfo_data) == sizeof(SP_DEVINFO_DATA));
static_assert(offsetof(Os_devinfo_data, ClassGuid) == offsetof(SP_DEVINFO_DATA, ClassGuid));
static_assert(offsetof(Os_devinfo_data, DevInst) == offsetof(SP_DEVINFO_DATA, DevInst));
static_assert(offsetof(Os_devinfo_data, Reserved) == offsetof(SP_DEVINFO_DATA, Reserved));

static_assert(os_detail_fixed_size == sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
static_assert(offsetof(Os_device_interface_detail_data, DevicePath) ==
              offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath));

static_assert(sizeof(Os_overlapped) == sizeof(OVERLAPPED));
static_assert(offsetof(Os_overlapped, Internal) == offsetof(OVERLAPPED, Internal));
static_assert(offsetof(Os_overlapped, InternalHigh) == offsetof(OVERLAPPED, InternalHigh));
static_assert(offsetof(Os_overlapped, Offset) == offsetof(OVERLAPPED, Offset));
static_assert(offsetof(Os_overlapped, OffsetHigh) == offsetof(OVERLAPPED, OffsetHigh));
static_assert(offsetof(Os_overlapped, hEvent) == offsetof(OVERLAPPED, hEvent));

static_assert(os_const::generic_read == GENERIC_READ);
static_assert(os_const::generic_write == GENERIC_WRITE);
static_assert(os_const::file_share_read == FILE_SHARE_READ);
static_assert(os_const::file_share_write == FILE_SHARE_WRITE);
static_assert(os_const::open_existing == OPEN_EXISTING);
static_assert(os_const::file_flag_overlapped == FILE_FLAG_OVERLAPPED);
static_assert(os_const::status_pending == STATUS_PENDING);
static_assert(os_const::error_no_more_items == ERROR_NO_MORE_ITEMS);
static_assert(os_const::error_io_pending == ERROR_IO_PENDING);
static_assert(os_const::error_file_not_found == ERROR_FILE_NOT_FOUND);
static_assert(os_const::error_access_denied == ERROR_ACCESS_DENIED);
static_assert(os_const::error_sharing_violation == ERROR_SHARING_VIOLATION);
static_assert(os_const::error_invalid_handle == ERROR_INVALID_HANDLE);
static_assert(os_const::error_device_not_connected == ERROR_DEVICE_NOT_CONNECTED);
static_assert(os_const::error_insufficient_buffer == ERROR_INSUFFICIENT_BUFFER);
static_assert(os_const::digcf_present == DIGCF_PRESENT);
static_assert(os_const::digcf_deviceinterface == DIGCF_DEVICEINTERFACE);
static_assert(os_const::spdrp_hardwareid == SPDRP_HARDWAREID);

namespace {

HANDLE to_handle(Os_handle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

Os_handle from_handle(HANDLE handle) {
    return reinterpret_cast<Os_handle>(handle);
}

OVERLAPPED* to_overlapped(Os_overlapped* overlapped) {
    return reinterpret_cast<OVERLAPPED*>(overlapped);
}

// The system writes the status word behind the compiler's back while a transfer runs.
std::uintptr_t status_word(const Os_overlapped* overlapped) {
    return *reinterpret_cast<const volatile std::uintptr_t*>(&overlapped->Internal);
}

} // namespace

Win32_os::Win32_os() {
    timer_period_set = timeBeginPeriod(1) == TIMERR_NOERROR;
}

Win32_os::~Win32_os() {
    if (timer_period_set) {
        timeEndPeriod(1);
    }
}

Os_library Win32_os::load_library(const char* name) {
    return LoadLibraryA(name);
}

Os_proc Win32_os::get_proc_address(Os_library library, const char* name) {
    return reinterpret_cast<Os_proc>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void Win32_os::free_library(Os_library library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

std::uint32_t Win32_os::last_error() {
    return GetLastError();
}

Os_handle Win32_os::create_file(const char* path, std::uint32_t access, std::uint32_t share,
                                std::uint32_t disposition, std::uint32_t flags) {
    return from_handle(CreateFileA(path, access, share, nullptr, disposition, flags, nullptr));
}

bool Win32_os::close_handle(Os_handle handle) {
    return CloseHandle(to_handle(handle)) != FALSE;
}

Os_handle Win32_os::create_event() {
    return from_handle(CreateEventA(nullptr, FALSE, FALSE, nullptr));
}

template <typename Start>
bool Win32_os::transfer(Start start, std::uint32_t* transferred, Os_overlapped* overlapped) {
    // DWORD is a different type from std::uint32_t; the count goes through a local so that the
    // caller's value stays as it was wherever the system leaves the count alone.
    DWORD done = transferred != nullptr ? *transferred : 0;
    const BOOL ok = start(transferred != nullptr ? &done : nullptr);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (transferred != nullptr) {
        *transferred = done;
    }
    note_start(overlapped, ok == FALSE && error == ERROR_IO_PENDING);
    if (ok == FALSE) {
        SetLastError(error);
    }
    return ok != FALSE;
}

bool Win32_os::write_file(Os_handle handle, const void* data, std::uint32_t count,
                          std::uint32_t* transferred, Os_overlapped* overlapped) {
    return transfer(
        [&](DWORD* done) {
            return WriteFile(to_handle(handle), data, count, done, to_overlapped(overlapped));
        },
        transferred, overlapped);
}

bool Win32_os::read_file(Os_handle handle, void* data, std::uint32_t count,
                         std::uint32_t* transferred, Os_overlapped* overlapped) {
    return transfer(
        [&](DWORD* done) {
            return ReadFile(to_handle(handle), data, count, done, to_overlapped(overlapped));
        },
        transferred, overlapped);
}

void Win32_os::note_start(const Os_overlapped* overlapped, bool pending) {
    if (overlapped == nullptr) {
        return;
    }
    const auto it = std::find(in_flight.begin(), in_flight.end(), overlapped);
    if (pending && it == in_flight.end()) {
        in_flight.push_back(overlapped);
    } else if (!pending && it != in_flight.end()) {
        in_flight.erase(it);
    }
}

std::uintptr_t Win32_os::overlapped_status(const Os_overlapped* overlapped) {
    const std::uintptr_t status = status_word(overlapped);
    if (status != os_const::status_pending) {
        // The system writes the buffer before the status word; the caller reads the buffer
        // after this look.
        std::atomic_thread_fence(std::memory_order_acquire);
        note_start(overlapped, false);
    }
    return status;
}

void Win32_os::cancel_io(Os_handle handle, Os_overlapped* overlapped) {
    CancelIo(to_handle(handle));
    if (overlapped == nullptr) {
        return;
    }
    const auto it = std::find(in_flight.begin(), in_flight.end(), overlapped);
    if (it == in_flight.end()) {
        // Refused when it was started, ended synchronously, or already seen to end: the system
        // holds no reference to this record, and a refused record keeps the pending status for
        // good, so waiting on it would never return.
        return;
    }
    in_flight.erase(it);
    // The cancelled transfer may still write its record and buffer; they are released or reused
    // as soon as this returns.
    DWORD count = 0;
    if (GetOverlappedResult(to_handle(handle), to_overlapped(overlapped), &count, TRUE) == FALSE &&
        status_word(overlapped) == os_const::status_pending) {
        // The wait itself failed (the record's event is no longer valid): watch the status word
        // instead, which the system writes when the cancelled transfer ends.
        while (status_word(overlapped) == os_const::status_pending) {
            Sleep(1);
        }
    }
    std::atomic_thread_fence(std::memory_order_acquire);
}

void Win32_os::sleep_ms(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

Os_api& platform_os_api() {
    static Win32_os os;
    return os;
}
