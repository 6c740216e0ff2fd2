#include "main_window_fixture.h"

namespace {

class Version_gate : public Main_window_test, public ::testing::WithParamInterface<int> {
protected:
    // Everything the gate governs ticked, chosen or set while a version-52 detector is
    // connected. The two current options picked are not partners, so both can be ticked.
    void tick_everything() {
        form->apply_detector_version(52);
        for (QCheckBox* box : event_options()) {
            box->setChecked(true);
        }
        form->CSpinEdit_hc->setValue(33);
        form->CheckBox_const_add_10m->setChecked(true);
        form->CheckBox_alarm_add_20m->setChecked(true);
        form->CheckBox_ar_mode->setChecked(true);
        form->RadioButton_WZ_NC->setChecked(true);
        form->CSpinEdit_rop_ans->setValue(321);
        form->CSpinEdit_rop_alm->setValue(654);
        form->CheckBox_iso_active->setChecked(true);
        form->ComboBox_smoke_profile->setCurrentIndex(5);
        form->CheckBox_con->setChecked(true);
    }

    std::vector<QCheckBox*> event_options() {
        return {form->CheckBox_save_events, form->CheckBox_overwrite,
                form->CheckBox_show_low_voltage, form->CheckBox_keep_scan};
    }
    std::vector<QCheckBox*> current_options() {
        return {form->CheckBox_const_add_10m, form->CheckBox_const_add_20m,
                form->CheckBox_alarm_add_10m, form->CheckBox_alarm_add_20m};
    }
};

TEST_P(Version_gate, enables_exactly_what_the_version_provides) {
    const int v = GetParam();
    const bool events = v >= 52 || v == 49;
    const bool currents = v >= 50;
    const bool ar_generation = v >= 46;
    const bool conjunction = v >= 40;
    tick_everything();

    form->apply_detector_version(v);

    for (QCheckBox* box : event_options()) {
        const std::string name = box->objectName().toStdString();
        EXPECT_EQ(box->isEnabled(), events) << name;
        EXPECT_EQ(box->isChecked(), events) << name;
    }
    EXPECT_EQ(form->CSpinEdit_hc->isEnabled(), events);
    EXPECT_EQ(form->CSpinEdit_hc->value(), 33);

    for (QCheckBox* box : current_options()) {
        EXPECT_EQ(box->isEnabled(), currents) << box->objectName().toStdString();
    }
    EXPECT_EQ(form->CheckBox_const_add_10m->isChecked(), currents);
    EXPECT_EQ(form->CheckBox_alarm_add_20m->isChecked(), currents);
    EXPECT_FALSE(form->CheckBox_const_add_20m->isChecked());
    EXPECT_FALSE(form->CheckBox_alarm_add_10m->isChecked());

    EXPECT_EQ(form->CheckBox_ar_mode->isEnabled(), ar_generation);
    EXPECT_EQ(form->CheckBox_ar_mode->isChecked(), ar_generation);
    EXPECT_EQ(form->RadioButton_WZ_NC->isEnabled(), ar_generation);
    EXPECT_EQ(form->RadioButton_WZ_NO->isEnabled(), ar_generation);
    EXPECT_EQ(form->RadioButton_WZ_NC->isChecked(), ar_generation);
    EXPECT_EQ(form->RadioButton_WZ_NO->isChecked(), !ar_generation);
    EXPECT_EQ(form->CSpinEdit_rop_ans->isEnabled(), ar_generation);
    EXPECT_EQ(form->CSpinEdit_rop_alm->isEnabled(), ar_generation);
    EXPECT_EQ(form->CheckBox_iso_active->isEnabled(), ar_generation);
    EXPECT_EQ(form->ComboBox_smoke_profile->isEnabled(), ar_generation);
    EXPECT_EQ(form->CSpinEdit_rop_ans->value(), 321);
    EXPECT_EQ(form->CSpinEdit_rop_alm->value(), 654);
    EXPECT_TRUE(form->CheckBox_iso_active->isChecked());
    EXPECT_EQ(form->ComboBox_smoke_profile->currentIndex(), 5);

    EXPECT_EQ(form->CheckBox_con->isEnabled(), conjunction);
    EXPECT_EQ(form->CheckBox_con->isChecked(), conjunction);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, Version_gate,
                         ::testing::Values(38, 39, 40, 45, 46, 49, 50, 51, 52, 53, 255, 0, -1));

TEST_F(Main_window_test, gate_below_50_leaves_all_current_options_off_whichever_was_ticked) {
    const std::vector<QCheckBox*> current_options = {
        form->CheckBox_const_add_10m, form->CheckBox_const_add_20m, form->CheckBox_alarm_add_10m,
        form->CheckBox_alarm_add_20m};
    for (int v : {38, 45, 49}) {
        for (QCheckBox* ticked : current_options) {
            form->apply_detector_version(52);
            ticked->setChecked(true);
            form->apply_detector_version(v);
            for (QCheckBox* box : current_options) {
                EXPECT_FALSE(box->isEnabled()) << v << ": " << ticked->objectName().toStdString()
                                               << " then " << box->objectName().toStdString();
                EXPECT_FALSE(box->isChecked());
            }
        }
    }
}

TEST_F(Main_window_test, a_tick_reenables_a_partner_but_the_interlock_still_holds) {
    form->apply_detector_version(50);
    form->CheckBox_const_add_10m->setChecked(true);
    ASSERT_FALSE(form->CheckBox_alarm_add_10m->isEnabled());
    form->apply_detector_version(50);
    EXPECT_TRUE(form->CheckBox_alarm_add_10m->isEnabled());
    user_clicks(form->CheckBox_alarm_add_10m);
    EXPECT_TRUE(form->CheckBox_alarm_add_10m->isChecked());
    EXPECT_FALSE(form->CheckBox_const_add_10m->isChecked());
    EXPECT_FALSE(form->CheckBox_const_add_10m->isEnabled());
}

TEST_F(Main_window_test, start_up_disables_every_version_dependent_option) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             form->CheckBox_save_events, form->CheckBox_overwrite, form->CheckBox_show_low_voltage,
             form->CheckBox_keep_scan, form->CSpinEdit_hc, form->CheckBox_const_add_10m,
             form->CheckBox_const_add_20m, form->CheckBox_alarm_add_10m,
             form->CheckBox_alarm_add_20m, form->CheckBox_ar_mode, form->RadioButton_WZ_NC,
             form->RadioButton_WZ_NO, form->CSpinEdit_rop_ans, form->CSpinEdit_rop_alm,
             form->CheckBox_iso_active, form->ComboBox_smoke_profile, form->CheckBox_con,
             form->RadioButton_NC, form->RadioButton_NO}) {
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    }
    EXPECT_TRUE(form->RadioButton_WZ_NO->isChecked());
    EXPECT_TRUE(form->CheckBox_relay->isEnabled());
    EXPECT_TRUE(form->CheckBox_optic->isEnabled());
}

} // namespace
