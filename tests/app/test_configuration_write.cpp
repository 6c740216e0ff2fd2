#include "sequence_fixture.h"

#include "checksums.h"
#include "configuration_write.h"

#include <array>

namespace {

using Op = Fake_memory::Op;
using Outcome = Configuration_write::Outcome;

constexpr const char* read_error = "Błąd odczytu pamięci. Operacja zapisu zostanie przerwana";
constexpr const char* erase_error = "Błąd kasowania pamięci. Operacja zapisu zostanie przerwana";
constexpr const char* repeated = "Błąd zapisu pamięci. Upewnij się że czujka jest podłączona "
                                 "poprawnie. Operacja zostanie powtórzona";
constexpr const char* given_up = "UWAGA!!! Błąd zapisu pamięci! Czujka KTR27 jest uszkodzona i "
                                 "nie nadaje się do użycia. Skontaktuj się z serwisem.";
constexpr const char* backup_error = "Błąd operacji kasowania segmentu backup";
constexpr const char* done = "Operacja przebiegła prawidłowo";
constexpr const char* verify_error = "Błąd zapisu pamięci (weryfikacja nie powiodła się)";

constexpr ParameterWords::Pair wid{0x2417, 0x0052};

DetectorConfig new_config() {
    DetectorConfig config;
    config.options1 = 0x0E39;
    config.address = 7;
    config.rop_address = 0;
    config.options2 = 0x0201;
    config.rop_ans = 10;
    config.rop_alm = 50;
    config.smoke_profile = 100;
    config.hc = 3;
    return config;
}

class Write_sequence : public Sequence_test {
protected:
    void SetUp() override {
        Sequence_test::SetUp();
        // An old configuration, erased words at 0x1050..0x105C and data words at 0x1060..
        for (std::uint16_t i = 0; i < 8; ++i) {
            memory.words[static_cast<std::uint16_t>(0x1040 + 2 * i)] =
                static_cast<std::uint16_t>(i);
        }
        memory.words[0x105E] = 0x5555;
        for (std::uint16_t i = 0; i < 16; ++i) {
            memory.words[static_cast<std::uint16_t>(0x1060 + 2 * i)] =
                static_cast<std::uint16_t>(0xD000 + i);
        }
        memory.words[0x1002] = 0x0A8C;
        memory.words[0x1004] = 0x0A41;
        memory.words[0x1010] = 0x0153;
        memory.words[0x1012] = 0x0149;
        memory.words[0x100C] = wid[0];
        memory.words[0x100E] = wid[1];
        memory.words[0x1080] = 0x02E4;
        memory.words[0x1082] = 0x0311;
        expected.UR = {0x0A8C, 0x0A41};
        expected.U0 = {0x0153, 0x0149};
        expected.UC = {0x02E4, 0x0311};
        for (std::uint16_t i = 0; i < 32; ++i) {
            before[i] = memory.word(static_cast<std::uint16_t>(0x1040 + 2 * i));
        }
    }

    Outcome run(const std::optional<ParameterWords::Pair>& detector = wid) {
        Configuration_write write(memory, pacing, kept);
        const Outcome outcome = write.run(new_config(), expected, {52, 0x21, detector});
        image = write.image();
        runs = write.erase_runs();
        return outcome;
    }

    // The segment as a write of new_config() over `from` leaves it, computed here.
    static std::array<std::uint16_t, 32> written(std::array<std::uint16_t, 32> from) {
        const auto config = new_config().words();
        std::copy(config.begin(), config.end(), from.begin());
        std::uint8_t bytes[30];
        for (std::size_t i = 0; i < 15; ++i) {
            bytes[2 * i] = static_cast<std::uint8_t>(from[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<std::uint8_t>(from[i] >> 8);
        }
        from[15] = crc16_ccitt(bytes, 30);
        return from;
    }

    std::array<std::uint16_t, 32> segment() const {
        std::array<std::uint16_t, 32> words{};
        for (std::uint16_t i = 0; i < 32; ++i) {
            words[i] = memory.word(static_cast<std::uint16_t>(0x1040 + 2 * i));
        }
        return words;
    }

    // Fails every call the predicate picks with status 1.
    void fail_when(std::function<bool(const Fake_memory::Call&)> picks) {
        fail = [picks](const Fake_memory::Call& call) { return picks(call) ? 1 : 0; };
    }

    ParameterWords expected;
    std::array<std::uint16_t, 32> before{};
    SegmentImage image;
    int runs = 0;
};

TEST_F(Write_sequence, reads_erases_writes_erases_the_backup_and_verifies_in_that_order) {
    EXPECT_EQ(run(), Outcome::verified);
    EXPECT_EQ(messages, std::vector<std::string>{done});
    EXPECT_EQ(segment(), written(before));
    EXPECT_EQ(image.words, written(before));

    std::vector<Fake_memory::Call> expected_calls;
    std::vector<std::string> texts;
    for (std::uint16_t k = 0; k < 16; ++k) {
        expected_calls.push_back({Op::read, static_cast<std::uint16_t>(0x1040 + 4 * k), 0, 0});
        texts.push_back("Odczyt pamięci...");
    }
    expected_calls.push_back({Op::erase, 0x1040, 0, 0});
    texts.push_back("Kasowanie pamięci...");
    const auto words = written(before);
    for (std::uint16_t k = 0; k < 16; ++k) {
        expected_calls.push_back({Op::write, static_cast<std::uint16_t>(0x1040 + 4 * k),
                                  words[2 * k], words[2 * k + 1]});
        texts.push_back("Zapis pamięci...");
    }
    expected_calls.push_back({Op::erase, 0xFC00, 0, 0});
    texts.push_back("Zapis pamięci..."); // the backup erase has no step of its own
    for (const auto& [text, address] :
         {std::pair{"Odczyt parametru UR", 0x1002}, std::pair{"Odczyt parametru U0", 0x1010},
          std::pair{"Odczyt parametru UC", 0x1080}}) {
        expected_calls.push_back({Op::read, static_cast<std::uint16_t>(address), 0, 0});
        texts.push_back(text);
    }
    for (std::uint16_t k = 0; k < 16; ++k) {
        expected_calls.push_back({Op::read, static_cast<std::uint16_t>(0x1040 + 4 * k), 0, 0});
        texts.push_back("Ponowny odczyt pamięci...");
    }
    EXPECT_EQ(memory.calls, expected_calls);
    ASSERT_EQ(seen.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(seen[i].text, texts[i]) << "call " << i;
    }
    EXPECT_EQ(pacing.steps_taken(), 16 + 1 + 16 + 3 + 16);
    // Only the parameter reads pause; the pair transfers follow each other at once.
    EXPECT_EQ(os.sleeps, 3);
    EXPECT_EQ(os.slept_ms, 300u);
}

TEST_F(Write_sequence, an_unreadable_pair_stops_it_before_anything_is_changed) {
    fail_when([](const Fake_memory::Call& call) { return call.address == 0x105C; });
    EXPECT_EQ(run(), Outcome::read_failed);
    EXPECT_EQ(messages, std::vector<std::string>{read_error});
    EXPECT_TRUE(memory.calls_of(Op::erase).empty());
    EXPECT_EQ(memory.calls.size(), 7u + 3u);
    EXPECT_EQ(segment(), before);
    EXPECT_FALSE(kept.holds(wid));
}

TEST_F(Write_sequence, an_erase_is_tried_three_times) {
    int failures = 2;
    fail = [&failures](const Fake_memory::Call& call) {
        return call.op == Op::erase && call.address == 0x1040 && failures-- > 0 ? 3 : 0;
    };
    EXPECT_EQ(run(), Outcome::verified);
    EXPECT_EQ(memory.calls_of(Op::erase).size(), 3u + 1u);

    failures = 3;
    messages.clear();
    memory.calls.clear();
    EXPECT_EQ(run(), Outcome::erase_failed);
    EXPECT_EQ(messages, std::vector<std::string>{erase_error});
    EXPECT_EQ(memory.calls_of(Op::erase).size(), 3u);
    EXPECT_TRUE(memory.calls_of(Op::write).empty());
}

TEST_F(Write_sequence, the_backup_erase_gets_a_single_attempt) {
    fail_when([](const Fake_memory::Call& call) { return call.address == 0xFC00; });
    EXPECT_EQ(run(), Outcome::backup_failed);
    EXPECT_EQ(messages, std::vector<std::string>{backup_error});
    EXPECT_EQ(memory.calls_of(Op::erase).back().address, 0xFC00);
    EXPECT_EQ(memory.calls_of(Op::erase).size(), 2u);
    EXPECT_EQ(memory.calls.back().op, Op::erase) << "nothing read after it";
    EXPECT_EQ(segment(), written(before));
}

TEST_F(Write_sequence, a_failed_pair_write_is_repeated_with_a_fresh_erase_and_the_whole_image) {
    // Pair 3 fails all three attempts of the first run only.
    int failures = 3;
    fail = [&failures](const Fake_memory::Call& call) {
        return call.op == Op::write && call.address == 0x104C && failures-- > 0 ? 1 : 0;
    };
    EXPECT_EQ(run(), Outcome::verified);
    EXPECT_EQ(messages, (std::vector<std::string>{repeated, done}));
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(memory.calls_of(Op::erase).size(), 2u + 1u);
    EXPECT_EQ(memory.calls_of(Op::write).size(), 3u + 3u + 16u) << "3 pairs, 3 attempts, 16 pairs";
    EXPECT_EQ(segment(), written(before));
    EXPECT_FALSE(kept.holds(wid)) << "dropped once verified";
}

TEST_F(Write_sequence, after_three_failed_runs_the_detector_is_given_up_and_its_image_kept) {
    fail_when([](const Fake_memory::Call& call) {
        return call.op == Op::write && call.address == 0x1048;
    });
    EXPECT_EQ(run(), Outcome::write_failed);
    EXPECT_EQ(messages, (std::vector<std::string>{repeated, repeated, given_up}));
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(memory.calls_of(Op::erase).size(), 3u) << "no backup erase";
    EXPECT_EQ(memory.calls.back().op, Op::write);
    EXPECT_TRUE(kept.holds(wid));

    // The detector now holds two pairs of the image and erased words after them; the next
    // write takes the lost words from the kept image.
    fail = nullptr;
    messages.clear();
    EXPECT_EQ(run(), Outcome::verified);
    EXPECT_EQ(segment(), written(before));
    EXPECT_FALSE(kept.holds(wid));
}

TEST_F(Write_sequence, an_erase_that_fails_in_a_repetition_ends_it) {
    int erases = 0;
    fail = [&erases](const Fake_memory::Call& call) {
        if (call.op == Op::erase) {
            return ++erases > 1 ? 1 : 0;
        }
        return call.op == Op::write && call.address == 0x1050 ? 1 : 0;
    };
    EXPECT_EQ(run(), Outcome::erase_failed);
    EXPECT_EQ(messages, (std::vector<std::string>{repeated, erase_error}));
    EXPECT_TRUE(kept.holds(wid));
}

TEST_F(Write_sequence, verification_compares_the_segment_and_UR_U0_UC_but_not_WID) {
    memory.words[0x100C] = 0x9999;
    EXPECT_EQ(run(), Outcome::verified);

    expected.U0[1] = 0x0148;
    messages.clear();
    EXPECT_EQ(run(), Outcome::verification_failed);
    EXPECT_EQ(messages, std::vector<std::string>{verify_error});
    EXPECT_TRUE(kept.holds(wid)) << "a write that did not verify keeps its image";
}

TEST_F(Write_sequence, a_parameter_re_read_that_fails_compares_as_zeros) {
    fail_when([](const Fake_memory::Call& call) { return call.address == 0x1080; });
    EXPECT_EQ(run(), Outcome::verification_failed);
    EXPECT_EQ(memory.calls_of(Op::read).size(), 16u + 3u + 16u + 2u);

    expected.UC = {0, 0};
    EXPECT_EQ(run(), Outcome::verified);
}

TEST_F(Write_sequence, a_segment_that_reads_back_differently_fails_the_verification) {
    fail = [this](const Fake_memory::Call& call) {
        // A word that flips after the write.
        if (call.op == Op::read && call.address == 0x1070 &&
            memory.calls_of(Op::write).size() == 16) {
            memory.words[0x1072] = 0;
        }
        return 0;
    };
    EXPECT_EQ(run(), Outcome::verification_failed);
}

TEST_F(Write_sequence, a_kept_image_fills_only_erased_words_the_tool_does_not_own) {
    SegmentImage earlier;
    earlier.words.fill(0x7777);
    for (std::size_t i = 8; i < 15; ++i) {
        earlier.words[i] = 0xFFFF;
    }
    earlier.words[9] = 0x1234;
    kept.keep(wid, earlier);
    // Lost since: word 16 (0x1060) and word 9 (0x1052). Word 17 is still held and wins; the
    // configuration words and the checksum are the new write's own.
    memory.words.erase(0x1060);
    memory.words[0x1052] = 0xFFFF;

    EXPECT_EQ(run(), Outcome::verified);

    auto expected_segment = before;
    expected_segment[16] = 0x7777;
    expected_segment[9] = 0x1234;
    EXPECT_EQ(segment(), written(expected_segment));
}

TEST_F(Write_sequence, an_image_kept_for_another_detector_or_none_is_not_used) {
    SegmentImage earlier;
    earlier.words.fill(0x7777);
    kept.keep({0x2417, 0x0053}, earlier);
    memory.words.erase(0x1060);
    auto expected_segment = before;
    expected_segment[16] = 0xFFFF;

    EXPECT_EQ(run(), Outcome::verified);
    EXPECT_EQ(segment(), written(expected_segment));

    // Without the detector's WID nothing is kept either.
    kept.keep(wid, earlier);
    memory.words.erase(0x1060);
    fail_when([](const Fake_memory::Call& call) {
        return call.op == Op::write || call.address == ParameterWords::WID_address;
    });
    EXPECT_EQ(run(std::nullopt), Outcome::write_failed);
    EXPECT_EQ(image.words[16], 0xFFFF);
    kept.drop(wid);
    EXPECT_EQ(run(std::nullopt), Outcome::write_failed);
    EXPECT_FALSE(kept.holds(wid));
}

TEST_F(Write_sequence, an_erased_or_blank_wid_names_no_detector_to_keep_an_image_for) {
    SegmentImage earlier;
    earlier.words.fill(0x7777);
    for (const ParameterWords::Pair& nobody :
         {ParameterWords::Pair{0xFFFF, 0xFFFF}, ParameterWords::Pair{0x0000, 0x0000}}) {
        kept.keep(nobody, earlier);
        EXPECT_FALSE(kept.holds(nobody));
        memory.words.erase(0x1060);
        memory.words[0x100C] = nobody[0];
        memory.words[0x100E] = nobody[1];
        fail_when([](const Fake_memory::Call& call) { return call.op == Op::write; });
        EXPECT_EQ(run(nobody), Outcome::write_failed);
        EXPECT_FALSE(kept.holds(nobody));
        EXPECT_EQ(image.words[16], 0xFFFF) << "nothing restored from a stranger's image";
    }
}

} // namespace
