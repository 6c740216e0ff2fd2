#include "main_window_fixture.h"
#include "sleep_counting_os.h"

#include <QTimer>

namespace {

class Main_window_close : public Main_window_test {
protected:
    void SetUp() override {
        Main_window_test::SetUp();
        set_os_api(&os);
    }
    void TearDown() override {
        set_os_api(nullptr);
        Main_window_test::TearDown();
    }
    Sleep_counting_os os;
};

TEST_F(Main_window_test, starts_with_all_flags_clear_and_the_monitor_timer_running) {
    EXPECT_FALSE(form->tick_running);
    EXPECT_FALSE(form->panel_mode);
    EXPECT_FALSE(form->detector_present);
    EXPECT_FALSE(form->connect_handled);
    EXPECT_EQ(form->parameter_words, ParameterWords{});
    EXPECT_EQ(form->Form_progress, nullptr);
    ASSERT_NE(form->Timer_dongle, nullptr);
    EXPECT_EQ(form->Timer_dongle->objectName(), "Timer_dongle");
    EXPECT_TRUE(form->Timer_dongle->isActive());
    EXPECT_EQ(form->Timer_dongle->interval(), 1000);
}

TEST_F(Main_window_close, closes_at_once_without_a_running_tick) {
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Timer_dongle->isActive());
    EXPECT_EQ(os.sleeps, 0);
}

TEST_F(Main_window_close, waits_in_1_ms_sleeps_until_the_running_tick_ends) {
    form->tick_running = true;
    os.on_sleep = [this] {
        EXPECT_TRUE(form->isVisible()) << "closed while the tick was still running";
        if (os.sleeps == 25) {
            form->tick_running = false;
        }
    };
    EXPECT_TRUE(form->close());
    EXPECT_EQ(os.sleeps, 25);
    EXPECT_EQ(os.slept_ms, 25u);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Timer_dongle->isActive());
}

TEST_F(Main_window_close, processes_window_messages_while_it_waits) {
    form->tick_running = true;
    QTimer::singleShot(0, form.get(), [this] { form->tick_running = false; });
    os.on_sleep = [this] {
        // A guard against a wait that would never end should the event be lost.
        if (os.sleeps > 1000) {
            form->tick_running = false;
        }
    };
    EXPECT_TRUE(form->close());
    EXPECT_GE(os.sleeps, 1);
    EXPECT_LT(os.sleeps, 1000);
}

TEST_F(Main_window_test, form_show_applies_the_relay_rule_and_version_38_every_time) {
    form->hide();
    form->CheckBox_relay->setChecked(true);
    form->apply_detector_version(52);
    form->CheckBox_con->setChecked(true);
    form->show();
    EXPECT_TRUE(form->RadioButton_NC->isEnabled());
    EXPECT_FALSE(form->CheckBox_con->isEnabled());
    EXPECT_FALSE(form->CheckBox_con->isChecked());
}

} // namespace
