#include "dynamic_dll_load.h"

#include <cstdio>

namespace {

void write_out(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

} // namespace

Dynamic_DLL_load::Dynamic_DLL_load() {
    write_out("Dynamic DLL load, setupapi.dll...");
    library = os_api().load_library("setupapi.dll");
    load_failed = library == nullptr;
    write_out(load_failed ? "Error" : "OK");
}

Dynamic_DLL_load::~Dynamic_DLL_load() {
    write_out("\nDynamic DLL unload");
    if (library != nullptr) {
        os_api().free_library(library);
    }
}

template <typename Function> Function Dynamic_DLL_load::entry(const char* name) const {
    if (load_failed) {
        return nullptr;
    }
    // Looked up on every call: nothing is kept between calls.
    return reinterpret_cast<Function>(os_api().get_proc_address(library, name));
}

Os_devinfo_set Dynamic_DLL_load::SetupDiGetClassDevsA(const Os_guid* class_guid,
                                                      const char* enumerator, void* window,
                                                      std::uint32_t flags) {
    const auto function = entry<Fn_SetupDiGetClassDevsA>("SetupDiGetClassDevsA");
    return function == nullptr ? nullptr : function(class_guid, enumerator, window, flags);
}

bool Dynamic_DLL_load::SetupDiEnumDeviceInterfaces(Os_devinfo_set set, Os_devinfo_data* device,
                                                   const Os_guid* class_guid, std::uint32_t index,
                                                   Os_device_interface_data* interface_data) {
    const auto function = entry<Fn_SetupDiEnumDeviceInterfaces>("SetupDiEnumDeviceInterfaces");
    return function != nullptr && function(set, device, class_guid, index, interface_data) != 0;
}

bool Dynamic_DLL_load::SetupDiDestroyDeviceInfoList(Os_devinfo_set set) {
    const auto function = entry<Fn_SetupDiDestroyDeviceInfoList>("SetupDiDestroyDeviceInfoList");
    return function != nullptr && function(set) != 0;
}

bool Dynamic_DLL_load::SetupDiEnumDeviceInfo(Os_devinfo_set set, std::uint32_t index,
                                             Os_devinfo_data* device) {
    const auto function = entry<Fn_SetupDiEnumDeviceInfo>("SetupDiEnumDeviceInfo");
    return function != nullptr && function(set, index, device) != 0;
}

bool Dynamic_DLL_load::SetupDiGetDeviceRegistryPropertyA(
    Os_devinfo_set set, Os_devinfo_data* device, std::uint32_t property,
    std::uint32_t* property_type, std::uint8_t* buffer, std::uint32_t buffer_size,
    std::uint32_t* required_size) {
    const auto function =
        entry<Fn_SetupDiGetDeviceRegistryPropertyA>("SetupDiGetDeviceRegistryPropertyA");
    return function != nullptr &&
           function(set, device, property, property_type, buffer, buffer_size, required_size) != 0;
}

bool Dynamic_DLL_load::SetupDiGetDeviceInterfaceDetailA(Os_devinfo_set set,
                                                        Os_device_interface_data* interface_data,
                                                        Os_device_interface_detail_data* detail,
                                                        std::uint32_t detail_size,
                                                        std::uint32_t* required_size,
                                                        Os_devinfo_data* device) {
    const auto function =
        entry<Fn_SetupDiGetDeviceInterfaceDetailA>("SetupDiGetDeviceInterfaceDetailA");
    return function != nullptr &&
           function(set, interface_data, detail, detail_size, required_size, device) != 0;
}
