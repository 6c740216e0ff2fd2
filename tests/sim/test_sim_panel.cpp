#include "checksums.h"
#include "sim_panel.h"
#include "sim_panel_frame.h"
#include "virtual_clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The check byte a clean 9-byte detector frame ends with.
std::uint8_t crc8_of(const Bytes& frame) {
    return crc8_maxim(frame.data(), 8);
}

Bytes head(const Sim_report& report, std::size_t count) {
    return Bytes(report.begin(), report.begin() + static_cast<long>(count));
}

bool all_zero_from(const Sim_report& report, std::size_t from) {
    for (std::size_t i = from; i < report.size(); ++i) {
        if (report[i] != 0) {
            return false;
        }
    }
    return true;
}

// CRC-16/ARC values below were worked out by hand from the catalogue definition.

TEST(SimPanelFrame, PasswordCheckFrameByteForByte) {
    const Sim_report frame = Sim_panel_frame::build(0x0C, {0x04, '1', '2', '3', '4'});
    EXPECT_EQ(head(frame, 11),
              (Bytes{0x10, 0x10, 0x06, 0x0C, 0x04, 0x31, 0x32, 0x33, 0x34, 0xD4, 0xE1}));
    EXPECT_TRUE(all_zero_from(frame, 11));
}

TEST(SimPanelFrame, FramesWithoutDataAndErrorReplies) {
    EXPECT_EQ(head(Sim_panel_frame::build(0x74, {}), 6),
              (Bytes{0x10, 0x10, 0x01, 0x74, 0xB2, 0x04}));
    EXPECT_EQ(head(Sim_panel_frame::error(0x72, 1), 7),
              (Bytes{0xAA, 0xAA, 0x02, 0x72, 0x01, 0x60, 0x7D}));
}

TEST(SimPanelFrame, ParseChecksLengthAndCrc) {
    Sim_report frame = Sim_panel_frame::build(0x71, {0x00});
    Sim_panel_frame::Problem problem{};
    auto parsed = Sim_panel_frame::parse(frame, &problem);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->code, 0x71);
    EXPECT_EQ(parsed->data, Bytes{0x00});
    EXPECT_EQ(problem, Sim_panel_frame::Problem::none);

    std::swap(frame[5], frame[6]); // CRC 0x9340 with its bytes swapped
    EXPECT_FALSE(Sim_panel_frame::parse(frame, &problem));
    EXPECT_EQ(problem, Sim_panel_frame::Problem::bad_crc);

    struct Case {
        std::uint8_t length;
        Sim_panel_frame::Problem problem;
    };
    for (const Case c : {Case{0, Sim_panel_frame::Problem::bad_length},
                         Case{60, Sim_panel_frame::Problem::bad_length},
                         Case{255, Sim_panel_frame::Problem::bad_length}}) {
        Sim_report odd = Sim_panel_frame::build(0x71, {0x00});
        odd[2] = c.length;
        EXPECT_FALSE(Sim_panel_frame::parse(odd, &problem)) << int{c.length};
        EXPECT_EQ(problem, c.problem);
    }
    // The longest frame that fits: 58 data bytes, CRC in bytes 62 and 63.
    const Sim_report longest = Sim_panel_frame::build(0x35, Bytes(58, 0x5A));
    parsed = Sim_panel_frame::parse(longest);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->data.size(), 58u);

    Sim_report not_frame{};
    not_frame[0] = 0xF5;
    EXPECT_FALSE(Sim_panel_frame::parse(not_frame, &problem));
    EXPECT_EQ(problem, Sim_panel_frame::Problem::not_a_frame);
}

class SimPanel : public ::testing::Test {
protected:
    Virtual_clock clock;
    Sim_panel panel{clock};
};

TEST_F(SimPanel, PasswordCheck) {
    struct Case {
        Bytes data;
        std::uint8_t answer;
    };
    const Case cases[] = {
        {{0x04, '1', '2', '3', '4'}, 0x04},
        {{0x04, '1', '2', '3', '5'}, 0x00},
        {{0x05, '1', '2', '3', '4'}, 0x00},
        {{0x04, '0', '0', '0', '0'}, 0x00},
    };
    for (const Case& c : cases) {
        const Sim_panel::Answer answer = panel.handle(12, c.data);
        EXPECT_EQ(answer.code, 12);
        EXPECT_FALSE(answer.error);
        EXPECT_EQ(answer.data, Bytes{c.answer});
        EXPECT_EQ(panel.logged_in(), c.answer == 0x04);
    }
    panel.set_password("0000");
    EXPECT_EQ(panel.handle(12, {0x04, '0', '0', '0', '0'}).data, Bytes{0x04});
    EXPECT_EQ(panel.password_checks(), 5u);
    EXPECT_EQ(panel.handle(12, {0x04, '0'}).error, Sim_panel::error_data_length);
}

TEST_F(SimPanel, GenericCommandsAnswerWithTheirTableLengths) {
    struct Case {
        std::uint8_t code;
        std::size_t request;
        std::size_t reply_at_5_7;
        std::size_t reply_at_5_2;
    };
    const Case cases[] = {{0x00, 0, 2, 2},    {0x03, 16, 16, 16}, {0x07, 29, 29, 25},
                          {0x08, 1, 29, 25},  {0x1E, 3, 0, 0},    {0x31, 2, 12, 12},
                          {0xF0, 22, 22, 22}, {0x42, 0, 0, 0}};
    for (const Case& c : cases) {
        panel.set_protocol_version(5.7);
        Sim_panel::Answer answer = panel.handle(c.code, Bytes(c.request, 0x11));
        EXPECT_FALSE(answer.error) << int{c.code};
        EXPECT_EQ(answer.data.size(), c.reply_at_5_7) << int{c.code};
        EXPECT_EQ(panel.handle(c.code, Bytes(c.request + 1, 0)).error, Sim_panel::error_data_length)
            << int{c.code};

        panel.set_protocol_version(5.2);
        const std::size_t request_at_5_2 = c.code == 0x07 ? 25 : c.request;
        answer = panel.handle(c.code, Bytes(request_at_5_2, 0x11));
        EXPECT_EQ(answer.data.size(), c.reply_at_5_2) << int{c.code};
    }
}

TEST_F(SimPanel, GenericRepliesCarryWhatTheTestSet) {
    panel.set_generic_reply(0x30, {0x05, 0x07, 0x99});
    EXPECT_EQ(panel.handle(0x30, {}).data, (Bytes{0x05, 0x07})); // cut to the table's 2 bytes
    panel.set_generic_reply(0x21, {0x01});
    EXPECT_EQ(panel.handle(0x21, {}).data, (Bytes{0x01, 0x00, 0x00, 0x00}));
}

TEST_F(SimPanel, ScanBitmapShowsTheAnsweringAddressesAfterAPass) {
    Sim_detector d0 = Sim_detector::configured(52, 0x21);
    Sim_detector d3 = d0;
    Sim_detector d9 = d0;
    Sim_detector d99 = d0;
    Sim_detector d103 = d0;
    panel.loop().add(0, d0);
    panel.loop().add(3, d3);
    panel.loop().add(9, d9);
    panel.loop().add(99, d99);
    panel.loop().add(103, d103);
    panel.set_scan_pass_ms(500);

    EXPECT_EQ(panel.handle(0x74, {}).data, Bytes(13, 0x00)); // no pass finished yet
    clock.sleep_ms(500);
    const Bytes expected{0x09, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x88};
    EXPECT_EQ(panel.handle(0x74, {}).data, expected);
    EXPECT_EQ(panel.handle(0x75, {}).data, Bytes(13, 0x00));
}

TEST_F(SimPanel, BlockedScanKeepsItsBitmapAndARestartNeedsANewPass) {
    Sim_detector d5 = Sim_detector::configured(52, 0x21);
    panel.loop().add(5, d5);
    clock.sleep_ms(1000);
    EXPECT_EQ(panel.handle(0x70, {0x00}).code, 0x70);
    EXPECT_FALSE(panel.scan_running());
    d5.set_powered(false);
    clock.sleep_ms(1000);
    EXPECT_TRUE(panel.scan_bitmap().test(5)); // frozen while blocked

    EXPECT_EQ(panel.handle(0x71, {0x00}).code, 0x71);
    EXPECT_TRUE(panel.scan_bitmap().test(5)); // the new pass is not done yet
    clock.sleep_ms(500);
    EXPECT_FALSE(panel.scan_bitmap().test(5));
    // The second bitmap names the detector that went silent.
    EXPECT_EQ(panel.handle(0x75, {}).data[0], 0x20);
}

TEST_F(SimPanel, TunnelCarriesRequestsToTheAddressedDetector) {
    Sim_detector::Config config;
    config.address = 3;
    Sim_detector d3 = Sim_detector::configured(52, 0x21, config);
    config.address = 7;
    Sim_detector d7 = Sim_detector::configured(40, 0x33, config);
    panel.loop().add(3, d3);
    panel.loop().add(7, d7);

    // get-info to 3: hand-computed CRC-8 0x30, reply CRC-8 0x55
    const Bytes to_3{0x03, 0x55, 0, 0, 0, 0, 0, 0, 0x30};
    EXPECT_EQ(panel.handle(0x72, to_3).data, Bytes{});
    EXPECT_EQ(panel.handle(0x73, {}).data, (Bytes{0x03, 0x55, 0x85, 0x34, 0x21, 0, 0, 0, 0x55}));
    // reading twice gives the same reply
    EXPECT_EQ(panel.handle(0x73, {}).data[0], 0x03);

    const auto read_7 = Sim_detector_message::make(7, 0xBB, 0x1042, 0, 0);
    panel.handle(0x72, Bytes(read_7.begin(), read_7.end()));
    const auto reply = panel.handle(0x73, {}).data;
    EXPECT_EQ(reply[0], 7);
    EXPECT_EQ(reply[4], 7); // its address word
    EXPECT_EQ(d3.request_count(), 1u);

    // Nobody at 12: the panel hands back nine zero bytes.
    const auto to_12 = Sim_detector_message::make(12, 0x55, 0, 0, 0);
    panel.handle(0x72, Bytes(to_12.begin(), to_12.end()));
    EXPECT_EQ(panel.handle(0x73, {}).data, Bytes(9, 0));
    ASSERT_TRUE(panel.last_detector_request());
    EXPECT_EQ((*panel.last_detector_request())[0], 12);
}

TEST_F(SimPanel, RequestsToEveryoneAreHeardOnlyFromALoneDetector) {
    Sim_detector d3 = Sim_detector::configured(52, 0x21);
    Sim_detector d7 = Sim_detector::configured(52, 0x21);
    d3.set_events(5);
    d7.set_events(6);
    panel.loop().add(3, d3);
    const auto start_scan = Sim_detector_message::make(255, 0xE1, 9, 0, 0);
    panel.handle(0x72, Bytes(start_scan.begin(), start_scan.end()));
    EXPECT_EQ(panel.handle(0x73, {}).data[0], 3);

    panel.loop().add(7, d7);
    const auto erase_events = Sim_detector_message::make(0xFE, 0xE1, 26, 0, 0);
    panel.handle(0x72, Bytes(erase_events.begin(), erase_events.end()));
    const Bytes collided = panel.handle(0x73, {}).data; // two answers collide
    ASSERT_EQ(collided.size(), 9u);
    EXPECT_NE(collided[8], crc8_of(collided));
    EXPECT_EQ(d3.events(), 0u); // but both acted on it
    EXPECT_EQ(d7.events(), 0u);
}

TEST_F(SimPanel, MalformedCommandsAndLoginRequirement) {
    EXPECT_EQ(panel.handle(0x72, Bytes(8, 0)).error, Sim_panel::error_data_length);
    EXPECT_EQ(panel.handle(0x70, {}).error, Sim_panel::error_data_length);
    EXPECT_EQ(panel.handle(0x74, {0x00}).error, Sim_panel::error_data_length);

    panel.set_login_required(true);
    EXPECT_EQ(panel.handle(0x71, {0x00}).error, Sim_panel::error_access);
    panel.handle(12, {0x04, '1', '2', '3', '4'});
    EXPECT_FALSE(panel.handle(0x71, {0x00}).error);
}

TEST(SimLoop, MovingADetectorAndDuplicateAddresses) {
    Sim_loop loop;
    Sim_detector a = Sim_detector::configured(52, 0x21);
    Sim_detector b = Sim_detector::configured(52, 0x21);
    loop.add(4, a);
    loop.add(6, a); // moved, not doubled
    EXPECT_EQ(loop.size(), 1u);
    EXPECT_EQ(loop.at(6), &a);
    EXPECT_EQ(loop.at(4), nullptr);
    loop.add(6, b);
    const auto garbled = loop.deliver(Sim_detector_message::make(6, 0x55, 0, 0, 0));
    ASSERT_TRUE(garbled);
    EXPECT_NE((*garbled)[8], crc8_of(Bytes(garbled->begin(), garbled->end())));
    loop.remove(a);
    EXPECT_TRUE(loop.deliver(Sim_detector_message::make(6, 0x55, 0, 0, 0)));
}

} // namespace
