#include "linux_os.h"
#include "os_api.h"

Os_api& platform_os_api() {
    static Linux_os os("/sys/class/hidraw", "/dev");
    return os;
}
