// The dongle connection manager: which device a selector opens, and its lines on standard output
// and in the trace, in their exact forms and order.
#include "hid_communication.h"
#include "link_test_env.h"
#include "msp430_bootloader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define open _open
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using Connection = Link_test;

// Standard output is in text mode too; compare with plain line feeds everywhere.
std::string without_cr(std::string text) {
    std::erase(text, '\r');
    return text;
}

// Exposes the protected state for checks only.
class Inspectable : public HID_communication {
public:
    using HID_communication::connected;
    using HID_communication::device;
};

// What a connection manager prints. The device-setup library loader of each device object
// writes its own texts in between: its load text continues the line that is open, its unload
// text starts a new one; so the loader's texts show when the device object is made and freed.
const std::string loaded = "Dynamic DLL load, setupapi.dll...OK";
const std::string unloaded = "\nDynamic DLL unload";
const std::string created = "\nCreating HID devices..." + loaded;
const std::string deleted = "\nDeleting HID devices..." + unloaded;
const std::string b_found = "\nConnecting to device B...\nConnecting to device B...OK";
const std::string b_missing =
    "\nConnecting to device B...\nError! Recreating device B..." + unloaded + loaded;
const std::string a_found = "\nConnecting to device A...OK";
const std::string a_missing = "\nError! Recreating device A..." + unloaded + loaded;

struct Selector_case {
    const char* name;
    const char* selector;
    bool a_present;
    bool b_present;
    bool result;
    std::string connect_stdout;
    std::vector<std::string> connect_trace;
};

class Selectors : public Link_test, public ::testing::WithParamInterface<Selector_case> {};

TEST_P(Selectors, OpenTheRightDeviceWithTheRightLines) {
    const Selector_case& c = GetParam();
    if (c.a_present) {
        os.add_device({hardware_id_a});
    }
    if (c.b_present) {
        os.add_device({hardware_id_b});
    }
    testing::internal::CaptureStdout();
    bool result = false;
    {
        Inspectable manager;
        result = manager.connect(c.selector);
        EXPECT_EQ(manager.connected, c.result);
        EXPECT_NE(manager.device, nullptr);
    }
    const std::string out = without_cr(testing::internal::GetCapturedStdout());
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(out, created + c.connect_stdout + deleted);

    std::vector<std::string> trace = {"HID: Creating HID devices..."};
    trace.insert(trace.end(), c.connect_trace.begin(), c.connect_trace.end());
    trace.push_back("HID: Deleting HID devices...");
    EXPECT_EQ(read_bytes("msp430_log.txt"), as_trace(trace));
}

const std::vector<std::string> b_found_trace = {"HID: Connecting to device B...",
                                                "HID: Connecting to device B...OK"};
const std::vector<std::string> b_missing_trace = {"HID: Connecting to device B...",
                                                  "HID: Error! Recreating device B..."};

INSTANTIATE_TEST_SUITE_P(
    All, Selectors,
    ::testing::Values(
        Selector_case{"B_present", "B", false, true, true, b_found, b_found_trace},
        Selector_case{"B_absent", "B", true, false, false, b_missing, b_missing_trace},
        Selector_case{
            "A_present", "A", true, false, true, a_found, {"HID: Connecting to device A...OK"}},
        Selector_case{
            "A_absent", "A", false, true, false, a_missing, {"HID: Error! Recreating device A..."}},
        Selector_case{"lower_case_a_means_B", "a", true, false, false, b_missing, b_missing_trace},
        Selector_case{"AB_means_B", "AB", true, true, true, b_found, b_found_trace},
        Selector_case{"empty_means_B", "", false, true, true, b_found, b_found_trace},
        Selector_case{"nothing_plugged", "B", false, false, false, b_missing, b_missing_trace}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Connection, UnusedManagerWritesTwoTraceLines) {
    { HID_communication manager; }
    EXPECT_EQ(read_bytes("msp430_log.txt"),
              as_trace({"HID: Creating HID devices...", "HID: Deleting HID devices..."}));
}

TEST_F(Connection, FailedConnectReleasesTheSearchedDeviceAndStartsAfresh) {
    Sim_hid_device& dongle = add_dongle_b();
    dongle.set_held_open_exclusively(true);
    Inspectable manager;
    EXPECT_FALSE(manager.connect("B"));
    // Whatever the failed search held (device set, a handle) went with the old object.
    EXPECT_EQ(os.open_device_sets(), 0);
    EXPECT_EQ(os.open_file_handles(), 0);
    EXPECT_NE(manager.device, nullptr);

    dongle.set_held_open_exclusively(false);
    EXPECT_TRUE(manager.connect("B"));
    EXPECT_TRUE(manager.connected);
    EXPECT_EQ(os.open_file_handles(), 2);
}

TEST_F(Connection, DestructionReleasesTheDongle) {
    add_dongle_b();
    {
        HID_communication manager;
        ASSERT_TRUE(manager.connect("B"));
        EXPECT_GT(os.open_file_handles(), 0);
    }
    EXPECT_EQ(os.open_file_handles(), 0);
    EXPECT_EQ(os.open_device_sets(), 0);
    EXPECT_EQ(os.loaded_libraries(), 0);
}

// Standard output and the trace file share one file here, so their interleaving shows: each
// standard-output line comes before its trace line.
TEST_F(Connection, StandardOutputLineComesBeforeItsTraceLine) {
    add_dongle_b();
    std::fflush(stdout);
    const int saved = dup(1);
    ASSERT_GE(saved, 0);
    const int file = open("msp430_log.txt", O_WRONLY | O_CREAT | O_APPEND, 0644);
    ASSERT_GE(file, 0);
    dup2(file, 1);
    close(file);
    {
        HID_communication manager;
        manager.connect("B");
    }
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);

    const std::string e = "\n";
    EXPECT_EQ(without_cr(read_bytes("msp430_log.txt")),
              "\nCreating HID devices... HID: Creating HID devices..." + e + loaded +
                  "\nConnecting to device B... HID: Connecting to device B..." + e +
                  "\nConnecting to device B...OK HID: Connecting to device B...OK" + e +
                  "\nDeleting HID devices... HID: Deleting HID devices..." + e + unloaded);
}

} // namespace
