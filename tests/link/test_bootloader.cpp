// The bootloader operations beyond the table of checks: the request layout, the process-wide
// CMPL value, broadcasts, the not-connected and unplugged dongle, and the texts of the trace.
#include "hex_text.h"
#include "link_test_env.h"
#include "msp430_bootloader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Bootloader = Link_test;

TEST_F(Bootloader, ReadRequestLayoutAndTraceTextsAreExact) {
    add_dongle_b();
    replies.script({reply_report(0xBB, 0x1040, 0xABCD, 0x0001)});
    MSP430_bootloader bootloader(2);
    ASSERT_TRUE(bootloader.connect("B"));
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    ASSERT_EQ(bootloader.read_2_words(0x1040, first, second), 0);
    EXPECT_EQ(first, 0xABCD);
    EXPECT_EQ(second, 0x0001);

    ASSERT_EQ(replies.requests().size(), 1u);
    const Sim_report& request = replies.requests()[0];
    const std::vector<std::uint8_t> head(request.begin(), request.begin() + 13);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{0x0A, 0xFF, 0xBB, 0x40, 0x10, 0, 0, 0, 0, 0xE1, 0x01,
                                               0xF4, 0x02}));
    EXPECT_TRUE(std::all_of(request.begin() + 13, request.end(), [](auto b) { return b == 0; }));

    const std::vector<std::string> lines = trace_lines();
    ASSERT_GE(lines.size(), 3u);
    const std::vector<std::string> tail(lines.end() - 3, lines.end());
    const Sim_report reply = reply_report(0xBB, 0x1040, 0xABCD, 0x0001);
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "tx: 0a ff bb 40 10 00 00 00 00 e1 01 f4 02 00 00 00 ",
                        "rx: 0b ff bb 40 10 cd ab 01 00 " + hex16(reply.data()).substr(27),
                        "OK reading 2 words (0xabcd, 0x0001) at address 0x1040"}));
}

TEST_F(Bootloader, NotConnectedRefusesEveryOperationWithoutTrafficOrTrace) {
    MSP430_bootloader bootloader(2);
    ASSERT_FALSE(bootloader.connect("B"));
    Sim_hid_device& dongle = add_dongle_b(); // arrives too late: the object is not connected
    const std::string trace_before = read_bytes("msp430_log.txt");
    const auto time_before = clock.now_ms();

    std::uint32_t version = 5;
    std::uint32_t info = 6;
    std::uint16_t first = 7;
    std::uint16_t second = 8;
    EXPECT_EQ(bootloader.get_info(version, info), 4);
    EXPECT_EQ(bootloader.read_2_words(0x1040, first, second), 4);
    EXPECT_EQ(bootloader.write_2_words(0x1040, 1, 2), 4);
    EXPECT_EQ(bootloader.erase_sector(0x1040), 4);

    EXPECT_EQ(version, 5u);
    EXPECT_EQ(info, 6u);
    EXPECT_EQ(first, 7);
    EXPECT_EQ(second, 8);
    EXPECT_TRUE(dongle.written_wire().empty());
    EXPECT_EQ(read_bytes("msp430_log.txt"), trace_before);
    EXPECT_EQ(clock.now_ms(), time_before);
}

TEST_F(Bootloader, CmplIsSharedByAllObjects) {
    add_dongle_b();
    replies.script({reply_report(0xDD, 0x1040, 0, 0), reply_report(0xDD, 0x1040, 0, 0),
                    reply_report(0xDD, 0x1040, 0, 0)});
    MSP430_bootloader older(2);
    ASSERT_TRUE(older.connect("B"));
    EXPECT_EQ(older.erase_sector(0x1040), 0);
    {
        MSP430_bootloader newer(5);
        EXPECT_EQ(older.erase_sector(0x1040), 0);
    }
    // The value outlives the object that set it.
    EXPECT_EQ(older.erase_sector(0x1040), 0);

    ASSERT_EQ(replies.requests().size(), 3u);
    EXPECT_EQ(replies.requests()[0][12], 2);
    EXPECT_EQ(replies.requests()[1][12], 5);
    EXPECT_EQ(replies.requests()[2][12], 5);
}

TEST_F(Bootloader, OnlyTheLowByteOfTheDetectorAddressIsSent) {
    add_dongle_b();
    replies.script({reply_report(0xDD, 0xFC00, 0, 0)});
    MSP430_bootloader bootloader(2, 0x1234501);
    ASSERT_TRUE(bootloader.connect("B"));
    EXPECT_EQ(bootloader.erase_sector(0xFC00), 0);
    ASSERT_EQ(replies.requests().size(), 1u);
    EXPECT_EQ(replies.requests()[0][1], 0x01);
}

// Every broadcast address makes read, write and erase stop after one exchange and succeed,
// whatever came back, 50 ms later than a judged request; neighbouring addresses are judged.
struct Broadcast_case {
    std::uint8_t address;
    bool broadcast;
};

class Broadcast : public Link_test, public ::testing::WithParamInterface<Broadcast_case> {};

TEST_P(Broadcast, ReadWriteAndEraseAreNotJudged) {
    const Broadcast_case c = GetParam();
    add_dongle_b();
    const Sim_report garbage = with_bad_crc(reply_report(0x00, 0, 0, 0));
    std::vector<std::optional<Sim_report>> script(9, garbage);
    replies.script(script);

    MSP430_bootloader bootloader(2, c.address);
    ASSERT_TRUE(bootloader.connect("B"));

    std::uint16_t first = 11;
    std::uint16_t second = 12;
    const int expected = c.broadcast ? 0 : 3;
    const std::size_t per_call = c.broadcast ? 1 : 3;
    // One exchange that answers at once costs 52 ms of transfer pauses.
    const std::uint64_t per_call_ms = c.broadcast ? 52 + 50 : 3 * 52;

    auto t0 = clock.now_ms();
    EXPECT_EQ(bootloader.read_2_words(0x1040, first, second), expected);
    EXPECT_EQ(clock.now_ms() - t0, per_call_ms);
    t0 = clock.now_ms();
    EXPECT_EQ(bootloader.write_2_words(0x1040, 1, 2), expected);
    EXPECT_EQ(clock.now_ms() - t0, per_call_ms);
    t0 = clock.now_ms();
    EXPECT_EQ(bootloader.erase_sector(0x1040), expected);
    EXPECT_EQ(clock.now_ms() - t0, per_call_ms);

    EXPECT_EQ(replies.requests().size(), 3 * per_call);
    EXPECT_EQ(first, 11);
    EXPECT_EQ(second, 12);
}

INSTANTIATE_TEST_SUITE_P(Addresses, Broadcast,
                         ::testing::Values(Broadcast_case{0xFE, true}, Broadcast_case{0xFA, true},
                                           Broadcast_case{0xFB, true}, Broadcast_case{0xF9, false},
                                           Broadcast_case{0xFC, false}, Broadcast_case{0xFD, false},
                                           Broadcast_case{0xFF, false}),
                         [](const auto& info) {
                             return "address_" + hex_text(info.param.address, 2, false);
                         });

TEST(Bootloader_texts, FrameTextShowsTheFirstSixteenBytesOnly) {
    std::uint8_t report[64];
    for (int i = 0; i < 64; ++i) {
        report[i] = static_cast<std::uint8_t>(0xF0 + i);
    }
    EXPECT_EQ(MSP430_bootloader::frame_text(report),
              "f0 f1 f2 f3 f4 f5 f6 f7 f8 f9 fa fb fc fd fe ff ");
}

// Sector numbers wrap below 0xC000 because the subtraction is unsigned 32-bit.
TEST_F(Bootloader, EraseLinesNameTheSectorNumber) {
    add_dongle_b();
    struct Row {
        std::uint16_t address;
        const char* number;
    };
    const Row rows[] = {{0xFC00, "30"}, {0x1040, "8388520"}, {0xC000, "0"},      {0xC1FE, "0"},
                        {0xC200, "1"},  {0xFFFE, "31"},      {0x0000, "8388512"}};
    MSP430_bootloader bootloader(2);
    ASSERT_TRUE(bootloader.connect("B"));
    for (const Row& row : rows) {
        replies.script({reply_report(0xDD, row.address, 0, 0)});
        EXPECT_EQ(bootloader.erase_sector(row.address), 0);
        EXPECT_EQ(trace_lines().back(), std::string("OK ereasing sector ") + row.number);
    }
}

} // namespace
