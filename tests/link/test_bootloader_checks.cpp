// The checks that judge the last attempt, row by row, for each of the four operations, on reply
// reports crafted behind the simulated dongle.
#include "link_test_env.h"
#include "msp430_bootloader.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

enum class Op { read, write, erase, get_info };

using Replies = std::vector<std::optional<Sim_report>>;

// Expected trace lines. "<tx>" stands for "tx: " and the request text, "<rx:N>" for "rx: " and
// the text of scripted reply N, "<rx:z>" for "rx: " and an all-zero reply.
struct Check_case {
    const char* name;
    Op op;
    Replies replies;
    bool refuse_output = false;   // the dongle takes no output report: every send fails
    std::uint8_t detector = 0xFF; // request byte 1
    int status;
    std::size_t requests;           // requests the dongle saw
    std::vector<std::string> lines; // after the connection lines
    bool outputs_written = false;
};

void PrintTo(const Check_case& c, std::ostream* out) {
    *out << c.name;
}

constexpr std::uint16_t address = 0x1040;
constexpr std::uint16_t word1 = 0x1234;
constexpr std::uint16_t word2 = 0x5678;
constexpr std::uint16_t sector_address = 0xFC00;

Sim_report read_ok() {
    return reply_report(0xBB, address, word1, word2);
}
Sim_report write_ok() {
    return reply_report(0xAA, address, word1, word2);
}
Sim_report erase_ok() {
    return reply_report(0xDD, sector_address, 0, 0);
}
Sim_report info_ok() {
    return info_reply(0x34, 0x0021);
}

Sim_report no_marker(Sim_report r) {
    r[0] = 0x0C;
    return r;
}
Sim_report command(Sim_report r, std::uint8_t code) {
    r[2] = code;
    return with_crc(r);
}
Sim_report rejection(std::uint8_t byte3, std::uint8_t byte4) {
    Sim_report r = reply_report(0xCE, 0, 0, 0);
    r[3] = byte3;
    r[4] = byte4;
    return with_crc(r);
}
Sim_report byte_set(Sim_report r, std::size_t at, std::uint8_t value) {
    r[at] = value;
    return with_crc(r);
}

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}
// Shorthands for the tables: "R" is a rejected read or write attempt (its four lines), with the
// reason and the reply it saw; "sent" says whether the dongle takes output reports.
constexpr bool refused = true;
constexpr bool sent = false;
const std::string A = " reading 2 words at address 0x1040";
const std::string W = " writing 2 words at address 0x1040";
const std::string E = " ereasing sector 30";
const std::string crc_bad = "CRC error: ";
const std::string data_bad = "data error: ";

std::vector<std::string> R(const std::string& why, const char* rx) {
    return {why, "<tx>", rx, "retry..."};
}
std::vector<std::string> R3(const std::string& why) {
    return concat({R(why, "<rx:0>"), R(why, "<rx:1>"), R(why, "<rx:2>")});
}
const std::vector<std::string> R3_zero =
    concat({R(data_bad, "<rx:z>"), R(data_bad, "<rx:z>"), R(data_bad, "<rx:z>")});

// clang-format off
std::vector<Check_case> read_cases() {
    const Sim_report ok = read_ok();
    const Sim_report bad = with_bad_crc(ok);
    const Sim_report ce = rejection(0xEA, 0xEA);
    const Sim_report wrong = command(ok, 0xAA);
    return {
        {"read_1_send_fails", Op::read, {}, refused, 0xFF, 4, 0,
         concat({R3_zero, {"usb data error" + A}})},
        {"read_broadcast_send_fails_first", Op::read, {}, refused, 0xFE, 4, 0,
         {"usb data error" + A}},
        {"read_2_no_reply", Op::read, {}, sent, 0xFF, 1, 3,
         concat({R3_zero, {"timeout error" + A}})},
        {"read_3_broadcast_FE_not_judged", Op::read, {bad}, sent, 0xFE, 0, 1,
         {"no data due to broadcast" + A, "<tx>", "<rx:0>"}},
        {"read_4_no_marker", Op::read, {no_marker(ok)}, sent, 0xFF, 2, 1,
         {"<tx>", "<rx:0>", "no data error" + A}},
        {"read_5_bad_crc", Op::read, {bad, bad, bad}, sent, 0xFF, 3, 3,
         concat({R3(crc_bad), {"crc error" + A}})},
        {"read_6_rejection", Op::read, {ce, ce, ce}, sent, 0xFF, 3, 3,
         concat({R3(data_bad), {"scan crc error" + A}})},
        {"read_6_rejection_needs_EA_EA", Op::read,
         {rejection(0xEA, 0x00), rejection(0xEA, 0x00), rejection(0x00, 0xEA)}, sent, 0xFF, 2, 3,
         concat({R3(data_bad), {"other data error" + A}})},
        {"read_6_rejection_needs_EA_in_byte_4", Op::read,
         {rejection(0xEA, 0x00), rejection(0xEA, 0x00), rejection(0xEA, 0x00)}, sent, 0xFF, 2, 3,
         concat({R3(data_bad), {"other data error" + A}})},
        {"read_7_wrong_command", Op::read, {wrong, wrong, wrong}, sent, 0xFF, 2, 3,
         concat({R3(data_bad), {"other data error" + A}})},
        {"read_8_other_address_not_retried", Op::read,
         {reply_report(0xBB, 0x1042, word1, word2), ok}, sent, 0xFF, 2, 1,
         {"<tx>", "<rx:0>", "scan data error" + A}},
        {"read_9_ok", Op::read, {ok}, sent, 0xFF, 0, 1,
         {"<tx>", "<rx:0>", "OK reading 2 words (0x1234, 0x5678) at address 0x1040"}, true},
        {"read_bad_then_good", Op::read, {bad, ok}, sent, 0xFF, 0, 2,
         concat({R(crc_bad, "<rx:0>"),
                 {"<tx>", "<rx:1>", "OK reading 2 words (0x1234, 0x5678) at address 0x1040"}}),
         true},
        {"read_only_last_attempt_judged", Op::read, {bad, std::nullopt, command(ok, 0x00)}, sent,
         0xFF, 2, 3,
         concat({R(crc_bad, "<rx:0>"), R(data_bad, "<rx:z>"), R(data_bad, "<rx:2>"),
                 {"other data error" + A}})},
        {"read_timeout_in_last_attempt", Op::read, {bad, bad}, sent, 0xFF, 1, 3,
         concat({R(crc_bad, "<rx:0>"), R(crc_bad, "<rx:1>"), R(data_bad, "<rx:z>"),
                 {"timeout error" + A}})},
    };
}

std::vector<Check_case> write_cases() {
    const Sim_report ok = write_ok();
    const Sim_report bad = with_bad_crc(ok);
    const Sim_report ce = rejection(0xEA, 0xEA);
    const Sim_report wrong = command(ok, 0xBB);
    return {
        {"write_1_send_fails", Op::write, {}, refused, 0xFF, 4, 0,
         concat({R3_zero, {"usb data error" + W}})},
        {"write_2_no_reply", Op::write, {}, sent, 0xFF, 1, 3,
         concat({R3_zero, {"timeout error" + W}})},
        {"write_3_broadcast_FA_not_judged", Op::write, {command(ok, 0x00)}, sent, 0xFA, 0, 1,
         {"no data due to broadcast" + W}},
        {"write_broadcast_without_reply_times_out", Op::write, {std::nullopt}, sent, 0xFA, 1, 1,
         {"timeout error" + W}},
        {"write_4_no_marker", Op::write, {no_marker(ok)}, sent, 0xFF, 2, 1,
         {"no data error" + W}},
        {"write_5_bad_crc", Op::write, {bad, bad, bad}, sent, 0xFF, 3, 3,
         concat({R3(crc_bad), {"crc error" + W}})},
        {"write_6_rejection", Op::write, {ce, ce, ce}, sent, 0xFF, 3, 3,
         concat({R3(data_bad), {"scan crc error" + W}})},
        {"write_6_rejection_needs_EA_in_byte_4", Op::write,
         {rejection(0xEA, 0x00), rejection(0xEA, 0x00), rejection(0xEA, 0x00)}, sent, 0xFF, 2, 3,
         concat({R3(data_bad), {"scan data error" + W}})},
        {"write_7_wrong_command", Op::write, {wrong, wrong, rejection(0x40, 0x10)}, sent, 0xFF, 2,
         3, concat({R3(data_bad), {"scan data error" + W}})},
        {"write_8_other_address", Op::write, {reply_report(0xAA, 0x1044, word1, word2)}, sent,
         0xFF, 2, 1, {"data error" + W}},
        {"write_8_other_first_word", Op::write, {reply_report(0xAA, address, 0x1235, word2)},
         sent, 0xFF, 2, 1, {"data error" + W}},
        {"write_8_other_second_word", Op::write, {reply_report(0xAA, address, word1, 0x5679)},
         sent, 0xFF, 2, 1, {"data error" + W}},
        {"write_9_ok", Op::write, {ok}, sent, 0xFF, 0, 1,
         {"OK writing 2 words (0x1234, 0x5678) at address 0x1040"}},
        {"write_bad_then_good", Op::write, {std::nullopt, command(ok, 0xAB), ok}, sent, 0xFF, 0, 3,
         concat({R(data_bad, "<rx:z>"), R(data_bad, "<rx:1>"),
                 {"OK writing 2 words (0x1234, 0x5678) at address 0x1040"}})},
    };
}

std::vector<Check_case> erase_cases() {
    const Sim_report ok = erase_ok();
    const Sim_report bad = with_bad_crc(ok);
    const Sim_report wrong = command(ok, 0xBB);
    return {
        {"erase_1_send_fails", Op::erase, {}, refused, 0xFF, 4, 0, {"usb error" + E}},
        {"erase_2_no_reply", Op::erase, {}, sent, 0xFF, 1, 3, {"timeout error" + E}},
        {"erase_3_broadcast_FB_not_judged", Op::erase, {bad}, sent, 0xFB, 0, 1,
         {"no scan data due to broadcast in" + E}},
        {"erase_broadcast_without_reply_times_out", Op::erase, {std::nullopt, ok}, sent, 0xFB, 1,
         1, {"timeout error" + E}},
        {"erase_4_no_marker", Op::erase, {no_marker(ok)}, sent, 0xFF, 2, 1,
         {"scan data error" + E}},
        {"erase_5_bad_crc", Op::erase, {bad, bad, bad}, sent, 0xFF, 3, 3, {"crc error" + E}},
        {"erase_6_rejection_by_command_byte_alone", Op::erase,
         {rejection(0x00, 0xFC), rejection(0x00, 0xFC), rejection(0x12, 0x34)}, sent, 0xFF, 3, 3,
         {"scan crc error" + E}},
        {"erase_7_wrong_command", Op::erase, {wrong, wrong, wrong}, sent, 0xFF, 2, 3,
         {"scan data error" + E}},
        {"erase_8_other_address_no_line", Op::erase, {reply_report(0xDD, 0xFE00, 0, 0)}, sent,
         0xFF, 2, 1, {}},
        {"erase_9_ok", Op::erase, {ok}, sent, 0xFF, 0, 1, {"OK" + E}},
        {"erase_bad_then_good", Op::erase, {std::nullopt, bad, ok}, sent, 0xFF, 0, 3, {"OK" + E}},
    };
}

std::vector<Check_case> get_info_cases() {
    const std::string start = "msp430 get info";
    const Sim_report ok = info_ok();
    const Sim_report bad = with_bad_crc(ok);
    return {
        {"get_info_1_send_fails", Op::get_info, {}, refused, 0xFF, 4, 0,
         {start, "usb error at get info"}},
        {"get_info_2_no_reply", Op::get_info, {}, sent, 0xFF, 1, 2,
         {start, "timeout error at get info"}},
        {"get_info_3_no_broadcast_check", Op::get_info, {ok}, sent, 0xFE, 0, 1,
         {start, "OK at get info"}, true},
        {"get_info_4_no_marker", Op::get_info, {no_marker(ok)}, sent, 0xFF, 2, 1,
         {start, "data error at get info"}},
        {"get_info_5_bad_crc", Op::get_info, {bad, bad}, sent, 0xFF, 3, 2,
         {start, "crc error at get info"}},
        {"get_info_6_rejection", Op::get_info, {rejection(0x00, 0x00), rejection(0xEA, 0xEA)},
         sent, 0xFF, 3, 2, {start, "scan crc error at get info"}},
        {"get_info_6_rejection_accepted_on_byte_3", Op::get_info, {command(ok, 0xCE)}, sent, 0xFF,
         3, 1, {start, "scan crc error at get info"}},
        {"get_info_7_wrong_command", Op::get_info, {command(ok, 0x56)}, sent, 0xFF, 2, 1,
         {start, "scan data error at get info"}},
        {"get_info_8_no_info_marker", Op::get_info,
         {byte_set(ok, 3, 0x84), byte_set(ok, 3, 0x05)}, sent, 0xFF, 2, 2,
         {start, "scan data error at get info"}},
        {"get_info_9_ok", Op::get_info, {ok}, sent, 0xFF, 0, 1, {start, "OK at get info"}, true},
        {"get_info_bad_then_good", Op::get_info, {std::nullopt, ok}, sent, 0xFF, 0, 2,
         {start, "OK at get info"}, true},
        {"get_info_never_a_third_attempt", Op::get_info, {std::nullopt, std::nullopt, ok}, sent,
         0xFF, 1, 2, {start, "timeout error at get info"}},
    };
}
// clang-format on

// The request report every attempt of the case must have put on the wire.
std::vector<std::uint8_t> expected_wire(Op op, std::uint8_t detector) {
    std::vector<std::uint8_t> wire(65, 0);
    std::uint8_t* r = &wire[1];
    r[0] = 0x0A;
    r[1] = detector;
    switch (op) {
    case Op::read:
        r[2] = 0xBB;
        r[3] = 0x40;
        r[4] = 0x10;
        break;
    case Op::write:
        r[2] = 0xAA;
        r[3] = 0x40;
        r[4] = 0x10;
        r[5] = 0x34;
        r[6] = 0x12;
        r[7] = 0x78;
        r[8] = 0x56;
        break;
    case Op::erase:
        r[2] = 0xDD;
        r[3] = 0x00;
        r[4] = 0xFC;
        break;
    case Op::get_info:
        r[2] = 0x55;
        break;
    }
    Sim_report frame{};
    std::copy(r, r + 64, frame.begin());
    r[9] = with_crc(frame)[9];
    r[10] = 0x01;
    r[11] = 0xF4;
    r[12] = 7; // the CMPL value the fixture constructs with
    return wire;
}

class Bootloader_checks : public Link_test, public ::testing::WithParamInterface<Check_case> {};

TEST_P(Bootloader_checks, StatusOutputsAndTrace) {
    const Check_case& c = GetParam();
    Sim_hid_device& dongle = add_dongle_b();
    replies.script(c.replies);

    MSP430_bootloader bootloader(7, c.detector);
    ASSERT_TRUE(bootloader.connect("B"));
    dongle.set_accepts_output(!c.refuse_output);
    const std::size_t lines_before = trace_lines().size();

    int status = -1;
    bool outputs_changed = false;
    switch (c.op) {
    case Op::read: {
        std::uint16_t first = 0xAAAA;
        std::uint16_t second = 0xBBBB;
        status = bootloader.read_2_words(address, first, second);
        outputs_changed = first != 0xAAAA || second != 0xBBBB;
        if (c.outputs_written) {
            EXPECT_EQ(first, word1);
            EXPECT_EQ(second, word2);
        }
        break;
    }
    case Op::write:
        status = bootloader.write_2_words(address, word1, word2);
        break;
    case Op::erase:
        status = bootloader.erase_sector(sector_address);
        break;
    case Op::get_info: {
        std::uint32_t version = 77;
        std::uint32_t info = 88;
        status = bootloader.get_info(version, info);
        outputs_changed = version != 77 || info != 88;
        if (c.outputs_written) {
            EXPECT_EQ(version, 52u);
            EXPECT_EQ(info, 0x21u);
        }
        break;
    }
    }

    EXPECT_EQ(status, c.status);
    EXPECT_EQ(outputs_changed, c.outputs_written);

    const std::vector<std::uint8_t> request = expected_wire(c.op, c.detector);
    EXPECT_EQ(replies.requests().size(), c.requests);
    for (const auto& wire : dongle.written_wire()) {
        EXPECT_EQ(wire, request);
    }

    std::vector<std::string> expected;
    const Sim_report zero{};
    for (const std::string& line : c.lines) {
        if (line == "<tx>") {
            expected.push_back("tx: " + hex16(&request[1]));
        } else if (line == "<rx:z>") {
            expected.push_back("rx: " + hex16(zero.data()));
        } else if (line.rfind("<rx:", 0) == 0) {
            const std::size_t n = static_cast<std::size_t>(line[4] - '0');
            expected.push_back("rx: " + hex16(c.replies.at(n)->data()));
        } else {
            expected.push_back(line);
        }
    }
    const std::vector<std::string> all = trace_lines();
    const std::vector<std::string> written(all.begin() + static_cast<long>(lines_before),
                                           all.end());
    EXPECT_EQ(written, expected);
}

std::vector<Check_case> all_cases() {
    std::vector<Check_case> all;
    for (auto part : {read_cases(), write_cases(), erase_cases(), get_info_cases()}) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(AllRows, Bootloader_checks, ::testing::ValuesIn(all_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
