#include "bench_script.h"

#include "bench_window.h"
#include "detector_group.h"
#include "dongle_group.h"
#include "edit_combo_box.h"
#include "os_api.h"
#include "panel_group.h"
#include "sim_bench.h"
#include "tform_history.h"
#include "tform_station.h"
#include "trace_file.h"
#include "tunex_windows.h"
#include "user_message.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <set>

namespace {

const std::string crc_error = "Błąd CRC w konfiguracji!";
const std::string write_done = "Operacja przebiegła prawidłowo";
const QString detector_connected = QStringLiteral("CZUJKA KTR27 PODŁĄCZONA");
const QString detector_missing = QStringLiteral("CZUJKA KTR27 NIE PODŁĄCZONA");
// A write against the real clock takes about ten seconds.
constexpr int write_timeout_ms = 60000;
// The monitor looks once a second; a loaded machine (a sanitizer build beside other tests) can
// delay a few of its ticks, and the wait ends as soon as the lamp shows, so a generous bound costs
// nothing.
constexpr int monitor_timeout_ms = 15000;

std::uintmax_t trace_size() {
    std::error_code error;
    const auto size = std::filesystem::file_size(trace_file_path(), error);
    return error ? 0 : size;
}

std::string join(const std::vector<std::string>& texts) {
    std::string joined = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        joined += (i == 0 ? "\"" : ", \"") + texts[i] + "\"";
    }
    return joined + "]";
}

bool same_config(const Sim_detector::Config& stored, const DetectorConfig& window) {
    return stored.options1 == window.options1 && stored.address == window.address &&
           stored.rop_address == window.rop_address && stored.options2 == window.options2 &&
           stored.rop_ans == window.rop_ans && stored.rop_alm == window.rop_alm &&
           stored.smoke_profile == window.smoke_profile && stored.hc == window.hc;
}

} // namespace

Bench_script::Bench_script(Scenario scenario, Tunex_windows& windows, Bench_window& bench_window,
                           Sim_bench& bench, std::string screenshot_dir)
    : scenario(scenario), windows(windows), bench_window(bench_window), bench(bench),
      screenshot_dir(std::move(screenshot_dir)) {}

Bench_script::~Bench_script() {
    Tunex_windows::show_messages_in_boxes();
}

void Bench_script::start() {
    set_user_message_handler([this](const std::string& text) {
        messages.push_back(text);
        say("message: " + text);
        // The real message box, as a person would see it, closed by the script.
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(QApplication::applicationName());
        box.setText(QString::fromStdString(text));
        QTimer::singleShot(message_shown_ms, &box, &QMessageBox::accept);
        box.exec();
    });
    QTimer::singleShot(0, this, [this] { run(); });
}

void Bench_script::run() {
    switch (scenario) {
    case Scenario::read_write:
        run_read_write();
        break;
    case Scenario::series:
        run_series();
        break;
    case Scenario::panel:
        run_panel();
        break;
    case Scenario::screenshot:
        run_screenshots();
        break;
    }
    finished = true;
    say(failures == 0 ? "PASS" : "FAIL: " + std::to_string(failures) + " check(s) failed");
    std::cout << std::endl;
    windows.Form_main.close();
}

void Bench_script::run_read_write() {
    TForm_main& form = windows.Form_main;
    click(bench_window.dongle->plug_button, "Bench: Plug (dongle)");
    click(bench_window.detector->fresh_radio, "Bench: factory-fresh");
    click(bench_window.detector->fresh_button, "Bench: Plug a fresh detector");
    Sim_detector* detector = bench.dongle().detector();
    check(detector != nullptr, "a detector is in the dongle's socket");
    if (detector == nullptr) {
        return;
    }
    check(wait_for([&] { return form.Label_ktr_info->text() == detector_connected; },
                   monitor_timeout_ms),
          "the monitor shows \"CZUJKA KTR27 PODŁĄCZONA\"");

    const std::uintmax_t trace_before = trace_size();
    click(form.Button_read_ktr27, "Odczytaj");
    expect_messages({crc_error}, "the read of a factory-fresh detector");
    check(trace_size() > trace_before, "the read added lines to msp430_log.txt");

    // Something worth writing: the alarm-system preset with basic address 12.
    click(form.Button_set_alarm, "KTR27 W");
    pick(form.ComboBox_address_1, 13);
    const DetectorConfig wanted = form.config_from_controls();
    std::vector<std::uint16_t> factory_data;
    for (std::uint16_t address = 0x1060; address < 0x1080; address += 2) {
        factory_data.push_back(detector->word(address));
    }

    click(form.Button_send_to_ktr27, "Wyslij");
    expect_messages({crc_error, write_done}, "the write");
    check(same_config(detector->config(), wanted),
          "the detector holds the window's eight configuration words");
    check(detector->config_crc_valid(), "the detector's configuration checksum is valid");
    check(detector->word(Sim_detector::config_start + 2) == 12, "the detector's address is 12");
    bool carried = true;
    for (std::uint16_t address = 0x1060, i = 0; address < 0x1080; address += 2, ++i) {
        carried = carried && detector->word(address) == factory_data[i];
    }
    check(carried, "the words 0x1060..0x107E came back unchanged");
    check(detector->flash().segment_erased(Sim_detector::backup_address),
          "the backup segment is erased");

    // Change the window, then read the detector back into it.
    click(form.Button_set_conv, "KTR27 K");
    click(form.Button_read_ktr27, "Odczytaj");
    expect_messages({}, "the read after the write");
    const DetectorConfig shown = form.config_from_controls();
    check(same_config(detector->config(), shown),
          "the read shows the written configuration in the window");
    check(form.ComboBox_address_1->currentText() == QStringLiteral("12"),
          "\"Adres podstawowy\" shows 12");
}

void Bench_script::run_series() {
    TForm_main& form = windows.Form_main;
    constexpr int series = 3;
    constexpr int first_entry = 6; // address "5"
    click(bench_window.dongle->plug_button, "Bench: Plug (dongle)");
    click(bench_window.detector->fresh_radio, "Bench: factory-fresh");
    pick(form.ComboBox_address_1, first_entry);
    click(form.CheckBox_address_increment, "Zwiększ przy podłączeniu");
    click(form.CheckBox_send_on_connect, "Wyślij przy podłączeniu");

    std::vector<Sim_detector*> written;
    for (int n = 1; n <= series; ++n) {
        click(bench_window.detector->fresh_button, "Bench: Plug a fresh detector");
        const bool done =
            wait_for([&] { return count_message(write_done) >= n; }, write_timeout_ms);
        check(done, "detector " + std::to_string(n) + " was written on connect");
        if (!done) {
            return;
        }
        Sim_detector* detector = bench.dongle().detector();
        check(detector != nullptr, "the written detector is in the socket");
        if (detector == nullptr) {
            return;
        }
        written.push_back(detector);
        // Two more monitor ticks with the same detector must not write it again.
        pause(2500);
        expect_messages({crc_error, write_done},
                        "the write on connect of detector " + std::to_string(n));
        const auto address = static_cast<std::uint16_t>(5 + n);
        check(detector->word(Sim_detector::config_start + 2) == address,
              "detector " + std::to_string(n) + " got address " + std::to_string(address));
        check(detector->config_crc_valid(),
              "detector " + std::to_string(n) + " has a valid configuration checksum");
        // One write erases the configuration segment once and the backup segment once.
        check(detector->flash().erase_count() == 2,
              "detector " + std::to_string(n) + " was written exactly once");
    }
    check(form.ComboBox_address_1->currentText() == QStringLiteral("8"),
          "\"Adres podstawowy\" stands at 8 after three detectors");
    check(std::set<Sim_detector*>(written.begin(), written.end()).size() == series,
          "every write went to a new detector");
}

void Bench_script::run_panel() {
    TForm_main& form = windows.Form_main;
    TForm_pnx& pnx = windows.Form_pnx;
    click(bench_window.panel->plug_button, "Bench: Plug module");
    click(bench_window.detector->configured_radio, "Bench: configured");
    for (int address : {3, 17}) {
        bench_window.panel->address_spin->setValue(address);
        click(bench_window.panel->add_button, "Bench: Add detector at");
    }
    Sim_detector* detector = bench.loop().at(17);
    check(detector != nullptr, "a detector is on the loop at address 17");
    if (detector == nullptr) {
        return;
    }

    // The panel window is modal: the steps inside it run once it is up. The timer goes with
    // this function, so the steps can never run after it returned.
    bool chosen = false;
    QTimer inside_panel_window;
    inside_panel_window.setSingleShot(true);
    connect(&inside_panel_window, &QTimer::timeout, this, [&] {
        pnx.medt_check_password->setText(bench_window.panel->password_edit->text());
        click(pnx.Button_connect, "Połącz");
        const int entry = pnx.ComboBox_adr->findText(QStringLiteral("17"));
        check(entry >= 0, "the panel window lists address 17");
        if (entry < 0) {
            pnx.reject();
            return;
        }
        pnx.ComboBox_adr->setCurrentIndex(entry);
        chosen = true;
        click(pnx.Button_edit, "Wybierz");
    });
    inside_panel_window.start(500);
    click(form.Button1, "PNX30 (KMX12)...");
    check(chosen && !pnx.isVisible(), "the panel window closed after \"Wybierz\"");
    check(form.panel_mode, "the main window works through the panel");
    check(
        wait_for([&] { return form.Label_dev_state->text() == QStringLiteral("KMX12 PODŁĄCZONY"); },
                 monitor_timeout_ms),
        "the monitor shows \"KMX12 PODŁĄCZONY\"");
    check(wait_for([&] { return form.Label_ktr_info->text() == detector_connected; },
                   monitor_timeout_ms),
          "the monitor finds the detector through the panel");

    click(form.Button_read_ktr27, "Odczytaj");
    expect_messages({}, "the read through the panel");
    check(same_config(detector->config(), form.config_from_controls()),
          "the window shows the configuration of the detector at address 17");

    click(form.Button_set_PNX30, "KTR27 A");
    pick(form.ComboBox_address_1, 18);
    const DetectorConfig wanted = form.config_from_controls();
    click(form.Button_send_to_ktr27, "Wyslij");
    expect_messages({write_done}, "the write through the panel");
    check(same_config(detector->config(), wanted),
          "the detector at loop address 17 holds the window's configuration");
    check(detector->config_crc_valid(), "its configuration checksum is valid");
    check(bench.loop().at(3)->flash().erase_count() == 0, "the other loop detector is untouched");
}

void Bench_script::run_screenshots() {
    TForm_main& form = windows.Form_main;
    const QDir dir(QString::fromStdString(screenshot_dir));
    check(QDir().mkpath(dir.absolutePath()), "the screenshot directory exists");

    // The panel window logged in to a panel with two detectors on its loop, scanned.
    click(bench_window.panel->plug_button, "Bench: Plug module");
    for (int address : {3, 17}) {
        bench_window.panel->address_spin->setValue(address);
        click(bench_window.panel->add_button, "Bench: Add detector at");
    }
    TForm_pnx& pnx = windows.Form_pnx;
    pnx.show();
    pnx.medt_check_password->setText(bench_window.panel->password_edit->text());
    click(pnx.Button_connect, "Połącz");
    pause(300);
    save(pnx, "panel-window.png");
    pnx.hide();

    // A new detector written with the alarm-system preset at address 12: the bench shows its
    // memory just after the write.
    click(bench_window.dongle->plug_button, "Bench: Plug (dongle)");
    click(bench_window.detector->fresh_radio, "Bench: factory-fresh");
    click(bench_window.detector->fresh_button, "Bench: Plug a fresh detector");
    check(wait_for([&] { return form.Label_ktr_info->text() == detector_connected; },
                   monitor_timeout_ms),
          "the monitor shows \"CZUJKA KTR27 PODŁĄCZONA\"");
    click(form.Button_set_alarm, "KTR27 W");
    pick(form.ComboBox_address_1, 13);
    click(form.Button_send_to_ktr27, "Wyslij");
    expect_messages({crc_error, write_done}, "the write");
    bench_window.refresh();
    pause(100);
    save(bench_window, "bench.png");

    // The main window with the configuration read back from the detector.
    click(form.Button_set_conv, "KTR27 K");
    click(form.Button_read_ktr27, "Odczytaj");
    expect_messages({}, "the read after the write");
    pause(1200);
    save(form, "main-window-read.png");

    // The history window over the bench's station database, the write above among its rows.
    TForm_history history(form.station_store, &form);
    history.show();
    pause(300);
    save(history, "history-window.png");
    history.hide();

    // The station's settings as a line's station would have them.
    Station_settings station = form.station_store.settings();
    station.operator_name = QStringLiteral("Żaneta Łęcka");
    station.line = Station_settings::Line::connection;
    station.connection = QStringLiteral("host=10.0.0.5 dbname=ktr27_line user=ktr_station");
    station.sslmode = QStringLiteral("verify-full");
    TForm_station settings(station, &form);
    settings.show();
    pause(300);
    save(settings, "station-window.png");
    settings.hide();
}

void Bench_script::click(QAbstractButton* button, const char* what) {
    say(std::string("click: ") + what);
    if (!button->isEnabled()) {
        check(false, std::string(what) + " is enabled");
        return;
    }
    button->click();
    QCoreApplication::processEvents();
}

void Bench_script::pick(QComboBox* list, int entry) {
    say("pick: " + list->objectName().toStdString() + " = " + list->itemText(entry).toStdString());
    list->setCurrentIndex(entry);
    emit list->activated(entry);
    QCoreApplication::processEvents();
}

void Bench_script::pause(int ms) {
    wait_for([] { return false; }, ms);
}

bool Bench_script::wait_for(const std::function<bool()>& condition, int timeout_ms) {
    Os_api& os = os_api();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents();
        os.sleep_ms(10);
    }
    return true;
}

void Bench_script::check(bool holds, const std::string& what) {
    say((holds ? "ok: " : "FAILED: ") + what);
    if (!holds) {
        ++failures;
    }
}

void Bench_script::expect_messages(const std::vector<std::string>& expected,
                                   const std::string& during) {
    const std::vector<std::string> shown(
        messages.begin() + static_cast<std::ptrdiff_t>(checked_messages), messages.end());
    checked_messages = messages.size();
    check(shown == expected, "messages of " + during + ": " + join(shown) +
                                 (shown == expected ? "" : ", expected " + join(expected)));
}

int Bench_script::count_message(const std::string& text) const {
    return static_cast<int>(std::count(messages.begin(), messages.end(), text));
}

void Bench_script::save(QWidget& window, const std::string& file) {
    const QString path =
        QDir(QString::fromStdString(screenshot_dir)).absoluteFilePath(QString::fromStdString(file));
    const bool saved = window.grab().save(path, "PNG");
    check(saved, "saved " + path.toStdString());
}

// The link classes print their step texts on the same output, each starting with a line end
// and left open; the script's lines do the same, so that each starts on a line of its own.
void Bench_script::say(const std::string& line) const {
    std::cout << "\nbench: " << line << std::flush;
}
