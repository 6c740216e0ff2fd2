#pragma once

#include <cstddef>
#include <cstdint>

// The seam between the HID classes and the operating system. It models the Windows calls the
// HID classes make and nothing higher, so the classes above it run unchanged on Windows, on
// Linux (hidraw) and on the simulated bench. Records and constants keep the Windows layout and
// values of the build's own architecture.

#if defined(_WIN32)
#define OS_CALL __stdcall
#else
#define OS_CALL
#endif

using Os_handle = std::uintptr_t;                             // HANDLE
inline constexpr Os_handle os_invalid_handle = ~Os_handle{0}; // INVALID_HANDLE_VALUE
using Os_library = void*;                                     // HMODULE, null when not loaded
using Os_proc = void (*)();                                   // FARPROC, null when not found
using Os_devinfo_set = void*;                                 // HDEVINFO

// INVALID_HANDLE_VALUE as a device information set.
inline Os_devinfo_set os_invalid_set() {
    return reinterpret_cast<Os_devinfo_set>(~std::uintptr_t{0});
}

struct Os_guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

// SP_DEVICE_INTERFACE_DATA (28 bytes on 32-bit builds, 32 on 64-bit builds).
struct Os_device_interface_data {
    std::uint32_t cbSize;
    Os_guid InterfaceClassGuid;
    std::uint32_t Flags;
    std::uintptr_t Reserved;
};

// SP_DEVINFO_DATA (28 bytes on 32-bit builds, 32 on 64-bit builds).
struct Os_devinfo_data {
    std::uint32_t cbSize;
    Os_guid ClassGuid;
    std::uint32_t DevInst;
    std::uintptr_t Reserved;
};

// SP_DEVICE_INTERFACE_DETAIL_DATA_A: a size field, then the NUL-terminated device path.
struct Os_device_interface_detail_data {
    std::uint32_t cbSize;
    char DevicePath[1];
};

// The value the platform expects in Os_device_interface_detail_data::cbSize: the size of the
// record's fixed part, 5 on 32-bit builds (packed) and 8 on 64-bit builds.
inline constexpr std::uint32_t os_detail_fixed_size = sizeof(void*) == 8 ? 8 : 5;

// OVERLAPPED. Internal is the status word the transfers poll.
struct Os_overlapped {
    std::uintptr_t Internal;
    std::uintptr_t InternalHigh;
    std::uint32_t Offset;
    std::uint32_t OffsetHigh;
    Os_handle hEvent;
};

// Entry points of the device-setup library, looked up by name at run time.
using Fn_SetupDiGetClassDevsA = Os_devinfo_set(OS_CALL*)(const Os_guid* class_guid,
                                                         const char* enumerator, void* window,
                                                         std::uint32_t flags);
using Fn_SetupDiEnumDeviceInterfaces = int(OS_CALL*)(Os_devinfo_set set, Os_devinfo_data* device,
                                                     const Os_guid* class_guid, std::uint32_t index,
                                                     Os_device_interface_data* interface_data);
using Fn_SetupDiDestroyDeviceInfoList = int(OS_CALL*)(Os_devinfo_set set);
using Fn_SetupDiEnumDeviceInfo = int(OS_CALL*)(Os_devinfo_set set, std::uint32_t index,
                                               Os_devinfo_data* device);
using Fn_SetupDiGetDeviceRegistryPropertyA =
    int(OS_CALL*)(Os_devinfo_set set, Os_devinfo_data* device, std::uint32_t property,
                  std::uint32_t* property_type, std::uint8_t* buffer, std::uint32_t buffer_size,
                  std::uint32_t* required_size);
using Fn_SetupDiGetDeviceInterfaceDetailA = int(OS_CALL*)(Os_devinfo_set set,
                                                          Os_device_interface_data* interface_data,
                                                          Os_device_interface_detail_data* detail,
                                                          std::uint32_t detail_size,
                                                          std::uint32_t* required_size,
                                                          Os_devinfo_data* device);

namespace os_const {
inline constexpr std::uint32_t generic_read = 0x80000000u;
inline constexpr std::uint32_t generic_write = 0x40000000u;
inline constexpr std::uint32_t file_share_read = 0x1u;
inline constexpr std::uint32_t file_share_write = 0x2u;
inline constexpr std::uint32_t open_existing = 3u;
inline constexpr std::uint32_t file_flag_overlapped = 0x40000000u;
inline constexpr std::uintptr_t status_pending = 0x103u;
inline constexpr std::uint32_t error_no_more_items = 259u;
inline constexpr std::uint32_t error_io_pending = 997u;
inline constexpr std::uint32_t error_file_not_found = 2u;
inline constexpr std::uint32_t error_access_denied = 5u;
inline constexpr std::uint32_t error_sharing_violation = 32u;
inline constexpr std::uint32_t error_invalid_handle = 6u;
inline constexpr std::uint32_t error_device_not_connected = 1167u;
inline constexpr std::uint32_t error_insufficient_buffer = 122u;
inline constexpr std::uint32_t digcf_present = 0x2u;
inline constexpr std::uint32_t digcf_deviceinterface = 0x10u;
inline constexpr std::uint32_t spdrp_hardwareid = 1u;
// GUID_DEVINTERFACE_HID {4D1E55B2-F16F-11CF-88CB-001111000030}
inline constexpr Os_guid guid_devinterface_hid = {
    0x4D1E55B2u, 0xF16Fu, 0x11CFu, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
} // namespace os_const

class Os_api {
public:
    virtual ~Os_api() = default;

    // LoadLibraryA / GetProcAddress / FreeLibrary.
    virtual Os_library load_library(const char* name) = 0;
    virtual Os_proc get_proc_address(Os_library library, const char* name) = 0;
    virtual void free_library(Os_library library) = 0;

    // GetLastError.
    virtual std::uint32_t last_error() = 0;

    // CreateFileA with no security attributes and no template; os_invalid_handle on failure.
    virtual Os_handle create_file(const char* path, std::uint32_t access, std::uint32_t share,
                                  std::uint32_t disposition, std::uint32_t flags) = 0;
    // CloseHandle, for files and events.
    virtual bool close_handle(Os_handle handle) = 0;
    // CreateEventA(nullptr, FALSE, FALSE, nullptr): unnamed, automatic reset, not signalled.
    // Returns 0 on failure.
    virtual Os_handle create_event() = 0;

    // WriteFile / ReadFile. With a completion record the transfer is overlapped: the platform
    // puts os_const::status_pending into overlapped->Internal before it starts the transfer and
    // the final status when an accepted transfer ends; a transfer it refuses at the start keeps
    // the pending status for good. Without a record the call blocks until the transfer is done.
    virtual bool write_file(Os_handle handle, const void* data, std::uint32_t count,
                            std::uint32_t* transferred, Os_overlapped* overlapped) = 0;
    virtual bool read_file(Os_handle handle, void* data, std::uint32_t count,
                           std::uint32_t* transferred, Os_overlapped* overlapped) = 0;

    // A look at the record's status word (Internal), as the platform leaves it at this moment.
    virtual std::uintptr_t overlapped_status(const Os_overlapped* overlapped) = 0;

    // CancelIo on the handle, then wait until the cancelled transfer that uses this record has
    // settled, so that the record and its buffer can be released or reused safely.
    virtual void cancel_io(Os_handle handle, Os_overlapped* overlapped) = 0;

    // Sleep.
    virtual void sleep_ms(std::uint32_t milliseconds) = 0;
};

// The OS the process runs on. Production installs the platform's own at start-up; tests and the
// bench program install the simulated one. Not owned here.
Os_api& os_api();
void set_os_api(Os_api* api);

// The platform's own implementation (Windows or Linux hidraw), created on first use.
Os_api& platform_os_api();
