#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Bench_window;
class QAbstractButton;
class QComboBox;
class QString;
class QWidget;
class TForm_loop;
class Sim_bench;
class Tunex_windows;

// Drives the bench program by itself, through the same buttons a person clicks: the Bench
// window's to plug devices, the configurator's to read and write. Every user message is shown
// as the real message box and dismissed after a moment; the texts are recorded, printed and
// checked. The scenario ends by closing the main window, which ends the program.
class Bench_script : public QObject {
    Q_OBJECT
public:
    enum class Scenario {
        read_write, // one read and one write of a factory-fresh detector, then a read back
        series,     // three fresh detectors with address increment and write on connect
        panel,      // a detector on the panel's loop, chosen in the panel window, read and written
        screenshot, // the windows in use, saved as PNG files
        loop,       // twelve detectors surveyed in the loop window, planned, written, reported
        // A write given up after the erase, and in a later run of the program the same
        // detector and a stranger written: the kept factory words survive the closed program.
        kept_give_up,
        kept_restore,
    };

    // How long each message box stays up before the script dismisses it.
    static constexpr int message_shown_ms = 300;

    Bench_script(Scenario scenario, Tunex_windows& windows, Bench_window& bench_window,
                 Sim_bench& bench, std::string screenshot_dir = {});
    ~Bench_script() override;

    // Installs the message recorder and runs the scenario once the event loop is up.
    void start();
    // True when the scenario ran to its end and every check held.
    bool passed() const { return finished && failures == 0; }

private:
    void run();
    void run_read_write();
    void run_series();
    void run_panel();
    void run_screenshots();
    void run_loop();
    void run_kept_give_up();
    void run_kept_restore();
    // In the open loop window: the survey, the plan, the writes and the report.
    void work_in_loop_window(TForm_loop& window, int silent, int duplicated);
    // The report's text holds what the table says.
    void check_report(const QString& pdf);

    void click(QAbstractButton* button, const char* what);
    // The user picks entry `entry` of a drop-down list.
    void pick(QComboBox* list, int entry);
    // Lets the windows run (timers, repaints) for `ms` of real time.
    void pause(int ms);
    bool wait_for(const std::function<bool()>& condition, int timeout_ms);
    void check(bool holds, const std::string& what);
    // The messages shown since the last call must be exactly `expected`.
    void expect_messages(const std::vector<std::string>& expected, const std::string& during);
    int count_message(const std::string& text) const;
    void save(QWidget& window, const std::string& file);
    void say(const std::string& line) const;

    Scenario scenario;
    Tunex_windows& windows;
    Bench_window& bench_window;
    Sim_bench& bench;
    std::string screenshot_dir;
    std::vector<std::string> messages;
    std::size_t checked_messages = 0;
    int failures = 0;
    bool finished = false;
};
