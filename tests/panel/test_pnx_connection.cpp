#include "checksums.h"
#include "module_bench.h"
#include "pnx_connection.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Sim_report report_of(const Bytes& head) {
    Sim_report report{};
    std::copy(head.begin(), head.end(), report.begin());
    return report;
}

Bytes with_crc8(Bytes first_eight) {
    first_eight.push_back(crc8_maxim(first_eight.data(), 8));
    return first_eight;
}

// A panel behind the scripted module, answering by command code. Each answer can be replaced
// or silenced per code; the clock time of every request is kept.
struct Panel_answers {
    explicit Panel_answers(Module_bench& bench) : bench(bench) {
        bench.script.set_responder([this](const Sim_report& request) { return answer(request); });
    }

    std::optional<Sim_report> answer(const Sim_report& request) {
        const std::uint8_t code = request[0] == 0xF5 ? 0xF5 : request[3];
        codes.push_back(code);
        times.push_back(bench.clock.now_ms());
        if (code == 0x72) {
            detector_requests.emplace_back(request.begin() + 4, request.begin() + 13);
        }
        if (const auto special = overrides.find(code); special != overrides.end()) {
            return special->second;
        }
        switch (code) {
        case 0xF5:
            return report_of({0xF5});
        case 0x0C:
            return panel_frame(0x0C, {0x04});
        case 0x73:
            return panel_frame(0x73, detector);
        case 0x74:
            return panel_frame(0x74, bitmap);
        case 0x75:
            return panel_frame(0x75, Bytes(13, 0));
        default:
            return panel_frame(code, {0x00});
        }
    }

    Module_bench& bench;
    std::map<std::uint8_t, std::optional<Sim_report>> overrides;
    Bytes detector = with_crc8({0, 0xBB, 0, 0, 0, 0, 0, 0});
    Bytes bitmap = Bytes(13, 0);
    std::vector<std::uint8_t> codes;
    std::vector<std::uint64_t> times;
    std::vector<Bytes> detector_requests;
};

class Pnx_connection_test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(connection.open_module()); }

    Module_bench bench;
    Panel_answers panel{bench};
    Pnx_connection connection;
};

TEST(Pnx_password, ParameterTextIsFourCharacterCodesAfter04) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1234", "0431323334"},  {"12", "0431323030"},   {"", "0430303030"},
        {"98765", "0439383736"}, {"1 2 ", "0431203220"},
    };
    for (const auto& [password, text] : cases) {
        EXPECT_EQ(Pnx_connection::password_parameters(password), text) << password;
    }
}

TEST_F(Pnx_connection_test, PasswordCheckProbesThenSendsCommand12) {
    struct Case {
        std::string password;
        Bytes frame;
    };
    const std::vector<Case> cases = {
        {"1234", {0x10, 0x10, 0x06, 0x0C, 0x04, 0x31, 0x32, 0x33, 0x34, 0xD4, 0xE1}},
        {"12", {0x10, 0x10, 0x06, 0x0C, 0x04, 0x31, 0x32, 0x30, 0x30, 0xE7, 0xE0}},
        {"", {0x10, 0x10, 0x06, 0x0C, 0x04, 0x30, 0x30, 0x30, 0x30, 0xDB, 0x40}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.password);
        bench.script.forget_requests();
        EXPECT_TRUE(connection.check_password(test.password));
        const auto& requests = bench.script.requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[0], report_of({0xF5, 0x00}));
        EXPECT_EQ(requests[1], report_of(test.frame));
    }
}

TEST_F(Pnx_connection_test, PasswordVerdicts) {
    Sim_report marked = panel_frame(0x0C, {0x04});
    marked[0] = 0xAA;
    const std::vector<std::pair<const char*, std::optional<Sim_report>>> refusals = {
        {"other data byte", panel_frame(0x0C, {0x05})},
        {"other code", panel_frame(0x0B, {0x04, 0, 0, 0, 0})},
        {"all zero", Sim_report{}},
        {"module error", marked},
        {"no answer", std::nullopt},
    };
    for (const auto& [name, reply] : refusals) {
        SCOPED_TRACE(name);
        panel.overrides[0x0C] = reply;
        EXPECT_FALSE(connection.check_password("1234"));
    }
    // The probe's outcome does not matter.
    panel.overrides.erase(0x0C);
    panel.overrides[0xF5] = std::nullopt;
    EXPECT_TRUE(connection.check_password("1234"));
}

TEST_F(Pnx_connection_test, RemoteRequestsAreByteExact) {
    connection.choose_address("17");
    struct Case {
        const char* name;
        std::function<int(Pnx_connection&)> operation;
        Bytes request;
        std::uint8_t echo;
        bool waits;
    };
    const std::vector<Case> cases = {
        {"read_2_words",
         [](Pnx_connection& c) {
             std::uint16_t a = 0, b = 0;
             return c.read_2_words(0x1040, a, b);
         },
         with_crc8({17, 0xBB, 0x40, 0x10, 0, 0, 0, 0}), 0xBB, false},
        {"write_2_words", [](Pnx_connection& c) { return c.write_2_words(0x1042, 0x1234, 0xABCD); },
         with_crc8({17, 0xAA, 0x42, 0x10, 0x34, 0x12, 0xCD, 0xAB}), 0xAA, false},
        {"erase_sector backup", [](Pnx_connection& c) { return c.erase_sector(0xFC00); },
         with_crc8({17, 0xDD, 0x00, 0xFC, 0, 0, 0, 0}), 0xDD, false},
        {"get_info",
         [](Pnx_connection& c) {
             std::uint8_t version = 0;
             std::uint16_t information = 0;
             return c.get_info(version, information);
         },
         with_crc8({17, 0x55, 0, 0, 0, 0, 0, 0}), 0x55, true},
        {"detector_command",
         [](Pnx_connection& c) {
             std::uint16_t first = 0x0102, second = 0x0304;
             return c.detector_command(26, first, second);
         },
         with_crc8({17, 0xE1, 0x1A, 0x00, 0x02, 0x01, 0x04, 0x03}), 0xE1, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        panel.codes.clear();
        panel.times.clear();
        panel.detector_requests.clear();
        panel.detector = with_crc8({17, test.echo, 0x85, 1, 1, 0, 0, 0});
        EXPECT_EQ(test.operation(connection), 0);
        ASSERT_EQ(panel.codes, (std::vector<std::uint8_t>{0x72, 0x73}));
        EXPECT_EQ(panel.detector_requests.at(0), test.request);
        const auto gap = panel.times[1] - panel.times[0];
        if (test.waits) {
            EXPECT_GE(gap, 100u);
        } else {
            EXPECT_LT(gap, 100u);
        }
    }
}

TEST_F(Pnx_connection_test, RemoteStatuses) {
    struct Reply {
        const char* name;
        std::function<Bytes(std::uint8_t echo)> detector;
        int echoing_ops_status;
        int get_info_status;
    };
    const std::vector<Reply> replies = {
        {"echo",
         [](std::uint8_t e) {
             return with_crc8({5, e, 0x85, 1, 2, 3, 4, 5});
         },
         0, 0},
        {"rejected",
         [](std::uint8_t) {
             return with_crc8({5, 0xCE, 0x85, 1, 2, 3, 4, 5});
         },
         3, 0},
        {"other",
         [](std::uint8_t) {
             return with_crc8({5, 0x11, 0x84, 1, 2, 3, 4, 5});
         },
         2, 2},
        {"bad CRC-8",
         [](std::uint8_t e) {
             Bytes reply = with_crc8({5, e, 0x85, 1, 2, 3, 4, 5});
             reply[8] ^= 0x01;
             return reply;
         },
         3, 3},
    };
    for (const auto& reply : replies) {
        SCOPED_TRACE(reply.name);
        std::uint16_t a = 0, b = 0;
        panel.detector = reply.detector(0xBB);
        EXPECT_EQ(connection.read_2_words(0x1040, a, b), reply.echoing_ops_status);
        panel.detector = reply.detector(0xAA);
        EXPECT_EQ(connection.write_2_words(0x1040, 1, 2), reply.echoing_ops_status);
        panel.detector = reply.detector(0xDD);
        EXPECT_EQ(connection.erase_sector(0x1040), reply.echoing_ops_status);
        panel.detector = reply.detector(0xE1);
        EXPECT_EQ(connection.detector_command(9, a, b), reply.echoing_ops_status);
        // get_info does not look at byte 1 at all.
        panel.detector = reply.detector(0x00);
        std::uint8_t version = 0;
        EXPECT_EQ(connection.get_info(version, a), reply.get_info_status);
    }
    // A failed module transaction on either leg is status 1.
    for (const std::uint8_t leg : {std::uint8_t{0x72}, std::uint8_t{0x73}}) {
        SCOPED_TRACE(int(leg));
        panel.overrides[leg] = std::nullopt;
        std::uint16_t a = 0, b = 0;
        std::uint8_t version = 0;
        EXPECT_EQ(connection.read_2_words(0x1040, a, b), 1);
        EXPECT_EQ(connection.write_2_words(0x1040, 1, 2), 1);
        EXPECT_EQ(connection.erase_sector(0x1040), 1);
        EXPECT_EQ(connection.get_info(version, a), 1);
        EXPECT_EQ(connection.detector_command(9, a, b), 1);
        panel.overrides.erase(leg);
    }
}

TEST_F(Pnx_connection_test, OutputsAreWrittenOnlyOnSuccess) {
    panel.detector = with_crc8({5, 0xBB, 0x40, 0x10, 0x34, 0x12, 0xCD, 0xAB});
    std::uint16_t first = 1, second = 2;
    ASSERT_EQ(connection.read_2_words(0x1040, first, second), 0);
    EXPECT_EQ(first, 0x1234);
    EXPECT_EQ(second, 0xABCD);

    panel.detector[8] ^= 0xFF;
    first = 1;
    second = 2;
    EXPECT_EQ(connection.read_2_words(0x1040, first, second), 3);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);

    panel.detector = with_crc8({5, 0xCE, 0x85, 0x27, 0x01, 0x80, 0, 0});
    std::uint8_t version = 0;
    std::uint16_t information = 0;
    ASSERT_EQ(connection.get_info(version, information), 0);
    EXPECT_EQ(version, 0x27);
    EXPECT_EQ(information, 0x8001);

    panel.detector = with_crc8({5, 0xE1, 0x1A, 0, 0x11, 0x22, 0x33, 0x44});
    std::uint16_t parameter1 = 0, parameter2 = 0;
    ASSERT_EQ(connection.detector_command(26, parameter1, parameter2), 0);
    EXPECT_EQ(parameter1, 0x2211);
    EXPECT_EQ(parameter2, 0x4433);

    panel.detector = with_crc8({5, 0xCE, 0x1A, 0, 0x55, 0x55, 0x55, 0x55});
    EXPECT_EQ(connection.detector_command(26, parameter1, parameter2), 3);
    EXPECT_EQ(parameter1, 0x2211);
}

TEST_F(Pnx_connection_test, ScanListsFoundAddressesBelow100) {
    panel.bitmap[0] = 0x08;  // 3
    panel.bitmap[2] = 0x02;  // 17
    panel.bitmap[12] = 0xF8; // 99 to 103: only 99 is a loop address
    const auto before = bench.clock.now_ms();
    const auto scan = connection.scan_loop();
    EXPECT_GE(bench.clock.now_ms() - before, 1000u);
    EXPECT_TRUE(scan.started);
    EXPECT_TRUE(scan.bitmap_read);
    EXPECT_TRUE(scan.blocked);
    EXPECT_EQ(scan.addresses, (std::vector<int>{3, 17, 99}));
    EXPECT_TRUE(connection.panel_link_open());
    EXPECT_EQ(panel.codes, (std::vector<std::uint8_t>{0x71, 0x74, 0x70, 0x74, 0x75}));
}

TEST_F(Pnx_connection_test, ScanStepsAreIndependent) {
    struct Case {
        const char* name;
        std::uint8_t failing;
        std::vector<std::uint8_t> codes;
        bool link_open;
    };
    const std::vector<Case> cases = {
        {"start fails", 0x71, {0x71, 0x74, 0x70, 0x74, 0x75}, true},
        {"bitmap fails", 0x74, {0x71, 0x74, 0x70, 0x74, 0x75}, false},
        {"block fails", 0x70, {0x71, 0x74, 0x70}, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ASSERT_TRUE(connection.open_module());
        EXPECT_FALSE(connection.panel_link_open());
        panel.codes.clear();
        panel.overrides.clear();
        panel.overrides[test.failing] = std::nullopt;
        const auto scan = connection.scan_loop();
        EXPECT_EQ(panel.codes, test.codes);
        EXPECT_EQ(connection.panel_link_open(), test.link_open);
        EXPECT_EQ(scan.bitmap_read, test.link_open);
    }
}

TEST_F(Pnx_connection_test, DisconnectSendsStartScanToTheChosenAddressOr255) {
    connection.choose_address("17");
    connection.scan_loop();
    ASSERT_TRUE(connection.panel_link_open());
    panel.detector_requests.clear();
    panel.detector = with_crc8({17, 0xE1, 9, 0, 0, 0, 0, 0});
    auto result = connection.disconnect(true);
    EXPECT_EQ(result.detector_status, 0);
    EXPECT_TRUE(result.scan_started);
    EXPECT_FALSE(connection.panel_link_open());
    EXPECT_TRUE(connection.has_link());
    EXPECT_EQ(panel.detector_requests.back(), with_crc8({17, 0xE1, 9, 0, 0, 0, 0, 0}));

    result = connection.disconnect(false);
    EXPECT_EQ(connection.detector_address(), 255);
    EXPECT_EQ(panel.detector_requests.back(), with_crc8({255, 0xE1, 9, 0, 0, 0, 0, 0}));
}

TEST_F(Pnx_connection_test, EventErasureIsCommand26WithZeros) {
    connection.choose_address("3");
    panel.detector = with_crc8({3, 0xE1, 0x1A, 0, 0, 0, 0, 0});
    EXPECT_EQ(connection.erase_events(), 0);
    EXPECT_EQ(panel.detector_requests.back(), with_crc8({3, 0xE1, 0x1A, 0, 0, 0, 0, 0}));
}

TEST(Pnx_address_choice, IntegerValueOrZero) {
    const std::vector<std::pair<std::string, int>> cases = {{"17", 17}, {"0", 0},   {"99", 99},
                                                            {"", 0},    {"abc", 0}, {"3x", 0}};
    for (const auto& [entry, value] : cases) {
        Pnx_connection connection;
        connection.choose_address("42");
        connection.choose_address(entry);
        EXPECT_EQ(connection.detector_address(), value) << entry;
    }
}

TEST(Pnx_without_link, EverythingFailsAndNothingIsSent) {
    Module_bench bench;
    Pnx_connection connection;
    bench.os.unplug(*bench.module);
    EXPECT_FALSE(connection.open_module());
    EXPECT_FALSE(connection.has_link());
    bench.os.plug(*bench.module);

    std::uint16_t a = 0, b = 0;
    std::uint8_t version = 0;
    EXPECT_FALSE(connection.check_password("1234"));
    EXPECT_EQ(connection.read_2_words(0x1040, a, b), 1);
    EXPECT_EQ(connection.write_2_words(0x1040, 1, 2), 1);
    EXPECT_EQ(connection.erase_sector(0x1040), 1);
    EXPECT_EQ(connection.get_info(version, a), 1);
    EXPECT_EQ(connection.detector_command(9, a, b), 1);
    EXPECT_EQ(connection.erase_events(), 1);
    const auto scan = connection.scan_loop();
    EXPECT_FALSE(scan.started || scan.bitmap_read || scan.blocked);
    const auto result = connection.disconnect(false);
    EXPECT_EQ(result.detector_status, 1);
    EXPECT_FALSE(result.scan_started);
    EXPECT_FALSE(connection.panel_link_open());
    EXPECT_TRUE(bench.script.requests().empty());
}

TEST(Pnx_without_link, ReleasedLinkIsNotReached) {
    Module_bench bench;
    Pnx_connection connection;
    ASSERT_TRUE(connection.open_module());
    connection.release_link();
    EXPECT_FALSE(connection.has_link());
    EXPECT_EQ(connection.erase_events(), 1);
    EXPECT_EQ(connection.disconnect(false).detector_status, 1);
    EXPECT_TRUE(bench.script.requests().empty());
    // Everything the module device held is given back.
    EXPECT_EQ(bench.os.open_file_handles(), 0);
}

} // namespace
