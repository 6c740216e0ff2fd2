#include "e2e_fixture.h"

#include "edit_combo_box.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

namespace {

// A detector with something in every word, basic address 12.
Sim_detector::Config sample_config() {
    Sim_detector::Config config;
    config.options1 = 0x0A3F; // blink, resettable, relay NC, basic address, dust, compensation
    config.address = 12;
    config.rop_address = 0;
    config.options2 = 0x0201; // AR mode, event recording
    config.rop_ans = 20;
    config.rop_alm = 60;
    config.smoke_profile = 150; // profile 2
    config.hc = 7;
    return config;
}

DetectorConfig as_window_words(const Sim_detector::Config& c) {
    DetectorConfig words;
    words.options1 = c.options1;
    words.address = c.address;
    words.rop_address = c.rop_address;
    words.options2 = c.options2;
    words.rop_ans = c.rop_ans;
    words.rop_alm = c.rop_alm;
    words.smoke_profile = c.smoke_profile;
    words.hc = c.hc;
    return words;
}

// Addresses of the trace's "OK reading 2 words" lines, in order.
std::vector<std::string> read_addresses(const std::vector<std::string>& ok_lines) {
    std::vector<std::string> addresses;
    const std::string marker = " at address ";
    for (const std::string& line : ok_lines) {
        if (line.rfind("OK reading 2 words (", 0) == 0) {
            addresses.push_back(line.substr(line.find(marker) + marker.size()));
        }
    }
    return addresses;
}

const std::vector<std::string> thirteen_reads = {"0x1040", "0x1042", "0x1044", "0x1046", "0x1048",
                                                 "0x104a", "0x104c", "0x104e", "0x1002", "0x1010",
                                                 "0x1080", "0x100c", "0x105e"};

using Read = E2e_test;

TEST_F(Read, shows_a_configured_detector_in_the_window_with_its_production_identifier) {
    plug(Sim_detector::configured(52, 0x21, sample_config()));
    const std::uint64_t start = now();

    form().Button_read_ktr27->click();

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(form().config_from_controls(), as_window_words(sample_config()));
    EXPECT_EQ(form().ComboBox_address_1->currentText(), "12");
    EXPECT_TRUE(form().RadioButton_reset->isChecked());
    EXPECT_TRUE(form().RadioButton_NC->isChecked());
    EXPECT_EQ(form().ComboBox_smoke_profile->currentIndex(), 2);
    EXPECT_EQ(form().CSpinEdit_hc->value(), 7);
    EXPECT_EQ(form().Edit_code2->text(), "0x241752");
    const Sim_detector::Identity factory;
    EXPECT_EQ(form().parameter_words.UR, factory.ur);
    EXPECT_EQ(form().parameter_words.U0, factory.u0);
    EXPECT_EQ(form().parameter_words.UC, factory.uc);
    EXPECT_EQ(form().parameter_words.WID, factory.wid);

    // 100 ms before get-info, 100 ms before each of the thirteen reads and the verification,
    // 200 ms at the end; a transaction with a prompt dongle is two transfers of 25 + 1 ms.
    EXPECT_EQ(now() - start, 100 + 52 + 13 * (100 + 52) + 100 + 200);

    EXPECT_EQ(trace_lines_starting("OK at get info").size(), 1u);
    EXPECT_EQ(read_addresses(trace_lines_starting("OK ")), thirteen_reads);
    EXPECT_EQ(trace_lines_starting("HID: Connecting to device B...OK").size(), 1u);
    EXPECT_EQ(trace_lines().back(), "HID: Deleting HID devices...");

    // The frame is cleaned up.
    EXPECT_TRUE(form().Button_read_ktr27->isEnabled());
    EXPECT_TRUE(form().Button_send_to_ktr27->isEnabled());
    EXPECT_FALSE(progress().isVisible());
    EXPECT_EQ(progress().ProgressBar->value(), 12);
    EXPECT_EQ(progress().Panel_info->text(), "...");
    EXPECT_TRUE(form().Timer_dongle->isActive());
}

TEST_F(Read, names_each_step_in_the_progress_window_and_keeps_the_buttons_and_monitor_off) {
    plug(Sim_detector::configured(52, 0x21, sample_config()));
    bool checked = false;
    bench.os().at(now() + 1000, [&] {
        EXPECT_FALSE(form().Button_read_ktr27->isEnabled());
        EXPECT_FALSE(form().Button_send_to_ktr27->isEnabled());
        EXPECT_FALSE(form().Timer_dongle->isActive());
        EXPECT_TRUE(progress().isVisible());
        EXPECT_EQ(progress().ProgressBar->maximum(), 12);
        checked = true;
    });

    const std::vector<std::string> texts =
        progress_texts_during([this] { form().Button_read_ktr27->click(); });

    EXPECT_TRUE(checked);
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Odczyt: komunikacja z donglem USB", "Odczyt: komunikacja z czujką KTR27",
                         "Odczyt opcji", "Odczyt adresu PNX", "Odczyt adresu ROP", "Odczyt opcji 2",
                         "Odczyt parametru ROP ANS", "Odczyt parametru ROP ALM", "Odczyt profili",
                         "Odczyt parametru HC", "Odczyt parametru UR", "Odczyt parametru U0",
                         "Odczyt parametru UC", "Odczyt parametru WID", "Odczyt CRC konfiguracji",
                         "Weryfikacja wartości", "..."}));
}

TEST_F(Read, of_a_factory_fresh_detector_reports_a_checksum_error_and_keeps_the_window) {
    plug(Sim_detector::factory_fresh(52, 0x21));
    form().Button_set_alarmClick();
    const DetectorConfig shown = form().config_from_controls();

    form().Button_read_ktr27->click();

    EXPECT_EQ(messages, std::vector<std::string>{crc_error});
    EXPECT_EQ(form().config_from_controls(), shown);
    EXPECT_EQ(form().Edit_code2->text(), "0x0000");
    // The parameter pairs are taken whatever the configuration's fate.
    EXPECT_EQ(form().parameter_words.UR, Sim_detector::Identity{}.ur);
}

struct Failing_read {
    std::uint16_t address;
    Sim_detector::Fault fault;
    const char* message;
};

class Read_failing : public Read, public ::testing::WithParamInterface<Failing_read> {};

// Each failing read names its last attempt's status in its place; the checksum read decides
// without being named.
TEST_P(Read_failing, names_the_final_status_of_every_configuration_read) {
    Sim_detector& detector = plug(Sim_detector::configured(52, 0x21, sample_config()));
    detector.arm_at(GetParam().address, GetParam().fault);
    const DetectorConfig shown = form().config_from_controls();

    form().Button_read_ktr27->click();

    EXPECT_EQ(messages, std::vector<std::string>{GetParam().message});
    EXPECT_EQ(form().config_from_controls(), shown);
    EXPECT_TRUE(form().Button_read_ktr27->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, Read_failing,
    ::testing::Values(
        Failing_read{0x1042, Sim_detector::Fault::no_reply,
                     "Błąd komunikacji z czujką.  Odczyt opcji = 0, odczyt adresu PNX = 1, "
                     "odczyt adresu ROP = 0, odczyt opcji 2 = 0, odczyt parametru ROP ANS = 0, "
                     "odczyt parmetru ROP ALM = 0, odczyt parmetru SP = 0, odczyt parmetru HC "
                     "= 0"},
        Failing_read{0x1040, Sim_detector::Fault::bad_crc,
                     "Błąd komunikacji z czujką.  Odczyt opcji = 3, odczyt adresu PNX = 0, "
                     "odczyt adresu ROP = 0, odczyt opcji 2 = 0, odczyt parametru ROP ANS = 0, "
                     "odczyt parmetru ROP ALM = 0, odczyt parmetru SP = 0, odczyt parmetru HC "
                     "= 0"},
        Failing_read{0x104C, Sim_detector::Fault::wrong_command,
                     "Błąd komunikacji z czujką.  Odczyt opcji = 0, odczyt adresu PNX = 0, "
                     "odczyt adresu ROP = 0, odczyt opcji 2 = 0, odczyt parametru ROP ANS = 0, "
                     "odczyt parmetru ROP ALM = 0, odczyt parmetru SP = 2, odczyt parmetru HC "
                     "= 0"},
        Failing_read{0x104E, Sim_detector::Fault::reject,
                     "Błąd komunikacji z czujką.  Odczyt opcji = 0, odczyt adresu PNX = 0, "
                     "odczyt adresu ROP = 0, odczyt opcji 2 = 0, odczyt parametru ROP ANS = 0, "
                     "odczyt parmetru ROP ALM = 0, odczyt parmetru SP = 0, odczyt parmetru HC "
                     "= 3"},
        Failing_read{0x105E, Sim_detector::Fault::no_reply,
                     "Błąd komunikacji z czujką.  Odczyt opcji = 0, odczyt adresu PNX = 0, "
                     "odczyt adresu ROP = 0, odczyt opcji 2 = 0, odczyt parametru ROP ANS = 0, "
                     "odczyt parmetru ROP ALM = 0, odczyt parmetru SP = 0, odczyt parmetru HC "
                     "= 0"}));

TEST_F(Read, retries_a_read_up_to_three_attempts) {
    Sim_detector& detector = plug(Sim_detector::configured(52, 0x21, sample_config()));
    detector.arm_at(0x1046, Sim_detector::Fault::no_reply, Sim_fault_schedule::next(2));

    form().Button_read_ktr27->click();

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(form().config_from_controls(), as_window_words(sample_config()));
    EXPECT_EQ(trace_lines_starting("retry...").size(), 2u);
}

TEST_F(Read, a_failing_UR_read_alone_is_not_reported_and_UR_keeps_its_earlier_value) {
    Sim_detector& detector = plug(Sim_detector::configured(52, 0x21, sample_config()));
    form().Button_read_ktr27->click();
    ASSERT_TRUE(messages.empty());
    const ParameterWords::Pair earlier = form().parameter_words.UR;

    detector.set_pair(Sim_detector::ur_address, {0x1111, 0x2222});
    detector.arm_at(Sim_detector::ur_address, Sim_detector::Fault::no_reply);
    form().Button_set_convClick();
    form().Button_read_ktr27->click();

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(form().parameter_words.UR, earlier);
    EXPECT_EQ(form().config_from_controls(), as_window_words(sample_config()));
}

TEST_F(Read, without_a_dongle_says_so_and_reads_nothing) {
    form().Button_read_ktr27->click();

    EXPECT_EQ(messages, std::vector<std::string>{no_dongle});
    EXPECT_EQ(trace_lines(), (std::vector<std::string>{
                                 "HID: Creating HID devices...",
                                 "HID: Connecting to device B...",
                                 "HID: Error! Recreating device B...",
                                 "HID: Deleting HID devices...",
                             }));
    EXPECT_TRUE(form().Button_read_ktr27->isEnabled());
    EXPECT_TRUE(form().Button_send_to_ktr27->isEnabled());
    EXPECT_FALSE(progress().isVisible());
    EXPECT_TRUE(form().Timer_dongle->isActive());
}

TEST_F(Read, without_a_detector_says_so) {
    bench.plug_dongle();

    form().Button_read_ktr27->click();

    EXPECT_EQ(messages, std::vector<std::string>{no_detector});
    EXPECT_TRUE(trace_lines_starting("OK reading").empty());
}

TEST_F(Read, a_detector_with_a_zero_information_word_or_version_counts_as_absent) {
    Sim_detector& detector = plug(Sim_detector::configured(52, 0x21, sample_config()));
    detector.set_info_word(0);
    form().Button_read_ktr27->click();
    detector.set_info_word(0x21);
    detector.set_version(0);
    form().Button_read_ktr27->click();

    EXPECT_EQ(messages, (std::vector<std::string>{no_detector, no_detector}));
    EXPECT_TRUE(trace_lines_starting("OK reading").empty());
    EXPECT_EQ(trace_lines_starting("OK at get info").size(), 2u);
}

TEST_F(Read, carries_the_CMPL_value_in_every_request) {
    plug(Sim_detector::configured(52, 0x21, sample_config()));
    form().CSpinEdit_cmp->setValue(17);

    form().Button_read_ktr27->click();

    ASSERT_TRUE(bench.dongle().last_cmpl().has_value());
    EXPECT_EQ(*bench.dongle().last_cmpl(), 17);
    EXPECT_EQ(bench.dongle().last_request_report()->at(1), 0xFF) << "detector address 255";
}

TEST_F(Read, waits_for_a_monitor_tick_under_way_before_it_starts) {
    plug(Sim_detector::configured(52, 0x21, sample_config()));
    form().tick_running = true;
    QTimer::singleShot(0, &form(), [this] { form().tick_running = false; });

    form().Button_read_ktr27->click();

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(form().config_from_controls(), as_window_words(sample_config()));
}

TEST_F(Read, in_panel_mode_goes_through_the_panel_and_leaves_the_monitor_off) {
    bench.add_loop_detector(3, Sim_detector::configured(52, 0x21, sample_config()));
    enter_panel_mode(3);
    ASSERT_TRUE(form().panel_mode);
    const std::size_t trace_before = trace_lines().size();

    form().Button_read_ktr27->click();

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(form().config_from_controls(), as_window_words(sample_config()));
    EXPECT_FALSE(form().Timer_dongle->isActive());
    // The bootloader object is made and dropped, but no dongle is looked for.
    const std::vector<std::string> lines = trace_lines();
    EXPECT_EQ(
        std::vector<std::string>(lines.begin() + static_cast<long>(trace_before), lines.end()),
        (std::vector<std::string>{"HID: Creating HID devices...", "HID: Deleting HID devices..."}));
    EXPECT_EQ(bench.dongle().request_count(), 0u);
}

TEST_F(Read, stays_on_the_link_it_started_on_when_panel_mode_changes_meanwhile) {
    plug(Sim_detector::configured(52, 0x21, sample_config()));
    Sim_detector& on_loop = bench.add_loop_detector(3, Sim_detector::configured(52, 0x21));
    // The panel window can be opened and closed while the read processes messages.
    bench.os().at(now() + 500, [this] { form().panel_mode = true; });

    form().Button_read_ktr27->click();

    EXPECT_TRUE(form().panel_mode);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(read_addresses(trace_lines_starting("OK ")), thirteen_reads);
    EXPECT_EQ(on_loop.request_count(), 0u);
    EXPECT_EQ(form().config_from_controls(), as_window_words(sample_config()));
    // The read was one of the dongle's, so the monitor runs again.
    EXPECT_TRUE(form().Timer_dongle->isActive());
}

TEST_F(Read, a_panel_window_closed_without_a_link_leaves_panel_mode) {
    bench.add_loop_detector(3, Sim_detector::configured(52, 0x21, sample_config()));
    enter_panel_mode(3);
    ASSERT_TRUE(form().panel_mode);

    QTimer::singleShot(0, &pnx(), [this] {
        pnx().Button_disconnectClick();
        pnx().reject();
    });
    form().Button1Click();

    EXPECT_FALSE(form().panel_mode);
}

} // namespace
