#include "tform_main.h"

#include "backup_lookup.h"
#include "config_controls.h"
#include "config_document.h"
#include "configuration_file.h"
#include "detector_operations.h"
#include "edit_combo_box.h"
#include "kept_segments.h"
#include "main_menu.h"
#include "os_api.h"
#include "presets.h"
#include "progress_display.h"
#include "record_appender.h"
#include "record_database.h"
#include "sequence_pacing.h"
#include "stored_kept_segments.h"
#include "tform_backups.h"
#include "tform_history.h"
#include "tform_loop.h"
#include "tform_pnx.h"
#include "tform_station.h"
#include "trace_file.h"
#include "user_files.h"
#include "user_message.h"
#include "user_question.h"
#include "window_font.h"
#include "window_naming.h"

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

// The loop window's picker offers this many of a detector's backups, newest first.
constexpr int kept_backups_offered = 50;

QString hex_pair(unsigned first, unsigned second) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%02x%02x", first, second);
    return QString::fromLatin1(text);
}

} // namespace

TForm_main::TForm_main(QWidget* parent) : QWidget(parent) {
    setObjectName("Form_main");
    station_store.set_settings(Station_settings::load(User_files::station_settings_file()));
    setWindowTitle(QStringLiteral("KTR27 Tunex v3 (QP14)"));
    setFont(window_font());
    build_controls(this);
    config_controls = std::make_unique<Config_controls>(*this);
    recorder = std::make_unique<Record_appender>(station_store);
    operations = std::make_unique<Detector_operations>(parameter_words, *recorder);
    // A write given up after its erase must still restore the detector's factory words after
    // the program was closed.
    kept_store = std::make_unique<Stored_kept_segments>(station_store);
    operations->kept_segments().persist_in(*kept_store);
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
    connect(menu->Action_backups, &QAction::triggered, this, [this] { Action_backupsClick(); });
    connect(menu->Action_station_settings, &QAction::triggered, this,
            [this] { Action_station_settingsClick(); });
    connect(menu->Action_loop, &QAction::triggered, this, [this] { Action_loopClick(); });
    connect(menu->Action_quit, &QAction::triggered, this, [this] { close(); });
    connect(menu->Action_about, &QAction::triggered, this, [this] { Action_aboutClick(); });
}

// ---- Configuration model -------------------------------------------------------------------

DetectorConfig TForm_main::config_from_controls() {
    return config_controls->words();
}

void TForm_main::words_to_controls(const DetectorConfig& config) {
    config_controls->show(config);
    // Settle what depends on other controls whatever order they were set in: the relay's NC/NO
    // buttons follow the relay, and of two current options with both bits set a ticked option
    // stays enabled with its partner cleared and disabled, the alarm option winning.
    CheckBox_relayClick();
    CheckBox_const_add_10mClick();
    CheckBox_const_add_20mClick();
    CheckBox_alarm_add_10mClick();
    CheckBox_alarm_add_20mClick();
    Edit_code2->setText(hex_pair(parameter_words.WID[0], parameter_words.WID[1]));
}

// ---- Presets ------------------------------------------------------------------------------

void TForm_main::Button_set_alarmClick() {
    Preset::alarm.apply(*this);
}

void TForm_main::Button_set_convClick() {
    Preset::conventional.apply(*this);
}

void TForm_main::Button_set_PNX30Click() {
    Preset::pnx30.apply(*this);
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
    config_controls->apply(features_of(v));
}

// ---- Window events ------------------------------------------------------------------------

void TForm_main::FormShow() {
    CheckBox_relayClick();
    // No detector has reported its version yet: start with every version-dependent option off.
    apply_detector_version(version_before_any_detector);
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

Detector_link TForm_main::operation_link() {
    return {panel_mode, Form_pnx != nullptr ? &Form_pnx->pnx_connection() : nullptr,
            static_cast<std::uint8_t>(Config_controls::spin_value(CSpinEdit_cmp))};
}

Kept_segments& TForm_main::kept_segments() {
    return operations->kept_segments();
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
    pacing.open(write ? Detector_operations::write_progress_maximum
                      : Detector_operations::read_progress_maximum);
    wait_for_tick();
    Button_send_to_ktr27->setEnabled(false);
    Button_read_ktr27->setEnabled(false);
    // "Połącz" or "Rozłącz" would replace the link under an operation that may already have
    // erased a segment.
    Button1->setEnabled(false);
    menu->set_items_enabled(false);
    pacing.process_messages();

    // The operation stays on the link it started on.
    const Detector_link link = operation_link();
    if (write) {
        // A basic address written through the panel moved the detector on the loop.
        if (operations->write(link, wanted, pacing, series_step).segment_written &&
            link.via_panel && wanted.has_basic_address()) {
            mark_loop_addresses();
        }
    } else {
        operations->read(link, pacing,
                         [this](const DetectorConfig& config) { words_to_controls(config); });
    }

    Button_send_to_ktr27->setEnabled(true);
    Button_read_ktr27->setEnabled(true);
    Button1->setEnabled(true);
    menu->set_items_enabled(true);
    pacing.close();
    if (!link.via_panel && !closing) {
        Timer_dongle->start();
    }
}

void TForm_main::record_event_erasure(int address, int status) {
    operations->record_event_erasure(address, status);
}

// ---- Configuration files and the menu ----------------------------------------------------

namespace {

const QString file_filter = QStringLiteral("Konfiguracja KTR27 (*.ktr27)");

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
    show_loaded(*loaded.config, QStringLiteral("z pliku %1").arg(QDir::toNativeSeparators(path)),
                QStringLiteral("plik"));
    return true;
}

void TForm_main::load_backup(const DetectorConfig& config, const QString& when) {
    show_loaded(config, QStringLiteral("z kopii z %1").arg(when), QStringLiteral("kopię"));
}

void TForm_main::show_loaded(const DetectorConfig& config, const QString& origin,
                             const QString& again) {
    words_to_controls(config);
    // The configuration may hold options the connected detector (or, before any, none) does
    // not have. The gate clears them, and a line that loads its file before plugging detectors
    // would write a whole series without them unless it is told.
    const DetectorConfig loaded = config_from_controls();
    apply_detector_version(gate_version);
    const QStringList dropped = config_controls->differing_captions(loaded, config_from_controls());
    if (!dropped.isEmpty()) {
        const QString which =
            detector_present || gate_version != version_before_any_detector
                ? QStringLiteral("czujka w wersji %1 nie ma opcji").arg(gate_version)
                : QStringLiteral("żadna czujka nie podała jeszcze swojej wersji, więc "
                                 "pominięto opcje zależne od wersji");
        show_user_message(QStringLiteral("Wczytano konfigurację %1, ale %2: %3. Nie "
                                         "zostaną one zapisane do czujki; aby je zapisać, "
                                         "wczytaj %4 ponownie, gdy podłączona jest czujka, "
                                         "która je ma.")
                              .arg(origin, which, dropped.join(QStringLiteral(", ")), again)
                              .toStdString());
    }
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

std::unique_ptr<TForm_backups> TForm_main::backups_window() {
    Record_database* database = station_store.database();
    const QString wid = Kept_segments::identifies_a_detector(parameter_words.WID)
                            ? Stored_kept_segments::wid_text(parameter_words.WID)
                            : QString();
    TForm_backups::Main_window side;
    side.load = [this](const DetectorConfig& config, const QString& when) {
        load_backup(config, when);
    };
    side.differing = [this](const DetectorConfig& config) {
        return config_controls->differing_captions(config, config_from_controls());
    };
    return std::make_unique<TForm_backups>(
        database != nullptr ? database->connection() : QSqlDatabase(), wid, std::move(side), this);
}

void TForm_main::Action_backupsClick() {
    backups_window()->exec();
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

void TForm_main::Action_loopClick() {
    if (Form_pnx == nullptr || !Form_pnx->panel_link_open()) {
        return;
    }
    const bool ticking = Timer_dongle->isActive();
    Timer_dongle->stop();
    wait_for_tick();
    const Window_naming naming(*config_controls);
    TForm_loop loop(
        *operations, Form_pnx->pnx_connection(),
        static_cast<std::uint8_t>(Config_controls::spin_value(CSpinEdit_cmp)), naming,
        [this] { return config_from_controls(); },
        [this](const ParameterWords::Pair& wid) {
            std::vector<Backup_restore::Stored> stored;
            for (const Backup_lookup::Stored& backup :
                 Backup_lookup::of_wid(station_store, wid, kept_backups_offered)) {
                stored.push_back({backup.time.local_text(), backup.kind, backup.config});
            }
            return stored;
        },
        this);
    loop.exec();
    // The loop's writes may have moved detectors.
    mark_loop_addresses();
    if (ticking && !closing) {
        Timer_dongle->start();
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
    const Detector_link link = operation_link();
    {
        // Cleared after the tick has released the dongle.
        const Tick_flag tick(tick_running);
        const Detector_operations::Tick_report report = operations->tick(link);
        if (report.link_found) {
            lamps.show_link(link.via_panel);
        } else {
            lamps.show_no_link();
        }
        if (report.detector_answers) {
            apply_detector_version(static_cast<int>(report.version));
            lamps.show_detector(report.version, report.information);
            detector_present = true;
        } else {
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
    menu->set_loop_available(panel_mode);
    mark_loop_addresses();
}

void TForm_main::mark_loop_addresses() {
    const std::vector<int> none;
    const std::vector<int>& found =
        panel_mode && Form_pnx != nullptr ? Form_pnx->loop_addresses() : none;
    config_controls->mark_taken_addresses(found);
}

bool TForm_main::loop_address_free(const DetectorConfig& config) {
    if (!panel_mode || Form_pnx == nullptr || !config.has_basic_address()) {
        return true;
    }
    const int wanted = config.address;
    const int chosen = Form_pnx->detector_address();
    if (!Form_pnx->pnx_connection().address_taken_by_another(wanted)) {
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
