#pragma once

#include "os_api.h"
#include "setupapi_emulation.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

// The device-setup library's entry points for an OS that emulates the library. They are plain
// functions, as the platform's are, so they act on whichever OS object is active; with none
// alive they fail the way the platform does on a bad set. `Host` supplies the differences:
//   static Os* active();                          // null when none is alive
//   static Setupapi_emulation& setup(Os&);
//   static std::uint32_t& error(Os&);             // the word last_error() reports
//   static std::vector<Setupapi_emulation::Interface> interfaces(Os&, bool present_only);
template <typename Host> struct Setupapi_entry_points {
    static Os_devinfo_set OS_CALL get_class_devs(const Os_guid* class_guid, const char*, void*,
                                                 std::uint32_t flags) {
        auto* o = Host::active();
        if (o == nullptr) {
            return os_invalid_set();
        }
        return Host::setup(*o).get_class_devs(
            class_guid, flags,
            [o](bool present_only) { return Host::interfaces(*o, present_only); }, Host::error(*o));
    }

    static int OS_CALL enum_device_interfaces(Os_devinfo_set set, Os_devinfo_data* device,
                                              const Os_guid* class_guid, std::uint32_t index,
                                              Os_device_interface_data* interface_data) {
        auto* o = Host::active();
        return o != nullptr && Host::setup(*o).enum_device_interfaces(
                                   set, device, class_guid, index, interface_data, Host::error(*o));
    }

    static int OS_CALL destroy_device_info_list(Os_devinfo_set set) {
        auto* o = Host::active();
        return o != nullptr && Host::setup(*o).destroy_device_info_list(set, Host::error(*o));
    }

    static int OS_CALL enum_device_info(Os_devinfo_set set, std::uint32_t index,
                                        Os_devinfo_data* device) {
        auto* o = Host::active();
        return o != nullptr &&
               Host::setup(*o).enum_device_info(set, index, device, Host::error(*o));
    }

    static int OS_CALL get_device_registry_property(Os_devinfo_set set, Os_devinfo_data* device,
                                                    std::uint32_t property,
                                                    std::uint32_t* property_type,
                                                    std::uint8_t* buffer, std::uint32_t buffer_size,
                                                    std::uint32_t* required_size) {
        auto* o = Host::active();
        return o != nullptr && Host::setup(*o).get_device_registry_property(
                                   set, device, property, property_type, buffer, buffer_size,
                                   required_size, Host::error(*o));
    }

    static int OS_CALL get_device_interface_detail(Os_devinfo_set set,
                                                   Os_device_interface_data* interface_data,
                                                   Os_device_interface_detail_data* detail,
                                                   std::uint32_t detail_size,
                                                   std::uint32_t* required_size,
                                                   Os_devinfo_data* device) {
        auto* o = Host::active();
        return o != nullptr &&
               Host::setup(*o).get_device_interface_detail(set, interface_data, detail, detail_size,
                                                           required_size, device, Host::error(*o));
    }

    // The entry point the library exports under `name`; null when it exports none.
    static Os_proc lookup(const char* name) {
        static const std::pair<const char*, Os_proc> entries[] = {
            {"SetupDiGetClassDevsA", reinterpret_cast<Os_proc>(&get_class_devs)},
            {"SetupDiEnumDeviceInterfaces", reinterpret_cast<Os_proc>(&enum_device_interfaces)},
            {"SetupDiDestroyDeviceInfoList", reinterpret_cast<Os_proc>(&destroy_device_info_list)},
            {"SetupDiEnumDeviceInfo", reinterpret_cast<Os_proc>(&enum_device_info)},
            {"SetupDiGetDeviceRegistryPropertyA",
             reinterpret_cast<Os_proc>(&get_device_registry_property)},
            {"SetupDiGetDeviceInterfaceDetailA",
             reinterpret_cast<Os_proc>(&get_device_interface_detail)},
        };
        for (const auto& entry : entries) {
            if (std::strcmp(entry.first, name) == 0) {
                return entry.second;
            }
        }
        return nullptr;
    }
};
