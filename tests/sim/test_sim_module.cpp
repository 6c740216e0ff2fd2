#include "sim_bench.h"
#include "sim_host.h"
#include "sim_panel_frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Fault = Sim_module::Fault;

Bytes head(const Sim_report& report, std::size_t count) {
    return Bytes(report.begin(), report.begin() + static_cast<long>(count));
}

Sim_report frame(std::uint8_t code, const Bytes& data = {}) {
    return Sim_panel_frame::build(code, data);
}

Sim_report password_frame() {
    return frame(0x0C, {0x04, '1', '2', '3', '4'});
}

class SimModule : public ::testing::Test {
protected:
    SimModule() { bench.plug_module(); }

    // One exchange as the module device makes it: no pause, 500 looks per transfer.
    std::optional<Sim_report> exchange(const Sim_report& report) {
        Sim_host host(bench.module().device().path());
        if (!host.opened() || !host.send(report, 500)) {
            return std::nullopt;
        }
        return host.receive(500);
    }

    Sim_bench bench;
};

TEST_F(SimModule, HardwareId) {
    EXPECT_EQ(bench.module().device().hardware_ids().front(), "HID\\VID_ABCD&PID_0003&REV_0200");
}

TEST_F(SimModule, ProbeIsAnsweredWithF5) {
    Sim_report probe{};
    probe[0] = 0xF5;
    const auto reply = exchange(probe);
    ASSERT_TRUE(reply);
    EXPECT_EQ(head(*reply, 2), (Bytes{0xF5, 0x00}));
}

TEST_F(SimModule, PasswordCheckByteForByte) {
    auto reply = exchange(password_frame());
    ASSERT_TRUE(reply);
    EXPECT_EQ(head(*reply, 7), (Bytes{0x10, 0x10, 0x02, 0x0C, 0x04, 0x00, 0x60}));
    EXPECT_TRUE(bench.panel().logged_in());

    reply = exchange(frame(0x0C, {0x04, '9', '9', '9', '9'}));
    ASSERT_TRUE(reply);
    EXPECT_EQ(head(*reply, 7), (Bytes{0x10, 0x10, 0x02, 0x0C, 0x00, 0xC3, 0x61}));
    EXPECT_FALSE(bench.panel().logged_in());
}

TEST_F(SimModule, FramesItCannotTakeGetAnErrorReply) {
    Sim_report damaged = password_frame();
    damaged[9] ^= 0x01; // CRC
    auto reply = exchange(damaged);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[0], 0xAA);
    EXPECT_EQ((*reply)[3], 0x0C);
    EXPECT_EQ((*reply)[4], Sim_panel::error_frame_crc);
    EXPECT_EQ(bench.panel().password_checks(), 0u);

    Sim_report too_long = password_frame();
    too_long[2] = 61;
    reply = exchange(too_long);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[4], Sim_panel::error_frame_length);

    Sim_report garbage{};
    garbage[0] = 0x33;
    reply = exchange(garbage);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[4], Sim_panel::error_not_a_frame);
}

TEST_F(SimModule, ScanAndTunnelToTwoLoopDetectors) {
    Sim_detector& d3 = bench.add_loop_detector(3, Sim_detector::configured(52, 0x21));
    Sim_detector& d7 = bench.add_loop_detector(7, Sim_detector::factory_fresh(40, 0x33));
    d7.set_events(12);

    ASSERT_TRUE(exchange(password_frame()));
    ASSERT_TRUE(exchange(frame(0x71, {0x00})));
    bench.os().sleep_ms(1000);
    auto reply = exchange(frame(0x74));
    ASSERT_TRUE(reply);
    EXPECT_EQ(head(*reply, 4), (Bytes{0x10, 0x10, 0x0E, 0x74}));
    EXPECT_EQ((*reply)[4], 0x88); // flags 3 and 7
    EXPECT_TRUE(Sim_panel_frame::parse(*reply));
    ASSERT_TRUE(exchange(frame(0x70, {0x00})));
    EXPECT_FALSE(bench.panel().scan_running());

    // Erase the event memory of the detector at 7, then read the configuration of the one at 3.
    const auto erase_events = Sim_detector_message::make(7, 0xE1, 26, 0, 0);
    reply = exchange(frame(0x72, Bytes(erase_events.begin(), erase_events.end())));
    ASSERT_TRUE(reply);
    EXPECT_EQ(head(*reply, 4), (Bytes{0x10, 0x10, 0x01, 0x72}));
    reply = exchange(frame(0x73));
    ASSERT_TRUE(reply);
    EXPECT_EQ(head(*reply, 4), (Bytes{0x10, 0x10, 0x0A, 0x73}));
    EXPECT_EQ(Sim_detector_bytes({(*reply)[4], (*reply)[5], (*reply)[6], (*reply)[7], (*reply)[8],
                                  (*reply)[9], (*reply)[10], (*reply)[11], (*reply)[12]}),
              Sim_detector_message::make(7, 0xE1, 26, 12, 0));
    EXPECT_EQ(d7.events(), 0u);

    const auto read = Sim_detector_message::make(3, 0xBB, 0x1040, 0, 0);
    ASSERT_TRUE(exchange(frame(0x72, Bytes(read.begin(), read.end()))));
    reply = exchange(frame(0x73));
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[5], 0xBB);
    EXPECT_EQ((*reply)[8] | (*reply)[9] << 8, d3.word(0x1040));
}

TEST_F(SimModule, TransportFaults) {
    struct Case {
        const char* name;
        Fault fault;
        bool replied;
        std::uint8_t byte0;
        std::uint8_t code;
        bool crc_ok;
    };
    const Case cases[] = {
        {"no reply", Fault::no_reply, false, 0, 0, false},
        {"late reply", Fault::late_reply, false, 0, 0, false},
        {"error reply", Fault::error_reply, true, 0xAA, 0x71, false},
        {"wrong code", Fault::wrong_code, true, 0x10, 0x70, true},
        {"bad crc", Fault::bad_crc, true, 0x10, 0x71, false},
    };
    for (const Case& c : cases) {
        bench.module().faults().disarm_all();
        bench.module().device().clear_input_reports();
        bench.module().arm(c.fault, Sim_fault_schedule::once());
        const auto reply = exchange(frame(0x71, {0x00}));
        ASSERT_EQ(reply.has_value(), c.replied) << c.name;
        if (!reply) {
            continue;
        }
        EXPECT_EQ((*reply)[0], c.byte0) << c.name;
        EXPECT_EQ((*reply)[3], c.code) << c.name;
        EXPECT_EQ(Sim_panel_frame::parse(*reply).has_value(), c.crc_ok) << c.name;
    }
}

TEST_F(SimModule, ErrorReplyMeansThePanelNeverSawTheRequest) {
    bench.module().arm(Fault::error_reply, Sim_fault_schedule::once());
    const auto reply = exchange(password_frame());
    ASSERT_TRUE(reply);
    EXPECT_EQ(head(*reply, 5), (Bytes{0xAA, 0xAA, 0x02, 0x0C, Sim_module::error_panel_silent}));
    EXPECT_EQ(bench.panel().password_checks(), 0u);
}

TEST_F(SimModule, UnplugAfterNExchanges) {
    bench.module().unplug_after(1);
    ASSERT_TRUE(exchange(password_frame()));
    EXPECT_FALSE(exchange(frame(0x71, {0x00})));
    EXPECT_FALSE(bench.module().plugged());
    EXPECT_FALSE(Sim_host(bench.module().device().path()).opened());
    bench.plug_module();
    EXPECT_TRUE(exchange(frame(0x71, {0x00})));
}

} // namespace
