// The device-setup library as the HID classes reach it on Windows: loaded by name through the
// seam, its entry points looked up by name and called with the seam's records.

#include "win32_os.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t error_mod_not_found = 126;

class Win32_setup_library : public ::testing::Test {
protected:
    void SetUp() override {
        library = os.load_library("setupapi.dll");
        ASSERT_NE(library, nullptr) << os.last_error();
    }
    void TearDown() override {
        if (library != nullptr) {
            os.free_library(library);
        }
    }
    template <typename Fn> Fn entry(const char* name) {
        return reinterpret_cast<Fn>(os.get_proc_address(library, name));
    }

    Win32_os os;
    Os_library library = nullptr;
};

TEST_F(Win32_setup_library, EveryEntryPointTheSearchUsesIsFoundByName) {
    for (const char* name :
         {"SetupDiGetClassDevsA", "SetupDiEnumDeviceInterfaces", "SetupDiDestroyDeviceInfoList",
          "SetupDiEnumDeviceInfo", "SetupDiGetDeviceRegistryPropertyA",
          "SetupDiGetDeviceInterfaceDetailA"}) {
        EXPECT_NE(os.get_proc_address(library, name), nullptr) << name;
    }
    EXPECT_EQ(os.get_proc_address(library, "SetupDiKtr27NoSuchCall"), nullptr);
}

TEST_F(Win32_setup_library, AMissingLibraryDoesNotLoad) {
    EXPECT_EQ(os.load_library("ktr27tunex-no-such-library.dll"), nullptr);
    EXPECT_EQ(os.last_error(), error_mod_not_found);
}

// Walks the present HID interfaces with the seam's records, as the search does, and checks that
// the walk ends the way a search without the device ends: ERROR_NO_MORE_ITEMS.
TEST_F(Win32_setup_library, TheHidInterfaceWalkEndsWithNoMoreItems) {
    const auto get_class_devs = entry<Fn_SetupDiGetClassDevsA>("SetupDiGetClassDevsA");
    const auto enum_interfaces =
        entry<Fn_SetupDiEnumDeviceInterfaces>("SetupDiEnumDeviceInterfaces");
    const auto enum_info = entry<Fn_SetupDiEnumDeviceInfo>("SetupDiEnumDeviceInfo");
    const auto property =
        entry<Fn_SetupDiGetDeviceRegistryPropertyA>("SetupDiGetDeviceRegistryPropertyA");
    const auto destroy = entry<Fn_SetupDiDestroyDeviceInfoList>("SetupDiDestroyDeviceInfoList");
    ASSERT_TRUE(get_class_devs && enum_interfaces && enum_info && property && destroy);

    const Os_devinfo_set set =
        get_class_devs(&os_const::guid_devinterface_hid, nullptr, nullptr,
                       os_const::digcf_present | os_const::digcf_deviceinterface);
    ASSERT_NE(set, os_invalid_set());
    ASSERT_NE(set, nullptr);

    std::uint32_t index = 0;
    for (; index < 256; ++index) {
        Os_device_interface_data interface_data{};
        interface_data.cbSize = sizeof interface_data;
        if (!enum_interfaces(set, nullptr, &os_const::guid_devinterface_hid, index,
                             &interface_data)) {
            break;
        }
        // Whatever HID interfaces this machine has, none is the dongle.
        Os_devinfo_data device{};
        device.cbSize = sizeof device;
        ASSERT_TRUE(enum_info(set, index, &device)) << os.last_error();
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        property(set, &device, os_const::spdrp_hardwareid, &type, nullptr, 0, &size);
        std::vector<std::uint8_t> ids(size + 1, 0);
        property(set, &device, os_const::spdrp_hardwareid, &type, ids.data(), size, &size);
        const std::string first_id(reinterpret_cast<const char*>(ids.data()));
        EXPECT_EQ(first_id.find("VID_ABCD"), std::string::npos) << first_id;
    }
    EXPECT_LT(index, 256u);
    EXPECT_EQ(os.last_error(), os_const::error_no_more_items);
    EXPECT_TRUE(destroy(set));
}

} // namespace
