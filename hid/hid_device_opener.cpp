#include "hid_device_opener.h"

#include "device_access.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr std::size_t detail_path_offset = offsetof(Os_device_interface_detail_data, DevicePath);

// Hardware IDs are ASCII; only a to z change, whatever the process's locale says.
std::string upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// The text up to its first NUL, never looking past `size` bytes even if no NUL is there.
std::string bounded_text(const std::uint8_t* bytes, std::size_t size) {
    const auto* text = reinterpret_cast<const char*>(bytes);
    const void* nul = std::memchr(text, 0, size);
    return std::string(text, nul == nullptr ? size : static_cast<const char*>(nul) - text);
}

// A zeroed buffer, or none when the memory is not there.
std::unique_ptr<std::uint8_t[]> allocate(std::uint32_t size) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size]());
}

} // namespace

HID_device_opener::HID_device_opener(Sink text_sink) : sink(std::move(text_sink)) {
    log("HID device start...");
    loader = std::make_unique<Dynamic_DLL_load>();
}

HID_device_opener::~HID_device_opener() {
    log("HID device stop...");
    table_destroy();
    close_handles();
    loader.reset();
}

bool HID_device_opener::holds_set() const {
    // The null set is what the loader hands back without the library: nothing to release.
    return device_info_set != os_invalid_set() && device_info_set != nullptr;
}

void HID_device_opener::close_handles() {
    if (write != os_invalid_handle) {
        os_api().close_handle(write);
        write = os_invalid_handle;
    }
    if (read != os_invalid_handle) {
        os_api().close_handle(read);
        read = os_invalid_handle;
    }
}

bool HID_device_opener::search(const std::string& fragment, bool overlapped, bool nb_texts) {
    log("HID device searching...");
    interface_index = 0;
    if (!table_load()) {
        return false;
    }
    const std::string wanted = upper(fragment);
    for (;;) {
        log("Interface index: " + std::to_string(interface_index));
        if (!interface_data()) {
            return false;
        }
        const Id_outcome outcome = read_device_ID();
        if (outcome == Id_outcome::failed) {
            return false;
        }
        if (outcome == Id_outcome::read && id.find(wanted) != std::string::npos) {
            break;
        }
        ++interface_index;
    }
    log("HID device found: " + wanted);
    if (!load_detail_interface()) {
        return false;
    }
    const std::uint32_t flags = overlapped ? os_const::file_flag_overlapped : 0u;
    return nb_texts ? create_NB_handles(flags) : create_handles(flags);
}

void HID_device_opener::table_destroy() {
    log("HID device table destroy");
    if (holds_set()) {
        loader->SetupDiDestroyDeviceInfoList(device_info_set);
    }
    device_info_set = os_invalid_set();
}

bool HID_device_opener::table_load() {
    table_destroy();
    log_step("HID device table load...");
    device_info_set =
        loader->SetupDiGetClassDevsA(&os_const::guid_devinterface_hid, nullptr, nullptr,
                                     os_const::digcf_present | os_const::digcf_deviceinterface);
    if (device_info_set == os_invalid_set()) {
        log("Error");
        return false;
    }
    log("OK");
    return true;
}

bool HID_device_opener::interface_data() {
    log_step("HID device interface data structure...");
    interface_data_record = {};
    interface_data_record.cbSize = sizeof(Os_device_interface_data);
    if (loader->SetupDiEnumDeviceInterfaces(device_info_set, nullptr,
                                            &os_const::guid_devinterface_hid, interface_index,
                                            &interface_data_record)) {
        log("OK");
        return true;
    }
    if (os_api().last_error() == os_const::error_no_more_items) {
        log("Error. Could not find the device.");
    } else {
        log("Error");
    }
    return false;
}

HID_device_opener::Id_outcome HID_device_opener::read_device_ID() {
    log_step("HID device reading device ID...");
    device_record = {};
    device_record.cbSize = sizeof(Os_devinfo_data);
    loader->SetupDiEnumDeviceInfo(device_info_set, interface_index, &device_record);

    property_type = 0;
    property_size = 0;
    loader->SetupDiGetDeviceRegistryPropertyA(device_info_set, &device_record,
                                              os_const::spdrp_hardwareid, &property_type, nullptr,
                                              0, &property_size);
    // A device without a hardware ID (or a size query that failed) cannot be the one wanted;
    // reading a zero-sized list would run past the buffer, so look at the next device instead.
    if (property_size == 0) {
        log("Error");
        return Id_outcome::no_id;
    }
    const std::uint32_t buffer_size = property_size;
    const std::unique_ptr<std::uint8_t[]> buffer = allocate(buffer_size);
    if (!buffer) {
        log("Error. Not enough memory");
        return Id_outcome::failed;
    }
    loader->SetupDiGetDeviceRegistryPropertyA(device_info_set, &device_record,
                                              os_const::spdrp_hardwareid, &property_type,
                                              buffer.get(), buffer_size, &property_size);
    // The first string of the list, never reading past the buffer even if it is unterminated.
    id = upper(bounded_text(buffer.get(), buffer_size));
    log("OK");
    log("Device ID is: " + id);
    return Id_outcome::read;
}

bool HID_device_opener::load_detail_interface() {
    log_step("HID device loading detail interface...");
    detail_size = 0;
    loader->SetupDiGetDeviceInterfaceDetailA(device_info_set, &interface_data_record, nullptr, 0,
                                             &detail_size, nullptr);
    detail_buffer.reset();
    detail_buffer_size = 0;
    // The record needs its size field and at least the path's terminating NUL.
    if (detail_size < detail_path_offset + 1u) {
        log("Error");
        return false;
    }
    detail_buffer = allocate(detail_size);
    if (!detail_buffer) {
        log("Error. Not enough memory");
        return false;
    }
    detail_buffer_size = detail_size;
    const std::uint32_t fixed_size = os_detail_fixed_size;
    std::memcpy(detail_buffer.get(), &fixed_size, sizeof fixed_size);
    loader->SetupDiGetDeviceInterfaceDetailA(
        device_info_set, &interface_data_record,
        reinterpret_cast<Os_device_interface_detail_data*>(detail_buffer.get()), detail_buffer_size,
        &detail_size, nullptr);
    log("OK");
    return true;
}

bool HID_device_opener::create_handles(std::uint32_t flags) {
    return open_handles(flags, "HID device creating write handle...",
                        "HID device creating read handle...", "OK", "Error");
}

bool HID_device_opener::create_NB_handles(std::uint32_t flags) {
    return open_handles(flags, "HID device creating NB write handle...",
                        "HID device creating NB read handle...", "NB OK", "NB Error");
}

bool HID_device_opener::open_handles(std::uint32_t flags, const char* write_text,
                                     const char* read_text, const char* ok_text,
                                     const char* error_text) {
    // Handles from an earlier search go before new ones are opened.
    close_handles();
    const std::string path = bounded_text(detail_buffer.get() + detail_path_offset,
                                          detail_buffer_size - detail_path_offset);
    const std::uint32_t share = os_const::file_share_read | os_const::file_share_write;

    log_step(write_text);
    write = os_api().create_file(path.c_str(), os_const::generic_write, share,
                                 os_const::open_existing, flags);
    log(write == os_invalid_handle ? error_text : ok_text);
    if (write == os_invalid_handle && os_api().last_error() == os_const::error_access_denied) {
        Device_access::note_denied(path);
    }

    log_step(read_text);
    read = os_api().create_file(path.c_str(), os_const::generic_read, share,
                                os_const::open_existing, flags);
    log(read == os_invalid_handle ? error_text : ok_text);

    detail_buffer.reset();
    detail_buffer_size = 0;
    return write != os_invalid_handle && read != os_invalid_handle;
}
