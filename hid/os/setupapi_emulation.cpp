#include "setupapi_emulation.h"

#include "os_codes.h"

#include <cstddef>
#include <cstring>

namespace {

bool same_guid(const Os_guid& a, const Os_guid& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Records carry the position of their interface in the set, plus one so that a zeroed record
// names nothing.
std::uintptr_t token_for(std::uint32_t index) {
    return std::uintptr_t{index} + 1u;
}

bool index_from_token(std::uintptr_t token, std::size_t count, std::uint32_t& index) {
    if (token == 0 || token > count) {
        return false;
    }
    index = static_cast<std::uint32_t>(token - 1u);
    return true;
}

// REG_MULTI_SZ: every string with its NUL, then one more NUL closing the list.
std::string multi_sz(const std::vector<std::string>& strings) {
    std::string list;
    for (const std::string& s : strings) {
        list.append(s.c_str()); // an embedded NUL would end the string here as well
        list.push_back('\0');
    }
    list.push_back('\0');
    return list;
}

constexpr std::uint32_t detail_path_offset = offsetof(Os_device_interface_detail_data, DevicePath);

} // namespace

Setupapi_emulation::Set* Setupapi_emulation::find(Os_devinfo_set set) {
    const auto it = sets.find(set);
    return it == sets.end() ? nullptr : it->second.get();
}

void Setupapi_emulation::fill_device(Os_devinfo_data& device, std::uint32_t index) {
    device.ClassGuid = os_codes::guid_devclass_hidclass;
    device.DevInst = index + 1u;
    device.Reserved = token_for(index);
}

Os_devinfo_set Setupapi_emulation::get_class_devs(const Os_guid* class_guid, std::uint32_t flags,
                                                  const Interface_lister& lister,
                                                  std::uint32_t& error) {
    if (class_guid == nullptr) {
        error = os_codes::error_invalid_parameter;
        return os_invalid_set();
    }
    auto set = std::make_unique<Set>();
    // Only the HID interface class exists here; asked for another class, or for device setup
    // classes instead of interfaces, the platform hands back an empty set.
    if ((flags & os_const::digcf_deviceinterface) != 0 &&
        same_guid(*class_guid, os_const::guid_devinterface_hid)) {
        set->interfaces = lister((flags & os_const::digcf_present) != 0);
    }
    Os_devinfo_set handle = set.get();
    sets.emplace(handle, std::move(set));
    error = 0;
    return handle;
}

bool Setupapi_emulation::enum_device_interfaces(Os_devinfo_set set, const Os_devinfo_data* device,
                                                const Os_guid* class_guid, std::uint32_t index,
                                                Os_device_interface_data* interface_data,
                                                std::uint32_t& error) {
    Set* s = find(set);
    if (s == nullptr) {
        error = os_const::error_invalid_handle;
        return false;
    }
    if (interface_data == nullptr || class_guid == nullptr) {
        error = os_codes::error_invalid_parameter;
        return false;
    }
    if (interface_data->cbSize != sizeof(Os_device_interface_data)) {
        error = os_codes::error_invalid_user_buffer;
        return false;
    }
    std::uint32_t entry = index;
    if (device != nullptr) {
        // One interface per device: only index 0 of the named device exists.
        std::uint32_t device_index = 0;
        if (device->cbSize != sizeof(Os_devinfo_data) ||
            !index_from_token(device->Reserved, s->interfaces.size(), device_index)) {
            error = os_codes::error_invalid_parameter;
            return false;
        }
        if (index != 0) {
            error = os_const::error_no_more_items;
            return false;
        }
        entry = device_index;
    }
    if (!same_guid(*class_guid, os_const::guid_devinterface_hid) || entry >= s->interfaces.size()) {
        error = os_const::error_no_more_items;
        return false;
    }
    interface_data->InterfaceClassGuid = os_const::guid_devinterface_hid;
    interface_data->Flags = os_codes::spint_active;
    interface_data->Reserved = token_for(entry);
    error = 0;
    return true;
}

bool Setupapi_emulation::destroy_device_info_list(Os_devinfo_set set, std::uint32_t& error) {
    if (sets.erase(set) == 0) {
        error = os_const::error_invalid_handle;
        return false;
    }
    error = 0;
    return true;
}

bool Setupapi_emulation::enum_device_info(Os_devinfo_set set, std::uint32_t index,
                                          Os_devinfo_data* device, std::uint32_t& error) {
    Set* s = find(set);
    if (s == nullptr) {
        error = os_const::error_invalid_handle;
        return false;
    }
    if (device == nullptr) {
        error = os_codes::error_invalid_parameter;
        return false;
    }
    if (device->cbSize != sizeof(Os_devinfo_data)) {
        error = os_codes::error_invalid_user_buffer;
        return false;
    }
    if (index >= s->interfaces.size()) {
        error = os_const::error_no_more_items;
        return false;
    }
    fill_device(*device, index);
    error = 0;
    return true;
}

bool Setupapi_emulation::get_device_registry_property(
    Os_devinfo_set set, const Os_devinfo_data* device, std::uint32_t property,
    std::uint32_t* property_type, std::uint8_t* buffer, std::uint32_t buffer_size,
    std::uint32_t* required_size, std::uint32_t& error) {
    Set* s = find(set);
    if (s == nullptr) {
        error = os_const::error_invalid_handle;
        return false;
    }
    std::uint32_t index = 0;
    if (device == nullptr || device->cbSize != sizeof(Os_devinfo_data) ||
        !index_from_token(device->Reserved, s->interfaces.size(), index) ||
        (buffer == nullptr && buffer_size != 0)) {
        error = os_codes::error_invalid_parameter;
        return false;
    }
    const Interface& entry = s->interfaces[index];
    if (property != os_const::spdrp_hardwareid || entry.hardware_ids.empty()) {
        // The device has no such property.
        error = os_codes::error_invalid_data;
        return false;
    }
    const std::string list = multi_sz(entry.hardware_ids);
    const auto size = static_cast<std::uint32_t>(list.size());
    if (required_size != nullptr) {
        *required_size = size;
    }
    if (buffer_size < size) {
        error = os_const::error_insufficient_buffer;
        return false;
    }
    std::memcpy(buffer, list.data(), size);
    if (property_type != nullptr) {
        *property_type = os_codes::reg_multi_sz;
    }
    error = 0;
    return true;
}

bool Setupapi_emulation::get_device_interface_detail(
    Os_devinfo_set set, const Os_device_interface_data* interface_data,
    Os_device_interface_detail_data* detail, std::uint32_t detail_size,
    std::uint32_t* required_size, Os_devinfo_data* device, std::uint32_t& error) {
    Set* s = find(set);
    if (s == nullptr) {
        error = os_const::error_invalid_handle;
        return false;
    }
    std::uint32_t index = 0;
    if (interface_data == nullptr || interface_data->cbSize != sizeof(Os_device_interface_data) ||
        !index_from_token(interface_data->Reserved, s->interfaces.size(), index)) {
        error = os_codes::error_invalid_parameter;
        return false;
    }
    const std::string& path = s->interfaces[index].path;
    const auto needed = static_cast<std::uint32_t>(detail_path_offset + path.size() + 1u);
    if (required_size != nullptr) {
        *required_size = needed;
    }
    if (detail == nullptr) {
        error = detail_size == 0 ? os_const::error_insufficient_buffer
                                 : os_codes::error_invalid_user_buffer;
        return false;
    }
    // The size field is read only when the caller's buffer holds one.
    std::uint32_t declared = 0;
    if (detail_size < sizeof declared) {
        error = os_codes::error_invalid_user_buffer;
        return false;
    }
    std::memcpy(&declared, detail, sizeof declared);
    if (declared != os_detail_fixed_size) {
        error = os_codes::error_invalid_user_buffer;
        return false;
    }
    if (detail_size < needed) {
        error = os_const::error_insufficient_buffer;
        return false;
    }
    std::memcpy(reinterpret_cast<char*>(detail) + detail_path_offset, path.c_str(),
                path.size() + 1u);
    if (device != nullptr) {
        if (device->cbSize != sizeof(Os_devinfo_data)) {
            error = os_codes::error_invalid_user_buffer;
            return false;
        }
        fill_device(*device, index);
    }
    error = 0;
    return true;
}
