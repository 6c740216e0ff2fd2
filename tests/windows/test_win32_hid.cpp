// The HID classes on the Windows seam: the search through the system's own device-setup library,
// and report transfers over a named pipe that stands in for the device path.

#include "hid_device.h"
#include "hid_device_mcu.h"
#include "pipe_bus_os.h"
#include "pipe_device.h"
#include "win32_os.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Data = std::array<std::uint8_t, 64>;

constexpr std::uint32_t poll_limit = 250;

Data numbered(std::uint8_t first) {
    Data data{};
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(first + i);
    }
    return data;
}

// 65 bytes on the wire: report ID 0, then the data.
std::vector<std::uint8_t> wire(const Data& data) {
    std::vector<std::uint8_t> bytes(1 + data.size(), 0);
    std::copy(data.begin(), data.end(), bytes.begin() + 1);
    return bytes;
}

bool all_zero(const Data& data) {
    return std::all_of(data.begin(), data.end(), [](std::uint8_t b) { return b == 0; });
}

class Log_recorder {
public:
    Log_recorder() {
        before = HID_device::set_log_observer([this](const std::string& t) { texts.push_back(t); });
    }
    ~Log_recorder() { HID_device::set_log_observer(before); }
    Log_recorder(const Log_recorder&) = delete;
    Log_recorder& operator=(const Log_recorder&) = delete;

    std::vector<std::string> texts;

private:
    HID_device::Log_observer before;
};

// Installs an OS for one test and puts the platform's back afterwards.
class Os_installed {
public:
    explicit Os_installed(Os_api& os) { set_os_api(&os); }
    ~Os_installed() { set_os_api(&platform_os_api()); }
    Os_installed(const Os_installed&) = delete;
    Os_installed& operator=(const Os_installed&) = delete;
};

TEST(Win32_hid_search, TheDongleSearchThroughTheSystemLibraryEndsWithoutTheDevice) {
    Os_installed installed(platform_os_api());
    Log_recorder log;
    ::testing::internal::CaptureStdout();
    HID_device device;
    const bool found = device.search("VID_ABCD&PID_BBBB", true);
    ::testing::internal::GetCapturedStdout();
    ASSERT_FALSE(found);

    ASSERT_GE(log.texts.size(), 2u);
    EXPECT_EQ(log.texts.back(), "Error. Could not find the device.");
    EXPECT_EQ(log.texts[log.texts.size() - 2], "HID device interface data structure...");
    // The set came from the library, so the walk reached the end of the interfaces rather than
    // failing on a missing library or on a record size the library rejects.
    EXPECT_NE(std::find(log.texts.begin(), log.texts.end(), "HID device table load..."),
              log.texts.end());
    const auto load = std::find(log.texts.begin(), log.texts.end(), "HID device table load...");
    ASSERT_NE(load + 1, log.texts.end());
    EXPECT_EQ(*(load + 1), "OK");
}

TEST(Win32_hid_search, TheModuleSearchThroughTheSystemLibraryEndsWithoutTheDevice) {
    Os_installed installed(platform_os_api());
    ::testing::internal::CaptureStdout();
    bool found = true;
    {
        HID_device_MCU module;
        found = module.search();
    }
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(found);
    EXPECT_NE(out.find("Dynamic DLL load, setupapi.dll...OK"), std::string::npos) << out;
    EXPECT_NE(out.find("HID device table load...OK\n"), std::string::npos) << out;
    EXPECT_NE(out.find("HID device interface data structure...Error. Could not find the device.\n"),
              std::string::npos)
        << out;
}

// The dongle's device found on the pipe bus and opened with real overlapped handles.
class Win32_hid_pipe : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(hid.search("vid_abcd&pid_bbbb", true)); }

    Pipe_device pipe;
    Pipe_bus_os os{pipe, {"HID\\VID_ABCD&PID_BBBB&REV_0100", "HID\\VID_ABCD&PID_BBBB"}};
    Os_installed installed{os};
    HID_device hid;
};

TEST_F(Win32_hid_pipe, TheSearchOpensThePathForWritingThenForReadingOverlapped) {
    EXPECT_EQ(os.opens(),
              (std::vector<std::uint32_t>{os_const::generic_write, os_const::generic_read}));
    EXPECT_TRUE(pipe.connected(0, 1000));
    EXPECT_TRUE(pipe.connected(1, 1000));
}

TEST_F(Win32_hid_pipe, SendPutsTheReportBehindReportIdZeroAndReceiveHandsTheAnswerBack) {
    const Data request = numbered(0x30);
    ASSERT_TRUE(hid.send(request.data(), false));
    EXPECT_EQ(pipe.take(0, 1000), wire(request));

    const Data answer = numbered(0xA0);
    ASSERT_TRUE(pipe.give(1, wire(answer)));
    Data received{};
    EXPECT_TRUE(hid.receive(received.data(), false));
    EXPECT_EQ(received, answer);
}

TEST_F(Win32_hid_pipe, AnAnswerThatComesWhileTheReadIsPolledIsReceived) {
    const Data answer = numbered(0x11);
    // The 25 ms pause is the first sleep; the answer comes in the fifth poll sleep.
    os.at_sleep(1 + 5, [&] { ASSERT_TRUE(pipe.give(1, wire(answer))); });
    const std::uint32_t before = os.sleeps();
    Data received{};
    EXPECT_TRUE(hid.receive(received.data(), false));
    EXPECT_EQ(received, answer);
    // The read waited for the answer, and the answer ended it before the limit.
    EXPECT_GE(os.sleeps() - before, 1u + 6u);
    EXPECT_LE(os.sleeps() - before, 1u + poll_limit);
}

TEST_F(Win32_hid_pipe, AReadWithoutAnswerIsCancelledAtTheLimitAndLeavesNothingBehind) {
    Data received = numbered(0x55);
    const std::uint32_t before = os.sleeps();
    EXPECT_FALSE(hid.receive(received.data(), false));
    EXPECT_TRUE(all_zero(received));
    EXPECT_EQ(os.sleeps() - before, 1u + poll_limit);

    // The cancelled read is gone: the next answer goes to the next receive, whole.
    const Data answer = numbered(0x70);
    ASSERT_TRUE(pipe.give(1, wire(answer)));
    EXPECT_TRUE(hid.receive(received.data(), false));
    EXPECT_EQ(received, answer);
}

TEST_F(Win32_hid_pipe, TransfersAfterTheDeviceWentAreRefusedAndFailAtTheLimit) {
    pipe.unplug();
    const Data request = numbered(0x01);
    std::uint32_t before = os.sleeps();
    EXPECT_FALSE(hid.send(request.data(), false));
    EXPECT_EQ(os.sleeps() - before, 1u + poll_limit);

    Data received = numbered(0x02);
    before = os.sleeps();
    EXPECT_FALSE(hid.receive(received.data(), false));
    EXPECT_EQ(os.sleeps() - before, 1u + poll_limit);
    EXPECT_TRUE(all_zero(received));
}

TEST_F(Win32_hid_pipe, AReadWaitingWhenTheDeviceGoesEndsTrueWithZeroData) {
    os.at_sleep(1 + 10, [&] { pipe.unplug(); });
    Data received = numbered(0x02);
    const std::uint32_t before = os.sleeps();
    EXPECT_TRUE(hid.receive(received.data(), false));
    EXPECT_TRUE(all_zero(received));
    EXPECT_LT(os.sleeps() - before, 1u + poll_limit);
}

TEST_F(Win32_hid_pipe, TracedTransfersLogTheCountsAndTheLooks) {
    Log_recorder log;
    const Data request = numbered(0x00);
    ASSERT_TRUE(hid.send(request.data(), true));
    ASSERT_TRUE(pipe.give(1, wire(numbered(0x01))));
    Data received{};
    ASSERT_TRUE(hid.receive(received.data(), true));
    ASSERT_EQ(log.texts.size(), 5u);
    EXPECT_EQ(log.texts[0], "HID device sending...");
    EXPECT_EQ(log.texts[1], "OK [65]");
    EXPECT_EQ(log.texts[2], "HID device receiving...");
    EXPECT_EQ(log.texts[3], "HID device receiving counter = 1");
    EXPECT_EQ(log.texts[4], "OK [65]");
}

TEST(Win32_hid_module_pipe, AnExchangeWritesTheRequestAndReadsTheAnswer) {
    Pipe_device pipe;
    Pipe_bus_os os{pipe, {"HID\\VID_ABCD&PID_0003&REV_0200"}};
    Os_installed installed{os};
    const Data request = numbered(0xF5);
    const Data answer = numbered(0x21);
    // The module answers in the third poll sleep of the read (the write takes one).
    std::vector<std::uint8_t> seen;
    os.at_sleep(1 + 3, [&] {
        seen = pipe.take(0, 1000);
        ASSERT_TRUE(pipe.give(1, wire(answer)));
    });
    Data received{};
    bool found = false;
    bool exchanged = false;
    ::testing::internal::CaptureStdout();
    {
        HID_device_MCU module;
        found = module.search();
        exchanged = found && module.exchange(request.data(), received.data(), false);
    }
    const std::string out = ::testing::internal::GetCapturedStdout();

    ASSERT_TRUE(found) << out;
    EXPECT_TRUE(exchanged);
    EXPECT_EQ(seen, wire(request));
    EXPECT_EQ(received, answer);
}

TEST(Win32_hid_module_pipe, AnExchangeWithoutAnswerFailsAfterTheModulesLimit) {
    Pipe_device pipe;
    Pipe_bus_os os{pipe, {"HID\\VID_ABCD&PID_0003"}};
    Os_installed installed{os};
    const Data request = numbered(0x10);
    Data received = numbered(0x99);
    bool found = false;
    bool exchanged = false;
    std::uint32_t looks = 0;
    ::testing::internal::CaptureStdout();
    {
        HID_device_MCU module;
        found = module.search();
        const std::uint32_t before = os.sleeps();
        exchanged = found && module.exchange(request.data(), received.data(), false);
        looks = os.sleeps() - before;
    }
    const std::string out = ::testing::internal::GetCapturedStdout();

    ASSERT_TRUE(found) << out;
    EXPECT_FALSE(exchanged);
    EXPECT_TRUE(all_zero(received));
    // One look for the write, then the read's 500 looks.
    EXPECT_EQ(looks, 1u + 500u);
    EXPECT_EQ(pipe.take(0, 1000), wire(request));
}

} // namespace
