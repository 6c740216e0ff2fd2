#include "sim_detector.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace {

using Bytes = Sim_detector_bytes;
using Fault = Sim_detector::Fault;

Bytes request(std::uint8_t to, std::uint8_t code, std::uint16_t field = 0, std::uint16_t first = 0,
              std::uint16_t second = 0) {
    return Sim_detector_message::make(to, code, field, first, second);
}

// CRC-8 values below were worked out by hand from the catalogue definition of CRC-8/MAXIM.

TEST(SimDetector, GetInfoReplyByteForByte) {
    Sim_detector detector = Sim_detector::factory_fresh(52, 0x21);
    const Bytes get_info{0xFF, 0x55, 0, 0, 0, 0, 0, 0, 0x28};
    const auto reply = detector.handle_request(get_info);
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (Bytes{0x00, 0x55, 0x85, 0x34, 0x21, 0x00, 0x00, 0x00, 0x90}));
}

TEST(SimDetector, ReadReplyByteForByte) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    const Bytes read{0xFF, 0xBB, 0x40, 0x10, 0, 0, 0, 0, 0xE1};
    const auto reply = detector.handle_request(read);
    ASSERT_TRUE(reply);
    // options1 0x4180 at 0x1040, address 0 at 0x1042
    EXPECT_EQ(*reply, (Bytes{0x00, 0xBB, 0x40, 0x10, 0x80, 0x41, 0x00, 0x00, 0x7F}));
}

TEST(SimDetector, WriteProgramsBothWordsAndEchoesThem) {
    Sim_detector detector = Sim_detector::factory_fresh(52, 0x21);
    const Bytes write{0xFF, 0xAA, 0x40, 0x10, 0x34, 0x12, 0x78, 0x56, 0xA2};
    const auto reply = detector.handle_request(write);
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (Bytes{0x00, 0xAA, 0x40, 0x10, 0x34, 0x12, 0x78, 0x56, 0x7F}));
    EXPECT_EQ(detector.word(0x1040), 0x1234);
    EXPECT_EQ(detector.word(0x1042), 0x5678);
}

TEST(SimDetector, WriteOverUnerasedWordsAndsThem) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    ASSERT_EQ(detector.word(0x1040), 0x4180);
    detector.handle_request(request(0xFF, 0xAA, 0x1040, 0x0FF0, 0xFFFF));
    EXPECT_EQ(detector.word(0x1040), 0x0180);
    EXPECT_EQ(detector.word(0x1042), 0x0000);
}

TEST(SimDetector, EraseOfBackupSegmentByteForByte) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    ASSERT_FALSE(detector.flash().segment_erased(0xFC00));
    const Bytes erase{0xFF, 0xDD, 0x00, 0xFC, 0, 0, 0, 0, 0xC9};
    const auto reply = detector.handle_request(erase);
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (Bytes{0x00, 0xDD, 0x00, 0xFC, 0, 0, 0, 0, 0x14}));
    EXPECT_TRUE(detector.flash().segment_erased(0xFC00));
    EXPECT_EQ(detector.word(0x1040), 0x4180); // the configuration is elsewhere
}

TEST(SimDetector, EraseOfConfigurationSegmentKeepsItsNeighbours) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    const auto ur = detector.pair(Sim_detector::ur_address);
    const auto uc = detector.pair(Sim_detector::uc_address);
    detector.handle_request(request(0xFF, 0xDD, 0x1040));
    EXPECT_TRUE(detector.flash().segment_erased(0x1040));
    EXPECT_EQ(detector.pair(Sim_detector::ur_address), ur);
    EXPECT_EQ(detector.pair(Sim_detector::uc_address), uc);
}

TEST(SimDetector, FactoryFreshLayout) {
    Sim_detector::Identity identity;
    identity.version = 61;
    identity.info_word = 0x1A0;
    identity.ur = {0x1111, 0x2222};
    identity.u0 = {0x3333, 0x4444};
    identity.uc = {0x5555, 0x6666};
    identity.wid = {0x7777, 0x8888};
    const Sim_detector detector = Sim_detector::factory_fresh(identity);

    EXPECT_EQ(detector.version(), 61);
    EXPECT_EQ(detector.info_word(), 0x1A0);
    EXPECT_EQ(detector.pair(0x1002), (std::array<std::uint16_t, 2>{0x1111, 0x2222}));
    EXPECT_EQ(detector.pair(0x1010), (std::array<std::uint16_t, 2>{0x3333, 0x4444}));
    EXPECT_EQ(detector.pair(0x1080), (std::array<std::uint16_t, 2>{0x5555, 0x6666}));
    EXPECT_EQ(detector.pair(0x100C), (std::array<std::uint16_t, 2>{0x7777, 0x8888}));
    for (std::uint16_t a = 0x1040; a <= 0x105E; a += 2) {
        EXPECT_EQ(detector.word(a), 0xFFFF) << std::hex << a;
    }
    for (std::uint16_t a = 0x1060; a <= 0x107E; a += 2) {
        EXPECT_NE(detector.word(a), 0xFFFF) << std::hex << a;
    }
    // Erased words give the checksum 0x5FBD, not the erased checksum word.
    EXPECT_EQ(detector.config_crc(), 0x5FBD);
    EXPECT_FALSE(detector.config_crc_valid());
    EXPECT_EQ(detector.events(), 0u);
    EXPECT_TRUE(detector.scanning());
}

TEST(SimDetector, ConfiguredDetectorCarriesTheChecksumTheToolComputes) {
    const Sim_detector fresh = Sim_detector::configured(52, 0x21);
    EXPECT_EQ(fresh.word(Sim_detector::crc_address), 0x1CD4);
    EXPECT_TRUE(fresh.config_crc_valid());

    Sim_detector::Config config;
    config.options1 = 0x0021;
    config.address = 7;
    config.rop_address = 9;
    config.options2 = 0x0204;
    config.rop_ans = 100;
    config.rop_alm = 200;
    config.smoke_profile = 150;
    config.hc = 5;
    const Sim_detector detector = Sim_detector::configured(52, 0x21, config);
    EXPECT_TRUE(detector.config_crc_valid());
    const Sim_detector::Config back = detector.config();
    EXPECT_EQ(back.options1, 0x0021);
    EXPECT_EQ(back.address, 7);
    EXPECT_EQ(back.rop_address, 9);
    EXPECT_EQ(back.options2, 0x0204);
    EXPECT_EQ(back.rop_ans, 100);
    EXPECT_EQ(back.rop_alm, 200);
    EXPECT_EQ(back.smoke_profile, 150);
    EXPECT_EQ(back.hc, 5);
    // The backup segment starts as a copy of the configuration segment.
    for (std::uint16_t offset = 0; offset < 64; offset += 2) {
        EXPECT_EQ(detector.word(static_cast<std::uint16_t>(0xFC00 + offset)),
                  detector.word(static_cast<std::uint16_t>(0x1040 + offset)));
    }
}

TEST(SimDetector, ChecksumCoversTheSevenUnownedWords) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    detector.set_word(0x1050, 0x0000);
    EXPECT_FALSE(detector.config_crc_valid());
    detector.write_config(detector.config());
    EXPECT_TRUE(detector.config_crc_valid());
    EXPECT_EQ(detector.word(0x1050), 0x0000);
}

TEST(SimDetector, AnswersItsOwnAddress255AndBroadcastsOnly) {
    struct Case {
        std::uint8_t to;
        bool answered;
    };
    const Case cases[] = {{3, true},    {255, true}, {0xFE, true}, {0xFA, true},
                          {0xFB, true}, {4, false},  {0, false},   {0xFC, false}};
    for (const Case& c : cases) {
        Sim_detector detector = Sim_detector::configured(52, 0x21);
        detector.set_loop_address(3);
        const auto reply = detector.handle_request(request(c.to, 0xBB, 0x1040));
        EXPECT_EQ(reply.has_value(), c.answered) << int{c.to};
        if (reply) {
            EXPECT_EQ((*reply)[0], 3); // the reply names who answered
        }
        EXPECT_EQ(detector.request_count(), c.answered ? 1u : 0u);
    }
}

TEST(SimDetector, RequestWithBadCrcIsRejectedAndChangesNothing) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    detector.set_loop_address(3);
    Bytes write = request(3, 0xAA, 0x1040, 0x0000, 0x0000);
    write[8] ^= 0x40;
    const auto reply = detector.handle_request(write);
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (Bytes{0x03, 0xCE, 0xEA, 0xEA, 0, 0, 0, 0, 0x6B}));
    EXPECT_EQ(detector.word(0x1040), 0x4180);
    EXPECT_EQ(detector.crc_rejections(), 1u);
}

TEST(SimDetector, UnknownCommandsAndUnpoweredDetectorsStaySilent) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    EXPECT_FALSE(detector.handle_request(request(0xFF, 0x42)));
    detector.set_powered(false);
    EXPECT_FALSE(detector.handle_request(request(0xFF, 0x55)));
    EXPECT_EQ(detector.request_count(), 1u);
}

TEST(SimDetector, ReadsOutsideFlashGiveErasedWords) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    const auto reply = detector.handle_request(request(0xFF, 0xBB, 0x10FE));
    ASSERT_TRUE(reply);
    EXPECT_EQ(Sim_detector_message::value(*reply, 4), detector.word(0x10FE));
    EXPECT_EQ(Sim_detector_message::value(*reply, 6), 0xFFFF); // 0x1100 is vacant
}

TEST(SimDetector, EraseEventsCommandClearsTheEventMemory) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    detector.set_loop_address(3);
    detector.set_events(7);
    const Bytes erase_events{0x03, 0xE1, 0x1A, 0x00, 0, 0, 0, 0, 0xD3};
    const auto reply = detector.handle_request(erase_events);
    ASSERT_TRUE(reply);
    // The first value says how many events were erased.
    EXPECT_EQ(*reply, (Bytes{0x03, 0xE1, 0x1A, 0x00, 0x07, 0x00, 0x00, 0x00, 0x55}));
    EXPECT_EQ(detector.events(), 0u);
}

TEST(SimDetector, BootloaderWorkStopsTheDetectorsScanAndCommand9RestartsIt) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    ASSERT_TRUE(detector.scanning());
    detector.handle_request(request(0xFF, 0xBB, 0x1040));
    EXPECT_FALSE(detector.scanning());
    const auto reply = detector.handle_request(request(0xFF, 0xE1, 9));
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[1], 0xE1);
    EXPECT_TRUE(detector.scanning());
}

TEST(SimDetector, UnknownSubCodesAreAcknowledgedWithoutEffect) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    detector.set_events(4);
    const auto reply = detector.handle_request(request(0xFF, 0xE1, 40, 0x1111, 0x2222));
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, request(0x00, 0xE1, 40, 0x1111, 0x2222));
    EXPECT_EQ(detector.events(), 4u);
}

// Each fault against a read of 0x1040 (or the request it applies to), with what must come back
// and what the memory must hold afterwards.
TEST(SimDetector, FaultsTable) {
    struct Case {
        const char* name;
        Fault fault;
        Bytes sent;
        std::optional<Bytes> expected;
        std::function<void(const Sim_detector&)> memory_check;
    };
    const auto untouched = [](const Sim_detector& d) {
        EXPECT_EQ(d.word(0x1040), 0x4180);
        EXPECT_FALSE(d.flash().segment_erased(0x1040));
    };
    const Bytes rejected = Sim_detector_message::rejected(0);
    const Case cases[] = {
        {"no reply", Fault::no_reply, request(0xFF, 0xBB, 0x1040), std::nullopt, untouched},
        {"reject", Fault::reject, request(0xFF, 0xAA, 0x1040, 0, 0), rejected, untouched},
        {"wrong command", Fault::wrong_command, request(0xFF, 0xBB, 0x1040),
         request(0, 0x00, 0x1040, 0x4180, 0x0000), untouched},
        {"wrong echo on read", Fault::wrong_echo, request(0xFF, 0xBB, 0x1040),
         request(0, 0xBB, 0x1042, 0x4180, 0x0000), untouched},
        {"wrong echo on write", Fault::wrong_echo, request(0xFF, 0xAA, 0x1040, 0x1234, 0x5678),
         request(0, 0xAA, 0x1040, 0x1234, 0x5679),
         [](const Sim_detector& d) { EXPECT_EQ(d.word(0x1040), 0x4180 & 0x1234); }},
        {"wrong echo on get-info", Fault::wrong_echo, request(0xFF, 0x55),
         request(0, 0x55, 0x3400, 0x21, 0), untouched},
        {"erase refused", Fault::erase_refused, request(0xFF, 0xDD, 0x1040), rejected, untouched},
        {"erase ignored", Fault::erase_ignored, request(0xFF, 0xDD, 0x1040),
         request(0, 0xDD, 0x1040, 0, 0), untouched},
        {"program refused", Fault::program_refused, request(0xFF, 0xAA, 0x1040, 0, 0), rejected,
         untouched},
        {"program ignored", Fault::program_ignored, request(0xFF, 0xAA, 0x1040, 0, 0),
         request(0, 0xAA, 0x1040, 0, 0), untouched},
    };
    for (const Case& c : cases) {
        Sim_detector detector = Sim_detector::configured(52, 0x21);
        detector.arm(c.fault);
        const auto reply = detector.handle_request(c.sent);
        EXPECT_EQ(reply, c.expected) << c.name;
        c.memory_check(detector);
    }
}

TEST(SimDetector, BadCrcFaultSpoilsTheReplysChecksum) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    detector.arm(Fault::bad_crc);
    const auto reply = detector.handle_request(request(0xFF, 0xBB, 0x1040));
    ASSERT_TRUE(reply);
    EXPECT_FALSE(Sim_detector_message::crc_ok(*reply));
    EXPECT_EQ((*reply)[1], 0xBB);
}

TEST(SimDetector, FaultAfterNRequests) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    detector.arm(Fault::no_reply, Sim_fault_schedule::after(2));
    EXPECT_TRUE(detector.handle_request(request(0xFF, 0x55)));
    EXPECT_TRUE(detector.handle_request(request(0xFF, 0xBB, 0x1040)));
    EXPECT_FALSE(detector.handle_request(request(0xFF, 0x55)));
    EXPECT_FALSE(detector.handle_request(request(0xFF, 0x55)));
    detector.disarm(Fault::no_reply);
    EXPECT_TRUE(detector.handle_request(request(0xFF, 0x55)));
}

TEST(SimDetector, FlashFaultsCountOnlyTheOperationsTheyApplyTo) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    // The second erase fails; reads in between do not count.
    detector.arm(Fault::erase_ignored, Sim_fault_schedule::after(1, 1));
    detector.handle_request(request(0xFF, 0xBB, 0x1040));
    detector.handle_request(request(0xFF, 0xDD, 0xFC00));
    EXPECT_TRUE(detector.flash().segment_erased(0xFC00));
    detector.handle_request(request(0xFF, 0xBB, 0x1040));
    detector.handle_request(request(0xFF, 0xDD, 0x1040));
    EXPECT_FALSE(detector.flash().segment_erased(0x1040));
    detector.handle_request(request(0xFF, 0xDD, 0x1040));
    EXPECT_TRUE(detector.flash().segment_erased(0x1040));
}

TEST(SimDetector, FirstListedFaultWinsButEveryScheduleCounts) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    detector.arm(Fault::no_reply, Sim_fault_schedule::once());
    detector.arm(Fault::wrong_echo, Sim_fault_schedule::once());
    EXPECT_FALSE(detector.handle_request(request(0xFF, 0xBB, 0x1040)));
    // wrong_echo was spent on the same request, so the next reply is clean.
    EXPECT_EQ(detector.handle_request(request(0xFF, 0xBB, 0x1040)),
              request(0, 0xBB, 0x1040, 0x4180, 0x0000));
}

} // namespace

namespace {

TEST(SimDetector, FaultsAtOneAddressLeaveTheOthersAlone) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    detector.arm_at(0x1042, Fault::no_reply, Sim_fault_schedule::next(3));
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_TRUE(detector.handle_request(request(0xFF, 0xBB, 0x1040)));
        EXPECT_FALSE(detector.handle_request(request(0xFF, 0xBB, 0x1042))) << attempt;
    }
    EXPECT_TRUE(detector.handle_request(request(0xFF, 0xBB, 0x1042)));
    // Get-info carries no word address and is never struck by an address fault.
    detector.arm_at(0x0000, Fault::no_reply);
    EXPECT_TRUE(detector.handle_request(request(0xFF, 0x55)));
    detector.disarm_all();
    EXPECT_TRUE(detector.handle_request(request(0xFF, 0xBB, 0x0000)));
}

TEST(SimDetector, SpillingEraseWipesTheSegmentBelowToo) {
    Sim_detector detector = Sim_detector::configured(52, 0x21);
    const auto uc = detector.pair(Sim_detector::uc_address);
    detector.arm(Fault::erase_spills, Sim_fault_schedule::once());
    EXPECT_EQ(detector.handle_request(request(0xFF, 0xDD, 0x1040)), request(0, 0xDD, 0x1040, 0, 0));
    EXPECT_TRUE(detector.flash().segment_erased(0x1040));
    EXPECT_TRUE(detector.flash().segment_erased(0x1000)); // UR, WID and U0 are gone
    EXPECT_EQ(detector.pair(Sim_detector::uc_address), uc);
    // Below the information memory there is nothing to spill into.
    detector.arm(Fault::erase_spills, Sim_fault_schedule::once());
    detector.set_word(0x1000, 0x1234);
    detector.handle_request(request(0xFF, 0xDD, 0x1000));
    EXPECT_TRUE(detector.flash().segment_erased(0x1000));
}

} // namespace
