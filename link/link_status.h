#pragma once

// The status of every detector operation, through the dongle or tunnelled through the panel.
// 0 is success and the only value callers tell apart; the user sees the numbers in the read's
// communication message, so they never change.
namespace link_status {
inline constexpr int ok = 0;
// Dongle: no reply report came in time. Panel: a module transaction failed, or there is no
// panel link at all.
inline constexpr int no_reply = 1;
// A reply came, but it is not the answer to the request (wrong marker, command or echo).
inline constexpr int data_error = 2;
// A damaged reply, or the detector's rejection of a request that reached it damaged.
inline constexpr int crc_error = 3;
// Dongle only: not connected, or the request report could not be sent.
inline constexpr int usb_error = 4;
} // namespace link_status
