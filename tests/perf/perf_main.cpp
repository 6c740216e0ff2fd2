#include "loop_session.h"
#include "operation_timer.h"
#include "protocol_floor.h"
#include "real_clock.h"
#include "sim_bench.h"
#include "tunex_windows.h"
#include "user_message.h"

#include <QComboBox>
#include <QLineEdit>

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Figures {
    std::string name;
    std::uint64_t floor_ms;
    bool wall_clock;
    std::vector<Timed> runs;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double median_of(const std::vector<Timed>& runs, double Timed::*field) {
    std::vector<double> values;
    for (const Timed& t : runs) {
        values.push_back(t.*field);
    }
    return median(values);
}

// The trace file goes to a directory of its own, so the benchmark leaves nothing behind.
class Scratch_directory {
public:
    Scratch_directory() : previous(std::filesystem::current_path()) {
        dir = std::filesystem::temp_directory_path() /
              ("ktr27tunex-perf-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::filesystem::create_directory(dir);
        std::filesystem::current_path(dir);
    }
    ~Scratch_directory() {
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        std::filesystem::remove_all(dir, ignored);
    }

    std::filesystem::path dir;

private:
    std::filesystem::path previous;
};

constexpr const char* help_text =
    "Usage: ktr27tunex-perf [RUNS [LOOP_RUNS]]\n"
    "\n"
    "Times the configurator's own operations on a prompt simulated bench and compares each\n"
    "with its protocol floor, the pauses and poll sleeps the protocol prescribes with every\n"
    "transfer done at its first look. On the wall clock:\n"
    "  read, write  \"Odczytaj\" and \"Wyslij\" through the dongle\n"
    "  tick         one connection-monitor tick through the dongle\n"
    "  panel read, panel write\n"
    "               the same read and write of a detector on the PNX30 loop, through the\n"
    "               simulated KMX12 module, after logging in with the panel window\n"
    "  loop survey, loop write\n"
    "               the loop window's \"Odczytaj pętlę\" and \"Zapisz zaznaczone\" (every row,\n"
    "               the plan as found) over 20 detectors on the loop\n"
    "On a virtual clock, which moves only by the sleeps asked for (so its time must equal the\n"
    "floor, and what the wall clock took is the tool's and the simulation's own work):\n"
    "  loop survey, loop write over 99 detectors, and the PDF report of those 99\n"
    "The single operations run RUNS times (default 5), the loop ones LOOP_RUNS times (default\n"
    "1; one wall-clock survey and write of 20 detectors take about 90 s). The figures are the\n"
    "median and the worst run; \"slept\" is what the sleeps asked for, \"work\" the rest.\n"
    "Exit status 0 when every operation ended as it should (each write verified), whatever the\n"
    "ratios.\n";

constexpr int wall_loop_detectors = 20;
constexpr int virtual_loop_detectors = 99;

// The runs asked for, or false when the arguments make no sense.
bool runs_from(int argc, char** argv, int& runs, int& loop_runs) {
    runs = argc >= 2 ? std::atoi(argv[1]) : 5;
    loop_runs = argc >= 3 ? std::atoi(argv[2]) : 1;
    return argc <= 3 && runs > 0 && loop_runs > 0;
}

// Logs in to the panel as the user would, in the panel window opened from the main window, and
// picks the detector at `address`; true when the main window now works through the panel.
bool choose_loop_detector(Tunex_windows& windows, int address) {
    TForm_pnx& pnx = windows.Form_pnx;
    // The panel window is modal: the user's part runs inside its message loop. The timer goes
    // with this call, so it cannot fire later if the window never opened.
    QTimer inside;
    inside.setSingleShot(true);
    QObject::connect(&inside, &QTimer::timeout, &pnx, [&] {
        pnx.medt_check_password->setText(QStringLiteral("1234"));
        pnx.Button_connectClick();
        const int entry = pnx.ComboBox_adr->findText(QString::number(address));
        if (entry >= 0) {
            pnx.ComboBox_adr->setCurrentIndex(entry);
            pnx.Button_editClick();
        }
        if (pnx.isVisible()) {
            pnx.reject();
        }
    });
    inside.start(0);
    windows.Form_main.Button1Click();
    return windows.Form_main.panel_mode && pnx.detector_address() == address;
}

// Detectors at loop addresses 1 to `count`, each configured with its loop address as its basic
// address and an identity of its own, so that the plan made from them has no clash.
void fill_loop(Sim_bench& bench, int count) {
    for (int address = 1; address <= count; ++address) {
        Sim_detector::Identity identity;
        identity.wid = {static_cast<std::uint16_t>(0x2400 + address), 0x0052};
        Sim_detector::Config config;
        config.options1 = 0x4180 | 0x0020; // with a basic address
        config.address = static_cast<std::uint16_t>(address);
        bench.add_loop_detector(static_cast<std::uint8_t>(address),
                                Sim_detector::configured(identity, config));
    }
}

// The windows as the application starts them, their writes kept in a database of their own.
void prepare(Tunex_windows& windows, const std::filesystem::path& folder) {
    TForm_main& form = windows.Form_main;
    form.station_store.set_folder(QString::fromStdString(folder.string()));
    // The operations are run here one after another; a tick of the window's own timer in
    // between would only add noise.
    form.Timer_dongle->setInterval(std::chrono::hours(24));
    form.show();
    QCoreApplication::processEvents();
}

void add_loop_figures(std::vector<Figures>& figures, const Loop_session::Result& loop,
                      int detectors, bool wall_clock) {
    const std::string count = " " + std::to_string(detectors);
    figures.push_back({"loop survey" + count, Protocol_floor::loop_survey_ms(detectors), wall_clock,
                       loop.survey});
    figures.push_back(
        {"loop write" + count, Protocol_floor::loop_write_ms(detectors), wall_clock, loop.write});
}

// On the wall clock: the dongle's read, write and tick, the panel's read and write and the
// loop window over 20 detectors. False when an operation did not end as it should.
bool time_on_wall_clock(int runs, int loop_runs, const Scratch_directory& scratch,
                        std::vector<Figures>& figures) {
    Real_clock clock;
    Operation_timer timer(clock);
    Sim_bench bench(clock);
    bench.plug_dongle();
    bench.dongle().set_reply_delay_ms(0);
    bench.attach_detector(Sim_detector::configured(52, 0x21));

    std::vector<std::string> messages;
    const User_message_handler previous = set_user_message_handler(
        [&messages](const std::string& text) { messages.push_back(text); });
    Tunex_windows windows;
    prepare(windows, scratch.dir / "record");
    TForm_main& form = windows.Form_main;

    figures.push_back({"read", Protocol_floor::read_ms(), true, {}});
    figures.push_back({"write", Protocol_floor::write_ms(), true, {}});
    figures.push_back({"tick", Protocol_floor::tick_ms(), true, {}});
    const std::size_t first = figures.size() - 3;
    for (int run = 0; run < runs; ++run) {
        figures[first].runs.push_back(timer.time([&] { form.Button_read_ktr27Click(); }));
        figures[first + 1].runs.push_back(timer.time([&] { form.Button_send_to_ktr27Click(); }));
        figures[first + 2].runs.push_back(timer.time([&] { form.Timer_dongleTimer(); }));
    }

    // The same detector configuration on the panel's loop, reached through the module.
    constexpr int loop_address = 17;
    bench.plug_module();
    bench.module().set_reply_delay_ms(0);
    fill_loop(bench, wall_loop_detectors);
    const bool via_panel = choose_loop_detector(windows, loop_address);
    figures.push_back({"panel read", Protocol_floor::panel_read_ms(), true, {}});
    figures.push_back({"panel write", Protocol_floor::panel_write_ms(), true, {}});
    for (int run = 0; via_panel && run < runs; ++run) {
        figures[first + 3].runs.push_back(timer.time([&] { form.Button_read_ktr27Click(); }));
        figures[first + 4].runs.push_back(timer.time([&] { form.Button_send_to_ktr27Click(); }));
    }

    // Every write must have verified, or the figures are of something else.
    const auto done =
        std::count(messages.begin(), messages.end(), std::string("Operacja przebiegła prawidłowo"));
    bool healthy =
        via_panel && done == 2 * runs && messages.size() == static_cast<std::size_t>(2 * runs);
    if (!healthy) {
        std::printf("panel reached: %s; messages: %zu, of them %ld verified writes\n",
                    via_panel ? "yes" : "no", messages.size(), static_cast<long>(done));
    }

    const Loop_session::Result loop = Loop_session::run(
        form, timer, loop_runs, wall_loop_detectors, QString::fromStdString(scratch.dir.string()));
    add_loop_figures(figures, loop, wall_loop_detectors, true);
    if (!loop.healthy) {
        std::printf("loop window, wall clock: %s\n", qPrintable(loop.problem));
    }
    set_user_message_handler(previous);
    return healthy && loop.healthy;
}

// The loop window over 99 detectors on a virtual clock, and the report of them.
bool time_on_virtual_clock(int loop_runs, const Scratch_directory& scratch,
                           std::vector<Figures>& figures, std::vector<Timed>& report) {
    Sim_bench bench;
    Operation_timer timer(*bench.virtual_clock());
    bench.plug_module();
    bench.module().set_reply_delay_ms(0);
    fill_loop(bench, virtual_loop_detectors);
    Tunex_windows windows;
    prepare(windows, scratch.dir / "record-virtual");
    const bool via_panel = choose_loop_detector(windows, 1);
    const Loop_session::Result loop =
        Loop_session::run(windows.Form_main, timer, loop_runs, virtual_loop_detectors,
                          QString::fromStdString(scratch.dir.string()));
    add_loop_figures(figures, loop, virtual_loop_detectors, false);
    report = loop.report;
    if (!via_panel || !loop.healthy) {
        std::printf("loop window, virtual clock: panel reached: %s; %s\n", via_panel ? "yes" : "no",
                    qPrintable(loop.problem));
    }
    return via_panel && loop.healthy;
}

} // namespace

int main(int argc, char** argv) {
    const bool help_asked =
        argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
    int runs = 0;
    int loop_runs = 0;
    if (help_asked || !runs_from(argc, argv, runs, loop_runs)) {
        std::fputs(help_text, help_asked ? stdout : stderr);
        return help_asked ? 0 : 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    Scratch_directory scratch;

    std::vector<Figures> figures;
    std::vector<Timed> report;
    const bool wall_healthy = time_on_wall_clock(runs, loop_runs, scratch, figures);
    const bool virtual_healthy = time_on_virtual_clock(loop_runs, scratch, figures, report);

    std::printf("\n\nktr27tunex-perf: %d run(s) of each single operation, %d of each loop one, "
                "prompt simulated bench\n",
                runs, loop_runs);
    std::printf("%-16s %-7s %11s %11s %11s %7s %7s %11s %9s\n", "", "clock", "median ms",
                "worst ms", "floor ms", "ratio", "worst", "slept ms", "work ms");
    bool within = true;
    bool floors_exact = true;
    for (const Figures& f : figures) {
        if (f.runs.empty()) {
            continue;
        }
        const double time = median_of(f.runs, &Timed::clock_ms);
        double worst = 0;
        for (const Timed& t : f.runs) {
            worst = std::max(worst, t.clock_ms);
            floors_exact = floors_exact && t.slept_ms == static_cast<double>(f.floor_ms);
        }
        const double floor = static_cast<double>(f.floor_ms);
        if (f.wall_clock) {
            within = within && time / floor <= 1.01;
        }
        std::printf("%-16s %-7s %11.1f %11.1f %11llu %7.3f %7.3f %11.1f %9.1f\n", f.name.c_str(),
                    f.wall_clock ? "wall" : "virtual", time, worst,
                    static_cast<unsigned long long>(f.floor_ms), time / floor, worst / floor,
                    median_of(f.runs, &Timed::slept_ms), median_of(f.runs, &Timed::work_ms));
    }
    if (!report.empty()) {
        std::printf("loop report of %d detectors (PDF): median %.1f ms of work\n",
                    virtual_loop_detectors, median_of(report, &Timed::work_ms));
    }
    std::printf("target: every wall-clock median ratio at most 1.01: %s\n",
                within ? "met" : "NOT met");
    std::printf("every run slept exactly its floor: %s\n", floors_exact ? "yes" : "NO");
    return wall_healthy && virtual_healthy ? 0 : 1;
}
