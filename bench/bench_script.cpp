#include "bench_script.h"

#include "bench_window.h"
#include "detector_group.h"
#include "dongle_group.h"
#include "edit_combo_box.h"
#include "kept_segments.h"
#include "loop_filler.h"
#include "loop_plan_file.h"
#include "main_menu.h"
#include "os_api.h"
#include "panel_group.h"
#include "sim_bench.h"
#include "station_store.h"
#include "stored_kept_segments.h"
#include "tform_history.h"
#include "tform_loop.h"
#include "tform_station.h"
#include "trace_file.h"
#include "tunex_windows.h"
#include "user_message.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
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

const std::string write_repeated = "Błąd zapisu pamięci. Upewnij się że czujka jest podłączona "
                                   "poprawnie. Operacja zostanie powtórzona";
const std::string write_given_up = "UWAGA!!! Błąd zapisu pamięci! Czujka KTR27 jest uszkodzona i "
                                   "nie nadaje się do użycia. Skontaktuj się z serwisem.";

// The detector whose write is given up, and a stranger left with the same erased segment.
constexpr std::array<std::uint16_t, 2> kept_wid{0x2417, 0x7E01};
constexpr std::array<std::uint16_t, 2> stranger_wid{0x2417, 0x7E02};
constexpr std::uint16_t segment_start = 0x1040;
constexpr std::uint16_t segment_end = 0x1080;
// The words a write carries over: 0x1050-0x105C and 0x1060-0x107E.
bool factory_word(std::uint16_t address) {
    return address >= 0x1050 && address != Sim_detector::crc_address;
}

std::vector<std::uint16_t> segment_words(const Sim_detector& detector) {
    std::vector<std::uint16_t> words;
    for (std::uint16_t address = segment_start; address < segment_end; address += 2) {
        words.push_back(detector.word(address));
    }
    return words;
}

// The detector's state between the two runs of the bench: its segment as the given-up write
// left it and as the factory made it, one line each, beside the bench's database.
QString kept_state_file(const Station_store& store) {
    return QDir(store.folder()).filePath(QStringLiteral("kept-detector-state.txt"));
}

void save_words(QTextStream& out, const std::vector<std::uint16_t>& words) {
    for (const std::uint16_t word : words) {
        out << QStringLiteral("%1 ").arg(word, 4, 16, QLatin1Char('0'));
    }
    out << '\n';
}

std::vector<std::uint16_t> load_words(QTextStream& in) {
    std::vector<std::uint16_t> words;
    for (const QString& part : in.readLine().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        words.push_back(static_cast<std::uint16_t>(part.toUInt(nullptr, 16)));
    }
    return words;
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
    case Scenario::loop:
        run_loop();
        break;
    case Scenario::kept_give_up:
        run_kept_give_up();
        break;
    case Scenario::kept_restore:
        run_kept_restore();
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

void Bench_script::run_loop() {
    TForm_main& form = windows.Form_main;
    TForm_pnx& pnx = windows.Form_pnx;
    click(bench_window.panel->plug_button, "Bench: Plug module");
    bench_window.panel->fill_spin->setValue(12);
    click(bench_window.panel->fill_button, "Bench: Fill the loop");
    check(bench.loop().size() == 12, "twelve detectors are on the loop");

    QTimer inside_panel_window;
    inside_panel_window.setSingleShot(true);
    connect(&inside_panel_window, &QTimer::timeout, this, [&] {
        pnx.medt_check_password->setText(bench_window.panel->password_edit->text());
        click(pnx.Button_connect, "Połącz");
        pnx.pnx_connection().choose_address("7");
        pnx.accept();
    });
    inside_panel_window.start(500);
    click(form.Button1, "PNX30 (KMX12)...");
    check(form.menu->Action_loop->isEnabled(), "\"Pętla PNX30...\" is enabled");

    bool worked = false;
    QTimer inside_loop_window;
    inside_loop_window.setSingleShot(true);
    connect(&inside_loop_window, &QTimer::timeout, this, [&] {
        auto* window = form.findChild<TForm_loop*>();
        check(window != nullptr, "the loop window is open");
        if (window == nullptr) {
            return;
        }
        check(!form.Timer_dongle->isActive(), "the monitor rests while the loop window is open");
        work_in_loop_window(*window, 11, 2);
        worked = true;
        click(window->Button_close, "Zamknij");
    });
    inside_loop_window.start(300);
    say("click: Plik > Pętla PNX30...");
    form.menu->Action_loop->trigger();
    check(worked, "the loop window did its work and closed");
    check(pnx.detector_address() == 7, "the panel window's chosen detector is 7 again");
    expect_messages({}, "the loop's work");
}

void Bench_script::work_in_loop_window(TForm_loop& window, int silent, int duplicated) {
    const auto row_text = [&](int address, int column) {
        for (int r = 0; r < window.Table_loop->rowCount(); ++r) {
            if (window.Table_loop->item(r, Loop_table::address)->text().toInt() == address) {
                return window.Table_loop->item(r, column)->text();
            }
        }
        return QString();
    };
    click(window.Button_survey, "Odczytaj pętlę");
    check(window.Table_loop->rowCount() == 11, "one row for each of the eleven addresses");
    check(row_text(silent, Loop_table::state) == QStringLiteral("brak odpowiedzi"),
          "the silent detector's row says \"brak odpowiedzi\"");
    check(row_text(duplicated, Loop_table::state)
              .startsWith(QStringLiteral("błąd sumy kontrolnej odpowiedzi")),
          "two detectors at one address: \"błąd sumy kontrolnej odpowiedzi...\"");
    check(row_text(4, Loop_table::state) == QStringLiteral("błąd sumy kontrolnej"),
          "the factory-fresh detector's checksum fails");
    check(row_text(1, Loop_table::summary) == QStringLiteral("jak KTR27 W"),
          "the first detector is named after its preset");

    // The plan: every detector like the one at 3 (preset A) at its own address; nothing at the
    // doubled address, so that nobody writes two detectors at once.
    const Loop_row* model = window.table().row_at(3);
    check(model != nullptr && model->configuration_known(), "the detector at 3 was read whole");
    if (model == nullptr || !model->found) {
        return;
    }
    Loop_plan plan;
    plan.site = {QStringLiteral("Hala magazynowa, Łódź"), QStringLiteral("PNX30 nr 1"),
                 QStringLiteral("Pętla 2"), QStringLiteral("Bench")};
    for (int address = 1; address <= 11; ++address) {
        if (address != duplicated) {
            DetectorConfig config = *model->found;
            config.set_addresses(address, std::nullopt, std::nullopt);
            plan.detectors[address] = config;
        }
    }
    QTemporaryDir folder;
    const QString plan_path = folder.filePath(QStringLiteral("pętla.ktr27loop"));
    QString problem;
    check(Loop_plan_file::save(plan_path, plan, problem), "the plan file is written");
    say("load plan: " + plan_path.toStdString());
    check(window.load_plan(plan_path), "\"Wczytaj plan...\" takes the plan");
    check(row_text(silent, Loop_table::plan_state) == QStringLiteral("brak na pętli"),
          "the silent detector is \"brak na pętli\"");
    check(row_text(1, Loop_table::plan_state).startsWith(QStringLiteral("różni się: „")),
          "the detector at 1 differs, named by captions: " +
              row_text(1, Loop_table::plan_state).toStdString());
    check(row_text(7, Loop_table::plan_state) == QStringLiteral("zgodna"),
          "the detector at 7 is as planned");

    // As the technician sees the loop against its plan, before writing.
    pause(200);
    save(window, "loop-window.png");

    click(window.Button_write_differing, "Zapisz różniące się");
    for (const auto& [address, config] : plan.detectors) {
        if (address == silent) {
            continue;
        }
        const Sim_detector* detector = bench.loop().at(static_cast<std::uint8_t>(address));
        check(detector != nullptr && same_config(detector->config(), config) &&
                  detector->config_crc_valid(),
              "the detector at " + std::to_string(address) + " holds its planned configuration");
        check(row_text(address, Loop_table::plan_state) == QStringLiteral("zgodna"),
              "its row says \"zgodna\"");
    }

    const QString pdf = folder.filePath(QStringLiteral("raport.pdf"));
    check(window.write_report(pdf), "\"Raport PDF...\" writes the report");
    check_report(pdf);
}

void Bench_script::check_report(const QString& pdf) {
    QFile file(pdf);
    check(file.open(QIODevice::ReadOnly), "the report can be opened");
    const QByteArray bytes = file.readAll();
    check(bytes.startsWith("%PDF-") && bytes.contains("/FontFile2"),
          "the report is a PDF with its fonts embedded");
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty()) {
        // Windows has no pdftotext; the Linux run of this scenario reads the text.
        say("pdftotext not found: the report's text is not extracted here");
        return;
    }
    QProcess extract;
    extract.start(tool, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    const bool ran = extract.waitForFinished(30000) && extract.exitCode() == 0;
    const QString text = QString::fromUtf8(extract.readAllStandardOutput());
    check(ran, "pdftotext reads the report");
    for (const char* expected :
         {"Obiekt: Hala magazynowa, Łódź", "Pętla: Pętla 2", "Wykonał: Bench", "prawidłowo",
          "brak na pętli", "Razem czujek: 11", "Strona 1 z "}) {
        check(text.contains(QString::fromUtf8(expected)),
              std::string("the report's text holds \"") + expected + "\"");
    }
}

void Bench_script::run_kept_give_up() {
    TForm_main& form = windows.Form_main;
    click(bench_window.dongle->plug_button, "Bench: Plug (dongle)");
    Sim_detector::Identity identity;
    identity.wid = kept_wid;
    Sim_detector made = Sim_detector::configured(identity, {});
    for (std::uint16_t address = 0x1050; address < Sim_detector::crc_address; address += 2) {
        made.set_word(address, static_cast<std::uint16_t>(0x5A00 + address - 0x1050));
    }
    made.write_config(made.config());
    Sim_detector& detector = bench.attach_detector(made);
    const std::vector<std::uint16_t> factory = segment_words(detector);
    check(wait_for([&] { return form.Label_ktr_info->text() == detector_connected; },
                   monitor_timeout_ms),
          "the monitor shows \"CZUJKA KTR27 PODŁĄCZONA\"");

    click(form.Button_set_alarm, "KTR27 W");
    detector.arm(Sim_detector::Fault::program_refused);
    click(form.Button_send_to_ktr27, "Wyslij");
    // Its own words at 0x1050-0x105C are not what the read's checksum expects there.
    expect_messages({crc_error, write_repeated, write_repeated, write_given_up},
                    "the failing write");
    bool erased = true;
    for (std::uint16_t address = 0x1050; address < segment_end; address += 2) {
        erased = erased && (!factory_word(address) || detector.word(address) == 0xFFFF);
    }
    check(erased, "the factory words 0x1050-0x107E are erased in the detector");

    Stored_kept_segments on_disk(form.station_store);
    Kept_segments read_again;
    read_again.persist_in(on_disk);
    check(read_again.holds(kept_wid), "the station database holds the detector's image");

    QFile file(kept_state_file(form.station_store));
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the detector's state is saved");
    QTextStream out(&file);
    save_words(out, segment_words(detector));
    save_words(out, factory);
}

void Bench_script::run_kept_restore() {
    TForm_main& form = windows.Form_main;
    QFile file(kept_state_file(form.station_store));
    check(file.open(QIODevice::ReadOnly), "the state the give-up run saved is there");
    QTextStream in(&file);
    const std::vector<std::uint16_t> left = load_words(in);
    const std::vector<std::uint16_t> factory = load_words(in);
    const auto count = static_cast<std::size_t>((segment_end - segment_start) / 2);
    check(left.size() == count && factory.size() == count, "the saved state is whole");
    if (left.size() != count || factory.size() != count) {
        return;
    }
    const auto plug_as_left = [&](std::array<std::uint16_t, 2> wid) -> Sim_detector& {
        Sim_detector::Identity identity;
        identity.wid = wid;
        Sim_detector made = Sim_detector::factory_fresh(identity);
        for (std::size_t i = 0; i < count; ++i) {
            made.set_word(static_cast<std::uint16_t>(segment_start + 2 * i), left[i]);
        }
        Sim_detector& plugged = bench.attach_detector(made);
        check(wait_for([&] { return form.Label_ktr_info->text() == detector_connected; },
                       monitor_timeout_ms),
              "the monitor shows \"CZUJKA KTR27 PODŁĄCZONA\"");
        return plugged;
    };
    click(bench_window.dongle->plug_button, "Bench: Plug (dongle)");
    click(form.Button_set_alarm, "KTR27 W");

    // The stranger first, while the image is still kept: it must not get another's words.
    Sim_detector& stranger = plug_as_left(stranger_wid);
    click(form.Button_send_to_ktr27, "Wyslij (another detector)");
    expect_messages({crc_error, write_done}, "the write of another detector");
    bool untouched = true;
    for (std::uint16_t address = 0x1050; address < segment_end; address += 2) {
        untouched = untouched && (!factory_word(address) || stranger.word(address) == 0xFFFF);
    }
    check(untouched, "another detector got none of the kept factory words");
    bench.detach_detector();
    check(wait_for([&] { return form.Label_ktr_info->text() == detector_missing; },
                   monitor_timeout_ms),
          "the monitor shows \"CZUJKA KTR27 NIE PODŁĄCZONA\"");

    Sim_detector& detector = plug_as_left(kept_wid);
    click(form.Button_send_to_ktr27, "Wyslij (the detector given up)");
    expect_messages({crc_error, write_done}, "the write of the detector given up");
    const std::vector<std::uint16_t> now = segment_words(detector);
    bool restored = true;
    for (std::size_t i = 0; i < count; ++i) {
        const auto address = static_cast<std::uint16_t>(segment_start + 2 * i);
        if (factory_word(address) && now[i] != factory[i]) {
            restored = false;
            say("word " + std::to_string(address) + " differs from the factory's");
        }
    }
    check(restored, "the words 0x1050-0x107E are exactly the factory words again");
    check(detector.config_crc_valid(), "the detector's configuration checksum is valid");

    Stored_kept_segments on_disk(form.station_store);
    Kept_segments read_again;
    read_again.persist_in(on_disk);
    check(!read_again.holds(kept_wid), "the verified write dropped the stored image");
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
