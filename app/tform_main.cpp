#include "tform_main.h"

#include "bit_operations.h"
#include "bootloader_memory.h"
#include "config_document.h"
#include "configuration_file.h"
#include "device_access.h"
#include "edit_combo_box.h"
#include "link_status.h"
#include "main_menu.h"
#include "msp430_bootloader.h"
#include "os_api.h"
#include "panel_memory.h"
#include "progress_display.h"
#include "sequence_pacing.h"
#include "tform_history.h"
#include "tform_pnx.h"
#include "tform_station.h"
#include "trace_file.h"
#include "user_files.h"
#include "user_message.h"
#include "user_question.h"
#include "window_font.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

// Stored smoke_profile value of each entry of the profile list; the entry index is the profile
// number.
constexpr std::array<std::uint16_t, 7> profile_values = {100, 125, 150, 200, 80, 60, 40};
constexpr std::uint16_t default_profile_value = 100;

// List entry of an address: "brak" is entry 0, address n is entry n + 1. Addresses past the
// last entry select nothing.
int entry_of_address(std::uint8_t address) {
    return address <= 99 ? address + 1 : -1;
}

std::uint16_t address_of_entry(int entry) {
    return entry > 0 ? static_cast<std::uint16_t>(entry - 1) : 0;
}

// A spin edit's value as its text states it: text that is no number yields the minimum, and a
// number is held inside the range.
std::uint16_t spin_value(const QSpinBox* spin) {
    bool is_number = false;
    const int typed = spin->cleanText().toInt(&is_number);
    if (!is_number) {
        return static_cast<std::uint16_t>(spin->minimum());
    }
    return static_cast<std::uint16_t>(std::clamp(typed, spin->minimum(), spin->maximum()));
}

QString hex_pair(unsigned first, unsigned second) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%02x%02x", first, second);
    return QString::fromLatin1(text);
}

} // namespace

struct TForm_main::Preset {
    bool relay;
    bool relay_nc;
    bool blink;
    bool dust;
    bool malfunction;
    int address_1_entry;
    bool led_options_enabled;
};

TForm_main::TForm_main(QWidget* parent) : QWidget(parent) {
    setObjectName("Form_main");
    station_store.set_settings(Station_settings::load(User_files::station_settings_file()));
    setWindowTitle(QStringLiteral("KTR27 Tunex v3 (QP14)"));
    setFont(window_font());
    build_controls(this);
    menu = std::make_unique<Main_menu>(this);
    // The bar sits above the sections, which keep their drawn client area.
    resize(754, 671 + menu->Menu_bar->sizeHint().height());
    // The frame is outside the client area, so the outer size never drops below 530 x 500.
    setMinimumSize(530, 500);
    connect_handlers();
    Timer_dongle->start();
}

TForm_main::~TForm_main() = default;

void TForm_main::connect_handlers() {
    connect(Button_set_alarm, &QPushButton::clicked, this, [this] { Button_set_alarmClick(); });
    connect(Button_set_conv, &QPushButton::clicked, this, [this] { Button_set_convClick(); });
    connect(Button_set_PNX30, &QPushButton::clicked, this, [this] { Button_set_PNX30Click(); });

    // toggled fires for changes from code as well as clicks, and only on a real change: the
    // presets and words_to_controls rely on the interlocks running when they set these boxes.
    connect(CheckBox_relay, &QCheckBox::toggled, this, [this] { CheckBox_relayClick(); });
    connect(CheckBox_const_add_10m, &QCheckBox::toggled, this,
            [this] { CheckBox_const_add_10mClick(); });
    connect(CheckBox_const_add_20m, &QCheckBox::toggled, this,
            [this] { CheckBox_const_add_20mClick(); });
    connect(CheckBox_iso_active, &QCheckBox::toggled, this,
            [this] { CheckBox_const_add_20mClick(); });
    connect(CheckBox_alarm_add_10m, &QCheckBox::toggled, this,
            [this] { CheckBox_alarm_add_10mClick(); });
    connect(CheckBox_alarm_add_20m, &QCheckBox::toggled, this,
            [this] { CheckBox_alarm_add_20mClick(); });

    connect(ComboBox_address_1, &Edit_combo_box::user_changed, this,
            [this] { ComboBox_address_1Change(); });
    connect(ComboBox_address_2, &Edit_combo_box::user_changed, this,
            [this] { ComboBox_address_2Change(); });
    connect(ComboBox_address_WK, &Edit_combo_box::user_changed, this,
            [this] { ComboBox_address_WKChange(); });

    connect(Button_read_ktr27, &QPushButton::clicked, this, [this] { Button_read_ktr27Click(); });
    connect(Button_send_to_ktr27, &QPushButton::clicked, this,
            [this] { Button_send_to_ktr27Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Timer_dongle, &QTimer::timeout, this, [this] { Timer_dongleTimer(); });
    connect(CheckBox_send_on_connect, &QCheckBox::toggled, this, [this] { series_writes = 0; });
    connect(menu->Action_open, &QAction::triggered, this, [this] { Action_openClick(); });
    connect(menu->Action_save, &QAction::triggered, this, [this] { Action_saveClick(); });
    connect(menu->Action_history, &QAction::triggered, this, [this] { Action_historyClick(); });
    connect(menu->Action_station_settings, &QAction::triggered, this,
            [this] { Action_station_settingsClick(); });
    connect(menu->Action_quit, &QAction::triggered, this, [this] { close(); });
    connect(menu->Action_about, &QAction::triggered, this, [this] { Action_aboutClick(); });
}

// ---- Configuration model -------------------------------------------------------------------

std::uint16_t TForm_main::options1_from_controls() {
    const Bit_operations bits;
    std::uint16_t word = 0;
    const bool resettable = RadioButton_reset->isChecked();
    bits.set_bit(word, 0, CheckBox_blink->isChecked());
    bits.set_bit(word, 1, resettable);
    bits.set_bit(word, 2, resettable);
    bits.set_bit(word, 3, CheckBox_relay->isChecked());
    bits.set_bit(word, 4, RadioButton_NC->isChecked());
    bits.set_bit(word, 5, ComboBox_address_1->currentIndex() > 0);
    bits.set_bit(word, 6, ComboBox_address_2->currentIndex() > 0);
    bits.set_bit(word, 7, !CheckBox_optic->isChecked());
    bits.set_bit(word, 8, !CheckBox_thermic->isChecked());
    bits.set_bit(word, 9, CheckBox_dust->isChecked());
    bits.set_bit(word, 10, CheckBox_malfunction->isChecked());
    bits.set_bit(word, 11, CheckBox_autocompensation->isChecked());
    bits.set_bit(word, 12, CheckBox_diff_alarm->isChecked());
    bits.set_bit(word, 13, CheckBox_const_current->isChecked());
    bits.set_bit(word, 14, !CheckBox_ROP->isChecked());
    bits.set_bit(word, 15, CheckBox_con->isChecked());
    return word;
}

std::uint16_t TForm_main::options2_from_controls() {
    const Bit_operations bits;
    std::uint16_t word = 0;
    bits.set_bit(word, 0, CheckBox_ar_mode->isChecked());
    bits.set_bit(word, 1, RadioButton_WZ_NC->isChecked());
    bits.set_bit(word, 2, CheckBox_overwrite->isChecked());
    bits.set_bit(word, 3, CheckBox_const_add_10m->isChecked());
    bits.set_bit(word, 4, CheckBox_const_add_20m->isChecked());
    bits.set_bit(word, 5, CheckBox_alarm_add_10m->isChecked());
    bits.set_bit(word, 6, CheckBox_alarm_add_20m->isChecked());
    bits.set_bit(word, 7, CheckBox_iso_active->isChecked());
    bits.set_bit(word, 8, CheckBox_keep_scan->isChecked());
    bits.set_bit(word, 9, CheckBox_save_events->isChecked());
    bits.set_bit(word, 10, CheckBox_show_low_voltage->isChecked());
    return word;
}

std::uint16_t TForm_main::address_from_controls() {
    // A W/K address goes into the same word with options1 bit 5 clear, and wins over a basic
    // address when both are chosen.
    std::uint16_t address = address_of_entry(ComboBox_address_1->currentIndex());
    if (ComboBox_address_WK->currentIndex() > 0) {
        address = address_of_entry(ComboBox_address_WK->currentIndex());
    }
    return address;
}

std::uint16_t TForm_main::rop_address_from_controls() {
    return address_of_entry(ComboBox_address_2->currentIndex());
}

std::uint16_t TForm_main::rop_ans_from_controls() {
    return spin_value(CSpinEdit_rop_ans);
}

std::uint16_t TForm_main::rop_alm_from_controls() {
    return spin_value(CSpinEdit_rop_alm);
}

std::uint16_t TForm_main::hc_from_controls() {
    return spin_value(CSpinEdit_hc);
}

std::uint16_t TForm_main::smoke_profile_from_controls() {
    const int entry = ComboBox_smoke_profile->currentIndex();
    if (entry < 0 || entry >= static_cast<int>(profile_values.size())) {
        return default_profile_value;
    }
    return profile_values[static_cast<std::size_t>(entry)];
}

DetectorConfig TForm_main::config_from_controls() {
    DetectorConfig config;
    config.options1 = options1_from_controls();
    config.address = address_from_controls();
    config.rop_address = rop_address_from_controls();
    config.options2 = options2_from_controls();
    config.rop_ans = rop_ans_from_controls();
    config.rop_alm = rop_alm_from_controls();
    config.smoke_profile = smoke_profile_from_controls();
    config.hc = hc_from_controls();
    return config;
}

void TForm_main::words_to_controls(std::uint16_t options1, std::uint8_t address,
                                   std::uint8_t rop_address, std::uint16_t options2,
                                   std::uint16_t rop_ans, std::uint16_t rop_alm,
                                   std::uint16_t smoke_profile, std::uint16_t hc) {
    const Bit_operations bits;

    CheckBox_blink->setChecked(bits.test_bit(options1, 0));
    if (bits.test_bit(options1, 1) && bits.test_bit(options1, 2)) {
        RadioButton_reset->setChecked(true);
    } else {
        RadioButton_lock->setChecked(true);
    }
    CheckBox_con->setChecked(bits.test_bit(options1, 15));
    CheckBox_relay->setChecked(bits.test_bit(options1, 3));
    CheckBox_relayClick();
    if (bits.test_bit(options1, 4)) {
        RadioButton_NC->setChecked(true);
    } else {
        RadioButton_NO->setChecked(true);
    }

    ComboBox_address_1->setCurrentIndex(bits.test_bit(options1, 5) ? entry_of_address(address) : 0);
    ComboBox_address_2->setCurrentIndex(bits.test_bit(options1, 6) ? entry_of_address(rop_address)
                                                                   : 0);
    // Without a basic address the address word is a W/K address (address 0 when the detector
    // has none at all). With one, the W/K list must not keep an older entry: a W/K address wins
    // on writing, so a stale one would silently readdress the detector that was just read.
    if (ComboBox_address_1->currentIndex() == 0) {
        ComboBox_address_WK->setCurrentIndex(entry_of_address(address));
    } else {
        ComboBox_address_WK->setCurrentIndex(0);
    }

    CheckBox_optic->setChecked(!bits.test_bit(options1, 7));
    CheckBox_thermic->setChecked(!bits.test_bit(options1, 8));
    CheckBox_dust->setChecked(bits.test_bit(options1, 9));
    CheckBox_malfunction->setChecked(bits.test_bit(options1, 10));
    CheckBox_autocompensation->setChecked(bits.test_bit(options1, 11));
    CheckBox_diff_alarm->setChecked(bits.test_bit(options1, 12));
    CheckBox_const_current->setChecked(bits.test_bit(options1, 13));
    CheckBox_ROP->setChecked(!bits.test_bit(options1, 14));

    CheckBox_ar_mode->setChecked(bits.test_bit(options2, 0));
    if (bits.test_bit(options2, 1)) {
        RadioButton_WZ_NC->setChecked(true);
    } else {
        RadioButton_WZ_NO->setChecked(true);
    }
    CheckBox_overwrite->setChecked(bits.test_bit(options2, 2));
    CheckBox_const_add_10m->setChecked(bits.test_bit(options2, 3));
    CheckBox_const_add_20m->setChecked(bits.test_bit(options2, 4));
    CheckBox_alarm_add_10m->setChecked(bits.test_bit(options2, 5));
    CheckBox_alarm_add_20m->setChecked(bits.test_bit(options2, 6));
    CheckBox_iso_active->setChecked(bits.test_bit(options2, 7));
    CheckBox_keep_scan->setChecked(bits.test_bit(options2, 8));
    CheckBox_save_events->setChecked(bits.test_bit(options2, 9));
    CheckBox_show_low_voltage->setChecked(bits.test_bit(options2, 10));

    // Settle the current pairs whatever order the boxes were set in: a ticked option stays
    // enabled with its partner cleared and disabled, and with both bits set the alarm option
    // wins.
    CheckBox_const_add_10mClick();
    CheckBox_const_add_20mClick();
    CheckBox_alarm_add_10mClick();
    CheckBox_alarm_add_20mClick();

    CSpinEdit_rop_ans->setValue(rop_ans);
    CSpinEdit_rop_alm->setValue(rop_alm);
    CSpinEdit_hc->setValue(hc);

    Edit_code2->setText(hex_pair(parameter_words.WID[0], parameter_words.WID[1]));

    for (std::size_t entry = 0; entry < profile_values.size(); ++entry) {
        if (profile_values[entry] == smoke_profile) {
            ComboBox_smoke_profile->setCurrentIndex(static_cast<int>(entry));
            break;
        }
    }
}

// ---- Presets ------------------------------------------------------------------------------

void TForm_main::apply_preset(const Preset& preset) {
    CheckBox_optic->setChecked(true);
    CheckBox_thermic->setChecked(true);
    CheckBox_autocompensation->setChecked(true);
    RadioButton_lock->setChecked(true);
    CheckBox_relay->setChecked(preset.relay);
    (preset.relay_nc ? RadioButton_NC : RadioButton_NO)->setChecked(true);
    CheckBox_blink->setChecked(preset.blink);
    CheckBox_dust->setChecked(preset.dust);
    CheckBox_malfunction->setChecked(preset.malfunction);
    ComboBox_address_1->setCurrentIndex(preset.address_1_entry);
    ComboBox_address_2->setCurrentIndex(0);
    CheckBox_const_current->setChecked(false);
    CheckBox_const_current->setEnabled(preset.led_options_enabled);
    CheckBox_diff_alarm->setChecked(false);
    CheckBox_diff_alarm->setEnabled(preset.led_options_enabled);
}

void TForm_main::Button_set_alarmClick() {
    apply_preset({.relay = true,
                  .relay_nc = true,
                  .blink = true,
                  .dust = true,
                  .malfunction = true,
                  .address_1_entry = 0,
                  .led_options_enabled = true});
}

void TForm_main::Button_set_convClick() {
    apply_preset({.relay = false,
                  .relay_nc = false,
                  .blink = false,
                  .dust = false,
                  .malfunction = false,
                  .address_1_entry = 0,
                  .led_options_enabled = true});
}

void TForm_main::Button_set_PNX30Click() {
    // Address "0" is entry 1. The two LED options stay disabled until another preset is
    // chosen.
    apply_preset({.relay = false,
                  .relay_nc = false,
                  .blink = true,
                  .dust = true,
                  .malfunction = true,
                  .address_1_entry = 1,
                  .led_options_enabled = false});
}

// ---- Interlocks ---------------------------------------------------------------------------

void TForm_main::CheckBox_relayClick() {
    const bool relay = CheckBox_relay->isChecked();
    RadioButton_NC->setEnabled(relay);
    RadioButton_NO->setEnabled(relay);
}

namespace {
// The constant extra current and the extra current in alarm exclude each other for the same
// amount: a ticked option disables and clears its partner, a cleared one frees it again.
void exclude_partner(const QCheckBox* option, QCheckBox* partner) {
    if (option->isChecked()) {
        partner->setEnabled(false);
        partner->setChecked(false);
    } else {
        partner->setEnabled(true);
    }
}
} // namespace

void TForm_main::CheckBox_const_add_10mClick() {
    exclude_partner(CheckBox_const_add_10m, CheckBox_alarm_add_10m);
}

void TForm_main::CheckBox_const_add_20mClick() {
    exclude_partner(CheckBox_const_add_20m, CheckBox_alarm_add_20m);
}

void TForm_main::CheckBox_alarm_add_10mClick() {
    exclude_partner(CheckBox_alarm_add_10m, CheckBox_const_add_10m);
}

void TForm_main::CheckBox_alarm_add_20mClick() {
    exclude_partner(CheckBox_alarm_add_20m, CheckBox_const_add_20m);
}

// Index -1 (typed text that names no entry) is not "brak" either, so it clears the others too.
void TForm_main::ComboBox_address_1Change() {
    if (ComboBox_address_1->currentIndex() != 0) {
        ComboBox_address_WK->setCurrentIndex(0);
    }
}

void TForm_main::ComboBox_address_2Change() {
    if (ComboBox_address_2->currentIndex() != 0) {
        ComboBox_address_WK->setCurrentIndex(0);
    }
}

void TForm_main::ComboBox_address_WKChange() {
    if (ComboBox_address_WK->currentIndex() != 0) {
        ComboBox_address_1->setCurrentIndex(0);
        ComboBox_address_2->setCurrentIndex(0);
    }
}

// ---- Detector-version gate ----------------------------------------------------------------

void TForm_main::apply_detector_version(int v) {
    gate_version = v;
    const bool events = v >= 52 || v == 49;
    for (QCheckBox* box : {CheckBox_save_events, CheckBox_overwrite, CheckBox_show_low_voltage,
                           CheckBox_keep_scan}) {
        box->setEnabled(events);
        if (!events) {
            box->setChecked(false);
        }
    }
    CSpinEdit_hc->setEnabled(events);

    const bool currents = v >= 50;
    const std::array<QCheckBox*, 4> current_options = {
        CheckBox_const_add_10m, CheckBox_const_add_20m, CheckBox_alarm_add_10m,
        CheckBox_alarm_add_20m};
    if (!currents) {
        // Clearing a ticked option frees its partner through the interlock, so all four are
        // cleared first and only then disabled.
        for (QCheckBox* box : current_options) {
            box->setChecked(false);
        }
    }
    for (QCheckBox* box : current_options) {
        box->setEnabled(currents);
    }

    const bool ar_generation = v >= 46;
    CheckBox_ar_mode->setEnabled(ar_generation);
    if (!ar_generation) {
        CheckBox_ar_mode->setChecked(false);
        RadioButton_WZ_NO->setChecked(true);
    }
    RadioButton_WZ_NC->setEnabled(ar_generation);
    RadioButton_WZ_NO->setEnabled(ar_generation);
    CSpinEdit_rop_ans->setEnabled(ar_generation);
    CSpinEdit_rop_alm->setEnabled(ar_generation);
    CheckBox_iso_active->setEnabled(ar_generation);
    ComboBox_smoke_profile->setEnabled(ar_generation);

    const bool conjunction = v >= 40;
    CheckBox_con->setEnabled(conjunction);
    if (!conjunction) {
        CheckBox_con->setChecked(false);
    }
}

// ---- Window events ------------------------------------------------------------------------

void TForm_main::FormShow() {
    CheckBox_relayClick();
    // No detector has reported its version yet: start with every version-dependent option off.
    apply_detector_version(38);
}

void TForm_main::FormClose() {
    closing = true;
    Timer_dongle->stop();
    wait_for_tick();
}

void TForm_main::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    if (!centred) {
        centre_on_screen();
        centred = true;
    }
    FormShow();
}

void TForm_main::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TForm_main::centre_on_screen() {
    const QScreen* display = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (display == nullptr) {
        return;
    }
    QRect own = frameGeometry();
    own.moveCenter(display->availableGeometry().center());
    move(own.topLeft());
}

// ---- Reading and writing ------------------------------------------------------------------

namespace {

constexpr const char* no_dongle_message =
    "Nie odnaleziono dongla USB. Podłącz dongle KTR27 do portu USB w komputerze. "
    "Jeśli dongle jest podłączony to upewnij się że jest poprawnie widoczny w menadżerze "
    "urządzeń (USB HID). ";
constexpr const char* no_detector_message = "Nie udało się skomunikować z czujką. Upewnij się "
                                            "że czujka jest poprawnie podłączona i zasilona.";
constexpr const char* checksum_message = "Błąd CRC w konfiguracji!";

constexpr int read_progress_maximum = 12;
constexpr int write_progress_maximum = 65;
constexpr std::uint32_t detector_pause_ms = 100;
constexpr std::uint32_t final_pause_ms = 200;
constexpr std::int32_t any_detector = 255;

// A dongle that is there but may not be opened needs another fix than one that is missing.
std::string no_dongle_message_for([[maybe_unused]] const std::string& denied_node) {
#if defined(__linux__)
    if (!denied_node.empty()) {
        return QStringLiteral("Dongle KTR27 jest podłączony (%1), ale brak uprawnień do jego "
                              "otwarcia. Zainstaluj regułę udev 70-ktr27tunex.rules (pakiet "
                              "programu umieszcza ją w /usr/lib/udev/rules.d/) i podłącz dongle "
                              "ponownie.")
            .arg(QString::fromStdString(denied_node))
            .toStdString();
    }
#endif
    return no_dongle_message;
}

bool detector_answers(int status, std::uint32_t version, std::uint32_t information) {
    return status == link_status::ok && version != 0 && information != 0;
}

} // namespace

std::uint8_t TForm_main::cmpl_value() {
    return static_cast<std::uint8_t>(spin_value(CSpinEdit_cmp));
}

// A monitor tick processes no messages, so this only waits when a handler was entered from
// inside one; it keeps the window alive meanwhile.
void TForm_main::wait_for_tick() {
    while (tick_running) {
        os_api().sleep_ms(1);
        QCoreApplication::processEvents();
    }
}

void TForm_main::Button_read_ktr27Click() {
    run_operation(false);
}

void TForm_main::Button_send_to_ktr27Click() {
    run_operation(true);
}

void TForm_main::run_operation(bool write) {
    // What the user saw when asking for the write is what gets written, whatever they change
    // while the operation runs.
    const DetectorConfig wanted = config_from_controls();
    // Asked before anything happens: "Nie" leaves the detector, the window and the timer alone.
    if (write && !loop_address_free(wanted)) {
        return;
    }

    Timer_dongle->stop();
    Progress_display display(Form_progress);
    Sequence_pacing pacing(&display);
    pacing.open(write ? write_progress_maximum : read_progress_maximum);
    wait_for_tick();
    if (write) {
        Button_send_to_ktr27->setEnabled(false);
        Button_read_ktr27->setEnabled(false);
    } else {
        Button_read_ktr27->setEnabled(false);
        Button_send_to_ktr27->setEnabled(false);
    }
    // "Połącz" or "Rozłącz" would replace the link under an operation that may already have
    // erased a segment.
    Button1->setEnabled(false);
    menu->set_items_enabled(false);
    pacing.process_messages();

    // The operation stays on the link it started on.
    const bool via_panel = panel_mode;
    operation_via_panel = via_panel;
    {
        MSP430_bootloader bootloader(cmpl_value(), any_detector);
        const std::unique_ptr<Detector_memory> chosen = detector_memory(via_panel, bootloader);
        Detector_memory& memory = *chosen;

        pacing.say(write ? "Zapis: komunikacja z donglem USB"
                         : "Odczyt: komunikacja z donglem USB");
        Device_access::take_denied(); // only this operation's refusal counts
        if (!via_panel && !bootloader.connect("B")) {
            show_user_message(no_dongle_message_for(Device_access::take_denied()));
        } else {
            pacing.step(write ? "Zapis: komunikacja z czujką KTR27"
                              : "Odczyt: komunikacja z czujką KTR27");
            pacing.pause(detector_pause_ms);
            std::uint32_t version = 0;
            std::uint32_t information = 0;
            const int status = memory.get_info(version, information);
            if (!detector_answers(status, version, information)) {
                show_user_message(no_detector_message);
            } else if (!write) {
                read_configuration(memory, true);
            } else {
                // The read refreshes the parameter pairs the write verifies against; whatever
                // it reports, the write follows once the user has seen it.
                const std::uint64_t messages_before = user_messages_shown();
                const Configuration_read::Result read = read_configuration(memory, false);
                const bool message_shown = user_messages_shown() != messages_before;
                const Configuration_write::Outcome outcome =
                    write_configuration(memory, wanted, {version, information, read.wid},
                                        message_shown ? &read : nullptr);
                if (via_panel) {
                    follow_given_address(wanted, outcome);
                }
            }
        }

        pacing.complete();
        pacing.process_messages();
        pacing.pause(final_pause_ms);
        pacing.process_messages();
    }

    Button_send_to_ktr27->setEnabled(true);
    Button_read_ktr27->setEnabled(true);
    Button1->setEnabled(true);
    menu->set_items_enabled(true);
    pacing.close();
    if (!via_panel && !closing) {
        Timer_dongle->start();
    }
}

std::unique_ptr<Detector_memory> TForm_main::detector_memory(bool via_panel,
                                                             MSP430_bootloader& bootloader) {
    if (via_panel) {
        return std::make_unique<Panel_memory>(Form_pnx != nullptr ? &Form_pnx->pnx_connection()
                                                                  : nullptr);
    }
    return std::make_unique<Bootloader_memory>(bootloader);
}

Configuration_read::Result TForm_main::read_configuration(Detector_memory& memory, bool show) {
    Progress_display display(Form_progress);
    Sequence_pacing pacing(&display);
    const Configuration_read::Result result =
        Configuration_read(memory, pacing).run(parameter_words);
    switch (result.outcome) {
    case Configuration_read::Outcome::communication_error:
        show_user_message(Configuration_read::communication_message(result.statuses));
        break;
    case Configuration_read::Outcome::checksum_error:
        show_user_message(checksum_message);
        break;
    case Configuration_read::Outcome::ok:
        if (show) {
            const DetectorConfig& c = result.config;
            words_to_controls(c.options1, static_cast<std::uint8_t>(c.address & 0xFF),
                              static_cast<std::uint8_t>(c.rop_address & 0xFF), c.options2,
                              c.rop_ans, c.rop_alm, c.smoke_profile, c.hc);
        }
        break;
    }
    return result;
}

Configuration_write::Outcome
TForm_main::write_configuration(Detector_memory& memory, const DetectorConfig& config,
                                const Detector_identity& found,
                                const Configuration_read::Result* read_with_message) {
    Progress_display display(Form_progress);
    Sequence_pacing pacing(&display);
    Configuration_write write(memory, pacing, kept_segments);
    if (read_with_message != nullptr) {
        write.confirm_after_message(*read_with_message);
    }
    const Configuration_write::Outcome outcome = write.run(config, parameter_words, found);

    const Detector_identity& detector = write.detector();
    Write_record_line line;
    line.link = link_text().toStdString();
    line.version = Write_record_line::hex2(detector.version);
    line.information = Write_record_line::hex4(detector.information);
    if (detector.wid) {
        line.wid = Write_record_line::hex4((*detector.wid)[0]) + " " +
                   Write_record_line::hex4((*detector.wid)[1]);
    }
    for (const std::uint16_t word : config.words()) {
        line.words.push_back(Write_record_line::hex4(word));
    }
    // Without the segment there is no checksum: it covers words the write never got to read.
    line.words.push_back(write.image_built()
                             ? Write_record_line::hex4(write.image().words[SegmentImage::crc_index])
                             : std::string());
    const Bit_operations bits;
    const bool basic = bits.test_bit(config.options1, 5);
    if (basic) {
        line.basic_address = std::to_string(config.address);
    } else if (ComboBox_address_WK->currentIndex() > 0 || config.address != 0) {
        line.wk_address = std::to_string(config.address);
    }
    if (bits.test_bit(config.options1, 6)) {
        line.rop_address = std::to_string(config.rop_address);
    }
    line.outcome = write.final_message();
    if (series_step > 0) {
        line.series_step = std::to_string(series_step);
    }
    record(line);
    return outcome;
}

QString TForm_main::link_text() const {
    if (operation_via_panel && Form_pnx != nullptr) {
        return QStringLiteral("PNX30 adres %1").arg(Form_pnx->detector_address());
    }
    return QStringLiteral("dongle");
}

void TForm_main::record(const Write_record_line& line) {
    if (!station_store.record(line) && !record_failure_told) {
        record_failure_told = true;
        show_user_message(
            QStringLiteral("Nie udało się dopisać wpisu do historii zapisów (%1: %2). Nie ma to "
                           "wpływu na zapis czujki; kolejne takie błędy do końca pracy "
                           "programu nie będą zgłaszane.")
                .arg(QDir::toNativeSeparators(station_store.file_path()), station_store.error())
                .toStdString());
    }
    if (const auto told = station_store.take_line_message()) {
        show_user_message(told->toStdString());
    }
}

void TForm_main::record_event_erasure(int address, int status) {
    Write_record_line line;
    line.link = QStringLiteral("PNX30 adres %1").arg(address).toStdString();
    line.outcome = status == 0 ? "Kasowanie zdarzeń: OK"
                               : "Kasowanie zdarzeń: brak potwierdzenia (status " +
                                     std::to_string(status) + ")";
    record(line);
}

// ---- Configuration files and the menu ----------------------------------------------------

namespace {

const QString file_filter = QStringLiteral("Konfiguracja KTR27 (*.ktr27)");
// The version the gate is applied with before any detector has reported one.
constexpr int no_detector_version = 38;

// The options whose value differs between `before` and `after`, by the captions the window
// shows them with; one inside a titled group is named with the group ("Tryb WZ: NC ...").
QStringList changed_captions(const QWidget& window, const DetectorConfig& before,
                             const DetectorConfig& after) {
    const Config_document was = Config_document::from_words(before);
    const Config_document now = Config_document::from_words(after);
    QStringList captions;
    for (const Config_document::Option& option : Config_document::options()) {
        if (was.values.at(option.name) == now.values.at(option.name)) {
            continue;
        }
        const QString name = QString::fromLatin1(option.name);
        const auto* button = window.findChild<const QAbstractButton*>(name);
        QString caption = button != nullptr ? button->text() : name;
        if (const auto* group = qobject_cast<const QGroupBox*>(
                button != nullptr ? button->parentWidget() : nullptr)) {
            caption = group->title() + QStringLiteral(": ") + caption;
        }
        captions << QStringLiteral("„%1”").arg(caption);
    }
    return captions;
}

} // namespace

bool TForm_main::save_configuration(const QString& path) {
    QString problem;
    if (!Configuration_file::save(path, config_from_controls(), problem)) {
        show_user_message(QStringLiteral("Nie udało się zapisać konfiguracji do pliku %1: %2.")
                              .arg(QDir::toNativeSeparators(path), problem)
                              .toStdString());
        return false;
    }
    return true;
}

bool TForm_main::load_configuration(const QString& path) {
    const Configuration_file::Loaded loaded = Configuration_file::load(path);
    if (!loaded.config) {
        show_user_message(QStringLiteral("Nie wczytano konfiguracji z pliku %1. %2")
                              .arg(QDir::toNativeSeparators(path), loaded.problem)
                              .toStdString());
        return false;
    }
    const DetectorConfig& c = *loaded.config;
    words_to_controls(c.options1, static_cast<std::uint8_t>(c.address & 0xFF),
                      static_cast<std::uint8_t>(c.rop_address & 0xFF), c.options2, c.rop_ans,
                      c.rop_alm, c.smoke_profile, c.hc);
    // The file may hold options the connected detector (or, before any, none) does not have.
    // The gate clears them, and a line that loads its file before plugging detectors would
    // write a whole series without them unless it is told.
    const DetectorConfig from_file = config_from_controls();
    apply_detector_version(gate_version);
    const QStringList dropped = changed_captions(*this, from_file, config_from_controls());
    if (!dropped.isEmpty()) {
        const QString which =
            detector_present || gate_version != no_detector_version
                ? QStringLiteral("czujka w wersji %1 nie ma opcji").arg(gate_version)
                : QStringLiteral("żadna czujka nie podała jeszcze swojej wersji, więc "
                                 "pominięto opcje zależne od wersji");
        show_user_message(
            QStringLiteral("Wczytano konfigurację z pliku %1, ale %2: %3. Nie "
                           "zostaną one zapisane do czujki; aby je zapisać, "
                           "wczytaj plik ponownie, gdy podłączona jest czujka, "
                           "która je ma.")
                .arg(QDir::toNativeSeparators(path), which, dropped.join(QStringLiteral(", ")))
                .toStdString());
    }
    return true;
}

void TForm_main::Action_openClick() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Otwórz konfigurację"),
                                                      QString(), file_filter);
    if (!path.isEmpty()) {
        load_configuration(path);
    }
}

void TForm_main::Action_saveClick() {
    // The dialog would check the name as typed, before the suffix is added; so the name the
    // file really gets is checked here, with one question on every platform.
    const QString chosen =
        QFileDialog::getSaveFileName(this, QStringLiteral("Zapisz konfigurację"), QString(),
                                     file_filter, nullptr, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty()) {
        return;
    }
    const QString path = Configuration_file::with_suffix(chosen);
    if (QFileInfo::exists(path) &&
        !ask_user_question(QStringLiteral("Plik %1 już istnieje. Czy zastąpić go konfiguracją "
                                          "z okna?")
                               .arg(QDir::toNativeSeparators(path))
                               .toStdString())) {
        return;
    }
    save_configuration(path);
}

void TForm_main::Action_historyClick() {
    TForm_history history(station_store, this);
    history.exec();
}

void TForm_main::Action_station_settingsClick() {
    TForm_station settings(station_store.settings(), this);
    if (settings.exec() == QDialog::Accepted) {
        const Station_settings chosen = settings.chosen();
        if (!chosen.save(User_files::station_settings_file())) {
            show_user_message(
                QStringLiteral("Nie udało się zapisać ustawień stanowiska do pliku %1.")
                    .arg(QDir::toNativeSeparators(User_files::station_settings_file()))
                    .toStdString());
        }
        station_store.set_settings(chosen);
    }
}

QString TForm_main::about_text() const {
    return QStringLiteral("<b>KTR27 Tunex</b> %1<br>Kompilacja: %2 (%3), %4 %5<br>Qt %6 "
                          "(skompilowano z %7)<br><br>Plik śladu komunikacji:<br>%8<br><br>"
                          "Historia zapisów:<br>%9")
        .arg(QStringLiteral(KTR_VERSION), QStringLiteral(KTR_BUILD_TYPE),
             QStringLiteral(KTR_COMPILER), QStringLiteral(__DATE__), QStringLiteral(__TIME__),
             QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR),
             QDir::toNativeSeparators(QString::fromStdU16String(trace_file_path().u16string())),
             QDir::toNativeSeparators(station_store.file_path()));
}

void TForm_main::Action_aboutClick() {
    QMessageBox::about(this, QStringLiteral("O programie"), about_text());
}

// ---- Connection monitor -------------------------------------------------------------------

void TForm_main::Timer_dongleTimer() {
    // An exception that escapes a handler is shown and the application goes on; a tick that
    // left the flag set would make every later read, write and close wait for ever.
    struct Tick_flag {
        bool& running;
        explicit Tick_flag(bool& flag) : running(flag) { running = true; }
        ~Tick_flag() { running = false; }
    };
    const bool via_panel = panel_mode;
    {
        // Cleared after the bootloader below has released the dongle.
        const Tick_flag tick(tick_running);
        MSP430_bootloader bootloader(cmpl_value(), any_detector);
        // Connected in panel mode too, where only the panel's answer counts.
        const bool dongle_found = bootloader.connect("B");
        if (dongle_found || via_panel) {
            lamps.show_link(via_panel);
            std::uint32_t version = 0;
            std::uint32_t information = 0;
            const int status =
                detector_memory(via_panel, bootloader)->get_info(version, information);
            if (detector_answers(status, version, information)) {
                apply_detector_version(static_cast<int>(version));
                lamps.show_detector(version, information);
                detector_present = true;
            } else {
                lamps.show_no_detector();
                detector_present = false;
                connect_handled = false;
            }
        } else {
            lamps.show_no_link();
            lamps.show_no_detector();
            detector_present = false;
            connect_handled = false;
        }
    }

    if (detector_present && !connect_handled) {
        // Stepped before the write, so the write already uses the new addresses; from code, so
        // the lists' change handlers stay out of it. Past "99" no entry is selected, which a
        // write stores as no address.
        if (CheckBox_address_increment->isChecked()) {
            ComboBox_address_1->setCurrentIndex(ComboBox_address_1->currentIndex() + 1);
        }
        if (CheckBox_address_WK_increment->isChecked()) {
            ComboBox_address_WK->setCurrentIndex(ComboBox_address_WK->currentIndex() + 1);
        }
        if (CheckBox_send_on_connect->isChecked()) {
            series_step = ++series_writes;
            Button_send_to_ktr27Click();
            series_step = 0;
        }
        connect_handled = true;
    }
}

// ---- Panel window -------------------------------------------------------------------------

void TForm_main::Button1Click() {
    if (Form_pnx == nullptr) {
        return;
    }
    Form_pnx->exec();
    panel_mode = Form_pnx->panel_link_open();
    mark_loop_addresses();
}

void TForm_main::mark_loop_addresses() {
    const std::vector<int> none;
    const std::vector<int>& found =
        panel_mode && Form_pnx != nullptr ? Form_pnx->loop_addresses() : none;
    for (int address = 0; address <= 99; ++address) {
        const bool taken = std::find(found.begin(), found.end(), address) != found.end();
        const int entry = entry_of_address(static_cast<std::uint8_t>(address));
        ComboBox_address_1->setItemData(entry, taken ? QVariant(QColor(192, 0, 0)) : QVariant(),
                                        Qt::ForegroundRole);
        ComboBox_address_1->setItemData(
            entry,
            taken ? QVariant(QStringLiteral("Adres zajęty: czujka odpowiedziała na nim przy "
                                            "ostatnim skanowaniu pętli PNX30"))
                  : QVariant(),
            Qt::ToolTipRole);
    }
}

void TForm_main::follow_given_address(const DetectorConfig& config,
                                      Configuration_write::Outcome outcome) {
    using Outcome = Configuration_write::Outcome;
    // Every later outcome comes after the whole segment, the new address with it, was written.
    const bool segment_written =
        outcome == Outcome::verified || outcome == Outcome::backup_failed ||
        outcome == Outcome::read_back_failed || outcome == Outcome::verification_failed;
    if (Form_pnx == nullptr || !segment_written || !Bit_operations().test_bit(config.options1, 5)) {
        return;
    }
    Pnx_connection& connection = Form_pnx->pnx_connection();
    connection.note_address_moved(connection.detector_address(), config.address);
    mark_loop_addresses();
}

bool TForm_main::loop_address_free(const DetectorConfig& config) {
    if (!panel_mode || Form_pnx == nullptr || !Bit_operations().test_bit(config.options1, 5)) {
        return true;
    }
    const int wanted = config.address;
    const int chosen = Form_pnx->detector_address();
    const std::vector<int>& found = Form_pnx->loop_addresses();
    if (wanted == chosen || std::find(found.begin(), found.end(), wanted) == found.end()) {
        return true;
    }
    return ask_user_question(
        QStringLiteral("Na adresie %1 odpowiada już inna czujka pętli PNX30 (ostatnie "
                       "skanowanie). Dwie czujki na jednym adresie zakłócają się nawzajem. Czy "
                       "mimo to nadać adres %1 czujce z adresu %2?")
            .arg(wanted)
            .arg(chosen)
            .toStdString());
}
