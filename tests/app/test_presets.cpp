#include "main_window_fixture.h"

#include <QPushButton>

namespace {

struct Preset_row {
    const char* name;
    void (TForm_main::*handler)();
    bool relay;
    bool relay_nc;
    bool blink;
    bool dust;
    bool malfunction;
    int address_1_entry;
    bool led_options_enabled;
};

std::ostream& operator<<(std::ostream& out, const Preset_row& row) {
    return out << row.name;
}

class Preset_test : public Main_window_test, public ::testing::WithParamInterface<Preset_row> {
protected:
    // Every control the preset sets starts opposite to what the preset wants, and every other
    // control holds a state the preset must leave alone.
    void prepare_opposite_state(const Preset_row& row) {
        form->apply_detector_version(52);
        form->CheckBox_optic->setChecked(false);
        form->CheckBox_thermic->setChecked(false);
        form->CheckBox_autocompensation->setChecked(false);
        form->RadioButton_reset->setChecked(true);
        form->CheckBox_relay->setChecked(!row.relay);
        (row.relay_nc ? form->RadioButton_NO : form->RadioButton_NC)->setChecked(true);
        form->CheckBox_blink->setChecked(!row.blink);
        form->CheckBox_dust->setChecked(!row.dust);
        form->CheckBox_malfunction->setChecked(!row.malfunction);
        form->ComboBox_address_1->setCurrentIndex(8);
        form->ComboBox_address_2->setCurrentIndex(6);
        form->CheckBox_const_current->setChecked(true);
        form->CheckBox_const_current->setEnabled(!row.led_options_enabled);
        form->CheckBox_diff_alarm->setChecked(true);
        form->CheckBox_diff_alarm->setEnabled(!row.led_options_enabled);

        form->CheckBox_ROP->setChecked(true);
        form->CheckBox_con->setChecked(true);
        form->CheckBox_ar_mode->setChecked(true);
        form->RadioButton_WZ_NC->setChecked(true);
        form->CSpinEdit_rop_ans->setValue(123);
        form->CSpinEdit_rop_alm->setValue(456);
        form->CSpinEdit_hc->setValue(7);
        form->CheckBox_iso_active->setChecked(true);
        form->ComboBox_smoke_profile->setCurrentIndex(3);
        for (QCheckBox* box : {form->CheckBox_save_events, form->CheckBox_overwrite,
                               form->CheckBox_show_low_voltage, form->CheckBox_keep_scan}) {
            box->setChecked(true);
        }
        form->CheckBox_const_add_10m->setChecked(true);
        form->CheckBox_alarm_add_20m->setChecked(true);
        form->ComboBox_address_WK->setCurrentIndex(31);
    }

    void expect_untouched_controls_kept() {
        EXPECT_TRUE(form->CheckBox_ROP->isChecked());
        EXPECT_TRUE(form->CheckBox_con->isChecked());
        EXPECT_TRUE(form->CheckBox_ar_mode->isChecked());
        EXPECT_TRUE(form->RadioButton_WZ_NC->isChecked());
        EXPECT_EQ(form->CSpinEdit_rop_ans->value(), 123);
        EXPECT_EQ(form->CSpinEdit_rop_alm->value(), 456);
        EXPECT_EQ(form->CSpinEdit_hc->value(), 7);
        EXPECT_TRUE(form->CheckBox_iso_active->isChecked());
        EXPECT_EQ(form->ComboBox_smoke_profile->currentIndex(), 3);
        for (QCheckBox* box : {form->CheckBox_save_events, form->CheckBox_overwrite,
                               form->CheckBox_show_low_voltage, form->CheckBox_keep_scan}) {
            EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
        }
        EXPECT_TRUE(form->CheckBox_const_add_10m->isChecked());
        EXPECT_FALSE(form->CheckBox_alarm_add_10m->isChecked());
        EXPECT_FALSE(form->CheckBox_alarm_add_10m->isEnabled());
        EXPECT_FALSE(form->CheckBox_const_add_20m->isChecked());
        EXPECT_FALSE(form->CheckBox_const_add_20m->isEnabled());
        EXPECT_TRUE(form->CheckBox_alarm_add_20m->isChecked());
        EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 31);
    }
};

TEST_P(Preset_test, sets_its_row_and_nothing_else) {
    const Preset_row& row = GetParam();
    prepare_opposite_state(row);
    (form.get()->*row.handler)();

    EXPECT_TRUE(form->CheckBox_optic->isChecked());
    EXPECT_TRUE(form->CheckBox_thermic->isChecked());
    EXPECT_TRUE(form->CheckBox_autocompensation->isChecked());
    EXPECT_TRUE(form->RadioButton_lock->isChecked());
    EXPECT_FALSE(form->RadioButton_reset->isChecked());
    EXPECT_EQ(form->CheckBox_relay->isChecked(), row.relay);
    EXPECT_EQ(form->RadioButton_NC->isChecked(), row.relay_nc);
    EXPECT_EQ(form->RadioButton_NO->isChecked(), !row.relay_nc);
    // The relay box's handler ran because its state changed.
    EXPECT_EQ(form->RadioButton_NC->isEnabled(), row.relay);
    EXPECT_EQ(form->RadioButton_NO->isEnabled(), row.relay);
    EXPECT_EQ(form->CheckBox_blink->isChecked(), row.blink);
    EXPECT_EQ(form->CheckBox_dust->isChecked(), row.dust);
    EXPECT_EQ(form->CheckBox_malfunction->isChecked(), row.malfunction);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), row.address_1_entry);
    EXPECT_EQ(form->ComboBox_address_2->currentIndex(), 0);
    EXPECT_FALSE(form->CheckBox_const_current->isChecked());
    EXPECT_EQ(form->CheckBox_const_current->isEnabled(), row.led_options_enabled);
    EXPECT_FALSE(form->CheckBox_diff_alarm->isChecked());
    EXPECT_EQ(form->CheckBox_diff_alarm->isEnabled(), row.led_options_enabled);

    expect_untouched_controls_kept();
    EXPECT_TRUE(messages.empty());
}

TEST_P(Preset_test, button_click_runs_the_preset) {
    const Preset_row& row = GetParam();
    prepare_opposite_state(row);
    auto* button = form->findChild<QPushButton*>(
        row.handler == &TForm_main::Button_set_alarmClick  ? "Button_set_alarm"
        : row.handler == &TForm_main::Button_set_convClick ? "Button_set_conv"
                                                           : "Button_set_PNX30");
    ASSERT_NE(button, nullptr);
    user_clicks(button);
    EXPECT_EQ(form->CheckBox_relay->isChecked(), row.relay);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), row.address_1_entry);
    EXPECT_EQ(form->CheckBox_diff_alarm->isEnabled(), row.led_options_enabled);
}

INSTANTIATE_TEST_SUITE_P(Presets, Preset_test,
                         ::testing::Values(Preset_row{"KTR27_W", &TForm_main::Button_set_alarmClick,
                                                      true, true, true, true, true, 0, true},
                                           Preset_row{"KTR27_K", &TForm_main::Button_set_convClick,
                                                      false, false, false, false, false, 0, true},
                                           Preset_row{"KTR27_A", &TForm_main::Button_set_PNX30Click,
                                                      false, false, true, true, true, 1, false}),
                         [](const ::testing::TestParamInfo<Preset_row>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Main_window_test, led_options_stay_disabled_after_ktr27_a_until_another_preset) {
    form->Button_set_PNX30Click();
    form->apply_detector_version(52);
    form->words_to_controls(
        {.options1 = 0x3000, .rop_ans = 10, .rop_alm = 50, .smoke_profile = 100});
    EXPECT_FALSE(form->CheckBox_const_current->isEnabled());
    EXPECT_FALSE(form->CheckBox_diff_alarm->isEnabled());
    form->Button_set_convClick();
    EXPECT_TRUE(form->CheckBox_const_current->isEnabled());
    EXPECT_TRUE(form->CheckBox_diff_alarm->isEnabled());
}

TEST_F(Main_window_test, ktr27_a_keeps_the_wk_address_and_the_wk_address_wins) {
    user_picks(form->ComboBox_address_WK, 31);
    form->Button_set_PNX30Click();
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 1);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 31);
    EXPECT_EQ(form->config_from_controls().address, 30);
    EXPECT_TRUE(form->config_from_controls().options1 & 0x0020);
}

TEST_F(Main_window_test, ktr27_a_alone_stores_address_0_as_a_basic_address) {
    form->Button_set_PNX30Click();
    EXPECT_EQ(form->config_from_controls().address, 0);
    EXPECT_TRUE(form->config_from_controls().options1 & 0x0020);
}

} // namespace
