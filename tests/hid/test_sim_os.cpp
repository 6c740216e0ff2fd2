#include "sim_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

class Sim_os_test : public Sim_fixture {
protected:
    template <typename Function> Function entry(const char* name) {
        return reinterpret_cast<Function>(os.get_proc_address(library, name));
    }
    Os_devinfo_set class_set() {
        return entry<Fn_SetupDiGetClassDevsA>("SetupDiGetClassDevsA")(
            &os_const::guid_devinterface_hid, nullptr, nullptr,
            os_const::digcf_present | os_const::digcf_deviceinterface);
    }
    Os_handle open(const Sim_hid_device& device, std::uint32_t access) {
        return os.create_file(device.path().c_str(), access,
                              os_const::file_share_read | os_const::file_share_write,
                              os_const::open_existing, os_const::file_flag_overlapped);
    }
    static std::vector<std::uint8_t> wire_of(const Sim_report& data) {
        std::vector<std::uint8_t> wire(data.size() + 1, 0);
        std::copy(data.begin(), data.end(), wire.begin() + 1);
        return wire;
    }

    Os_library library = os.load_library("setupapi.dll");
};

TEST_F(Sim_os_test, interfaces_are_listed_in_order_of_adding_plugged_ones_only) {
    add("HID\\VID_0001&PID_0001");
    Sim_hid_device& gone = add("HID\\VID_0002&PID_0002");
    add("HID\\VID_0003&PID_0003");
    os.unplug(gone);
    const Os_devinfo_set set = class_set();
    const auto enumerate = entry<Fn_SetupDiEnumDeviceInterfaces>("SetupDiEnumDeviceInterfaces");
    Os_device_interface_data data{};
    data.cbSize = sizeof data;
    EXPECT_TRUE(enumerate(set, nullptr, &os_const::guid_devinterface_hid, 1, &data));
    EXPECT_FALSE(enumerate(set, nullptr, &os_const::guid_devinterface_hid, 2, &data));
    EXPECT_EQ(os.last_error(), os_const::error_no_more_items);
    // The set is a snapshot: a device plugged later is not in it.
    os.plug(gone);
    EXPECT_FALSE(enumerate(set, nullptr, &os_const::guid_devinterface_hid, 2, &data));
    EXPECT_EQ(os.open_device_sets(), 1);
    EXPECT_TRUE(entry<Fn_SetupDiDestroyDeviceInfoList>("SetupDiDestroyDeviceInfoList")(set));
    EXPECT_EQ(os.open_device_sets(), 0);
}

TEST_F(Sim_os_test, records_must_have_the_size_of_the_builds_architecture) {
    add("HID\\VID_ABCD&PID_BBBB");
    const Os_devinfo_set set = class_set();
    Os_device_interface_data data{};
    Os_devinfo_data device{};
    const auto enumerate = entry<Fn_SetupDiEnumDeviceInterfaces>("SetupDiEnumDeviceInterfaces");
    const auto info = entry<Fn_SetupDiEnumDeviceInfo>("SetupDiEnumDeviceInfo");
    // 28 is the 32-bit layout of both records.
    data.cbSize = 28;
    device.cbSize = 28;
    if (sizeof(void*) == 8) {
        EXPECT_FALSE(enumerate(set, nullptr, &os_const::guid_devinterface_hid, 0, &data));
        EXPECT_EQ(os.last_error(), 1784u);
        EXPECT_FALSE(info(set, 0, &device));
        EXPECT_EQ(os.last_error(), 1784u);
    }
    data.cbSize = sizeof data;
    device.cbSize = sizeof device;
    EXPECT_TRUE(enumerate(set, nullptr, &os_const::guid_devinterface_hid, 0, &data));
    EXPECT_TRUE(info(set, 0, &device));
}

TEST_F(Sim_os_test, the_hardware_id_property_is_a_double_nul_terminated_list) {
    os.add_device({"HID\\VID_ABCD&PID_BBBB&REV_0100", "HID\\VID_ABCD&PID_BBBB"});
    const Os_devinfo_set set = class_set();
    Os_devinfo_data device{};
    device.cbSize = sizeof device;
    ASSERT_TRUE(entry<Fn_SetupDiEnumDeviceInfo>("SetupDiEnumDeviceInfo")(set, 0, &device));
    const auto property =
        entry<Fn_SetupDiGetDeviceRegistryPropertyA>("SetupDiGetDeviceRegistryPropertyA");
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_FALSE(property(set, &device, os_const::spdrp_hardwareid, &type, nullptr, 0, &size));
    EXPECT_EQ(os.last_error(), os_const::error_insufficient_buffer);
    const std::string expected = std::string("HID\\VID_ABCD&PID_BBBB&REV_0100") + '\0' +
                                 "HID\\VID_ABCD&PID_BBBB" + '\0' + '\0';
    ASSERT_EQ(size, expected.size());
    // One byte short is refused without writing anything.
    std::vector<std::uint8_t> buffer(size, 0xAA);
    EXPECT_FALSE(
        property(set, &device, os_const::spdrp_hardwareid, &type, buffer.data(), size - 1, &size));
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_TRUE(
        property(set, &device, os_const::spdrp_hardwareid, &type, buffer.data(), size, &size));
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), expected);
    EXPECT_EQ(type, 7u);
}

TEST_F(Sim_os_test, the_detail_record_carries_the_path_behind_its_size_field) {
    Sim_hid_device& device = add("HID\\VID_ABCD&PID_BBBB&REV_0100");
    EXPECT_EQ(device.path().rfind("\\\\?\\hid#vid_abcd&pid_bbbb#", 0), 0u);
    EXPECT_NE(add("HID\\VID_ABCD&PID_BBBB&REV_0100").path(), device.path());
    const Os_devinfo_set set = class_set();
    Os_device_interface_data data{};
    data.cbSize = sizeof data;
    ASSERT_TRUE(entry<Fn_SetupDiEnumDeviceInterfaces>("SetupDiEnumDeviceInterfaces")(
        set, nullptr, &os_const::guid_devinterface_hid, 0, &data));
    const auto detail =
        entry<Fn_SetupDiGetDeviceInterfaceDetailA>("SetupDiGetDeviceInterfaceDetailA");
    std::uint32_t size = 0;
    EXPECT_FALSE(detail(set, &data, nullptr, 0, &size, nullptr));
    const std::size_t offset = offsetof(Os_device_interface_detail_data, DevicePath);
    ASSERT_EQ(size, offset + device.path().size() + 1);
    std::vector<std::uint8_t> buffer(size, 0);
    auto* record = reinterpret_cast<Os_device_interface_detail_data*>(buffer.data());
    record->cbSize = 5; // the 32-bit value
    if (sizeof(void*) == 8) {
        EXPECT_FALSE(detail(set, &data, record, size, &size, nullptr));
        EXPECT_EQ(os.last_error(), 1784u);
    }
    record->cbSize = os_detail_fixed_size;
    ASSERT_TRUE(detail(set, &data, record, size, &size, nullptr));
    EXPECT_EQ(std::string(record->DevicePath), device.path());
}

TEST_F(Sim_os_test, the_setup_library_loads_only_when_present) {
    EXPECT_NE(library, nullptr);
    EXPECT_EQ(os.loaded_libraries(), 1);
    EXPECT_EQ(os.get_proc_address(library, "SetupDiNoSuchThing"), nullptr);
    os.free_library(library);
    EXPECT_EQ(os.loaded_libraries(), 0);
    os.set_setup_library_present(false);
    EXPECT_EQ(os.load_library("setupapi.dll"), nullptr);
    EXPECT_EQ(os.load_library("kernel32.dll"), nullptr);
    EXPECT_EQ(os.loaded_libraries(), 0);
}

TEST_F(Sim_os_test, opening_obeys_presence_holding_and_sharing) {
    Sim_hid_device& device = add("HID\\VID_ABCD&PID_BBBB");
    const Os_handle unshared = os.create_file(device.path().c_str(), os_const::generic_read, 0,
                                              os_const::open_existing, 0);
    ASSERT_NE(unshared, os_invalid_handle);
    EXPECT_EQ(open(device, os_const::generic_write), os_invalid_handle);
    EXPECT_EQ(os.last_error(), os_const::error_sharing_violation);
    os.close_handle(unshared);
    EXPECT_NE(open(device, os_const::generic_write), os_invalid_handle);
    device.set_held_open_exclusively(true);
    EXPECT_EQ(open(device, os_const::generic_read), os_invalid_handle);
    EXPECT_EQ(os.last_error(), os_const::error_sharing_violation);
    device.set_held_open_exclusively(false);
    os.unplug(device);
    EXPECT_EQ(open(device, os_const::generic_read), os_invalid_handle);
    EXPECT_EQ(os.last_error(), os_const::error_file_not_found);
}

TEST_F(Sim_os_test, refused_writes_keep_the_pending_status) {
    Sim_hid_device& device = add("HID\\VID_ABCD&PID_BBBB");
    const Os_handle reader = open(device, os_const::generic_read);
    const Os_handle writer = open(device, os_const::generic_write);
    std::vector<std::uint8_t> wire = wire_of(pattern(1));
    struct Case {
        const char* what;
        Os_handle handle;
        std::uint32_t count;
        std::uint8_t report_id;
        std::uint32_t error;
    };
    const Case cases[] = {
        {"unknown handle", 0x7777, 65, 0, os_const::error_invalid_handle},
        {"read-only handle", reader, 65, 0, os_const::error_access_denied},
        {"short report", writer, 64, 0, 1784u},
        {"numbered report", writer, 65, 3, 87u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        wire[0] = c.report_id;
        Os_overlapped record{};
        EXPECT_FALSE(os.write_file(c.handle, wire.data(), c.count, nullptr, &record));
        EXPECT_EQ(os.last_error(), c.error);
        EXPECT_EQ(os.overlapped_status(&record), os_const::status_pending);
    }
    EXPECT_TRUE(device.written_wire().empty());
    EXPECT_EQ(os.pending_transfers(), 0);
}

TEST_F(Sim_os_test, a_pending_read_ends_when_its_report_is_due) {
    Sim_hid_device& device = add("HID\\VID_ABCD&PID_BBBB");
    const Os_handle reader = open(device, os_const::generic_read);
    device.queue_input_report(pattern(9), 10);
    device.queue_input_report(pattern(5), 4); // sooner, so it arrives first
    std::uint8_t buffer[65] = {};
    Os_overlapped record{};
    std::uint32_t count = 99;
    EXPECT_FALSE(os.read_file(reader, buffer, 65, &count, &record));
    EXPECT_EQ(os.last_error(), os_const::error_io_pending);
    EXPECT_EQ(count, 0u);
    os.sleep_ms(3);
    EXPECT_EQ(os.overlapped_status(&record), os_const::status_pending);
    os.sleep_ms(1);
    EXPECT_EQ(os.overlapped_status(&record), 0u);
    EXPECT_EQ(record.InternalHigh, 65u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 65), wire_of(pattern(5)));
    // The later report is read at once when it is already due.
    os.sleep_ms(6);
    EXPECT_TRUE(os.read_file(reader, buffer, 65, &count, &record));
    EXPECT_EQ(count, 65u);
    EXPECT_EQ(buffer[1], 9);
}

TEST_F(Sim_os_test, unplugging_ends_pending_transfers_with_an_error_and_no_data) {
    Sim_hid_device& device = add("HID\\VID_ABCD&PID_BBBB");
    device.set_accepts_output(false);
    const Os_handle reader = open(device, os_const::generic_read);
    const Os_handle writer = open(device, os_const::generic_write);
    std::uint8_t buffer[65] = {};
    const std::vector<std::uint8_t> wire = wire_of(pattern(1));
    Os_overlapped read_record{};
    Os_overlapped write_record{};
    os.read_file(reader, buffer, 65, nullptr, &read_record);
    os.write_file(writer, wire.data(), 65, nullptr, &write_record);
    EXPECT_EQ(os.pending_transfers(), 2);
    device.queue_input_report(pattern(1), 50);
    os.unplug(device);
    EXPECT_EQ(device.queued_input_reports(), 0u);
    EXPECT_NE(os.overlapped_status(&read_record), os_const::status_pending);
    EXPECT_NE(os.overlapped_status(&read_record), 0u);
    EXPECT_NE(os.overlapped_status(&write_record), os_const::status_pending);
    EXPECT_EQ(buffer[1], 0);
    EXPECT_EQ(os.pending_transfers(), 0);
}

TEST_F(Sim_os_test, a_held_back_write_goes_out_once_the_device_takes_output) {
    Sim_hid_device& device = add("HID\\VID_ABCD&PID_BBBB");
    Inverting_behaviour behaviour;
    device.set_behaviour(&behaviour);
    device.set_accepts_output(false);
    const Os_handle writer = open(device, os_const::generic_write);
    const std::vector<std::uint8_t> wire = wire_of(pattern(1));
    Os_overlapped record{};
    EXPECT_FALSE(os.write_file(writer, wire.data(), 65, nullptr, &record));
    os.at(20, [&device] { device.set_accepts_output(true); });
    os.sleep_ms(19);
    EXPECT_EQ(os.overlapped_status(&record), os_const::status_pending);
    os.sleep_ms(1);
    EXPECT_EQ(os.overlapped_status(&record), 0u);
    ASSERT_EQ(behaviour.seen.size(), 1u);
    EXPECT_EQ(behaviour.seen.front(), pattern(1));
    EXPECT_EQ(device.written_wire().front(), wire);
}

TEST_F(Sim_os_test, cancelling_or_closing_ends_a_transfer_as_cancelled) {
    Sim_hid_device& device = add("HID\\VID_ABCD&PID_BBBB");
    const Os_handle reader = open(device, os_const::generic_read);
    std::uint8_t buffer[65] = {};
    Os_overlapped first{};
    Os_overlapped second{};
    os.read_file(reader, buffer, 65, nullptr, &first);
    os.cancel_io(reader, &first);
    EXPECT_EQ(first.Internal, 0xC0000120u);
    os.read_file(reader, buffer, 65, nullptr, &second);
    os.close_handle(reader);
    EXPECT_EQ(second.Internal, 0xC0000120u);
    EXPECT_EQ(os.cancelled_transfers(), 2);
    EXPECT_EQ(os.pending_transfers(), 0);
    // A report arriving later finds no transfer to write into.
    device.queue_input_report(pattern(1));
    os.sleep_ms(1);
    EXPECT_EQ(buffer[1], 0);
}

TEST_F(Sim_os_test, actions_run_in_time_order_once_the_clock_reaches_them) {
    std::vector<int> ran;
    os.at(30, [&ran] { ran.push_back(3); });
    os.at(10, [&ran] { ran.push_back(1); });
    os.at(10, [&ran] { ran.push_back(2); });
    os.sleep_ms(9);
    EXPECT_TRUE(ran.empty());
    os.sleep_ms(25);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(clock.now_ms(), 34u);
}

TEST_F(Sim_os_test, the_newest_live_instance_is_the_active_one) {
    EXPECT_EQ(Sim_os::active(), &os);
    {
        Virtual_clock other_clock;
        Sim_os other(other_clock);
        EXPECT_EQ(Sim_os::active(), &other);
    }
    EXPECT_EQ(Sim_os::active(), &os);
}

TEST_F(Sim_os_test, reports_that_arrived_while_nobody_read_are_lost_to_a_new_reader) {
    Sim_hid_device& device = add("HID\\VID_ABCD&PID_BBBB");
    const Os_handle first = open(device, os_const::generic_read);
    device.queue_input_report(pattern(1), 5);  // arrives while the first reader is open
    device.queue_input_report(pattern(2), 50); // arrives after the second reader opened
    os.sleep_ms(10);
    os.close_handle(first);
    const Os_handle second = open(device, os_const::generic_read);
    std::uint8_t buffer[65] = {};
    Os_overlapped record{};
    EXPECT_FALSE(os.read_file(second, buffer, 65, nullptr, &record));
    os.sleep_ms(39);
    EXPECT_EQ(os.overlapped_status(&record), os_const::status_pending);
    os.sleep_ms(1);
    EXPECT_EQ(os.overlapped_status(&record), 0u);
    EXPECT_EQ(buffer[1], 2);
}

} // namespace
