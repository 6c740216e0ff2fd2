#include "sequence_fixture.h"

#include "checksums.h"
#include "configuration_read.h"

#include <array>
#include <map>

namespace {

using Op = Fake_memory::Op;

// Stores eight configuration words and the checksum a read expects: CRC-16/CCITT over them
// and seven erased words, low bytes first.
void store_config(Fake_memory& memory, const std::array<std::uint16_t, 8>& config) {
    std::uint8_t bytes[30];
    for (std::size_t i = 0; i < 15; ++i) {
        const std::uint16_t word = i < 8 ? config[i] : 0xFFFF;
        bytes[2 * i] = static_cast<std::uint8_t>(word & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
        if (i < 8) {
            memory.words[static_cast<std::uint16_t>(0x1040 + 2 * i)] = word;
        }
    }
    memory.words[0x105E] = crc16_ccitt(bytes, 30);
}

constexpr std::array<std::uint16_t, 8> sample = {0x0A3F, 12, 3, 0x0201, 20, 60, 150, 7};

class Read_sequence : public Sequence_test {
protected:
    Configuration_read::Result run() { return Configuration_read(memory, pacing).run(parameters); }
    ParameterWords parameters;
};

TEST_F(Read_sequence, reads_thirteen_pairs_in_order_each_after_its_step_text_and_a_pause) {
    maximum = 12;
    display.open(maximum);
    store_config(memory, sample);

    const Configuration_read::Result result = run();

    const std::vector<std::pair<std::string, std::uint16_t>> expected = {
        {"Odczyt opcji", 0x1040},
        {"Odczyt adresu PNX", 0x1042},
        {"Odczyt adresu ROP", 0x1044},
        {"Odczyt opcji 2", 0x1046},
        {"Odczyt parametru ROP ANS", 0x1048},
        {"Odczyt parametru ROP ALM", 0x104A},
        {"Odczyt profili", 0x104C},
        {"Odczyt parametru HC", 0x104E},
        {"Odczyt parametru UR", 0x1002},
        {"Odczyt parametru U0", 0x1010},
        {"Odczyt parametru UC", 0x1080},
        {"Odczyt parametru WID", 0x100C},
        {"Odczyt CRC konfiguracji", 0x105E},
    };
    ASSERT_EQ(memory.calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(memory.calls[i], (Fake_memory::Call{Op::read, expected[i].second, 0, 0}));
        EXPECT_EQ(seen[i].text, expected[i].first);
        // The bar holds at its maximum of 12 for the last reads.
        EXPECT_EQ(seen[i].position, std::min<int>(static_cast<int>(i) + 1, 12));
    }
    EXPECT_EQ(display.text, "Weryfikacja wartości");
    EXPECT_EQ(os.sleeps, 14);
    EXPECT_EQ(os.slept_ms, 1400u);
    EXPECT_EQ(result.outcome, Configuration_read::Outcome::ok);
    EXPECT_EQ(result.config.words(), sample);
}

TEST_F(Read_sequence, tries_a_read_three_times_and_keeps_the_status_of_the_last_attempt) {
    store_config(memory, sample);
    std::map<std::uint16_t, std::vector<int>> script = {
        {0x1044, {1, 2, 3}}, // fails for good with 3
        {0x1048, {4, 1}},    // succeeds on the third attempt
        {0x1042, {2, 2, 2}}, // fails for good with 2
    };
    fail = [&script](const Fake_memory::Call& call) {
        auto& left = script[call.address];
        if (left.empty()) {
            return 0;
        }
        const int status = left.front();
        left.erase(left.begin());
        return status;
    };

    const Configuration_read::Result result = run();

    EXPECT_EQ(memory.calls.size(), 13u + 2 + 2 + 2);
    EXPECT_EQ(result.outcome, Configuration_read::Outcome::communication_error);
    EXPECT_EQ(result.statuses, (std::array<int, 9>{0, 2, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(result.config.rop_ans, 20) << "read on the third attempt";
    EXPECT_EQ(result.config.address, 0) << "a word whose reads all failed is 0";
    EXPECT_EQ(Configuration_read::communication_message(result.statuses),
              "Błąd komunikacji z czujką.  Odczyt opcji = 0, odczyt adresu PNX = 2, odczyt adresu "
              "ROP = 3, odczyt opcji 2 = 0, odczyt parametru ROP ANS = 0, odczyt parmetru ROP ALM "
              "= 0, odczyt parmetru SP = 0, odczyt parmetru HC = 0");
}

TEST_F(Read_sequence, a_failed_checksum_read_decides_without_being_named) {
    store_config(memory, sample);
    fail = [](const Fake_memory::Call& call) { return call.address == 0x105E ? 1 : 0; };

    const Configuration_read::Result result = run();

    EXPECT_EQ(result.outcome, Configuration_read::Outcome::communication_error);
    EXPECT_EQ(result.statuses[8], 1);
}

TEST_F(Read_sequence, a_checksum_over_the_real_words_after_the_configuration_does_not_match) {
    store_config(memory, sample);
    EXPECT_EQ(run().outcome, Configuration_read::Outcome::ok);
    // The read assumes the seven words after the configuration are erased.
    memory.words[0x1050] = 0x1234;
    EXPECT_EQ(run().outcome, Configuration_read::Outcome::ok);
    memory.words[0x104E] = 8;
    EXPECT_EQ(run().outcome, Configuration_read::Outcome::checksum_error);
}

TEST_F(Read_sequence, parameter_pairs_are_replaced_only_when_read_and_never_reported) {
    store_config(memory, sample);
    memory.words[0x1002] = 0x0A8C;
    memory.words[0x1004] = 0x0A41;
    memory.words[0x1010] = 0x0153;
    memory.words[0x100C] = 0x2417;
    memory.words[0x100E] = 0x0052;
    parameters.U0 = {1, 2};
    parameters.WID = {3, 4};
    fail = [](const Fake_memory::Call& call) {
        return call.address == 0x1010 || call.address == 0x100C ? 1 : 0;
    };

    const Configuration_read::Result result = run();

    EXPECT_EQ(result.outcome, Configuration_read::Outcome::ok);
    EXPECT_EQ(parameters.UR, (ParameterWords::Pair{0x0A8C, 0x0A41}));
    EXPECT_EQ(parameters.U0, (ParameterWords::Pair{1, 2}));
    EXPECT_EQ(parameters.UC, (ParameterWords::Pair{0xFFFF, 0xFFFF}));
    EXPECT_EQ(parameters.WID, (ParameterWords::Pair{3, 4}));
    EXPECT_FALSE(result.wid.has_value()) << "an earlier WID may belong to another detector";

    fail = nullptr;
    EXPECT_EQ(run().wid, (ParameterWords::Pair{0x2417, 0x0052}));
}

} // namespace
