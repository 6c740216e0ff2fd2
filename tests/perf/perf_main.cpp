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
    const char* name;
    std::uint64_t floor_ms;
    std::vector<double> wall_ms;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each operation pays exactly its own sleeps: none carried in from the one before, none left
// owing to the one after.
double time_ms(Real_clock& clock, const std::function<void()>& operation) {
    clock.settle();
    const auto start = std::chrono::steady_clock::now();
    operation();
    clock.settle();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
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
    "Usage: ktr27tunex-perf [RUNS]\n"
    "\n"
    "Times the configurator's own operations on a prompt simulated bench on the wall clock and\n"
    "compares each with its protocol floor, the pauses and poll sleeps the protocol prescribes\n"
    "with every transfer done at its first look:\n"
    "  read, write  \"Odczytaj\" and \"Wyslij\" through the dongle\n"
    "  tick         one connection-monitor tick through the dongle\n"
    "  panel read, panel write\n"
    "               the same read and write of a detector on the PNX30 loop, through the\n"
    "               simulated KMX12 module, after logging in with the panel window\n"
    "Each operation runs RUNS times (default 5); the figures are the median and the worst run.\n"
    "Exit status 0 when every operation ended as it should (each write verified), whatever the\n"
    "ratios.\n";

// The number of runs, or 0 when the arguments make no sense.
int runs_from(int argc, char** argv) {
    if (argc < 2) {
        return 5;
    }
    return argc == 2 ? std::max(0, std::atoi(argv[1])) : 0;
}

// Logs in to the panel as the user would in the panel window and picks the detector at
// `address`; true when the main window now works through the panel.
bool choose_loop_detector(Tunex_windows& windows, int address) {
    TForm_pnx& pnx = windows.Form_pnx;
    pnx.medt_check_password->setText(QStringLiteral("1234"));
    pnx.Button_connectClick();
    const int entry = pnx.ComboBox_adr->findText(QString::number(address));
    if (entry < 0) {
        return false;
    }
    pnx.ComboBox_adr->setCurrentIndex(entry);
    pnx.Button_editClick();
    windows.Form_main.panel_mode = pnx.panel_link_open();
    return windows.Form_main.panel_mode;
}

} // namespace

int main(int argc, char** argv) {
    const bool help_asked =
        argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
    const int runs = help_asked ? 0 : runs_from(argc, argv);
    if (runs == 0) {
        std::fputs(help_text, help_asked ? stdout : stderr);
        return help_asked ? 0 : 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    Scratch_directory scratch;

    Real_clock clock;
    Sim_bench bench(clock);
    bench.plug_dongle();
    bench.dongle().set_reply_delay_ms(0);
    bench.attach_detector(Sim_detector::configured(52, 0x21));

    std::vector<std::string> messages;
    set_user_message_handler([&messages](const std::string& text) { messages.push_back(text); });

    Tunex_windows windows;
    TForm_main& form = windows.Form_main;
    // The benchmark's writes are no user's: they go to a database of its own, gone at the end.
    form.station_store.set_folder(QString::fromStdString((scratch.dir / "record").string()));
    // The operations are run here one after another; a tick of the window's own timer in
    // between would only add noise.
    form.Timer_dongle->setInterval(std::chrono::hours(24));
    form.show();
    QCoreApplication::processEvents();

    std::vector<Figures> figures = {
        {"read", Protocol_floor::read_ms(), {}},
        {"write", Protocol_floor::write_ms(), {}},
        {"tick", Protocol_floor::tick_ms(), {}},
    };
    for (int run = 0; run < runs; ++run) {
        figures[0].wall_ms.push_back(time_ms(clock, [&] { form.Button_read_ktr27Click(); }));
        figures[1].wall_ms.push_back(time_ms(clock, [&] { form.Button_send_to_ktr27Click(); }));
        figures[2].wall_ms.push_back(time_ms(clock, [&] { form.Timer_dongleTimer(); }));
    }

    // The same detector configuration on the panel's loop, reached through the module.
    constexpr int loop_address = 17;
    bench.plug_module();
    bench.module().set_reply_delay_ms(0);
    bench.add_loop_detector(loop_address, Sim_detector::configured(52, 0x21));
    const bool via_panel = choose_loop_detector(windows, loop_address);
    figures.push_back({"panel read", Protocol_floor::panel_read_ms(), {}});
    figures.push_back({"panel write", Protocol_floor::panel_write_ms(), {}});
    for (int run = 0; via_panel && run < runs; ++run) {
        figures[3].wall_ms.push_back(time_ms(clock, [&] { form.Button_read_ktr27Click(); }));
        figures[4].wall_ms.push_back(time_ms(clock, [&] { form.Button_send_to_ktr27Click(); }));
    }

    // Every write must have verified, or the figures are of something else.
    const auto done =
        std::count(messages.begin(), messages.end(), std::string("Operacja przebiegła prawidłowo"));
    const bool healthy =
        via_panel && done == 2 * runs && messages.size() == static_cast<std::size_t>(2 * runs);

    std::printf("\n\nktr27tunex-perf: %d run(s) of each operation, prompt simulated bench, wall "
                "clock\n",
                runs);
    std::printf("%-11s %12s %12s %12s %8s %8s\n", "", "median ms", "worst ms", "floor ms", "ratio",
                "worst");
    bool within = true;
    for (const Figures& f : figures) {
        if (f.wall_ms.empty()) {
            continue;
        }
        const double wall = median(f.wall_ms);
        const double worst = *std::max_element(f.wall_ms.begin(), f.wall_ms.end());
        const double ratio = wall / static_cast<double>(f.floor_ms);
        within = within && ratio <= 1.01;
        std::printf("%-11s %12.1f %12.1f %12llu %8.3f %8.3f\n", f.name, wall, worst,
                    static_cast<unsigned long long>(f.floor_ms), ratio,
                    worst / static_cast<double>(f.floor_ms));
    }
    std::printf("target: every median ratio at most 1.01: %s\n", within ? "met" : "NOT met");
    if (!healthy) {
        std::printf("panel reached: %s; messages: %zu, of them %ld verified writes\n",
                    via_panel ? "yes" : "no", messages.size(), static_cast<long>(done));
        return 1;
    }
    return 0;
}
