// ktr27tunex-bench: the configurator's own windows over the simulated bench, on the real clock,
// with the Bench window beside them to plug, unplug and break the simulated devices.

#include "bench_options.h"
#include "bench_script.h"
#include "bench_window.h"
#include "real_clock.h"
#include "sim_bench.h"
#include "tunex_application.h"
#include "tunex_windows.h"
#include "user_files.h"

#include <QIcon>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

Bench_script::Scenario scenario_of(Bench_options::Mode mode) {
    switch (mode) {
    case Bench_options::Mode::self_test_series:
        return Bench_script::Scenario::series;
    case Bench_options::Mode::self_test_panel:
        return Bench_script::Scenario::panel;
    case Bench_options::Mode::self_test_loop:
        return Bench_script::Scenario::loop;
    case Bench_options::Mode::self_test_kept_give_up:
        return Bench_script::Scenario::kept_give_up;
    case Bench_options::Mode::self_test_kept_restore:
        return Bench_script::Scenario::kept_restore;
    case Bench_options::Mode::screenshot:
        return Bench_script::Scenario::screenshot;
    default:
        return Bench_script::Scenario::read_write;
    }
}

// Prints the usage or the version when asked for; true when the program is done.
bool answered(const Bench_options& options) {
    if (options.help) {
        std::fputs(Bench_options::usage().c_str(), stdout);
        return true;
    }
    if (options.version) {
        std::fputs(Bench_options::version_line().c_str(), stdout);
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version need no display: they are answered before the toolkit looks for
    // one. A command line that does not parse here may still hold the toolkit's own options
    // (-platform, -style), so it is judged again once the toolkit has taken those out.
    {
        std::string ignored;
        const auto early =
            Bench_options::parse(std::vector<std::string>(argv + 1, argv + argc), ignored);
        if (early && answered(*early)) {
            return 0;
        }
    }

    Tunex_application application(argc, argv);
    // Its own name gives the bench its own write record: simulated detectors never show up in
    // the history of the detectors a production line really programmed.
    QApplication::setApplicationName(QStringLiteral("ktr27tunex-bench"));
    User_files::prepare();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ktr27tunex.png")));

    std::vector<std::string> arguments;
    const QStringList given = QCoreApplication::arguments();
    for (qsizetype i = 1; i < given.size(); ++i) {
        arguments.push_back(given[i].toStdString());
    }
    std::string error;
    const auto options = Bench_options::parse(arguments, error);
    if (!options) {
        std::fprintf(stderr, "ktr27tunex-bench: %s\n\n%s", error.c_str(),
                     Bench_options::usage().c_str());
        return 2;
    }
    if (answered(*options)) {
        return 0;
    }

    // The simulated OS goes in before any window exists: every layer above the OS seam then
    // runs exactly as in ktr27tunex, only the devices are simulated.
    Real_clock clock;
    Sim_bench bench(clock);
    Tunex_windows::show_messages_in_boxes();

    Tunex_windows windows;
    Bench_window bench_window(bench);
    windows.Form_main.show();
    windows.Form_main.station_store.open();
    bench_window.show();
    bench_window.place_beside(windows.Form_main);

    std::unique_ptr<Bench_script> script;
    if (options->mode != Bench_options::Mode::interactive) {
        script = std::make_unique<Bench_script>(scenario_of(options->mode), windows, bench_window,
                                                bench, options->screenshot_dir);
        script->start();
    }
    const int status = QApplication::exec();
    if (script && !script->passed()) {
        return 1;
    }
    return status;
}
