#pragma once

#include "os_api.h"

#include <cstdint>

// Platform codes beyond those the HID classes need (os_api.h), used by the OS implementations
// that emulate the platform's behaviour: final transfer statuses and further error values, with
// the platform's own numbers so that diagnostics read the same on every OS.
namespace os_codes {
inline constexpr std::uintptr_t status_success = 0x0u;
inline constexpr std::uintptr_t status_cancelled = 0xC0000120u;
inline constexpr std::uintptr_t status_device_not_connected = 0xC000009Du;
inline constexpr std::uintptr_t status_unsuccessful = 0xC0000001u;

inline constexpr std::uint32_t error_invalid_data = 13u;
inline constexpr std::uint32_t error_invalid_parameter = 87u;
inline constexpr std::uint32_t error_sem_timeout = 121u;
inline constexpr std::uint32_t error_mod_not_found = 126u;
inline constexpr std::uint32_t error_proc_not_found = 127u;
inline constexpr std::uint32_t error_gen_failure = 31u;
inline constexpr std::uint32_t error_invalid_user_buffer = 1784u;

inline constexpr std::uint32_t reg_multi_sz = 7u;
inline constexpr std::uint32_t spint_active = 0x1u;

// GUID_DEVCLASS_HIDCLASS {745A17A0-74D3-11D0-B6FE-00A0C90F57DA}: the setup class of HID devices.
inline constexpr Os_guid guid_devclass_hidclass = {
    0x745A17A0u, 0x74D3u, 0x11D0u, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}};
} // namespace os_codes
