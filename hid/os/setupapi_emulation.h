#pragma once

#include "os_api.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The device-setup calls the HID classes make, answered from a snapshot of present HID
// interfaces. Platforms without the real library (Linux hidraw, the simulated bench) present
// their devices through it, with the record sizes, list layouts and error codes of the real
// library, so the search code above the seam meets the same rules everywhere. Every operation
// returns its result and leaves the error code for the caller's last error in `error`.
class Setupapi_emulation {
public:
    struct Interface {
        std::vector<std::string> hardware_ids;
        std::string path;
    };
    // Lists the interfaces to put in a new set: the present ones only, or every known one.
    using Interface_lister = std::function<std::vector<Interface>(bool present_only)>;

    Setupapi_emulation() = default;
    Setupapi_emulation(const Setupapi_emulation&) = delete;
    Setupapi_emulation& operator=(const Setupapi_emulation&) = delete;

    Os_devinfo_set get_class_devs(const Os_guid* class_guid, std::uint32_t flags,
                                  const Interface_lister& lister, std::uint32_t& error);
    bool enum_device_interfaces(Os_devinfo_set set, const Os_devinfo_data* device,
                                const Os_guid* class_guid, std::uint32_t index,
                                Os_device_interface_data* interface_data, std::uint32_t& error);
    bool destroy_device_info_list(Os_devinfo_set set, std::uint32_t& error);
    bool enum_device_info(Os_devinfo_set set, std::uint32_t index, Os_devinfo_data* device,
                          std::uint32_t& error);
    bool get_device_registry_property(Os_devinfo_set set, const Os_devinfo_data* device,
                                      std::uint32_t property, std::uint32_t* property_type,
                                      std::uint8_t* buffer, std::uint32_t buffer_size,
                                      std::uint32_t* required_size, std::uint32_t& error);
    bool get_device_interface_detail(Os_devinfo_set set,
                                     const Os_device_interface_data* interface_data,
                                     Os_device_interface_detail_data* detail,
                                     std::uint32_t detail_size, std::uint32_t* required_size,
                                     Os_devinfo_data* device, std::uint32_t& error);

    int open_sets() const { return static_cast<int>(sets.size()); }

private:
    struct Set {
        std::vector<Interface> interfaces;
    };
    Set* find(Os_devinfo_set set);
    static void fill_device(Os_devinfo_data& device, std::uint32_t index);

    std::map<Os_devinfo_set, std::unique_ptr<Set>> sets;
};
