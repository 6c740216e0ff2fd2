#include "protocol_floor.h"
#include "real_clock.h"
#include "sim_bench.h"
#include "tunex_windows.h"
#include "user_message.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

double time_ms(const std::function<void()>& operation) {
    const auto start = std::chrono::steady_clock::now();
    operation();
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

private:
    std::filesystem::path previous;
    std::filesystem::path dir;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
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
        figures[0].wall_ms.push_back(time_ms([&] { form.Button_read_ktr27Click(); }));
        figures[1].wall_ms.push_back(time_ms([&] { form.Button_send_to_ktr27Click(); }));
        figures[2].wall_ms.push_back(time_ms([&] { form.Timer_dongleTimer(); }));
    }

    // Every write must have verified, or the figures are of something else.
    const auto done =
        std::count(messages.begin(), messages.end(), std::string("Operacja przebiegła prawidłowo"));
    const bool healthy = done == runs && messages.size() == static_cast<std::size_t>(runs);

    std::printf("\n\nktr27tunex-perf: %d run(s) of each operation, prompt simulated bench, wall "
                "clock\n",
                runs);
    std::printf("%-6s %12s %12s %12s %8s %8s\n", "", "median ms", "worst ms", "floor ms", "ratio",
                "worst");
    bool within = true;
    for (const Figures& f : figures) {
        const double wall = median(f.wall_ms);
        const double worst = *std::max_element(f.wall_ms.begin(), f.wall_ms.end());
        const double ratio = wall / static_cast<double>(f.floor_ms);
        within = within && ratio <= 1.03;
        std::printf("%-6s %12.1f %12.1f %12llu %8.3f %8.3f\n", f.name, wall, worst,
                    static_cast<unsigned long long>(f.floor_ms), ratio,
                    worst / static_cast<double>(f.floor_ms));
    }
    std::printf("target: every median ratio at most 1.03: %s\n", within ? "met" : "NOT met");
    if (!healthy) {
        std::printf("unexpected messages: %zu, of them %ld verified writes\n", messages.size(),
                    static_cast<long>(done));
        return 1;
    }
    return 0;
}
