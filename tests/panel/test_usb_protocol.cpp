#include "checksums.h"
#include "module_bench.h"
#include "usb_protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The 64-byte report that starts with `head` and is zero after it.
Sim_report report_of(const Bytes& head) {
    Sim_report report{};
    std::copy(head.begin(), head.end(), report.begin());
    return report;
}

class Usb_protocol_test : public ::testing::Test {
protected:
    void SetUp() override { open(5.7); }

    void open(double version) {
        protocol = std::make_unique<USB_protocol>(version);
        protocol->set_message_hook([this](const std::string& text) { messages.push_back(text); });
        ASSERT_TRUE(protocol->open_module());
    }

    const Sim_report& last_request() const { return bench.script.requests().back(); }

    Module_bench bench;
    std::unique_ptr<USB_protocol> protocol;
    std::vector<std::string> messages;
};

const std::string usb_error = "Błąd protokołu USB!";
const std::string frame_ok = "Moduł Qxx odpowiedział ramką!";
const std::string module_error = "Moduł Qxx odpowiedział błędem!";
const std::string crc_error = "Nieprawidłowy kod CRC otrzymanej ramki!";
const std::string usb_frame_ok = "Moduł Qxx odpowiedział ramką USB!";

TEST(Usb_protocol_lengths, GenericCommandTables) {
    struct Row {
        std::uint8_t code, request, reply;
    };
    const std::vector<Row> rows = {
        {0x00, 0, 2},   {0x01, 2, 2},  {0x02, 1, 2},   {0x03, 16, 16}, {0x04, 2, 16},
        {0x05, 14, 14}, {0x06, 1, 14}, {0x07, 25, 25}, {0x08, 1, 25},  {0x09, 3, 3},
        {0x0A, 1, 3},   {0x0B, 5, 5},  {0x0C, 5, 1},   {0x0D, 3, 3},   {0x0E, 0, 3},
        {0x0F, 3, 3},   {0x10, 0, 3},  {0x1E, 3, 0},   {0x20, 4, 4},   {0x21, 0, 4},
        {0x30, 0, 2},   {0x31, 2, 12}, {0x35, 26, 26}, {0xF0, 22, 22},
    };
    for (int code = 0; code <= 255; ++code) {
        SCOPED_TRACE(code);
        Row expected{static_cast<std::uint8_t>(code), 0, 0};
        for (const Row& row : rows) {
            if (row.code == code) {
                expected = row;
            }
        }
        const auto byte = static_cast<std::uint8_t>(code);
        // 5.2 itself is not above 5.2.
        EXPECT_EQ(USB_protocol::request_data_length(byte, 5.2), expected.request);
        EXPECT_EQ(USB_protocol::reply_data_length(byte, 5.2), expected.reply);
        EXPECT_EQ(USB_protocol::request_data_length(byte, 5.21),
                  expected.request + (code == 7 ? 4 : 0));
        EXPECT_EQ(USB_protocol::reply_data_length(byte, 5.21),
                  expected.reply + (code == 7 || code == 8 ? 4 : 0));
    }
}

TEST_F(Usb_protocol_test, ProbeSendsTwoBytesAndNeedsF5) {
    bench.script.queue_reply(report_of({0xF5, 0x01}));
    EXPECT_TRUE(protocol->probe_module());
    EXPECT_EQ(last_request(), report_of({0xF5, 0x00}));

    bench.script.queue_reply(report_of({0x10, 0xF5}));
    EXPECT_FALSE(protocol->probe_module());
    EXPECT_EQ(messages, (std::vector<std::string>{frame_ok, module_error}));
}

struct Fixed_frame_case {
    const char* name;
    std::function<bool(USB_protocol&)> operation;
    Bytes frame;
};

TEST_F(Usb_protocol_test, FixedCommandsSendByteExactFrames) {
    const USB_protocol::Detector_frame detector_request{0x03, 0xBB, 0x40, 0x10, 0, 0, 0, 0, 0xF9};
    const std::vector<Fixed_frame_case> cases = {
        {"block_scan",
         [](USB_protocol& p) { return p.block_scan(0); },
         {0x10, 0x10, 0x02, 0x70, 0x00, 0x03, 0x41}},
        {"start_scan",
         [](USB_protocol& p) { return p.start_scan(0); },
         {0x10, 0x10, 0x02, 0x71, 0x00, 0x93, 0x40}},
        {"send_detector_request",
         [&](USB_protocol& p) { return p.send_detector_request(detector_request); },
         {0x10, 0x10, 0x0A, 0x72, 0x03, 0xBB, 0x40, 0x10, 0, 0, 0, 0, 0xF9, 0x77, 0xA0}},
        {"read_detector_reply",
         [](USB_protocol& p) {
             USB_protocol::Detector_frame reply{};
             return p.read_detector_reply(reply);
         },
         {0x10, 0x10, 0x01, 0x73, 0x70, 0x45}},
        {"read_scan_bitmap",
         [](USB_protocol& p) {
             USB_protocol::Scan_flags flags{};
             return p.read_scan_bitmap(flags);
         },
         {0x10, 0x10, 0x01, 0x74, 0xB2, 0x04}},
        {"read_scan_bitmap_2",
         [](USB_protocol& p) {
             USB_protocol::Scan_flags flags{};
             return p.read_scan_bitmap_2(flags);
         },
         {0x10, 0x10, 0x01, 0x75, 0x72, 0xC5}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const std::uint8_t code = test.frame[3];
        bench.script.queue_reply(panel_frame(code, {}));
        EXPECT_TRUE(test.operation(*protocol));
        EXPECT_EQ(last_request(), report_of(test.frame));
        // The same reply carrying another command code is a valid frame but not the answer.
        bench.script.queue_reply(panel_frame(static_cast<std::uint8_t>(code ^ 0x01), {}));
        EXPECT_FALSE(test.operation(*protocol));
        EXPECT_EQ(messages.back(), usb_frame_ok);
        // An all-zero report passes its CRC as a frame of code 0, which no fixed command has.
        bench.script.queue_reply(Sim_report{});
        EXPECT_FALSE(test.operation(*protocol));
        EXPECT_EQ(messages.back(), usb_frame_ok);
    }
}

TEST_F(Usb_protocol_test, FixedCommandsIgnoreTheModuleErrorMarker) {
    Sim_report reply = panel_frame(0x71, {});
    reply[0] = 0xAA; // changes the CRC: the frame must fail on it
    bench.script.queue_reply(reply);
    EXPECT_FALSE(protocol->start_scan(0));
    EXPECT_EQ(messages.back(), crc_error);

    // 0xAA as a start byte, with a CRC computed over it, is judged by CRC and code alone.
    reply = panel_frame(0x71, {});
    reply[0] = 0xAA;
    const std::uint16_t crc = crc16_arc(reply.data(), 4);
    reply[4] = static_cast<std::uint8_t>(crc >> 8);
    reply[5] = static_cast<std::uint8_t>(crc & 0xFF);
    bench.script.queue_reply(reply);
    EXPECT_TRUE(protocol->start_scan(0));
}

TEST_F(Usb_protocol_test, FixedCommandReplyLengthIsTakenFromItsLengthByte) {
    // A reply with four data bytes after the code is accepted though the request had none.
    bench.script.queue_reply(panel_frame(0x70, {0x00, 0x01, 0x02, 0x03}));
    EXPECT_TRUE(protocol->block_scan(0));
    // Swapping the CRC bytes breaks it.
    Sim_report swapped = panel_frame(0x70, {0x00});
    std::swap(swapped[5], swapped[6]);
    bench.script.queue_reply(swapped);
    EXPECT_FALSE(protocol->block_scan(0));
    EXPECT_EQ(messages.back(), crc_error);
}

TEST(Usb_protocol_validation, FixedReplyLengthByteUpTo255StaysInsideTheReport) {
    // On the heap and exactly 64 bytes, so a sanitizer build catches any read past the report.
    for (int length = 0; length <= 255; ++length) {
        SCOPED_TRACE(length);
        auto reply = std::make_unique<std::uint8_t[]>(USB_protocol::report_size);
        std::fill_n(reply.get(), USB_protocol::report_size, std::uint8_t{0x5A});
        reply[0] = 0x10;
        reply[1] = 0x10;
        reply[2] = static_cast<std::uint8_t>(length);
        reply[3] = 0x74;
        const std::size_t covered = static_cast<std::size_t>(length) + 3;
        if (covered + 2 <= USB_protocol::report_size) {
            const std::uint16_t crc = crc16_arc(reply.get(), static_cast<std::uint8_t>(covered));
            reply[covered] = static_cast<std::uint8_t>(crc >> 8);
            reply[covered + 1] = static_cast<std::uint8_t>(crc & 0xFF);
        }
        // Frames up to L = 59 end at byte 63; longer ones cannot be checked and fail. With L = 0
        // the CRC's high byte sits where the command code would be.
        auto expected = USB_protocol::Reply_check::crc_mismatch;
        if (length <= 59) {
            expected = reply[3] == 0x74 ? USB_protocol::Reply_check::valid
                                        : USB_protocol::Reply_check::other_command;
        }
        EXPECT_EQ(USB_protocol::check_fixed_reply(reply.get(), 0x74), expected);
    }
}

TEST_F(Usb_protocol_test, OverlongFixedReplyFailsAndLeavesFlagsAlone) {
    for (const std::uint8_t length : {std::uint8_t{60}, std::uint8_t{253}, std::uint8_t{255}}) {
        SCOPED_TRACE(length);
        Sim_report reply = panel_frame(0x74, {0xFF});
        reply[2] = length;
        bench.script.queue_reply(reply);
        USB_protocol::Scan_flags flags;
        flags.fill(7);
        EXPECT_FALSE(protocol->read_scan_bitmap(flags));
        EXPECT_EQ(flags[0], 7);
        EXPECT_EQ(messages.back(), crc_error);
    }
}

TEST_F(Usb_protocol_test, ScanBitmapFlagsAreLeastSignificantBitFirst) {
    Bytes bitmap(13, 0);
    bitmap[0] = 0x08;  // address 3
    bitmap[2] = 0x02;  // address 17
    bitmap[12] = 0x81; // flags 96 and 103
    bench.script.queue_reply(panel_frame(0x74, bitmap));
    USB_protocol::Scan_flags flags;
    flags.fill(9);
    ASSERT_TRUE(protocol->read_scan_bitmap(flags));
    std::vector<int> set;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        ASSERT_LE(flags[i], 1);
        if (flags[i] != 0) {
            set.push_back(static_cast<int>(i));
        }
    }
    EXPECT_EQ(set, (std::vector<int>{3, 17, 96, 103}));

    bench.script.queue_reply(panel_frame(0x75, Bytes(13, 0xFF)));
    ASSERT_TRUE(protocol->read_scan_bitmap_2(flags));
    EXPECT_EQ(std::count(flags.begin(), flags.end(), 1), 104);
}

TEST_F(Usb_protocol_test, DetectorReplyIsBytesFourToTwelve) {
    bench.script.queue_reply(panel_frame(0x73, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    USB_protocol::Detector_frame reply{};
    ASSERT_TRUE(protocol->read_detector_reply(reply));
    EXPECT_EQ(reply, (USB_protocol::Detector_frame{1, 2, 3, 4, 5, 6, 7, 8, 9}));

    bench.script.queue_reply(panel_frame(0x72, {1, 2, 3, 4, 5, 6, 7, 8, 9}));
    USB_protocol::Detector_frame untouched{};
    untouched.fill(0xEE);
    EXPECT_FALSE(protocol->read_detector_reply(untouched));
    EXPECT_EQ(untouched[0], 0xEE);
    EXPECT_EQ(untouched[8], 0xEE);
}

TEST_F(Usb_protocol_test, GenericCommandFrameFollowsTheTableNotTheText) {
    struct Case {
        std::uint8_t code;
        std::string parameters;
        Bytes frame;
    };
    const std::vector<Case> cases = {
        // The password check of "1234".
        {0x0C, "0431323334", {0x10, 0x10, 0x06, 0x0C, 0x04, 0x31, 0x32, 0x33, 0x34, 0xD4, 0xE1}},
        // An odd text loses its last digit.
        {0x02, "0AB", {0x10, 0x10, 0x02, 0x02, 0x0A, 0xA4, 0xE5}},
        // A code missing from the table sends no data, whatever the text holds.
        {0x42, "0102", {0x10, 0x10, 0x01, 0x42, 0xA4, 0x84}},
        // Lower-case digits are hexadecimal too.
        {0x02, "0a", {0x10, 0x10, 0x02, 0x02, 0x0A, 0xA4, 0xE5}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.parameters);
        bench.script.queue_reply(Sim_report{});
        std::uint8_t reply_code = 0xFF;
        std::string text;
        protocol->send_command(test.code, test.parameters, reply_code, text);
        EXPECT_EQ(last_request(), report_of(test.frame));
    }
}

TEST_F(Usb_protocol_test, GenericCommandWithShortTextLeavesTheRestZero) {
    bench.script.queue_reply(Sim_report{});
    std::uint8_t reply_code = 0;
    std::string text;
    protocol->send_command(0x03, "AB", reply_code, text);
    Bytes frame{0x10, 0x10, 17, 0x03, 0xAB};
    frame.resize(4 + 16, 0);
    const std::uint16_t crc = crc16_arc(frame.data(), static_cast<std::uint8_t>(frame.size()));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    EXPECT_EQ(last_request(), report_of(frame));
}

TEST_F(Usb_protocol_test, GenericCommandRejectsNonHexTextWithoutSending) {
    std::uint8_t reply_code = 0x33;
    std::string text = "keep";
    EXPECT_FALSE(protocol->send_command(0x0C, "04G1323334", reply_code, text));
    EXPECT_TRUE(bench.script.requests().empty());
    EXPECT_EQ(reply_code, 0x33);
    EXPECT_EQ(text, "keep");
}

TEST_F(Usb_protocol_test, GenericCommandAppendsReplyDataAsUpperCaseHex) {
    bench.script.queue_reply(panel_frame(0x0B, {0x00, 0x0F, 0xA0, 0xFF, 0x5C}));
    std::uint8_t reply_code = 0;
    std::string text = "xy";
    ASSERT_TRUE(protocol->send_command(0x0B, "0000000000", reply_code, text));
    EXPECT_EQ(reply_code, 0x0B);
    EXPECT_EQ(text, "xy000FA0FF5C");
    EXPECT_EQ(messages.back(), frame_ok);
}

TEST_F(Usb_protocol_test, GenericReplyOfUnknownCodeIsASixByteFrame) {
    bench.script.queue_reply(panel_frame(0x42, {}));
    std::uint8_t reply_code = 0;
    std::string text = "as passed";
    EXPECT_TRUE(protocol->send_command(0x0C, "0430303030", reply_code, text));
    EXPECT_EQ(reply_code, 0x42);
    EXPECT_EQ(text, "as passed");
}

TEST_F(Usb_protocol_test, GenericReplyChecks) {
    struct Case {
        const char* name;
        Sim_report reply;
        bool result;
        std::uint8_t code;
        std::string text;
        std::string message;
    };
    Sim_report marked = panel_frame(0x0C, {0x04});
    marked[0] = 0xAA;
    const std::uint16_t crc = crc16_arc(marked.data(), 5);
    marked[5] = static_cast<std::uint8_t>(crc >> 8);
    marked[6] = static_cast<std::uint8_t>(crc & 0xFF);
    Sim_report corrupted = panel_frame(0x0C, {0x04});
    corrupted[4] = 0x05;
    Sim_report truncated_data = panel_frame(0x0C, {}); // the table wants one data byte

    const std::vector<Case> cases = {
        {"accepted", panel_frame(0x0C, {0x04}), true, 0x0C, "04", frame_ok},
        {"0xAA before any CRC check", marked, false, 0x0C, "", module_error},
        {"CRC mismatch", corrupted, false, 0x0C, "", crc_error},
        {"shorter than the table", truncated_data, false, 0x0C, "", crc_error},
        {"all zero is code 0 with two data bytes", Sim_report{}, true, 0x00, "0000", frame_ok},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        bench.script.queue_reply(test.reply);
        std::uint8_t reply_code = 0xFF;
        std::string text;
        EXPECT_EQ(protocol->send_command(0x0C, "0431323334", reply_code, text), test.result);
        EXPECT_EQ(reply_code, test.code);
        EXPECT_EQ(text, test.text);
        EXPECT_EQ(messages.back(), test.message);
    }
}

TEST_F(Usb_protocol_test, LongRecordsDependOnTheProtocolVersion) {
    struct Case {
        double version;
        std::uint8_t request_length;
        std::uint8_t reply_length;
        std::uint16_t request_crc;
    };
    for (const Case test : {Case{5.7, 29, 29, 0xF82D}, Case{5.2, 25, 25, 0x5E3E}}) {
        SCOPED_TRACE(test.version);
        open(test.version);
        EXPECT_EQ(protocol->request_data_length(7), test.request_length);
        EXPECT_EQ(protocol->reply_data_length(7), test.reply_length);
        EXPECT_EQ(protocol->reply_data_length(8), test.reply_length);
        EXPECT_EQ(protocol->request_data_length(8), 1);

        bench.script.queue_reply(Sim_report{});
        std::uint8_t reply_code = 0;
        std::string text;
        protocol->send_command(7, std::string(2 * test.request_length, '0'), reply_code, text);
        Bytes frame{0x10, 0x10, static_cast<std::uint8_t>(test.request_length + 1), 7};
        frame.resize(4 + test.request_length, 0);
        frame.push_back(static_cast<std::uint8_t>(test.request_crc >> 8));
        frame.push_back(static_cast<std::uint8_t>(test.request_crc & 0xFF));
        EXPECT_EQ(last_request(), report_of(frame));

        // Replies 7 and 8 validate only at this version's length, and the other one fails.
        for (const std::uint8_t code : {std::uint8_t{7}, std::uint8_t{8}}) {
            for (const std::uint8_t length : {std::uint8_t{25}, std::uint8_t{29}}) {
                bench.script.queue_reply(panel_frame(code, Bytes(length, 0x11)));
                std::string data;
                const bool valid = protocol->send_command(8, "00", reply_code, data);
                EXPECT_EQ(valid, length == test.reply_length) << int(code) << "/" << int(length);
                EXPECT_EQ(data.size(), valid ? 2u * length : 0u);
            }
        }
    }
}

TEST_F(Usb_protocol_test, FailedExchangeReportsUsbErrorAndWritesNothing) {
    bench.script.queue_reply(std::nullopt);
    std::uint8_t reply_code = 0x5A;
    std::string text;
    const auto before = bench.clock.now_ms();
    EXPECT_FALSE(protocol->send_command(0x0C, "0430303030", reply_code, text));
    EXPECT_EQ(reply_code, 0x5A);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(messages.back(), usb_error);
    // The read waited its full poll limit before it was given up.
    EXPECT_GE(bench.clock.now_ms() - before, 500u);

    bench.script.queue_reply(std::nullopt);
    USB_protocol::Detector_frame reply;
    reply.fill(0x77);
    EXPECT_FALSE(protocol->read_detector_reply(reply));
    EXPECT_EQ(reply[4], 0x77);
    EXPECT_EQ(messages.back(), usb_error);
}

TEST_F(Usb_protocol_test, FrameDumpSeesRequestThenReply) {
    std::vector<std::pair<USB_protocol::Direction, Sim_report>> dumps;
    protocol->set_frame_dump_hook(
        [&](USB_protocol::Direction direction, const std::uint8_t* buffer, std::size_t size) {
            ASSERT_EQ(size, 64u);
            Sim_report copy{};
            std::copy_n(buffer, size, copy.begin());
            dumps.emplace_back(direction, copy);
        });
    const Sim_report reply = panel_frame(0x71, {0x00});
    bench.script.queue_reply(reply);
    protocol->start_scan(0);
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_EQ(dumps[0].first, USB_protocol::Direction::request);
    EXPECT_EQ(dumps[0].second, last_request());
    EXPECT_EQ(dumps[1].first, USB_protocol::Direction::reply);
    EXPECT_EQ(dumps[1].second, reply);
}

TEST(Usb_protocol_without_module, NothingIsSentBeforeTheModuleIsOpen) {
    Module_bench bench;
    bench.os.unplug(*bench.module);
    USB_protocol protocol(5.7);
    EXPECT_FALSE(protocol.open_module());
    bench.os.plug(*bench.module);
    USB_protocol::Scan_flags flags{};
    std::uint8_t reply_code = 0;
    std::string text;
    EXPECT_FALSE(protocol.probe_module());
    EXPECT_FALSE(protocol.start_scan(0));
    EXPECT_FALSE(protocol.read_scan_bitmap(flags));
    EXPECT_FALSE(protocol.send_command(0x0C, "0430303030", reply_code, text));
    EXPECT_TRUE(bench.script.requests().empty());
}

} // namespace
