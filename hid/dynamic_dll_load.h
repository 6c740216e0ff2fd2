#pragma once

#include "os_api.h"

#include <cstdint>

// The platform's device-setup library, loaded by name at run time rather than linked, so the
// program starts on systems where it is missing. Each forwarding call looks its entry point up
// anew; when the library or the entry point is missing the call fails without reaching the
// platform. Reports its loading and unloading on standard output.
class Dynamic_DLL_load {
public:
    Dynamic_DLL_load();
    ~Dynamic_DLL_load();
    Dynamic_DLL_load(const Dynamic_DLL_load&) = delete;
    Dynamic_DLL_load& operator=(const Dynamic_DLL_load&) = delete;

    bool failed() const { return load_failed; }

    // A null set (not the platform's invalid set value) when the call cannot be made.
    Os_devinfo_set SetupDiGetClassDevsA(const Os_guid* class_guid, const char* enumerator,
                                        void* window, std::uint32_t flags);
    bool SetupDiEnumDeviceInterfaces(Os_devinfo_set set, Os_devinfo_data* device,
                                     const Os_guid* class_guid, std::uint32_t index,
                                     Os_device_interface_data* interface_data);
    bool SetupDiDestroyDeviceInfoList(Os_devinfo_set set);
    bool SetupDiEnumDeviceInfo(Os_devinfo_set set, std::uint32_t index, Os_devinfo_data* device);
    bool SetupDiGetDeviceRegistryPropertyA(Os_devinfo_set set, Os_devinfo_data* device,
                                           std::uint32_t property, std::uint32_t* property_type,
                                           std::uint8_t* buffer, std::uint32_t buffer_size,
                                           std::uint32_t* required_size);
    bool SetupDiGetDeviceInterfaceDetailA(Os_devinfo_set set,
                                          Os_device_interface_data* interface_data,
                                          Os_device_interface_detail_data* detail,
                                          std::uint32_t detail_size, std::uint32_t* required_size,
                                          Os_devinfo_data* device);

private:
    template <typename Function> Function entry(const char* name) const;

    Os_library library = nullptr;
    bool load_failed = false;
};
