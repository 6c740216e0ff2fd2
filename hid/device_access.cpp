#include "device_access.h"

#include <cstdio>
#include <set>

namespace {

std::string& last_denied() {
    static std::string path;
    return path;
}

std::set<std::string>& reported() {
    static std::set<std::string> paths;
    return paths;
}

} // namespace

void Device_access::note_denied(const std::string& path) {
    last_denied() = path;
    if (reported().insert(path).second) {
        std::fprintf(stderr,
                     "HID: %s matches but cannot be opened: permission denied. Install the udev "
                     "rule 70-ktr27tunex.rules and plug the device in again.\n",
                     path.c_str());
    }
}

std::string Device_access::take_denied() {
    std::string path;
    path.swap(last_denied());
    return path;
}
