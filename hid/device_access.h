#pragma once

#include <string>

// A matching HID node that is present but refused to open for lack of permission looks, to
// the search, just like a missing device. The search notes such a node here so that the
// window can tell the user what to fix; standard error hears of each node once per process,
// however often the monitor tries it.
class Device_access {
public:
    static void note_denied(const std::string& path);
    // The node last refused since the previous call; empty when none was. Clears it.
    static std::string take_denied();
};
