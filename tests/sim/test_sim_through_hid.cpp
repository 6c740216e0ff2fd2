// The bench seen through the system's own HID classes: device discovery by hardware-ID
// fragment, the dongle's time-limited transfers and the module's exchange.
#include "hid_device.h"
#include "hid_device_mcu.h"
#include "sim_bench.h"
#include "sim_panel_frame.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

using Report = std::array<std::uint8_t, 64>;

Report dongle_request(const Sim_detector_bytes& request) {
    Report report{};
    report[0] = 0x0A;
    std::copy(request.begin(), request.end(), report.begin() + 1);
    report[10] = 0x01;
    report[11] = 0xF4;
    report[12] = 2;
    return report;
}

class SimThroughHid : public ::testing::Test {
protected:
    SimThroughHid() {
        bench.plug_dongle();
        bench.plug_module();
        detector = &bench.attach_detector(Sim_detector::factory_fresh(52, 0x21));
    }
    Sim_bench bench;
    Sim_detector* detector = nullptr;
};

TEST_F(SimThroughHid, DongleTransactionTakesTheTimeOfTwoTransfers) {
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
    const Report request = dongle_request(Sim_detector_message::make(0xFF, 0x55, 0, 0, 0));
    Report reply{};
    const std::uint64_t start = bench.now_ms();
    ASSERT_TRUE(device.send(request.data(), false));
    ASSERT_TRUE(device.receive(reply.data(), false));
    EXPECT_GE(bench.now_ms() - start, 52u);
    EXPECT_LT(bench.now_ms() - start, 100u);
    EXPECT_EQ(reply[0], 0x0B);
    EXPECT_EQ(reply[3], 0x85);
    EXPECT_EQ(reply[4], 52);
}

TEST_F(SimThroughHid, EraseAndWriteLandInTheDetectorsFlash) {
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_AAAA", true));
    Report reply{};
    ASSERT_TRUE(device.send(
        dongle_request(Sim_detector_message::make(0xFF, 0xAA, 0x1040, 0x4180, 0x0007)).data(),
        false));
    ASSERT_TRUE(device.receive(reply.data(), false));
    EXPECT_EQ(reply[2], 0xAA);
    EXPECT_EQ(detector->word(0x1040), 0x4180);
    EXPECT_EQ(detector->word(0x1042), 0x0007);
}

TEST_F(SimThroughHid, LateReplyTimesTheReceiveOut) {
    bench.dongle().arm(Sim_dongle::Fault::late_reply, Sim_fault_schedule::once());
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
    Report reply{};
    reply.fill(0x77);
    ASSERT_TRUE(
        device.send(dongle_request(Sim_detector_message::make(0xFF, 0x55, 0, 0, 0)).data(), false));
    const std::uint64_t start = bench.now_ms();
    EXPECT_FALSE(device.receive(reply.data(), false));
    EXPECT_GE(bench.now_ms() - start, 275u);
    EXPECT_EQ(reply, Report{});
}

TEST_F(SimThroughHid, DongleUnpluggedAfterOneRequest) {
    bench.dongle().unplug_after(1);
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
    const Report request = dongle_request(Sim_detector_message::make(0xFF, 0x55, 0, 0, 0));
    Report reply{};
    ASSERT_TRUE(device.send(request.data(), false));
    ASSERT_TRUE(device.receive(reply.data(), false));
    EXPECT_TRUE(device.send(request.data(), false));
    EXPECT_FALSE(device.receive(reply.data(), false));
    EXPECT_FALSE(device.send(request.data(), false));
    EXPECT_FALSE(HID_device().search("VID_ABCD&PID_BBBB", true));
}

TEST_F(SimThroughHid, ModuleExchangeFindsTheModuleAndAnswersThePasswordCheck) {
    HID_device_MCU module;
    ASSERT_TRUE(module.search());
    const Sim_report request = Sim_panel_frame::build(0x0C, {0x04, '1', '2', '3', '4'});
    Report reply{};
    ASSERT_TRUE(module.exchange(request.data(), reply.data(), false));
    EXPECT_EQ(reply[3], 0x0C);
    EXPECT_EQ(reply[4], 0x04);
    EXPECT_TRUE(bench.panel().logged_in());
}

TEST_F(SimThroughHid, SilentModuleCostsTheFullPoll) {
    bench.module().arm(Sim_module::Fault::no_reply, Sim_fault_schedule::once());
    HID_device_MCU module;
    ASSERT_TRUE(module.search());
    Report probe{};
    probe[0] = 0xF5;
    Report reply{};
    const std::uint64_t start = bench.now_ms();
    EXPECT_FALSE(module.exchange(probe.data(), reply.data(), false));
    EXPECT_GE(bench.now_ms() - start, 500u);
    EXPECT_TRUE(module.exchange(probe.data(), reply.data(), false));
    EXPECT_EQ(reply[0], 0xF5);
}

} // namespace
