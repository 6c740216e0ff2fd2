#include "pipe_bus_os.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <utility>

namespace {

Pipe_bus_os* active_bus = nullptr;

// Stands for the device-setup library; never handed to the real loader.
char setup_library_tag;

Os_library setup_library() {
    return &setup_library_tag;
}

} // namespace

// The device-setup entry points: plain functions, as the library's are, acting on the bus that
// is alive. Each leaves its error code where GetLastError finds it.
struct Pipe_bus_os::Setup {
    static Setupapi_emulation::Interface_lister lister() {
        return [](bool) {
            return std::vector<Setupapi_emulation::Interface>{
                {active_bus->ids, active_bus->device.path()}};
        };
    }
    static void leave(std::uint32_t error) { SetLastError(error); }

    static Os_devinfo_set OS_CALL get_class_devs(const Os_guid* class_guid, const char*, void*,
                                                 std::uint32_t flags) {
        std::uint32_t error = 0;
        const Os_devinfo_set set =
            active_bus->setup.get_class_devs(class_guid, flags, lister(), error);
        leave(error);
        return set;
    }
    static int OS_CALL enum_device_interfaces(Os_devinfo_set set, Os_devinfo_data* device,
                                              const Os_guid* class_guid, std::uint32_t index,
                                              Os_device_interface_data* data) {
        std::uint32_t error = 0;
        const bool ok =
            active_bus->setup.enum_device_interfaces(set, device, class_guid, index, data, error);
        leave(error);
        return ok;
    }
    static int OS_CALL destroy_device_info_list(Os_devinfo_set set) {
        std::uint32_t error = 0;
        const bool ok = active_bus->setup.destroy_device_info_list(set, error);
        leave(error);
        return ok;
    }
    static int OS_CALL enum_device_info(Os_devinfo_set set, std::uint32_t index,
                                        Os_devinfo_data* device) {
        std::uint32_t error = 0;
        const bool ok = active_bus->setup.enum_device_info(set, index, device, error);
        leave(error);
        return ok;
    }
    static int OS_CALL get_device_registry_property(Os_devinfo_set set, Os_devinfo_data* device,
                                                    std::uint32_t property, std::uint32_t* type,
                                                    std::uint8_t* buffer, std::uint32_t size,
                                                    std::uint32_t* required) {
        std::uint32_t error = 0;
        const bool ok = active_bus->setup.get_device_registry_property(
            set, device, property, type, buffer, size, required, error);
        leave(error);
        return ok;
    }
    static int OS_CALL get_device_interface_detail(Os_devinfo_set set,
                                                   Os_device_interface_data* data,
                                                   Os_device_interface_detail_data* detail,
                                                   std::uint32_t size, std::uint32_t* required,
                                                   Os_devinfo_data* device) {
        std::uint32_t error = 0;
        const bool ok = active_bus->setup.get_device_interface_detail(set, data, detail, size,
                                                                      required, device, error);
        leave(error);
        return ok;
    }
};

Pipe_bus_os::Pipe_bus_os(Pipe_device& device, std::vector<std::string> hardware_ids)
    : device(device), ids(std::move(hardware_ids)) {
    active_bus = this;
}

Pipe_bus_os::~Pipe_bus_os() {
    if (active_bus == this) {
        active_bus = nullptr;
    }
}

void Pipe_bus_os::at_sleep(std::uint32_t nth, std::function<void()> what) {
    action_at = sleep_count + nth;
    action = std::move(what);
}

Os_library Pipe_bus_os::load_library(const char* name) {
    if (_stricmp(name, "setupapi.dll") == 0) {
        return setup_library();
    }
    return Win32_os::load_library(name);
}

Os_proc Pipe_bus_os::get_proc_address(Os_library library, const char* name) {
    if (library != setup_library()) {
        return Win32_os::get_proc_address(library, name);
    }
    static const std::pair<const char*, Os_proc> entries[] = {
        {"SetupDiGetClassDevsA", reinterpret_cast<Os_proc>(&Setup::get_class_devs)},
        {"SetupDiEnumDeviceInterfaces", reinterpret_cast<Os_proc>(&Setup::enum_device_interfaces)},
        {"SetupDiDestroyDeviceInfoList",
         reinterpret_cast<Os_proc>(&Setup::destroy_device_info_list)},
        {"SetupDiEnumDeviceInfo", reinterpret_cast<Os_proc>(&Setup::enum_device_info)},
        {"SetupDiGetDeviceRegistryPropertyA",
         reinterpret_cast<Os_proc>(&Setup::get_device_registry_property)},
        {"SetupDiGetDeviceInterfaceDetailA",
         reinterpret_cast<Os_proc>(&Setup::get_device_interface_detail)},
    };
    for (const auto& entry : entries) {
        if (std::strcmp(entry.first, name) == 0) {
            return entry.second;
        }
    }
    return nullptr;
}

void Pipe_bus_os::free_library(Os_library library) {
    if (library != setup_library()) {
        Win32_os::free_library(library);
    }
}

Os_handle Pipe_bus_os::create_file(const char* path, std::uint32_t access, std::uint32_t share,
                                   std::uint32_t disposition, std::uint32_t flags) {
    if (path != nullptr && device.path() == path) {
        open_access.push_back(access);
        device.open_next();
    }
    return Win32_os::create_file(path, access, share, disposition, flags);
}

void Pipe_bus_os::sleep_ms(std::uint32_t milliseconds) {
    ++sleep_count;
    if (action && sleep_count == action_at) {
        auto what = std::move(action);
        action = nullptr;
        what();
    }
    Win32_os::sleep_ms(milliseconds);
}
