#include "main_window_fixture.h"

#include <functional>
#include <random>

namespace {

void show(TForm_main& form, const DetectorConfig& config) {
    form.words_to_controls(config);
}

DetectorConfig plain_config() {
    DetectorConfig config;
    config.rop_ans = 10;
    config.rop_alm = 50;
    config.smoke_profile = 100;
    return config;
}

TEST_F(Main_window_test, initial_window_yields_the_documented_words) {
    const DetectorConfig config = form->config_from_controls();
    EXPECT_EQ(config.options1, 0x4180);
    EXPECT_EQ(config.address, 0);
    EXPECT_EQ(config.rop_address, 0);
    EXPECT_EQ(config.options2, 0);
    EXPECT_EQ(config.rop_ans, 10);
    EXPECT_EQ(config.rop_alm, 50);
    EXPECT_EQ(config.smoke_profile, 100);
    EXPECT_EQ(config.hc, 0);
    EXPECT_EQ(form->ComboBox_smoke_profile->currentIndex(), -1);
    EXPECT_EQ(form->ComboBox_smoke_profile->currentText(), "Profil 0 (standardowy)");
}

// One row per option bit: how the control is moved away from its initial state, and whether
// the control currently stands for a 1 in that bit.
struct Option_row {
    const char* name;
    int word;
    std::uint16_t mask;
    std::function<void(TForm_main&)> change;
    std::function<bool(TForm_main&)> bit_is_set;
};

Option_row tick(const char* name, int word, int bit, QCheckBox* TForm_main::*box,
                bool inverted = false) {
    return {name, word, static_cast<std::uint16_t>(1u << bit),
            [box](TForm_main& f) { (f.*box)->setChecked(!(f.*box)->isChecked()); },
            [box, inverted](TForm_main& f) { return (f.*box)->isChecked() != inverted; }};
}

Option_row select(const char* name, int word, std::uint16_t mask, QRadioButton* TForm_main::*on) {
    return {name, word, mask, [on](TForm_main& f) { (f.*on)->setChecked(true); },
            [on](TForm_main& f) { return (f.*on)->isChecked(); }};
}

Option_row address(const char* name, std::uint16_t mask, Edit_combo_box* TForm_main::*list) {
    return {name, 1, mask, [list](TForm_main& f) { (f.*list)->setCurrentIndex(5); },
            [list](TForm_main& f) { return (f.*list)->currentIndex() > 0; }};
}

const std::vector<Option_row>& option_rows() {
    using F = TForm_main;
    static const std::vector<Option_row> rows = {
        tick("blink", 1, 0, &F::CheckBox_blink),
        select("reset", 1, 0x0006, &F::RadioButton_reset),
        tick("relay", 1, 3, &F::CheckBox_relay),
        select("relay_NC", 1, 0x0010, &F::RadioButton_NC),
        address("address_1", 0x0020, &F::ComboBox_address_1),
        address("address_2", 0x0040, &F::ComboBox_address_2),
        tick("optic", 1, 7, &F::CheckBox_optic, true),
        tick("thermic", 1, 8, &F::CheckBox_thermic, true),
        tick("dust", 1, 9, &F::CheckBox_dust),
        tick("malfunction", 1, 10, &F::CheckBox_malfunction),
        tick("autocompensation", 1, 11, &F::CheckBox_autocompensation),
        tick("diff_alarm", 1, 12, &F::CheckBox_diff_alarm),
        tick("const_current", 1, 13, &F::CheckBox_const_current),
        tick("ROP", 1, 14, &F::CheckBox_ROP, true),
        tick("con", 1, 15, &F::CheckBox_con),
        tick("ar_mode", 2, 0, &F::CheckBox_ar_mode),
        select("WZ_NC", 2, 0x0002, &F::RadioButton_WZ_NC),
        tick("overwrite", 2, 2, &F::CheckBox_overwrite),
        tick("const_add_10m", 2, 3, &F::CheckBox_const_add_10m),
        tick("const_add_20m", 2, 4, &F::CheckBox_const_add_20m),
        tick("alarm_add_10m", 2, 5, &F::CheckBox_alarm_add_10m),
        tick("alarm_add_20m", 2, 6, &F::CheckBox_alarm_add_20m),
        tick("iso_active", 2, 7, &F::CheckBox_iso_active),
        tick("keep_scan", 2, 8, &F::CheckBox_keep_scan),
        tick("save_events", 2, 9, &F::CheckBox_save_events),
        tick("show_low_voltage", 2, 10, &F::CheckBox_show_low_voltage),
    };
    return rows;
}

class Option_bit : public Main_window_test, public ::testing::WithParamInterface<std::size_t> {
protected:
    const Option_row& row() { return option_rows()[GetParam()]; }
};

TEST_P(Option_bit, control_writes_exactly_its_bit) {
    row().change(*form);
    const std::uint16_t options1 = form->config_from_controls().options1;
    const std::uint16_t options2 = form->config_from_controls().options2;
    EXPECT_EQ(options1, row().word == 1 ? 0x4180 ^ row().mask : 0x4180);
    EXPECT_EQ(options2, row().word == 2 ? row().mask : 0);
}

TEST_P(Option_bit, bit_is_shown_in_exactly_its_control) {
    DetectorConfig config = plain_config();
    (row().word == 1 ? config.options1 : config.options2) = row().mask;
    show(*form, config);
    for (std::size_t other = 0; other < option_rows().size(); ++other) {
        EXPECT_EQ(option_rows()[other].bit_is_set(*form), other == GetParam())
            << option_rows()[other].name;
    }
}

INSTANTIATE_TEST_SUITE_P(Options, Option_bit,
                         ::testing::Range<std::size_t>(0, option_rows().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return std::string(option_rows()[info.param].name);
                         });

TEST_F(Main_window_test, latching_needs_both_bits_1_and_2) {
    for (std::uint16_t bits : {0x0002, 0x0004}) {
        DetectorConfig config = plain_config();
        config.options1 = bits;
        form->RadioButton_reset->setChecked(true);
        show(*form, config);
        EXPECT_TRUE(form->RadioButton_lock->isChecked()) << bits;
    }
}

TEST_F(Main_window_test, unused_options2_bits_are_neither_shown_nor_written) {
    DetectorConfig config = plain_config();
    config.options2 = 0xF800;
    show(*form, config);
    EXPECT_EQ(form->config_from_controls().options2, 0);
}

TEST_F(Main_window_test, relay_interlock_runs_when_a_configuration_is_shown) {
    DetectorConfig config = plain_config();
    config.options1 = 0x0008;
    show(*form, config);
    EXPECT_TRUE(form->RadioButton_NC->isEnabled());
    // Same state again: the explicit call still settles the buttons.
    form->RadioButton_NC->setEnabled(false);
    show(*form, config);
    EXPECT_TRUE(form->RadioButton_NC->isEnabled());
    config.options1 = 0;
    show(*form, config);
    EXPECT_FALSE(form->RadioButton_NO->isEnabled());
}

struct Current_case {
    bool constant;
    bool alarm;
};

TEST_F(Main_window_test, shown_current_pairs_settle_whatever_was_ticked_before) {
    struct Pair {
        QCheckBox* constant;
        QCheckBox* alarm;
        std::uint16_t constant_bit;
        std::uint16_t alarm_bit;
    };
    const Pair pairs[] = {{form->CheckBox_const_add_10m, form->CheckBox_alarm_add_10m, 0x08, 0x20},
                          {form->CheckBox_const_add_20m, form->CheckBox_alarm_add_20m, 0x10, 0x40}};
    for (const Pair& pair : pairs) {
        for (int before = 0; before < 3; ++before) {
            for (Current_case bits : {Current_case{false, false}, Current_case{true, false},
                                      Current_case{false, true}, Current_case{true, true}}) {
                for (QCheckBox* box : {pair.constant, pair.alarm}) {
                    box->setChecked(false);
                }
                form->apply_detector_version(52);
                if (before == 1) {
                    pair.constant->setChecked(true);
                } else if (before == 2) {
                    pair.alarm->setChecked(true);
                }
                DetectorConfig config = plain_config();
                config.options2 = static_cast<std::uint16_t>(
                    (bits.constant ? pair.constant_bit : 0) | (bits.alarm ? pair.alarm_bit : 0));
                show(*form, config);
                const std::string where = pair.constant->objectName().toStdString() + " before " +
                                          std::to_string(before) + " bits " +
                                          std::to_string(bits.constant) +
                                          std::to_string(bits.alarm);
                // With both bits set the alarm option wins.
                const bool constant_ticked = bits.constant && !bits.alarm;
                EXPECT_EQ(pair.constant->isChecked(), constant_ticked) << where;
                EXPECT_EQ(pair.alarm->isChecked(), bits.alarm) << where;
                EXPECT_EQ(pair.constant->isEnabled(), !bits.alarm) << where;
                EXPECT_EQ(pair.alarm->isEnabled(), !constant_ticked) << where;
            }
        }
    }
}

TEST_F(Main_window_test, current_options_shown_ignore_the_version_gate) {
    form->apply_detector_version(38);
    DetectorConfig config = plain_config();
    config.options2 = 0x0008;
    show(*form, config);
    EXPECT_TRUE(form->CheckBox_const_add_10m->isChecked());
    EXPECT_TRUE(form->CheckBox_const_add_10m->isEnabled());
    EXPECT_TRUE(form->CheckBox_const_add_20m->isEnabled());
    EXPECT_TRUE(form->CheckBox_alarm_add_20m->isEnabled());
}

// ---- Addresses ----------------------------------------------------------------------------

struct Address_case {
    int basic_entry;
    int wk_entry;
    std::uint16_t address;
    bool basic_bit;
};

TEST_F(Main_window_test, address_word_from_basic_and_wk_lists) {
    const Address_case cases[] = {
        {0, 0, 0, false},    {8, 0, 7, true},   {0, 8, 7, false},  {8, 31, 30, true},
        {1, 31, 30, true},   {-1, 0, 0, false}, {-1, 6, 5, false}, {100, 0, 99, true},
        {0, 100, 99, false}, {0, -1, 0, false}, {4, -1, 3, true},
    };
    for (const Address_case& c : cases) {
        form->ComboBox_address_1->setCurrentIndex(c.basic_entry);
        form->ComboBox_address_WK->setCurrentIndex(c.wk_entry);
        EXPECT_EQ(form->config_from_controls().address, c.address)
            << c.basic_entry << "/" << c.wk_entry;
        EXPECT_EQ((form->config_from_controls().options1 & 0x0020) != 0, c.basic_bit)
            << c.basic_entry << "/" << c.wk_entry;
    }
}

TEST_F(Main_window_test, rop_address_word_from_its_list) {
    const std::pair<int, std::uint16_t> cases[] = {{0, 0}, {1, 0}, {4, 3}, {100, 99}, {-1, 0}};
    for (const auto& [entry, expected] : cases) {
        form->ComboBox_address_2->setCurrentIndex(entry);
        EXPECT_EQ(form->config_from_controls().rop_address, expected) << entry;
        EXPECT_EQ((form->config_from_controls().options1 & 0x0040) != 0, entry > 0) << entry;
    }
}

TEST_F(Main_window_test, wk_address_round_trips_through_the_address_word) {
    user_picks(form->ComboBox_address_WK, 8);
    const DetectorConfig written = form->config_from_controls();
    EXPECT_EQ(written.address, 7);
    EXPECT_FALSE(written.options1 & 0x0020);

    form->ComboBox_address_WK->setCurrentIndex(0);
    show(*form, written);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox_address_2->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 8);
}

TEST_F(Main_window_test, detector_without_any_address_shows_wk_address_0) {
    show(*form, plain_config());
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 1);
    EXPECT_EQ(form->config_from_controls().address, 0);
}

TEST_F(Main_window_test, basic_address_shown_after_ktr27_a_with_wk_address) {
    user_picks(form->ComboBox_address_WK, 31);
    form->Button_set_PNX30Click();
    const DetectorConfig written = form->config_from_controls();
    ASSERT_EQ(written.address, 30);
    ASSERT_TRUE(written.options1 & 0x0020);
    show(*form, written);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 31);
    EXPECT_EQ(form->config_from_controls(), written);
}

TEST_F(Main_window_test, showing_a_basic_address_drops_an_older_wk_address) {
    DetectorConfig wk_detector = plain_config();
    wk_detector.address = 7;
    show(*form, wk_detector);
    ASSERT_EQ(form->ComboBox_address_WK->currentIndex(), 8);

    DetectorConfig panel_detector = plain_config();
    panel_detector.options1 = 0x0020;
    panel_detector.address = 30;
    show(*form, panel_detector);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 31);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 0);
    // Writing back what was read leaves the detector's address alone.
    EXPECT_EQ(form->config_from_controls().address, 30);
}

TEST_F(Main_window_test, address_bytes_past_99_select_nothing_and_write_as_no_address) {
    DetectorConfig config = plain_config();
    config.options1 = 0x0060;
    config.address = 150;
    config.rop_address = 100;
    form->ComboBox_address_WK->setCurrentIndex(9);
    show(*form, config);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), -1);
    EXPECT_EQ(form->ComboBox_address_2->currentIndex(), -1);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 0);
    const DetectorConfig written = form->config_from_controls();
    EXPECT_EQ(written.address, 0);
    EXPECT_EQ(written.rop_address, 0);
    EXPECT_EQ(written.options1 & 0x0060, 0);
}

TEST_F(Main_window_test, only_the_low_address_bytes_are_shown) {
    DetectorConfig config = plain_config();
    config.options1 = 0x0060;
    config.address = 0x0105;
    config.rop_address = 0x0203;
    form->words_to_controls(config);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 6);
    EXPECT_EQ(form->ComboBox_address_2->currentIndex(), 4);
}

// ---- Values -------------------------------------------------------------------------------

struct Profile_row {
    int entry;
    std::uint16_t value;
};

TEST_F(Main_window_test, profile_table_in_both_directions) {
    const Profile_row rows[] = {{0, 100}, {1, 125}, {2, 150}, {3, 200}, {4, 80}, {5, 60}, {6, 40}};
    for (const Profile_row& row : rows) {
        form->ComboBox_smoke_profile->setCurrentIndex(row.entry);
        EXPECT_EQ(form->config_from_controls().smoke_profile, row.value) << row.entry;
    }
    for (const Profile_row& row : rows) {
        form->ComboBox_smoke_profile->setCurrentIndex(-1);
        DetectorConfig config = plain_config();
        config.smoke_profile = row.value;
        show(*form, config);
        EXPECT_EQ(form->ComboBox_smoke_profile->currentIndex(), row.entry) << row.value;
    }
    form->ComboBox_smoke_profile->setCurrentIndex(-1);
    EXPECT_EQ(form->config_from_controls().smoke_profile, 100);
}

TEST_F(Main_window_test, unknown_profile_value_leaves_the_list_alone) {
    for (std::uint16_t unknown : {0, 90, 101, 0xFFFF}) {
        form->ComboBox_smoke_profile->setCurrentIndex(3);
        DetectorConfig config = plain_config();
        config.smoke_profile = unknown;
        show(*form, config);
        EXPECT_EQ(form->ComboBox_smoke_profile->currentIndex(), 3) << unknown;
    }
    form->ComboBox_smoke_profile->setCurrentIndex(-1);
    form->ComboBox_smoke_profile->setEditText("Profil 0 (standardowy)");
    DetectorConfig config = plain_config();
    config.smoke_profile = 90;
    show(*form, config);
    EXPECT_EQ(form->ComboBox_smoke_profile->currentIndex(), -1);
    EXPECT_EQ(form->config_from_controls().smoke_profile, 100);
}

TEST_F(Main_window_test, typed_profile_text_naming_no_entry_is_profile_0) {
    form->apply_detector_version(52);
    form->ComboBox_smoke_profile->setCurrentIndex(3);
    user_types(form->ComboBox_smoke_profile, "Profil 9");
    EXPECT_EQ(form->ComboBox_smoke_profile->currentIndex(), -1);
    EXPECT_EQ(form->config_from_controls().smoke_profile, 100);
}

struct Spin_case {
    QSpinBox* TForm_main::*spin;
    std::uint16_t shown;
    int expected;
};

TEST_F(Main_window_test, shown_values_outside_a_spin_range_go_to_the_nearer_bound) {
    using F = TForm_main;
    const Spin_case cases[] = {
        {&F::CSpinEdit_rop_ans, 0, 1},       {&F::CSpinEdit_rop_ans, 5000, 1000},
        {&F::CSpinEdit_rop_ans, 1000, 1000}, {&F::CSpinEdit_rop_ans, 1, 1},
        {&F::CSpinEdit_rop_alm, 0, 1},       {&F::CSpinEdit_rop_alm, 0xFFFF, 1000},
        {&F::CSpinEdit_rop_alm, 777, 777},   {&F::CSpinEdit_hc, 51, 50},
        {&F::CSpinEdit_hc, 0xFFFF, 50},      {&F::CSpinEdit_hc, 0, 0},
    };
    for (const Spin_case& c : cases) {
        DetectorConfig config = plain_config();
        if (c.spin == &F::CSpinEdit_rop_ans) {
            config.rop_ans = c.shown;
        } else if (c.spin == &F::CSpinEdit_rop_alm) {
            config.rop_alm = c.shown;
        } else {
            config.hc = c.shown;
        }
        show(*form, config);
        EXPECT_EQ((form.get()->*c.spin)->value(), c.expected) << c.shown;
    }
}

TEST_F(Main_window_test, spin_text_that_is_no_number_yields_the_minimum) {
    form->CSpinEdit_rop_ans->setValue(500);
    form->CSpinEdit_rop_alm->setValue(500);
    form->CSpinEdit_hc->setValue(20);
    for (QSpinBox* spin : {form->CSpinEdit_rop_ans, form->CSpinEdit_rop_alm, form->CSpinEdit_hc}) {
        spin->findChild<QLineEdit*>()->setText("");
    }
    EXPECT_EQ(form->config_from_controls().rop_ans, 1);
    EXPECT_EQ(form->config_from_controls().rop_alm, 1);
    EXPECT_EQ(form->config_from_controls().hc, 0);
}

TEST_F(Main_window_test, production_identifier_shows_the_wid_pair) {
    const std::tuple<std::uint16_t, std::uint16_t, const char*> cases[] = {
        {0, 0, "0x0000"},
        {0x12, 0x3456, "0x123456"},
        {0xABCD, 0x1, "0xabcd01"},
        {0xFFFF, 0xFFFF, "0xffffffff"},
        {0x5, 0xA0, "0x05a0"}};
    for (const auto& [first, second, text] : cases) {
        form->parameter_words.WID = {first, second};
        show(*form, plain_config());
        EXPECT_EQ(form->Edit_code2->text(), text);
    }
}

// ---- Round trips --------------------------------------------------------------------------

class Round_trip : public Main_window_test {
protected:
    std::mt19937 random{20240917};

    bool coin() { return std::bernoulli_distribution(0.5)(random); }
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    int any_entry() {
        // Mostly "brak" or a real address, sometimes no selection at all.
        const int pick = between(0, 9);
        return pick < 4 ? 0 : pick == 9 ? -1 : between(1, 100);
    }

    void randomise_controls() {
        form->apply_detector_version(between(0, 1) ? 52 : between(30, 60));
        for (QCheckBox* box : {form->CheckBox_optic,         form->CheckBox_autocompensation,
                               form->CheckBox_thermic,       form->CheckBox_ROP,
                               form->CheckBox_const_add_10m, form->CheckBox_const_add_20m,
                               form->CheckBox_iso_active,    form->CheckBox_save_events,
                               form->CheckBox_overwrite,     form->CheckBox_show_low_voltage,
                               form->CheckBox_keep_scan,     form->CheckBox_con,
                               form->CheckBox_ar_mode,       form->CheckBox_relay,
                               form->CheckBox_alarm_add_10m, form->CheckBox_alarm_add_20m,
                               form->CheckBox_blink,         form->CheckBox_dust,
                               form->CheckBox_malfunction,   form->CheckBox_diff_alarm,
                               form->CheckBox_const_current}) {
            box->setChecked(coin());
        }
        (coin() ? form->RadioButton_lock : form->RadioButton_reset)->setChecked(true);
        (coin() ? form->RadioButton_NC : form->RadioButton_NO)->setChecked(true);
        (coin() ? form->RadioButton_WZ_NC : form->RadioButton_WZ_NO)->setChecked(true);
        form->ComboBox_address_1->setCurrentIndex(any_entry());
        form->ComboBox_address_2->setCurrentIndex(any_entry());
        form->ComboBox_address_WK->setCurrentIndex(any_entry());
        form->CSpinEdit_rop_ans->setValue(between(1, 1000));
        form->CSpinEdit_rop_alm->setValue(between(1, 1000));
        form->CSpinEdit_hc->setValue(between(0, 50));
        form->ComboBox_smoke_profile->setCurrentIndex(between(-1, 6));
    }

    DetectorConfig any_words() {
        DetectorConfig config;
        config.options1 = static_cast<std::uint16_t>(between(0, 0xFFFF));
        config.address = static_cast<std::uint16_t>(between(0, 0xFFFF));
        config.rop_address = static_cast<std::uint16_t>(between(0, 0xFFFF));
        config.options2 = static_cast<std::uint16_t>(between(0, 0xFFFF));
        config.rop_ans = static_cast<std::uint16_t>(between(0, 0xFFFF));
        config.rop_alm = static_cast<std::uint16_t>(between(0, 0xFFFF));
        config.smoke_profile = static_cast<std::uint16_t>(between(0, 0xFFFF));
        config.hc = static_cast<std::uint16_t>(between(0, 0xFFFF));
        return config;
    }

    // Words the tool itself could have written: latching bits equal, no current pair ticked
    // twice, addresses and values inside their ranges, unused bits clear.
    DetectorConfig writable_words() {
        static constexpr std::uint16_t profiles[] = {100, 125, 150, 200, 80, 60, 40};
        DetectorConfig config;
        std::uint16_t options1 = static_cast<std::uint16_t>(between(0, 0xFFFF));
        options1 = static_cast<std::uint16_t>((options1 & ~0x0004) | ((options1 & 0x0002) << 1));
        std::uint16_t options2 = static_cast<std::uint16_t>(between(0, 0x07FF));
        if ((options2 & 0x08) && (options2 & 0x20)) {
            options2 &= static_cast<std::uint16_t>(~0x08);
        }
        if ((options2 & 0x10) && (options2 & 0x40)) {
            options2 &= static_cast<std::uint16_t>(~0x10);
        }
        config.options1 = options1;
        config.address = static_cast<std::uint16_t>(between(0, 99));
        config.rop_address = (options1 & 0x0040) ? static_cast<std::uint16_t>(between(0, 99)) : 0;
        config.options2 = options2;
        config.rop_ans = static_cast<std::uint16_t>(between(1, 1000));
        config.rop_alm = static_cast<std::uint16_t>(between(1, 1000));
        config.smoke_profile = profiles[between(0, 6)];
        config.hc = static_cast<std::uint16_t>(between(0, 50));
        return config;
    }
};

TEST_F(Round_trip, controls_to_words_to_controls_to_words) {
    for (int i = 0; i < 3000; ++i) {
        randomise_controls();
        const DetectorConfig written = form->config_from_controls();
        show(*form, written);
        ASSERT_EQ(form->config_from_controls(), written) << "iteration " << i;
    }
}

TEST_F(Round_trip, writable_words_come_back_unchanged) {
    for (int i = 0; i < 3000; ++i) {
        if (coin()) {
            randomise_controls();
        }
        const DetectorConfig words = writable_words();
        show(*form, words);
        ASSERT_EQ(form->config_from_controls(), words) << "iteration " << i;
    }
}

TEST_F(Round_trip, any_detector_words_settle_after_one_showing) {
    for (int i = 0; i < 3000; ++i) {
        show(*form, any_words());
        const DetectorConfig settled = form->config_from_controls();
        show(*form, settled);
        ASSERT_EQ(form->config_from_controls(), settled) << "iteration " << i;
    }
}

} // namespace
