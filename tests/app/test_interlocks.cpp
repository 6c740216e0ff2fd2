#include "main_window_fixture.h"

namespace {

struct Current_pair {
    const char* name;
    QCheckBox* TForm_main::*option;
    QCheckBox* TForm_main::*partner;
    QCheckBox* TForm_main::*other_amount_const;
    QCheckBox* TForm_main::*other_amount_alarm;
};

std::ostream& operator<<(std::ostream& out, const Current_pair& pair) {
    return out << pair.name;
}

class Current_interlock : public Main_window_test,
                          public ::testing::WithParamInterface<Current_pair> {
protected:
    void SetUp() override {
        Main_window_test::SetUp();
        form->apply_detector_version(52);
    }
    QCheckBox* box(QCheckBox* TForm_main::*member) { return form.get()->*member; }
};

TEST_P(Current_interlock, ticking_clears_and_disables_the_partner_of_the_same_amount) {
    QCheckBox* option = box(GetParam().option);
    QCheckBox* partner = box(GetParam().partner);
    partner->setChecked(true);
    option->setEnabled(true);
    QCheckBox* other_const = box(GetParam().other_amount_const);
    QCheckBox* other_alarm = box(GetParam().other_amount_alarm);
    other_const->setChecked(true);

    user_clicks(option);
    ASSERT_TRUE(option->isChecked());
    EXPECT_FALSE(partner->isChecked());
    EXPECT_FALSE(partner->isEnabled());
    // +10mA and +20mA do not exclude each other.
    EXPECT_TRUE(other_const->isChecked());
    EXPECT_TRUE(other_const->isEnabled());
    EXPECT_FALSE(other_alarm->isEnabled());

    user_clicks(option);
    ASSERT_FALSE(option->isChecked());
    EXPECT_TRUE(partner->isEnabled());
    EXPECT_FALSE(partner->isChecked());
}

TEST_P(Current_interlock, runs_on_changes_from_code_too) {
    QCheckBox* option = box(GetParam().option);
    QCheckBox* partner = box(GetParam().partner);
    option->setChecked(true);
    EXPECT_FALSE(partner->isEnabled());
    option->setChecked(false);
    EXPECT_TRUE(partner->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Interlocks, Current_interlock,
    ::testing::Values(
        Current_pair{"const_10", &TForm_main::CheckBox_const_add_10m,
                     &TForm_main::CheckBox_alarm_add_10m, &TForm_main::CheckBox_const_add_20m,
                     &TForm_main::CheckBox_alarm_add_20m},
        Current_pair{"const_20", &TForm_main::CheckBox_const_add_20m,
                     &TForm_main::CheckBox_alarm_add_20m, &TForm_main::CheckBox_const_add_10m,
                     &TForm_main::CheckBox_alarm_add_10m},
        Current_pair{"alarm_10", &TForm_main::CheckBox_alarm_add_10m,
                     &TForm_main::CheckBox_const_add_10m, &TForm_main::CheckBox_const_add_20m,
                     &TForm_main::CheckBox_alarm_add_20m},
        Current_pair{"alarm_20", &TForm_main::CheckBox_alarm_add_20m,
                     &TForm_main::CheckBox_const_add_20m, &TForm_main::CheckBox_const_add_10m,
                     &TForm_main::CheckBox_alarm_add_10m}),
    [](const ::testing::TestParamInfo<Current_pair>& info) {
        return std::string(info.param.name);
    });

TEST_F(Main_window_test, isolator_click_reapplies_the_20ma_constant_current_rule) {
    form->apply_detector_version(52);
    form->CheckBox_const_add_20m->setChecked(true);
    form->CheckBox_alarm_add_20m->setEnabled(true);
    user_clicks(form->CheckBox_iso_active);
    EXPECT_FALSE(form->CheckBox_alarm_add_20m->isChecked());
    EXPECT_FALSE(form->CheckBox_alarm_add_20m->isEnabled());

    form->CheckBox_const_add_20m->setChecked(false);
    form->CheckBox_alarm_add_20m->setEnabled(false);
    user_clicks(form->CheckBox_iso_active);
    EXPECT_TRUE(form->CheckBox_alarm_add_20m->isEnabled());
    // The isolator's own state plays no part.
    user_clicks(form->CheckBox_iso_active);
    EXPECT_TRUE(form->CheckBox_alarm_add_20m->isEnabled());
}

TEST_F(Main_window_test, relay_enables_its_mode_buttons_without_changing_the_choice) {
    form->RadioButton_NC->setChecked(true);
    user_clicks(form->CheckBox_relay);
    EXPECT_TRUE(form->RadioButton_NC->isEnabled());
    EXPECT_TRUE(form->RadioButton_NO->isEnabled());
    EXPECT_TRUE(form->RadioButton_NC->isChecked());
    user_clicks(form->CheckBox_relay);
    EXPECT_FALSE(form->RadioButton_NC->isEnabled());
    EXPECT_FALSE(form->RadioButton_NO->isEnabled());
    EXPECT_TRUE(form->RadioButton_NC->isChecked());
}

TEST_F(Main_window_test, radio_buttons_form_three_independent_groups) {
    form->apply_detector_version(52);
    form->RadioButton_reset->setChecked(true);
    form->RadioButton_NC->setChecked(true);
    form->RadioButton_WZ_NC->setChecked(true);
    EXPECT_FALSE(form->RadioButton_lock->isChecked());
    EXPECT_FALSE(form->RadioButton_NO->isChecked());
    EXPECT_FALSE(form->RadioButton_WZ_NO->isChecked());
    form->RadioButton_NO->setChecked(true);
    EXPECT_TRUE(form->RadioButton_reset->isChecked());
    EXPECT_TRUE(form->RadioButton_WZ_NC->isChecked());
    EXPECT_FALSE(form->RadioButton_NC->isChecked());
}

TEST_F(Main_window_test, choosing_a_wk_address_clears_basic_and_rop_addresses) {
    form->ComboBox_address_1->setCurrentIndex(4);
    form->ComboBox_address_2->setCurrentIndex(9);
    user_picks(form->ComboBox_address_WK, 6);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox_address_2->currentIndex(), 0);

    user_picks(form->ComboBox_address_1, 4);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 4);
}

TEST_F(Main_window_test, choosing_a_rop_address_clears_the_wk_address) {
    form->ComboBox_address_WK->setCurrentIndex(12);
    form->ComboBox_address_1->setCurrentIndex(3);
    user_picks(form->ComboBox_address_2, 9);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 3);
}

TEST_F(Main_window_test, choosing_brak_clears_nothing) {
    form->ComboBox_address_WK->setCurrentIndex(12);
    form->ComboBox_address_1->setCurrentIndex(3);
    user_selects(form->ComboBox_address_1, 0);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 12);
    user_selects(form->ComboBox_address_2, 0);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 12);

    form->ComboBox_address_1->setCurrentIndex(3);
    form->ComboBox_address_2->setCurrentIndex(4);
    user_selects(form->ComboBox_address_WK, 0);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 3);
    EXPECT_EQ(form->ComboBox_address_2->currentIndex(), 4);

    // Back to "brak" with the arrow key.
    form->ComboBox_address_WK->setCurrentIndex(1);
    QTest::keyClick(form->ComboBox_address_WK, Qt::Key_Up);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 3);
}

TEST_F(Main_window_test, picking_from_the_drop_down_runs_the_change_handler) {
    form->ComboBox_address_WK->setCurrentIndex(12);
    user_selects(form->ComboBox_address_1, 50);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 0);
    user_selects(form->ComboBox_address_WK, 2);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 0);
}

TEST_F(Main_window_test, typed_text_naming_no_entry_counts_as_a_change_away_from_brak) {
    form->ComboBox_address_WK->setCurrentIndex(12);
    user_types(form->ComboBox_address_1, "1x");
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), -1);
    EXPECT_EQ(form->ComboBox_address_1->currentText(), "1x");
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 0);

    form->ComboBox_address_1->setCurrentIndex(3);
    form->ComboBox_address_2->setCurrentIndex(4);
    user_types(form->ComboBox_address_WK, "100");
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), -1);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox_address_2->currentIndex(), 0);
    // A typed address that matches no entry is no address when written.
    EXPECT_EQ(form->config_from_controls().address, 0);
    EXPECT_FALSE(form->config_from_controls().options1 & 0x0020);
}

TEST_F(Main_window_test, typing_an_entry_selects_it_without_growing_the_list) {
    user_types(form->ComboBox_address_1, "42");
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 43);
    user_types(form->ComboBox_address_1, "brakk");
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), -1);
    QTest::keyClick(form->ComboBox_address_1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(form->ComboBox_address_1->count(), 101);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), -1);
}

TEST_F(Main_window_test, keyboard_selection_runs_the_change_handler) {
    form->ComboBox_address_1->setCurrentIndex(3);
    QTest::keyClick(form->ComboBox_address_WK, Qt::Key_Down);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 1);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 0);
}

TEST_F(Main_window_test, lists_set_from_code_run_no_change_handler) {
    form->ComboBox_address_WK->setCurrentIndex(12);
    form->ComboBox_address_1->setCurrentIndex(3);
    form->ComboBox_address_2->setCurrentIndex(4);
    EXPECT_EQ(form->ComboBox_address_WK->currentIndex(), 12);
    form->ComboBox_address_WK->setCurrentIndex(13);
    EXPECT_EQ(form->ComboBox_address_1->currentIndex(), 3);
    EXPECT_EQ(form->ComboBox_address_2->currentIndex(), 4);
}

} // namespace
