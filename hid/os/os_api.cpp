#include "os_api.h"

namespace {
Os_api* installed = nullptr;
}

Os_api& os_api() {
    if (installed == nullptr) {
        installed = &platform_os_api();
    }
    return *installed;
}

void set_os_api(Os_api* api) {
    installed = api;
}
