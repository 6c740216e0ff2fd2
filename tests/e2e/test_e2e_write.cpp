#include "e2e_fixture.h"

#include "edit_combo_box.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {

Sim_detector::Identity identity_with_wid(std::uint16_t serial) {
    Sim_detector::Identity identity;
    identity.wid = {0x2417, serial};
    return identity;
}

struct Parameters {
    std::array<std::uint16_t, 2> ur, u0, uc, wid;
    bool operator==(const Parameters&) const = default;
};

Parameters parameters_of(const Sim_detector& detector) {
    return {detector.pair(Sim_detector::ur_address), detector.pair(Sim_detector::u0_address),
            detector.pair(Sim_detector::uc_address), detector.pair(Sim_detector::wid_address)};
}

bool backup_erased(const Sim_detector& detector) {
    return detector.flash().segment_erased(Sim_detector::backup_address);
}

class Write : public E2e_test {
protected:
    // Something worth writing: the alarm-system preset at basic address 12.
    DetectorConfig choose_configuration() {
        form().Button_set_alarmClick();
        form().ComboBox_address_1->setCurrentIndex(13);
        form().CSpinEdit_rop_ans->setValue(33);
        return form().config_from_controls();
    }
};

TEST_F(Write, a_factory_fresh_detector_gets_the_window_configuration_and_keeps_everything_else) {
    Sim_detector& detector = plug(Sim_detector::factory_fresh(identity_with_wid(1)));
    const Segment before = segment_of(detector);
    const Parameters parameters = parameters_of(detector);
    const DetectorConfig wanted = choose_configuration();
    const std::uint64_t start = now();

    form().Button_send_to_ktr27->click();

    EXPECT_EQ(messages, (std::vector<std::string>{crc_error, write_done}));
    EXPECT_EQ(segment_of(detector), written_segment(before, wanted));
    EXPECT_EQ(parameters_of(detector), parameters);
    EXPECT_TRUE(backup_erased(detector));
    EXPECT_TRUE(detector.config_crc_valid());
    EXPECT_FALSE(form().kept_segments.holds(parameters.wid));

    // Frame and read as in a read; the read's message gave time to swap the detector, so
    // get-info and the WID pair confirm it before the segment read, the erase, the pair writes,
    // the backup erase, three parameter reads with their pauses and the read-back; no pause
    // between the pair transfers.
    constexpr std::uint64_t transaction = 52;
    const std::uint64_t read_part = 100 + transaction + 13 * (100 + transaction) + 100;
    const std::uint64_t write_part = 2 * transaction + 16 * transaction + transaction +
                                     16 * transaction + transaction + 3 * (100 + transaction) +
                                     16 * transaction;
    EXPECT_EQ(now() - start, read_part + write_part + 200);

    const std::vector<std::string> ok = trace_lines_starting("OK ");
    ASSERT_EQ(ok.size(), 1u + 13u + 2u + 16u + 1u + 16u + 1u + 3u + 16u);
    EXPECT_EQ(ok[14].rfind("OK at get info", 0), 0u);
    EXPECT_EQ(ok[15].substr(ok[15].size() - 6), "0x100c");
    EXPECT_EQ(ok[32], "OK ereasing sector 8388520");
    EXPECT_EQ(ok[33].rfind("OK writing 2 words (0x", 0), 0u);
    EXPECT_EQ(ok[33].substr(ok[33].size() - 6), "0x1040");
    EXPECT_EQ(ok[48].substr(ok[48].size() - 6), "0x107c");
    EXPECT_EQ(ok[49], "OK ereasing sector 30");

    // Read back into a changed window: exactly the configuration that was written.
    form().Button_set_convClick();
    messages.clear();
    form().Button_read_ktr27->click();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(form().config_from_controls(), wanted);
    EXPECT_EQ(form().ComboBox_address_1->currentText(), "12");
    EXPECT_TRUE(form().Timer_dongle->isActive());
}

TEST_F(Write, names_each_step_in_the_progress_window) {
    const Sim_detector& detector = plug(Sim_detector::configured(identity_with_wid(13), {}));

    const std::vector<std::string> texts =
        progress_texts_during([this] { form().Button_send_to_ktr27->click(); });

    EXPECT_EQ(texts, (std::vector<std::string>{"Zapis: komunikacja z donglem USB",
                                               "Zapis: komunikacja z czujką KTR27",
                                               "Odczyt opcji",
                                               "Odczyt adresu PNX",
                                               "Odczyt adresu ROP",
                                               "Odczyt opcji 2",
                                               "Odczyt parametru ROP ANS",
                                               "Odczyt parametru ROP ALM",
                                               "Odczyt profili",
                                               "Odczyt parametru HC",
                                               "Odczyt parametru UR",
                                               "Odczyt parametru U0",
                                               "Odczyt parametru UC",
                                               "Odczyt parametru WID",
                                               "Odczyt CRC konfiguracji",
                                               "Weryfikacja wartości",
                                               "Odczyt pamięci...",
                                               "Kasowanie pamięci...",
                                               "Zapis pamięci...",
                                               "Odczyt parametru UR",
                                               "Odczyt parametru U0",
                                               "Odczyt parametru UC",
                                               "Ponowny odczyt pamięci...",
                                               "..."}));
    // 67 steps against a maximum of 65: the bar stays full.
    EXPECT_EQ(progress().ProgressBar->maximum(), 65);
    EXPECT_EQ(progress().ProgressBar->value(), 65);
    // With no message before it, no transfer beyond the sequence's own.
    EXPECT_EQ(detector.request_count(), 67u);
}

TEST_F(Write, takes_the_configuration_the_window_shows_when_it_is_asked_for) {
    Sim_detector& detector = plug(Sim_detector::configured(identity_with_wid(2), {}));
    const Segment before = segment_of(detector);
    const DetectorConfig wanted = choose_configuration();
    // A change made while the write is under way does not reach it.
    QTimer::singleShot(0, &form(), [this] { form().ComboBox_address_1->setCurrentIndex(40); });

    form().Button_send_to_ktr27->click();

    EXPECT_EQ(messages, std::vector<std::string>{write_done});
    EXPECT_EQ(segment_of(detector), written_segment(before, wanted));
}

TEST_F(Write, words_the_tool_does_not_own_are_carried_over_even_when_not_erased) {
    Sim_detector& detector = plug(Sim_detector::configured(identity_with_wid(3), {}));
    detector.set_word(0x1050, 0x1234);
    detector.set_word(0x105C, 0x0000);
    const Segment before = segment_of(detector);
    const DetectorConfig wanted = choose_configuration();

    form().Button_send_to_ktr27->click();
    // Those words are in the checksum a write makes, not in the one a read expects.
    form().Button_read_ktr27->click();

    EXPECT_EQ(messages, (std::vector<std::string>{write_done, crc_error}));
    EXPECT_EQ(segment_of(detector), written_segment(before, wanted));
}

TEST_F(Write, a_UR_pair_that_changes_across_the_write_fails_the_verification) {
    Sim_detector& detector = plug(Sim_detector::configured(identity_with_wid(4), {}));
    const Segment before = segment_of(detector);
    const DetectorConfig wanted = choose_configuration();
    // The configuration erase also wipes the segment below, where UR, WID and U0 live.
    detector.arm(Sim_detector::Fault::erase_spills, Sim_fault_schedule::once());

    form().Button_send_to_ktr27->click();

    EXPECT_EQ(messages, std::vector<std::string>{verify_error});
    EXPECT_EQ(segment_of(detector), written_segment(before, wanted));
    EXPECT_EQ(detector.pair(Sim_detector::ur_address),
              (std::array<std::uint16_t, 2>{0xFFFF, 0xFFFF}));
}

TEST_F(Write, a_UR_re_read_that_fails_leaves_zeros_and_fails_the_verification) {
    Sim_detector& detector = plug(Sim_detector::configured(identity_with_wid(5), {}));
    choose_configuration();
    // The read before the write gets UR; the three attempts after the write do not.
    detector.arm_at(Sim_detector::ur_address, Sim_detector::Fault::no_reply,
                    Sim_fault_schedule::after(1));

    form().Button_send_to_ktr27->click();

    EXPECT_EQ(messages, std::vector<std::string>{verify_error});
}

TEST_F(Write, a_failed_pair_write_is_repeated_as_announced_and_the_repetition_completes) {
    Sim_detector& detector = plug(Sim_detector::configured(identity_with_wid(6), {}));
    const Segment before = segment_of(detector);
    const DetectorConfig wanted = choose_configuration();
    // Pair 5 refuses all three attempts of the first run, each of which the bootloader makes
    // three times.
    detector.arm(Sim_detector::Fault::program_refused, Sim_fault_schedule::after(5, 9));

    form().Button_send_to_ktr27->click();

    EXPECT_EQ(messages, (std::vector<std::string>{write_repeated, write_done}));
    EXPECT_EQ(segment_of(detector), written_segment(before, wanted));
    // Two erases of the configuration segment and one of the backup.
    EXPECT_EQ(detector.flash().erase_count(), 3u);
    EXPECT_TRUE(backup_erased(detector));
}

TEST_F(Write, flash_that_will_not_program_is_given_up_after_three_runs_and_restored_later) {
    Sim_detector& detector = plug(Sim_detector::factory_fresh(identity_with_wid(7)));
    const Segment before = segment_of(detector);
    const Parameters parameters = parameters_of(detector);
    const DetectorConfig wanted = choose_configuration();
    detector.arm(Sim_detector::Fault::program_refused);

    form().Button_send_to_ktr27->click();

    EXPECT_EQ(messages, (std::vector<std::string>{crc_error, write_repeated, write_repeated,
                                                  write_given_up}));
    EXPECT_EQ(detector.flash().erase_count(), 3u) << "three runs, no backup erase";
    EXPECT_TRUE(detector.flash().segment_erased(0x1040));
    EXPECT_FALSE(backup_erased(detector));
    EXPECT_TRUE(form().kept_segments.holds(parameters.wid));
    EXPECT_TRUE(form().Button_send_to_ktr27->isEnabled());

    // Repaired: the next write brings back the words the detector lost with the erase.
    detector.disarm(Sim_detector::Fault::program_refused);
    messages.clear();
    form().Button_send_to_ktr27->click();

    EXPECT_EQ(messages, (std::vector<std::string>{crc_error, write_done}));
    EXPECT_EQ(segment_of(detector), written_segment(before, wanted));
    EXPECT_EQ(parameters_of(detector), parameters);
    EXPECT_FALSE(form().kept_segments.holds(parameters.wid));
}

TEST_F(Write, flash_that_acknowledges_but_does_not_program_fails_the_verification_and_is_kept) {
    Sim_detector& detector = plug(Sim_detector::configured(identity_with_wid(8), {}));
    const Segment before = segment_of(detector);
    const DetectorConfig wanted = choose_configuration();
    detector.arm(Sim_detector::Fault::program_ignored);

    form().Button_send_to_ktr27->click();
    EXPECT_EQ(messages, std::vector<std::string>{verify_error});
    EXPECT_TRUE(detector.flash().segment_erased(0x1040));

    detector.disarm(Sim_detector::Fault::program_ignored);
    messages.clear();
    form().Button_send_to_ktr27->click();
    EXPECT_EQ(messages, (std::vector<std::string>{crc_error, write_done}));
    EXPECT_EQ(segment_of(detector), written_segment(before, wanted));
}

TEST_F(Write, a_kept_image_serves_only_the_detector_it_came_from) {
    Sim_detector& first = plug(Sim_detector::factory_fresh(identity_with_wid(9)));
    choose_configuration();
    first.arm(Sim_detector::Fault::program_refused);
    form().Button_send_to_ktr27->click();
    ASSERT_TRUE(form().kept_segments.holds(first.pair(Sim_detector::wid_address)));

    // Another detector whose data words are erased: nothing of the first one goes into it.
    Sim_detector bare(52, 0x21);
    bare.set_pair(Sim_detector::wid_address, {0x2417, 10});
    Sim_detector& second = bench.attach_detector(std::move(bare));
    const Segment before = segment_of(second);
    const DetectorConfig wanted = form().config_from_controls();
    messages.clear();
    form().Button_send_to_ktr27->click();

    EXPECT_EQ(messages.back(), write_done);
    EXPECT_EQ(segment_of(second), written_segment(before, wanted));
    EXPECT_EQ(second.word(0x1060), 0xFFFF);
}

TEST_F(Write, of_an_absent_detector_or_dongle_changes_nothing) {
    form().Button_send_to_ktr27->click();
    bench.plug_dongle();
    form().Button_send_to_ktr27->click();

    EXPECT_EQ(messages, (std::vector<std::string>{no_dongle, no_detector}));
    EXPECT_TRUE(form().Button_send_to_ktr27->isEnabled());
    EXPECT_TRUE(form().Timer_dongle->isActive());
}

TEST_F(Write, in_panel_mode_goes_through_the_panel_and_leaves_the_monitor_off) {
    Sim_detector& detector =
        bench.add_loop_detector(17, Sim_detector::configured(identity_with_wid(11), {}));
    Sim_detector& bystander =
        bench.add_loop_detector(3, Sim_detector::configured(identity_with_wid(12), {}));
    const Segment before = segment_of(detector);
    const Segment untouched = segment_of(bystander);
    enter_panel_mode(17);
    ASSERT_TRUE(form().panel_mode);
    const DetectorConfig wanted = choose_configuration();

    form().Button_send_to_ktr27->click();

    EXPECT_EQ(messages, std::vector<std::string>{write_done});
    EXPECT_EQ(segment_of(detector), written_segment(before, wanted));
    EXPECT_TRUE(backup_erased(detector));
    EXPECT_EQ(segment_of(bystander), untouched);
    EXPECT_EQ(bench.dongle().request_count(), 0u);
    EXPECT_FALSE(form().Timer_dongle->isActive());
}

} // namespace
