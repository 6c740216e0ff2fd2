#include "sim_bench.h"
#include "sim_host.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Fault = Sim_dongle::Fault;

// The request report the tool builds: 0x0A, the detector request, 0x01, 0xF4, CMPL.
Sim_report request_report(const Sim_detector_bytes& request, std::uint8_t cmpl = 2) {
    Sim_report report{};
    report[0] = 0x0A;
    std::copy(request.begin(), request.end(), report.begin() + 1);
    report[10] = 0x01;
    report[11] = 0xF4;
    report[12] = cmpl;
    return report;
}

Sim_report read_report(std::uint16_t address) {
    return request_report(Sim_detector_message::make(0xFF, 0xBB, address, 0, 0));
}

Bytes head(const Sim_report& report, std::size_t count) {
    return Bytes(report.begin(), report.begin() + static_cast<long>(count));
}

class SimDongle : public ::testing::Test {
protected:
    SimDongle() {
        bench.plug_dongle();
        detector = &bench.attach_detector(Sim_detector::configured(52, 0x21));
    }

    // One transaction through device B; no value when no reply came within the host's wait.
    std::optional<Sim_report> transact(const Sim_report& report) {
        Sim_host host(bench.dongle().device_b().path());
        if (!host.opened() || !host.send(report)) {
            return std::nullopt;
        }
        return host.receive();
    }

    Sim_bench bench;
    Sim_detector* detector = nullptr;
};

TEST_F(SimDongle, ReadTransactionByteForByte) {
    const Sim_report request = read_report(0x1040);
    // The tool's read of 0x1040 with CMPL 2, CRC-8 0xE1 worked out by hand.
    EXPECT_EQ(head(request, 13),
              (Bytes{0x0A, 0xFF, 0xBB, 0x40, 0x10, 0, 0, 0, 0, 0xE1, 0x01, 0xF4, 0x02}));
    const auto reply = transact(request);
    ASSERT_TRUE(reply);
    EXPECT_EQ(head(*reply, 10), (Bytes{0x0B, 0x00, 0xBB, 0x40, 0x10, 0x80, 0x41, 0, 0, 0x7F}));
    for (std::size_t i = 10; i < reply->size(); ++i) {
        EXPECT_EQ((*reply)[i], 0) << i;
    }
    EXPECT_EQ(bench.dongle().last_cmpl(), 2);
    // The wire carried the report ID 0 in front of the 64 bytes.
    const auto& wire = bench.dongle().device_b().written_wire();
    ASSERT_EQ(wire.size(), 1u);
    EXPECT_EQ(wire[0].size(), 65u);
    EXPECT_EQ(wire[0][0], 0);
    EXPECT_EQ(wire[0][1], 0x0A);
}

TEST_F(SimDongle, GetInfoThroughDeviceA) {
    Sim_host host(bench.dongle().device_a().path());
    ASSERT_TRUE(host.opened());
    ASSERT_TRUE(host.send(request_report(Sim_detector_message::make(0xFF, 0x55, 0, 0, 0), 5)));
    const auto reply = host.receive();
    ASSERT_TRUE(reply);
    EXPECT_EQ(head(*reply, 10), (Bytes{0x0B, 0x00, 0x55, 0x85, 0x34, 0x21, 0, 0, 0, 0x90}));
    EXPECT_EQ(bench.dongle().last_cmpl(), 5);
}

TEST_F(SimDongle, HardwareIdsNameTheTwoDevices) {
    EXPECT_EQ(bench.dongle().device_a().hardware_ids().front(), "HID\\VID_ABCD&PID_AAAA&REV_0100");
    EXPECT_EQ(bench.dongle().device_b().hardware_ids().front(), "HID\\VID_ABCD&PID_BBBB&REV_0100");
}

TEST_F(SimDongle, WritesReachTheFlashThroughTheDongle) {
    ASSERT_TRUE(transact(request_report(Sim_detector_message::make(0xFF, 0xDD, 0x1040, 0, 0))));
    ASSERT_TRUE(
        transact(request_report(Sim_detector_message::make(0xFF, 0xAA, 0x1040, 0x1234, 0x5678))));
    EXPECT_EQ(detector->word(0x1040), 0x1234);
    EXPECT_EQ(detector->word(0x1042), 0x5678);
}

TEST_F(SimDongle, NoDetectorNoReply) {
    bench.detach_detector();
    const std::uint64_t start = bench.now_ms();
    EXPECT_FALSE(transact(read_report(0x1040)));
    EXPECT_GE(bench.now_ms() - start, 250u);
}

TEST_F(SimDongle, ReportsWithoutTheRequestMarkerAreIgnored) {
    Sim_report report = read_report(0x1040);
    report[0] = 0x0B;
    EXPECT_FALSE(transact(report));
    EXPECT_EQ(detector->request_count(), 0u);
}

TEST_F(SimDongle, UnpluggedDongleCannotBeOpened) {
    bench.unplug_dongle();
    EXPECT_FALSE(Sim_host(bench.dongle().device_b().path()).opened());
    bench.plug_dongle();
    EXPECT_TRUE(transact(read_report(0x1040)));
}

TEST_F(SimDongle, ReplyFaults) {
    struct Case {
        const char* name;
        Fault fault;
        Sim_report sent;
        std::optional<Bytes> reply_head; // first ten bytes; none: no reply in time
    };
    const Case cases[] = {
        {"no reply", Fault::no_reply, read_report(0x1040), std::nullopt},
        {"late reply", Fault::late_reply, read_report(0x1040), std::nullopt},
        {"rejection", Fault::rejection,
         request_report(Sim_detector_message::make(0xFF, 0xAA, 0x1040, 0, 0)),
         Bytes{0x0B, 0x00, 0xCE, 0xEA, 0xEA, 0, 0, 0, 0, 0xAE}},
        {"wrong echo", Fault::wrong_echo, read_report(0x1040),
         Bytes{0x0B, 0x00, 0xBB, 0x42, 0x10, 0x80, 0x41, 0, 0,
               Sim_detector_message::make(0, 0xBB, 0x1042, 0x4180, 0)[8]}},
        {"bad crc", Fault::bad_crc, read_report(0x1040),
         Bytes{0x0B, 0x00, 0xBB, 0x40, 0x10, 0x80, 0x40, 0, 0, 0x7F}},
    };
    for (const Case& c : cases) {
        bench.dongle().faults().disarm_all();
        bench.dongle().device_b().clear_input_reports(); // a late reply of the case before
        bench.dongle().arm(c.fault, Sim_fault_schedule::once());
        const auto reply = transact(c.sent);
        ASSERT_EQ(reply.has_value(), c.reply_head.has_value()) << c.name;
        if (reply) {
            EXPECT_EQ(head(*reply, 10), *c.reply_head) << c.name;
        }
        EXPECT_EQ(detector->word(0x1040), 0x4180) << c.name; // nothing reached the flash
    }
}

TEST_F(SimDongle, LateReplyArrivesAfterTheHostGaveUp) {
    bench.dongle().set_late_reply_ms(400);
    bench.dongle().arm(Fault::late_reply, Sim_fault_schedule::once());
    Sim_host host(bench.dongle().device_b().path());
    ASSERT_TRUE(host.send(read_report(0x1040)));
    EXPECT_FALSE(host.receive());
    // A patient host would have got it.
    const auto late = host.receive(200);
    ASSERT_TRUE(late);
    EXPECT_EQ((*late)[2], 0xBB);
}

TEST_F(SimDongle, UnplugNow) {
    Sim_host host(bench.dongle().device_b().path());
    ASSERT_TRUE(host.opened());
    bench.dongle().unplug();
    EXPECT_FALSE(bench.dongle().plugged());
    EXPECT_FALSE(host.send(read_report(0x1040)));
    EXPECT_FALSE(host.receive());
}

TEST_F(SimDongle, UnplugAfterNRequests) {
    bench.dongle().unplug_after(2);
    Sim_host host(bench.dongle().device_b().path());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(host.send(read_report(0x1040)));
        ASSERT_TRUE(host.receive()) << i;
    }
    EXPECT_TRUE(host.send(read_report(0x1040))); // the write itself went out
    EXPECT_FALSE(bench.dongle().plugged());
    EXPECT_FALSE(host.receive());
    EXPECT_EQ(detector->request_count(), 2u);
}

TEST_F(SimDongle, DetectorFaultsTravelThroughTheDongle) {
    detector->arm(Sim_detector::Fault::erase_ignored);
    const auto reply =
        transact(request_report(Sim_detector_message::make(0xFF, 0xDD, 0x1040, 0, 0)));
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[2], 0xDD);
    EXPECT_FALSE(detector->flash().segment_erased(0x1040));
}

} // namespace
