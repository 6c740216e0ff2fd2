#pragma once

#include "dynamic_dll_load.h"
#include "os_api.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Finds a present HID interface by a fragment of its first hardware-ID string and opens it with
// a write handle and a read handle. The dongle's device and the module's device both search this
// way; they differ only in where the step texts go, so the texts leave through a sink.
class HID_device_opener {
public:
    // `outcome_follows` marks a step text whose outcome ("OK", "Error"...) comes next and belongs
    // on the same line when the texts are printed.
    using Sink = std::function<void(const std::string& text, bool outcome_follows)>;

    explicit HID_device_opener(Sink sink);
    ~HID_device_opener();
    HID_device_opener(const HID_device_opener&) = delete;
    HID_device_opener& operator=(const HID_device_opener&) = delete;

    // `overlapped` opens the handles for overlapped transfers; `nb_texts` picks the "NB" texts.
    bool search(const std::string& fragment, bool overlapped, bool nb_texts);

    Os_handle write_handle() const { return write; }
    Os_handle read_handle() const { return read; }
    const std::string& device_ID() const { return id; }

private:
    enum class Id_outcome { read, no_id, failed };

    void log(const std::string& text) { sink(text, false); }
    void log_step(const std::string& text) { sink(text, true); }

    bool table_load();
    void table_destroy();
    bool interface_data();
    Id_outcome read_device_ID();
    bool load_detail_interface();
    bool create_handles(std::uint32_t flags);
    bool create_NB_handles(std::uint32_t flags);
    bool open_handles(std::uint32_t flags, const char* write_text, const char* read_text,
                      const char* ok_text, const char* error_text);
    void close_handles();
    bool holds_set() const;

    Sink sink;
    std::unique_ptr<Dynamic_DLL_load> loader;
    Os_devinfo_set device_info_set = os_invalid_set();
    // Records of the build's own architecture: the platform rejects any other size.
    Os_device_interface_data interface_data_record{};
    std::unique_ptr<std::uint8_t[]> detail_buffer;
    std::uint32_t detail_buffer_size = 0;
    Os_devinfo_data device_record{};
    std::uint32_t interface_index = 0;
    std::uint32_t detail_size = 0;
    std::uint32_t property_type = 0;
    std::uint32_t property_size = 0;
    Os_handle write = os_invalid_handle;
    Os_handle read = os_invalid_handle;
    std::string id;
};
