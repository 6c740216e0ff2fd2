#pragma once

// The fragments of the first hardware-ID string by which the tool finds its two USB devices
// among the HID interfaces. The simulator names its devices on its own, as the tests' oracle.
namespace hardware_ids {

// The KTR27 dongle's two HID devices; the tool talks to B.
inline constexpr const char* dongle_a = "VID_ABCD&PID_AAAA";
inline constexpr const char* dongle_b = "VID_ABCD&PID_BBBB";
// The KMX12 interface module in front of the PNX30 panel.
inline constexpr const char* module = "VID_ABCD&PID_0003";

} // namespace hardware_ids
