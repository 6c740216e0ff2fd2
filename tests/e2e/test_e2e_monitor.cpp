#include "e2e_fixture.h"

#include "circle_shape.h"
#include "edit_combo_box.h"
#include "observing_os.h"
#include "status_lamps.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <stdexcept>

namespace {

const QColor green(0, 128, 0);
const QColor red(255, 0, 0);

struct Lamp {
    QColor fill;
    QColor outline;
    bool shown;
    bool operator==(const Lamp&) const = default;
};

Lamp lamp(const Circle_shape* shape) {
    return {shape->fill(), shape->outline(), !shape->isHidden()};
}

QColor text_colour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

Sim_detector::Identity identity_with_wid(std::uint16_t serial) {
    Sim_detector::Identity identity;
    identity.wid = {0x2417, serial};
    return identity;
}

class Monitor : public E2e_test {
protected:
    void tick() { form().Timer_dongleTimer(); }
};

TEST_F(Monitor, without_a_dongle_both_lamps_are_red_and_blink_every_tick) {
    for (int n = 1; n <= 4; ++n) {
        tick();
        const bool shown = n % 2 == 0;
        EXPECT_EQ(form().Label_dev_state->text(), "DONGLE KTR27 NIE PODŁĄCZONY");
        EXPECT_EQ(text_colour(form().Label_dev_state), red);
        EXPECT_EQ(lamp(form().Shape_dongle), (Lamp{red, red, shown})) << "tick " << n;
        EXPECT_EQ(form().Label_ktr_info->text(), "CZUJKA KTR27 NIE PODŁĄCZONA");
        EXPECT_EQ(text_colour(form().Label_ktr_info), red);
        EXPECT_EQ(lamp(form().Shape_ktr), (Lamp{red, red, shown})) << "tick " << n;
        EXPECT_EQ(form().Edit_code->text(), "0x0000");
        EXPECT_FALSE(form().detector_present);
        EXPECT_FALSE(form().tick_running);
    }
    EXPECT_EQ(trace_lines_starting("HID: Connecting to device B...").size(), 4u);
}

TEST_F(Monitor, with_a_dongle_and_no_detector_the_dongle_is_steady_green_the_detector_blinks) {
    bench.plug_dongle();
    for (int n = 1; n <= 3; ++n) {
        tick();
        EXPECT_EQ(form().Label_dev_state->text(), "DONGLE KTR27 PODŁĄCZONY");
        EXPECT_EQ(text_colour(form().Label_dev_state), green);
        EXPECT_EQ(lamp(form().Shape_dongle), (Lamp{green, green, true}));
        EXPECT_EQ(lamp(form().Shape_ktr), (Lamp{red, red, n % 2 == 0})) << "tick " << n;
        EXPECT_EQ(form().Label_ktr_info->text(), "CZUJKA KTR27 NIE PODŁĄCZONA");
        EXPECT_EQ(form().Edit_code->text(), "0x0000");
    }
}

TEST_F(Monitor, follows_the_detector_and_the_dongle_through_all_three_states) {
    tick(); // no dongle: both lamps hidden now
    Sim_detector& detector = plug(Sim_detector::configured(52, 0x21));
    tick();
    EXPECT_EQ(lamp(form().Shape_dongle), (Lamp{green, green, true}));
    EXPECT_EQ(lamp(form().Shape_ktr), (Lamp{green, green, true}));
    EXPECT_EQ(form().Label_ktr_info->text(), "CZUJKA KTR27 PODŁĄCZONA");
    EXPECT_EQ(text_colour(form().Label_ktr_info), green);
    EXPECT_EQ(form().Edit_code->text(), "0x3421");
    EXPECT_TRUE(form().detector_present);
    tick();
    EXPECT_EQ(lamp(form().Shape_ktr), (Lamp{green, green, true})) << "steady";

    detector.set_powered(false);
    tick();
    EXPECT_EQ(lamp(form().Shape_dongle), (Lamp{green, green, true}));
    EXPECT_EQ(lamp(form().Shape_ktr), (Lamp{red, red, false}));
    EXPECT_EQ(form().Edit_code->text(), "0x0000");
    EXPECT_FALSE(form().detector_present);

    detector.set_powered(true);
    tick();
    EXPECT_EQ(lamp(form().Shape_ktr), (Lamp{green, green, true}));
    bench.unplug_dongle();
    tick();
    EXPECT_EQ(form().Label_dev_state->text(), "DONGLE KTR27 NIE PODŁĄCZONY");
    EXPECT_EQ(lamp(form().Shape_dongle), (Lamp{red, red, false}));
    EXPECT_EQ(lamp(form().Shape_ktr), (Lamp{red, red, false}));
    EXPECT_FALSE(form().detector_present);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Monitor, shows_the_identifier_with_at_least_two_digits_each) {
    Sim_detector& detector = plug(Sim_detector::configured(52, 0x21));
    tick();
    EXPECT_EQ(form().Edit_code->text(), "0x3421");
    detector.set_info_word(0x1A0);
    tick();
    EXPECT_EQ(form().Edit_code->text(), "0x341a0");
    detector.set_version(5);
    detector.set_info_word(7);
    tick();
    EXPECT_EQ(form().Edit_code->text(), "0x0507");
}

TEST_F(Monitor, a_zero_information_word_counts_as_no_detector) {
    Sim_detector& detector = plug(Sim_detector::configured(52, 0x21));
    detector.set_info_word(0);
    tick();
    EXPECT_EQ(form().Label_ktr_info->text(), "CZUJKA KTR27 NIE PODŁĄCZONA");
    EXPECT_EQ(form().Edit_code->text(), "0x0000");
    EXPECT_FALSE(form().detector_present);
}

TEST_F(Monitor, applies_the_version_gate_on_every_tick_that_finds_a_detector) {
    Sim_detector& detector = plug(Sim_detector::configured(45, 0x21));
    tick();
    EXPECT_FALSE(form().CheckBox_ar_mode->isEnabled());
    EXPECT_TRUE(form().CheckBox_con->isEnabled());
    detector.set_version(52);
    tick();
    EXPECT_TRUE(form().CheckBox_ar_mode->isEnabled());
    EXPECT_TRUE(form().CheckBox_save_events->isEnabled());
    // An interlock disables a partner; the next tick enables all four current options again.
    form().CheckBox_alarm_add_10m->setChecked(true);
    ASSERT_FALSE(form().CheckBox_const_add_10m->isEnabled());
    tick();
    EXPECT_TRUE(form().CheckBox_const_add_10m->isEnabled());
}

TEST_F(Monitor, gives_every_bootloader_the_CMPL_value) {
    plug(Sim_detector::configured(52, 0x21));
    form().CSpinEdit_cmp->setValue(5);
    tick();
    EXPECT_EQ(bench.dongle().last_cmpl(), std::optional<std::uint8_t>(5));
}

TEST_F(Monitor, a_production_series_steps_the_address_and_writes_each_detector_once) {
    bench.plug_dongle();
    form().ComboBox_address_1->setCurrentIndex(6); // "5"
    form().CheckBox_address_increment->setChecked(true);
    form().CheckBox_send_on_connect->setChecked(true);

    std::vector<Sim_detector*> series;
    for (std::uint16_t n = 1; n <= 3; ++n) {
        Sim_detector& detector =
            bench.attach_detector(Sim_detector::factory_fresh(identity_with_wid(n)));
        series.push_back(&detector);
        messages.clear();
        tick();
        EXPECT_EQ(messages, (std::vector<std::string>{crc_error, write_done})) << "detector " << n;
        EXPECT_EQ(form().ComboBox_address_1->currentText(), QString::number(5 + n));
        EXPECT_EQ(detector.word(0x1042), 5 + n);
        EXPECT_TRUE(detector.word(0x1040) & 0x20) << "a basic address";
        EXPECT_TRUE(detector.config_crc_valid());
        EXPECT_TRUE(form().connect_handled);
        EXPECT_TRUE(form().Timer_dongle->isActive());
        EXPECT_FALSE(form().tick_running);

        // Staying connected: no second write.
        messages.clear();
        tick();
        tick();
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(detector.flash().erase_count(), 2u) << "one write: the segment and the backup";

        bench.detach_detector();
        tick();
        EXPECT_FALSE(form().connect_handled);
    }
    EXPECT_EQ(form().ComboBox_address_1->currentText(), "8");
}

TEST_F(Monitor, a_detector_swapped_between_two_ticks_is_not_new) {
    bench.plug_dongle();
    form().CheckBox_address_increment->setChecked(true);
    bench.attach_detector(Sim_detector::configured(52, 0x21));
    tick();
    ASSERT_EQ(form().ComboBox_address_1->currentIndex(), 1);
    bench.attach_detector(Sim_detector::configured(52, 0x22));
    tick();
    EXPECT_EQ(form().ComboBox_address_1->currentIndex(), 1);
}

TEST_F(Monitor, stepping_past_99_leaves_no_address_which_a_write_stores_as_none) {
    bench.plug_dongle();
    form().ComboBox_address_WK->setCurrentIndex(100); // "99"
    form().CheckBox_address_WK_increment->setChecked(true);
    form().CheckBox_send_on_connect->setChecked(true);
    Sim_detector& detector = bench.attach_detector(Sim_detector::configured(52, 0x21));
    detector.write_config({.options1 = 0x4180, .address = 42});

    tick();

    EXPECT_EQ(form().ComboBox_address_WK->currentIndex(), -1);
    EXPECT_EQ(messages, std::vector<std::string>{write_done});
    EXPECT_EQ(detector.word(0x1042), 0);
    EXPECT_FALSE(detector.word(0x1040) & 0x20);

    // The next new detector steps from "no entry" to "brak".
    bench.detach_detector();
    tick();
    bench.attach_detector(Sim_detector::configured(52, 0x21));
    tick();
    EXPECT_EQ(form().ComboBox_address_WK->currentIndex(), 0);
}

TEST_F(Monitor, a_tick_ended_by_an_exception_leaves_nobody_waiting_for_it) {
    plug(Sim_detector::configured(52, 0x21));
    {
        Observing_os failing(bench.os(), [] { throw std::runtime_error("device gone"); });
        EXPECT_THROW(tick(), std::runtime_error);
    }
    EXPECT_FALSE(form().tick_running);
    EXPECT_TRUE(form().close()) << "closing does not wait for ever";
}

TEST_F(Monitor, a_close_asked_for_during_a_tick_takes_effect_after_it) {
    plug(Sim_detector::configured(52, 0x21));
    bool ran_inside_tick = false;
    // Halfway through get-info the user closes the window.
    bench.os().at(now() + 20, [&] {
        ran_inside_tick = form().tick_running;
        QMetaObject::invokeMethod(&form(), "close", Qt::QueuedConnection);
    });
    tick();
    EXPECT_TRUE(ran_inside_tick);
    EXPECT_TRUE(form().isVisible()) << "the tick processes no messages";
    EXPECT_EQ(form().Label_ktr_info->text(), "CZUJKA KTR27 PODŁĄCZONA");

    QCoreApplication::processEvents();
    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(form().Timer_dongle->isActive());
}

TEST_F(Monitor, closing_the_window_during_a_write_on_connect_lets_it_finish_and_stops_the_monitor) {
    bench.plug_dongle();
    form().CheckBox_send_on_connect->setChecked(true);
    Sim_detector& detector = bench.attach_detector(Sim_detector::configured(52, 0x21));
    form().Button_set_alarmClick();
    const Segment before = segment_of(detector);
    const DetectorConfig wanted = form().config_from_controls();
    // The write processes messages between its steps; the close lands in one of them.
    QTimer::singleShot(0, &form(), [this] { form().close(); });

    tick();

    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(messages, std::vector<std::string>{write_done});
    EXPECT_EQ(segment_of(detector), written_segment(before, wanted));
    EXPECT_FALSE(form().Timer_dongle->isActive()) << "closing stops the monitor for good";
}

TEST_F(Monitor, in_panel_mode_shows_the_module_and_asks_the_panel) {
    bench.add_loop_detector(3, Sim_detector::configured(52, 0x1A0));
    enter_panel_mode(3);
    ASSERT_TRUE(form().panel_mode);

    tick();
    EXPECT_EQ(form().Label_dev_state->text(), "KMX12 PODŁĄCZONY");
    EXPECT_EQ(lamp(form().Shape_dongle), (Lamp{green, green, true}));
    EXPECT_EQ(form().Edit_code->text(), "0x341a0");
    EXPECT_TRUE(form().detector_present);

    // A dongle with another detector makes no difference.
    plug(Sim_detector::configured(52, 0x21));
    tick();
    EXPECT_EQ(form().Label_dev_state->text(), "KMX12 PODŁĄCZONY");
    EXPECT_EQ(form().Edit_code->text(), "0x341a0");
    EXPECT_EQ(bench.dongle().request_count(), 0u);

    // After a read in panel mode the monitor no longer runs.
    form().Button_read_ktr27->click();
    EXPECT_FALSE(form().Timer_dongle->isActive());
}

} // namespace
