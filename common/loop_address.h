#pragma once

// Addresses on a PNX30 loop run from 0 to 99: the panel's scan reports no detector above, and a
// detector's basic, ROP and W/K address lists offer no more.
namespace loop_address {

inline constexpr int lowest = 0;
inline constexpr int highest = 99;

} // namespace loop_address
