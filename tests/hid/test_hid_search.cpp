#include "hid_device.h"
#include "sim_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string dongle_b = "HID\\VID_ABCD&PID_BBBB&REV_0100";
const std::string dongle_a = "HID\\VID_ABCD&PID_AAAA&REV_0100";
const std::string mouse = "HID\\VID_046D&PID_C077&REV_7200";

class Hid_search : public Sim_fixture {
protected:
    Hid_search() {
        HID_device::set_log_observer([this](const std::string& text) { log.push_back(text); });
    }
    ~Hid_search() override { HID_device::set_log_observer(nullptr); }

    bool logged(const std::string& text) const {
        return std::find(log.begin(), log.end(), text) != log.end();
    }
    // The device a successful search opened: the one a report sent through it reaches.
    static void send_one(HID_device& device) {
        const Sim_report data = pattern(1);
        device.send(data.data(), false);
    }

    std::vector<std::string> log;
};

TEST_F(Hid_search, full_successful_search_logs_every_step_in_order) {
    add(mouse);
    add(dongle_b);
    {
        HID_device device;
        ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
    }
    const std::vector<std::string> expected = {
        "HID device start...",
        "HID device searching...",
        "HID device table destroy",
        "HID device table load...",
        "OK",
        "Interface index: 0",
        "HID device interface data structure...",
        "OK",
        "HID device reading device ID...",
        "OK",
        "Device ID is: HID\\VID_046D&PID_C077&REV_7200",
        "Interface index: 1",
        "HID device interface data structure...",
        "OK",
        "HID device reading device ID...",
        "OK",
        "Device ID is: HID\\VID_ABCD&PID_BBBB&REV_0100",
        "HID device found: VID_ABCD&PID_BBBB",
        "HID device loading detail interface...",
        "OK",
        "HID device creating NB write handle...",
        "NB OK",
        "HID device creating NB read handle...",
        "NB OK",
        "HID device stop...",
        "HID device table destroy",
    };
    EXPECT_EQ(log, expected);
}

TEST_F(Hid_search, blocking_search_uses_the_plain_handle_texts) {
    add(dongle_b);
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", false));
    const std::vector<std::string> tail(log.end() - 4, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"HID device creating write handle...", "OK",
                                              "HID device creating read handle...", "OK"}));
}

TEST_F(Hid_search, no_interface_present_ends_at_the_first_interface_step) {
    HID_device device;
    EXPECT_FALSE(device.search("VID_ABCD&PID_BBBB", true));
    const std::vector<std::string> tail(log.end() - 3, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Interface index: 0",
                                              "HID device interface data structure...",
                                              "Error. Could not find the device."}));
}

TEST_F(Hid_search, every_interface_is_examined_once_in_order_when_none_matches) {
    add(mouse);
    add(dongle_a);
    add("HID\\VID_1234&PID_0001");
    HID_device device;
    EXPECT_FALSE(device.search("VID_ABCD&PID_BBBB", true));
    std::vector<std::string> ids;
    for (const std::string& text : log) {
        if (text.rfind("Device ID is: ", 0) == 0) {
            ids.push_back(text.substr(14));
        }
    }
    EXPECT_EQ(ids, (std::vector<std::string>{mouse, dongle_a, "HID\\VID_1234&PID_0001"}));
    EXPECT_TRUE(logged("Interface index: 3"));
    EXPECT_EQ(log.back(), "Error. Could not find the device.");
    EXPECT_EQ(os.open_file_handles(), 0);
}

TEST_F(Hid_search, the_lower_enumeration_index_wins_between_two_matches) {
    Sim_hid_device& first = add(dongle_b);
    Sim_hid_device& second = add(dongle_b);
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
    send_one(device);
    EXPECT_EQ(first.written_wire().size(), 1u);
    EXPECT_TRUE(second.written_wire().empty());
    EXPECT_FALSE(logged("Interface index: 1"));
}

TEST_F(Hid_search, fragment_and_hardware_id_match_whatever_their_case) {
    struct Case {
        std::string hardware_id;
        std::string fragment;
    };
    const Case cases[] = {
        {dongle_b, "vid_abcd&pid_bbbb"},
        {"hid\\vid_abcd&pid_bbbb&rev_0100", "VID_ABCD&PID_BBBB"},
        {dongle_b, "Vid_AbCd&PiD_bBbB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hardware_id + " / " + c.fragment);
        Virtual_clock case_clock;
        Sim_os case_os(case_clock);
        set_os_api(&case_os);
        case_os.add_device({c.hardware_id});
        log.clear();
        HID_device device;
        EXPECT_TRUE(device.search(c.fragment, true));
        EXPECT_TRUE(logged("HID device found: VID_ABCD&PID_BBBB"));
        EXPECT_TRUE(logged("Device ID is: HID\\VID_ABCD&PID_BBBB&REV_0100"));
    }
    set_os_api(&os);
}

TEST_F(Hid_search, the_callers_fragment_is_left_unchanged) {
    add(dongle_b);
    const std::string fragment = "vid_abcd&pid_bbbb";
    HID_device device;
    ASSERT_TRUE(device.search(fragment, true));
    EXPECT_EQ(fragment, "vid_abcd&pid_bbbb");
}

TEST_F(Hid_search, an_empty_fragment_matches_the_first_interface) {
    Sim_hid_device& first = add(mouse);
    add(dongle_b);
    HID_device device;
    ASSERT_TRUE(device.search("", true));
    EXPECT_TRUE(logged("HID device found: "));
    send_one(device);
    EXPECT_EQ(first.written_wire().size(), 1u);
}

TEST_F(Hid_search, only_the_first_hardware_id_string_takes_part) {
    os.add_device({"HID\\VID_1234&PID_0001&REV_0100", dongle_b, "HID_DEVICE"});
    HID_device device;
    EXPECT_FALSE(device.search("VID_ABCD&PID_BBBB", true));
    EXPECT_TRUE(logged("Device ID is: HID\\VID_1234&PID_0001&REV_0100"));
    EXPECT_EQ(log.back(), "Error. Could not find the device.");
}

TEST_F(Hid_search, unplugged_devices_are_not_enumerated) {
    Sim_hid_device& gone = add(dongle_b);
    os.unplug(gone);
    add(mouse);
    HID_device device;
    EXPECT_FALSE(device.search("VID_ABCD&PID_BBBB", true));
    os.plug(gone);
    HID_device again;
    EXPECT_TRUE(again.search("VID_ABCD&PID_BBBB", true));
}

TEST_F(Hid_search, a_held_open_match_ends_the_search_at_the_handle_step) {
    add(dongle_b).set_held_open_exclusively(true);
    Sim_hid_device& free_twin = add(dongle_b);
    HID_device device;
    EXPECT_FALSE(device.search("VID_ABCD&PID_BBBB", true));
    const std::vector<std::string> tail(log.end() - 4, log.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"HID device creating NB write handle...", "NB Error",
                                        "HID device creating NB read handle...", "NB Error"}));
    EXPECT_FALSE(logged("Interface index: 1"));
    EXPECT_EQ(os.open_file_handles(), 0);
    EXPECT_TRUE(free_twin.written_wire().empty());
}

TEST_F(Hid_search, a_device_without_hardware_id_is_passed_over) {
    os.add_device({}, "\\\\?\\hid#nameless");
    add(dongle_b);
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
    const auto step = std::find(log.begin(), log.end(), "HID device reading device ID...");
    ASSERT_NE(step, log.end());
    EXPECT_EQ(*(step + 1), "Error");
    EXPECT_EQ(*(step + 2), "Interface index: 1");
}

TEST_F(Hid_search, a_missing_setup_library_fails_at_the_first_interface_step) {
    add(dongle_b);
    os.set_setup_library_present(false);
    testing::internal::CaptureStdout();
    {
        HID_device device;
        EXPECT_FALSE(device.search("VID_ABCD&PID_BBBB", true));
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Dynamic DLL load, setupapi.dll...Error\nDynamic DLL unload");
    // The null set from the loader is not the invalid value, so the table step says OK.
    const std::vector<std::string> tail(log.end() - 7, log.end() - 1);
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "HID device table load...", "OK", "Interface index: 0",
                        "HID device interface data structure...", "Error", "HID device stop..."}));
    EXPECT_EQ(os.loaded_libraries(), 0);
}

TEST_F(Hid_search, the_loader_reports_on_standard_output) {
    testing::internal::CaptureStdout();
    { HID_device device; }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Dynamic DLL load, setupapi.dll...OK\nDynamic DLL unload");
}

TEST_F(Hid_search, destruction_releases_handles_set_and_library) {
    add(dongle_b);
    {
        HID_device device;
        ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
        EXPECT_EQ(os.open_file_handles(), 2);
        EXPECT_EQ(os.open_device_sets(), 1);
        EXPECT_EQ(os.loaded_libraries(), 1);
    }
    EXPECT_EQ(os.open_file_handles(), 0);
    EXPECT_EQ(os.open_device_sets(), 0);
    EXPECT_EQ(os.loaded_libraries(), 0);
    EXPECT_EQ(os.open_events(), 0);
}

TEST_F(Hid_search, a_new_search_releases_what_the_last_one_held) {
    add(dongle_b);
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
    EXPECT_EQ(os.open_file_handles(), 2);
    EXPECT_EQ(os.open_device_sets(), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "HID device table destroy"), 2);
}

TEST_F(Hid_search, destroying_after_only_the_write_handle_opened_closes_it) {
    Sim_hid_device& dongle = add(dongle_b);
    // Another program reads the device and shares it for writing only.
    const Os_handle other = os.create_file(dongle.path().c_str(), os_const::generic_read,
                                           os_const::file_share_write, os_const::open_existing, 0);
    ASSERT_NE(other, os_invalid_handle);
    {
        HID_device device;
        EXPECT_FALSE(device.search("VID_ABCD&PID_BBBB", true));
        EXPECT_EQ(os.open_file_handles(), 2);
        const std::vector<std::string> tail(log.end() - 3, log.end());
        EXPECT_EQ(tail, (std::vector<std::string>{"NB OK", "HID device creating NB read handle...",
                                                  "NB Error"}));
    }
    EXPECT_EQ(os.open_file_handles(), 1);
    os.close_handle(other);
}

// Counts the library look-ups a search makes, forwarding everything to the simulated OS.
class Counting_os : public Os_api {
public:
    explicit Counting_os(Os_api& os) : inner(os) {}
    Os_library load_library(const char* name) override { return inner.load_library(name); }
    Os_proc get_proc_address(Os_library library, const char* name) override {
        lookups.emplace_back(name);
        return inner.get_proc_address(library, name);
    }
    void free_library(Os_library library) override { inner.free_library(library); }
    std::uint32_t last_error() override { return inner.last_error(); }
    Os_handle create_file(const char* path, std::uint32_t access, std::uint32_t share,
                          std::uint32_t disposition, std::uint32_t flags) override {
        return inner.create_file(path, access, share, disposition, flags);
    }
    bool close_handle(Os_handle handle) override { return inner.close_handle(handle); }
    Os_handle create_event() override { return inner.create_event(); }
    bool write_file(Os_handle handle, const void* data, std::uint32_t count,
                    std::uint32_t* transferred, Os_overlapped* overlapped) override {
        return inner.write_file(handle, data, count, transferred, overlapped);
    }
    bool read_file(Os_handle handle, void* data, std::uint32_t count, std::uint32_t* transferred,
                   Os_overlapped* overlapped) override {
        return inner.read_file(handle, data, count, transferred, overlapped);
    }
    std::uintptr_t overlapped_status(const Os_overlapped* overlapped) override {
        return inner.overlapped_status(overlapped);
    }
    void cancel_io(Os_handle handle, Os_overlapped* overlapped) override {
        inner.cancel_io(handle, overlapped);
    }
    void sleep_ms(std::uint32_t milliseconds) override { inner.sleep_ms(milliseconds); }

    std::vector<std::string> lookups;

private:
    Os_api& inner;
};

TEST_F(Hid_search, every_forwarded_call_looks_its_entry_point_up_again) {
    add(mouse);
    add(dongle_a);
    Counting_os counting(os);
    set_os_api(&counting);
    {
        HID_device device;
        EXPECT_FALSE(device.search("VID_ABCD&PID_BBBB", true));
    }
    set_os_api(&os);
    // One set request, four look-ups per examined interface, the failing interface step and the
    // release of the set.
    EXPECT_EQ(counting.lookups.size(), 1u + 4u * 2u + 1u + 1u);
    EXPECT_EQ(std::count(counting.lookups.begin(), counting.lookups.end(),
                         std::string("SetupDiGetDeviceRegistryPropertyA")),
              4);
}

TEST_F(Hid_search, a_failed_size_query_for_the_path_ends_the_search) {
    // A detail size below the record's fixed part would make the record unwritable; a loader
    // without the detail entry point reports size 0.
    class No_detail_os : public Counting_os {
    public:
        using Counting_os::Counting_os;
        Os_proc get_proc_address(Os_library library, const char* name) override {
            if (std::string(name) == "SetupDiGetDeviceInterfaceDetailA") {
                return nullptr;
            }
            return Counting_os::get_proc_address(library, name);
        }
    };
    add(dongle_b);
    No_detail_os no_detail(os);
    set_os_api(&no_detail);
    {
        HID_device device;
        EXPECT_FALSE(device.search("VID_ABCD&PID_BBBB", true));
    }
    set_os_api(&os);
    const auto step = std::find(log.begin(), log.end(), "HID device loading detail interface...");
    ASSERT_NE(step, log.end());
    EXPECT_EQ(*(step + 1), "Error");
    EXPECT_EQ(*(step + 2), "HID device stop...");
    EXPECT_EQ(os.open_file_handles(), 0);
}

// The platform may hand back the hardware ID and the device path without their terminating NUL,
// sized exactly to their characters. The search must take those texts as they are and never
// read past them.
class Unterminated_os : public Counting_os {
public:
    using Counting_os::Counting_os;
    Os_proc get_proc_address(Os_library library, const char* name) override {
        const Os_proc real = Counting_os::get_proc_address(library, name);
        if (std::string(name) == "SetupDiGetDeviceRegistryPropertyA") {
            real_property = reinterpret_cast<Fn_SetupDiGetDeviceRegistryPropertyA>(real);
            return reinterpret_cast<Os_proc>(&property);
        }
        if (std::string(name) == "SetupDiGetDeviceInterfaceDetailA") {
            real_detail = reinterpret_cast<Fn_SetupDiGetDeviceInterfaceDetailA>(real);
            return reinterpret_cast<Os_proc>(&detail);
        }
        return real;
    }

private:
    static inline Fn_SetupDiGetDeviceRegistryPropertyA real_property = nullptr;
    static inline Fn_SetupDiGetDeviceInterfaceDetailA real_detail = nullptr;

    static int OS_CALL property(Os_devinfo_set set, Os_devinfo_data* device, std::uint32_t which,
                                std::uint32_t* type, std::uint8_t* buffer, std::uint32_t size,
                                std::uint32_t* required) {
        std::uint32_t full = 0;
        real_property(set, device, which, type, nullptr, 0, &full);
        std::vector<std::uint8_t> text(full);
        const int ok = real_property(set, device, which, type, text.data(), full, &full);
        *required = full - 1; // every byte but the NUL
        if (buffer != nullptr) {
            std::copy_n(text.begin(), std::min(size, full - 1), buffer);
        }
        return ok;
    }

    static int OS_CALL detail(Os_devinfo_set set, Os_device_interface_data* interface_data,
                              Os_device_interface_detail_data* record, std::uint32_t size,
                              std::uint32_t* required, Os_devinfo_data* device) {
        std::uint32_t full = 0;
        real_detail(set, interface_data, nullptr, 0, &full, device);
        std::vector<std::uint8_t> bytes(full);
        std::memcpy(bytes.data(), &os_detail_fixed_size, sizeof os_detail_fixed_size);
        const int ok = real_detail(set, interface_data,
                                   reinterpret_cast<Os_device_interface_detail_data*>(bytes.data()),
                                   full, &full, device);
        *required = full - 1;
        if (record != nullptr) {
            std::copy_n(bytes.begin(), std::min(size, full - 1),
                        reinterpret_cast<std::uint8_t*>(record));
        }
        return ok;
    }
};

TEST_F(Hid_search, unterminated_hardware_id_and_path_are_read_within_their_buffers) {
    const Sim_hid_device& other = add(mouse);
    const Sim_hid_device& dongle = add(dongle_b);
    Unterminated_os unterminated(os);
    set_os_api(&unterminated);
    {
        HID_device device;
        ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
        EXPECT_TRUE(logged("Device ID is: " + mouse));
        EXPECT_TRUE(logged("Device ID is: " + dongle_b));
        send_one(device);
    }
    set_os_api(&os);
    EXPECT_FALSE(dongle.written_wire().empty());
    EXPECT_TRUE(other.written_wire().empty());
}

} // namespace
