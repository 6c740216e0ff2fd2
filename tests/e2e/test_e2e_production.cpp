#include "e2e_fixture.h"
#include "kept_segments.h"

#include "edit_combo_box.h"
#include "main_menu.h"
#include "observing_os.h"
#include "user_question.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

namespace {

Sim_detector::Identity identity_with_wid(std::uint16_t serial) {
    Sim_detector::Identity identity;
    identity.wid = {0x2417, serial};
    return identity;
}

// Every word of the information flash, 0x1000..0x10FE.
std::vector<std::uint16_t> information_flash(const Sim_detector& detector) {
    std::vector<std::uint16_t> words;
    for (std::uint32_t a = 0x1000; a < 0x1100; a += 2) {
        words.push_back(detector.word(static_cast<std::uint16_t>(a)));
    }
    return words;
}

enum Column {
    time_column,
    link,
    version,
    information,
    wid,
    options1,
    address = 6,
    crc = 13,
    basic,
    rop,
    wk,
    outcome,
    series_step,
    columns
};

class Production : public E2e_test {
protected:
    DetectorConfig choose_configuration() {
        form().Button_set_PNX30Click();
        form().ComboBox_address_1->setCurrentIndex(13);
        return form().config_from_controls();
    }
};

TEST_F(Production, a_detector_swapped_while_the_repeat_message_is_open_is_left_untouched) {
    const Sim_detector::Identity first_identity = identity_with_wid(21);
    Sim_detector& first = plug(Sim_detector::configured(first_identity, {}));
    const Segment first_before = segment_of(first);
    const DetectorConfig wanted = choose_configuration();
    // The first run fails at pair 5.
    first.arm(Sim_detector::Fault::program_refused, Sim_fault_schedule::after(5, 9));

    // Same version and information word: only the WID pair tells them apart.
    Sim_detector* second = nullptr;
    std::vector<std::uint16_t> second_before;
    set_user_message_handler([&](const std::string& text) {
        messages.push_back(text);
        if (text == write_repeated && second == nullptr) {
            second = &bench.attach_detector(Sim_detector::configured(identity_with_wid(22), {}));
            second_before = information_flash(*second);
        }
    });
    form().Button_send_to_ktr27->click();

    ASSERT_NE(second, nullptr);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], write_repeated);
    EXPECT_NE(messages[1].find("nie jest tą, którą zaczęto zapisywać"), std::string::npos);
    EXPECT_NE(messages[1].find("0x3421, 0x241715"), std::string::npos) << messages[1];
    EXPECT_EQ(information_flash(*second), second_before);
    EXPECT_EQ(second->flash().erase_count(), 0u);
    EXPECT_EQ(second->request_count(), 2u) << "get-info and the WID pair read only";
    EXPECT_TRUE(form().kept_segments().holds(first_identity.wid));
    const auto lines = record();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1][outcome], messages[1]);

    // The first detector comes back: its words the erase took come back with the next write.
    bench.dongle().attach(&first);
    first.disarm(Sim_detector::Fault::program_refused);
    messages.clear();
    form().Button_send_to_ktr27->click();
    EXPECT_EQ(messages, (std::vector<std::string>{crc_error, write_done}));
    EXPECT_EQ(segment_of(first), written_segment(first_before, wanted));
}

// A detector of the same version and information word put in while `open` is shown. The first
// one's WID pair is 0x2417 `serial` (erased for 0xFFFF), and `wid_lost` of the requests for it go
// unanswered (the read makes 9). Its lost words can come back only where a WID names it.
struct Swap {
    const char* name;
    const char* open;
    std::uint16_t serial;
    std::uint32_t wid_lost;
    std::uint32_t second_requests;
    bool restorable;
};

class Swapped_detector : public Production, public ::testing::WithParamInterface<Swap> {};

TEST_P(Swapped_detector, keeps_every_word_and_the_first_gets_its_words_back_later) {
    const Swap& swap = GetParam();
    Sim_detector::Identity identity = identity_with_wid(swap.serial);
    identity.wid[0] = swap.serial == 0xFFFF ? 0xFFFF : identity.wid[0];
    Sim_detector& first = plug(Sim_detector::configured(identity, {}));
    const Segment first_before = segment_of(first);
    const DetectorConfig wanted = choose_configuration();
    // A write given up before leaves a segment that fails its checksum; else the first run of
    // this write fails at pair 5.
    const bool given_up = swap.open == crc_error;
    first.arm(Sim_detector::Fault::program_refused,
              given_up ? Sim_fault_schedule::always() : Sim_fault_schedule::after(5, 9));
    if (given_up) {
        form().Button_send_to_ktr27->click();
        first.disarm_all();
    }
    first.arm_at(Sim_detector::wid_address, Sim_detector::Fault::no_reply,
                 Sim_fault_schedule::next(swap.wid_lost));
    Sim_detector::Identity other = identity;
    other.wid[1] = swap.serial == 0xFFFF ? 0xFFFF : 22;
    Sim_detector* second = nullptr;
    messages.clear();
    set_user_message_handler([&](const std::string& text) {
        messages.push_back(text);
        if (text == swap.open && second == nullptr) {
            second = &bench.attach_detector(Sim_detector::configured(other, {}));
        }
    });
    form().Button_send_to_ktr27->click();

    ASSERT_NE(second, nullptr);
    EXPECT_NE(messages.back().find("nie jest tą, którą zaczęto zapisywać"), std::string::npos);
    EXPECT_EQ(information_flash(*second), information_flash(Sim_detector::configured(other, {})));
    EXPECT_EQ(second->request_count(), swap.second_requests);
    if (swap.restorable) {
        bench.dongle().attach(&first);
        first.disarm_all();
        messages.clear();
        form().Button_send_to_ktr27->click();
        EXPECT_EQ(messages, (std::vector<std::string>{crc_error, write_done}));
        EXPECT_EQ(segment_of(first), written_segment(first_before, wanted));
    }
}

// Get-info and the WID pair reach the second detector; where no WID names one, its segment too.
INSTANTIATE_TEST_SUITE_P(
    Each, Swapped_detector,
    ::testing::Values(Swap{"repeat_wid_missed_by_the_read", write_repeated, 21, 9, 2, true},
                      Swap{"repeat_wid_unreadable", write_repeated, 21, ~0u, 18, false},
                      Swap{"repeat_wids_erased", write_repeated, 0xFFFF, 0, 18, false},
                      Swap{"read_message_image_kept", crc_error, 21, 0, 2, true},
                      Swap{"read_message_wids_erased", crc_error, 0xFFFF, 0, 18, false}),
    [](const ::testing::TestParamInfo<Swap>& info) { return std::string(info.param.name); });

TEST_F(Production, the_panel_button_and_the_menu_are_disabled_while_an_operation_runs) {
    plug(Sim_detector::configured(identity_with_wid(23), {}));
    std::vector<QAction*> items;
    for (QAction* title : form().menu->Menu_bar->actions()) {
        for (QAction* item : title->menu()->actions()) {
            // The loop's item waits for a panel link, which a dongle bench has not.
            if (!item->isSeparator() && item != form().menu->Action_loop) {
                items.push_back(item);
            }
        }
    }
    ASSERT_EQ(items.size(), 7u);
    EXPECT_FALSE(form().menu->Action_loop->isEnabled());
    int seen_enabled = 0;
    int looks = 0;
    {
        // A series write starts inside a monitor tick, which opens the dongle before it: only
        // the moments of the operation itself count.
        Observing_os observing(bench.os(), [&] {
            if (!progress().isVisible()) {
                return;
            }
            ++looks;
            seen_enabled += form().Button1->isEnabled() ? 1 : 0;
            for (const QAction* item : items) {
                seen_enabled += item->isEnabled() ? 1 : 0;
            }
        });
        form().Button_send_to_ktr27->click();
        form().Button_read_ktr27->click();
        form().CheckBox_send_on_connect->setChecked(true);
        form().Timer_dongleTimer();
    }
    EXPECT_GT(looks, 200);
    EXPECT_EQ(seen_enabled, 0);
    EXPECT_TRUE(form().Button1->isEnabled());
    for (const QAction* item : items) {
        EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();
    }
}

TEST_F(Production, a_verified_write_leaves_one_record_line_with_what_was_written) {
    Sim_detector& detector = plug(Sim_detector::factory_fresh(identity_with_wid(24)));
    choose_configuration();

    form().Button_send_to_ktr27->click();
    form().Button_read_ktr27->click(); // reads are not recorded

    const auto lines = record();
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[1].size(), static_cast<std::size_t>(columns));
    EXPECT_EQ(lines[0][outcome], "wynik");
    const std::vector<std::string>& line = lines[1];
    EXPECT_TRUE(std::regex_match(line[time_column],
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")))
        << line[time_column];
    EXPECT_EQ(line[link], "dongle");
    EXPECT_EQ(line[version], "0x34");
    EXPECT_EQ(line[information], "0x0021");
    EXPECT_EQ(line[wid], "0x2417 0x0018");
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", detector.word(0x1040));
    EXPECT_EQ(line[options1], hex);
    EXPECT_EQ(line[address], "0x000C");
    std::snprintf(hex, sizeof hex, "0x%04X", detector.word(0x105E));
    EXPECT_EQ(line[crc], hex);
    EXPECT_EQ(line[basic], "12");
    EXPECT_EQ(line[rop], "");
    EXPECT_EQ(line[wk], "");
    EXPECT_EQ(line[outcome], write_done);
    EXPECT_EQ(line[series_step], "");
}

struct Stop {
    const char* name;
    Sim_detector::Fault fault;
    std::uint16_t address; // 0: every request
    Sim_fault_schedule schedule;
    const char* message;
};

class Record_of_a_stopped_write : public Production, public ::testing::WithParamInterface<Stop> {};

TEST_P(Record_of_a_stopped_write, names_the_message_that_ended_it) {
    Sim_detector& detector = plug(Sim_detector::configured(identity_with_wid(25), {}));
    choose_configuration();
    const Stop& stop = GetParam();
    if (stop.address == 0) {
        detector.arm(stop.fault, stop.schedule);
    } else {
        detector.arm_at(stop.address, stop.fault, stop.schedule);
    }

    form().Button_send_to_ktr27->click();

    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), stop.message);
    const auto lines = record();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1][outcome], stop.message);
}

INSTANTIATE_TEST_SUITE_P(
    Each, Record_of_a_stopped_write,
    ::testing::Values(Stop{"verification", Sim_detector::Fault::program_ignored, 0,
                           Sim_fault_schedule::always(), verify_error},
                      // The read before the write takes 14 requests; the segment read is next.
                      Stop{"segment_read", Sim_detector::Fault::no_reply, 0x1050,
                           Sim_fault_schedule::always(), read_error},
                      Stop{"erase", Sim_detector::Fault::erase_refused, 0x1040,
                           Sim_fault_schedule::always(), erase_error},
                      Stop{"given_up", Sim_detector::Fault::program_refused, 0,
                           Sim_fault_schedule::always(), write_given_up},
                      Stop{"backup", Sim_detector::Fault::erase_refused, 0xFC00,
                           Sim_fault_schedule::always(), backup_error}),
    [](const ::testing::TestParamInfo<Stop>& info) { return std::string(info.param.name); });

TEST_F(Production, a_series_of_three_records_each_detector_with_its_step) {
    bench.plug_dongle();
    bench.dongle().set_reply_delay_ms(0);
    choose_configuration();
    form().ComboBox_address_1->setCurrentIndex(6); // address 5: the series starts at 6
    form().CheckBox_address_increment->setChecked(true);
    form().CheckBox_send_on_connect->setChecked(true);
    for (std::uint16_t serial = 30; serial < 33; ++serial) {
        bench.attach_detector(Sim_detector::factory_fresh(identity_with_wid(serial)));
        form().Timer_dongleTimer();
        form().Timer_dongleTimer(); // still in the socket: not written again
        bench.detach_detector();
        form().Timer_dongleTimer();
    }
    const auto lines = record();
    ASSERT_EQ(lines.size(), 4u);
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(lines[i][series_step], std::to_string(i));
        EXPECT_EQ(lines[i][basic], std::to_string(5 + i));
        EXPECT_EQ(lines[i][outcome], write_done);
    }
}

TEST_F(Production, an_unwritable_record_is_told_once_and_changes_no_outcome) {
    Sim_detector& detector = plug(Sim_detector::configured(identity_with_wid(26), {}));
    const DetectorConfig wanted = choose_configuration();
    // A file where the folder should be: nothing can be created in it.
    const std::filesystem::path blocked = workdir.path() / "blocked";
    { std::ofstream(blocked) << "x"; }
    form().station_store.set_folder(QString::fromStdString(blocked.string()));
    const Segment before = segment_of(detector);

    form().Button_send_to_ktr27->click();
    form().Button_send_to_ktr27->click();

    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], write_done);
    EXPECT_NE(messages[1].find("historii zapisów"), std::string::npos);
    EXPECT_EQ(messages[2], write_done);
    EXPECT_EQ(segment_of(detector), written_segment(before, wanted));
}

TEST_F(Production, a_basic_address_another_loop_detector_answers_at_is_asked_about_first) {
    Sim_detector& chosen =
        bench.add_loop_detector(17, Sim_detector::configured(identity_with_wid(40), {}));
    bench.add_loop_detector(12, Sim_detector::configured(identity_with_wid(41), {}));
    enter_panel_mode(17);
    EXPECT_TRUE(form().ComboBox_address_1->itemData(13, Qt::ForegroundRole).isValid());
    EXPECT_FALSE(form().ComboBox_address_1->itemData(14, Qt::ForegroundRole).isValid());
    choose_configuration(); // basic address 12
    const Segment before = segment_of(chosen);
    const std::uint32_t requests = chosen.request_count();
    std::vector<std::string> questions;
    bool answer = false;
    struct Answering {
        User_question_handler previous;
        ~Answering() { set_user_question_handler(previous); }
    } answering{set_user_question_handler([&](const std::string& text) {
        questions.push_back(text);
        return answer;
    })};

    form().Button_send_to_ktr27->click();

    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("adresie 12"), std::string::npos) << questions[0];
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(chosen.request_count(), requests) << "\"Nie\" writes nothing";
    EXPECT_EQ(segment_of(chosen), before);

    answer = true;
    form().Button_send_to_ktr27->click();
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_EQ(messages, std::vector<std::string>{write_done});
    EXPECT_EQ(chosen.word(0x1042), 12);

    // Erasing the events through the panel is recorded too.
    pnx().Button1Click();
    const auto lines = record();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1][link], "PNX30 adres 17");
    EXPECT_EQ(lines[2][link], "PNX30 adres 17");
    EXPECT_EQ(lines[2][outcome], "Kasowanie zdarzeń: OK");
}

TEST_F(Production, the_loop_guard_knows_the_basic_addresses_the_tool_gave_since_the_scan) {
    bench.add_loop_detector(17, Sim_detector::configured(identity_with_wid(43), {}));
    bench.add_loop_detector(12, Sim_detector::configured(identity_with_wid(44), {}));
    enter_panel_mode(17);
    std::vector<std::string> questions;
    struct Answering {
        User_question_handler previous;
        ~Answering() { set_user_question_handler(previous); }
    } answering{set_user_question_handler([&](const std::string& text) {
        questions.push_back(text);
        return false;
    })};
    const auto write_basic_address = [this](int chosen, int given) {
        QTimer::singleShot(0, &pnx(), [this, chosen] {
            pnx().ComboBox_adr->setCurrentIndex(
                pnx().ComboBox_adr->findText(QString::number(chosen)));
            pnx().Button_editClick();
        });
        form().Button1Click();
        choose_configuration();
        form().ComboBox_address_1->setCurrentIndex(given + 1);
        form().Button_send_to_ktr27->click();
    };

    write_basic_address(17, 30); // 30 was free: detector 17 moves there
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(messages, std::vector<std::string>{write_done});
    EXPECT_TRUE(form().ComboBox_address_1->itemData(31, Qt::ForegroundRole).isValid());

    write_basic_address(12, 30);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("adresie 30"), std::string::npos) << questions[0];

    write_basic_address(12, 17); // nobody answers at 17 any more
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(messages, (std::vector<std::string>{write_done, write_done}));
}

// The udev rule that mends it exists on Linux only; elsewhere a refused dongle is told as missing.
#if defined(__linux__)
TEST_F(Production, a_dongle_that_may_not_be_opened_is_told_apart_from_a_missing_one) {
    plug(Sim_detector::configured(identity_with_wid(42), {}));
    Sim_hid_device& node = bench.dongle().device_b();
    node.set_access_denied(true);

    ::testing::internal::CaptureStderr();
    form().Timer_dongleTimer();
    form().Timer_dongleTimer();
    form().Button_read_ktr27->click();
    const std::string said = ::testing::internal::GetCapturedStderr();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(node.path()), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("70-ktr27tunex.rules"), std::string::npos);
    std::size_t told = 0;
    for (std::size_t at = said.find("permission denied"); at != std::string::npos;
         at = said.find("permission denied", at + 1)) {
        ++told;
    }
    EXPECT_EQ(told, 1u) << said;

    node.set_access_denied(false);
    bench.unplug_dongle();
    messages.clear();
    form().Button_read_ktr27->click();
    EXPECT_EQ(messages, std::vector<std::string>{no_dongle});
}
#endif

} // namespace
