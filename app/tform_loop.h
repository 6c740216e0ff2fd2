#pragma once

#include "backup_restore.h"
#include "loop_runner.h"
#include "loop_table.h"

#include <QDialog>
#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Detector_operations;
class Loop_naming;
class Pnx_connection;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

// "Pętla PNX30": the whole loop in one table, surveyed, compared with a plan, written many
// detectors at a time and handed over as a report. The window only shows: the table, the plan
// and the runs are the loop library's; it works through the panel window's connection and
// leaves the user's chosen detector as it was.
class TForm_loop : public QDialog, private Loop_runner::Observer {
    Q_OBJECT
public:
    // `main_config`: the main window's configuration at the moment it is asked for;
    // `backups`: the station's stored configurations of a detector.
    TForm_loop(Detector_operations& operations, Pnx_connection& connection, std::uint8_t cmpl,
               const Loop_naming& naming, std::function<DetectorConfig()> main_config,
               Backup_restore::Finder backups, QWidget* parent = nullptr);
    ~TForm_loop() override;

    Loop_table& table() { return loop; }
    bool running() const { return busy; }

    // The buttons' work, with the file already chosen; false (the problem shown) on failure.
    bool load_plan(const QString& path);
    bool save_plan(const QString& path);
    bool export_csv(const QString& path);
    bool write_report(const QString& path);

    void Button_surveyClick();
    void Button_cancelClick() { cancel = true; }
    void Button_set_from_mainClick();
    void Button_write_selectedClick();
    void Button_write_differingClick();
    void Button_restoreClick();

    QLineEdit* Edit_object = nullptr;
    QLineEdit* Edit_panel = nullptr;
    QLineEdit* Edit_loop = nullptr;
    QLineEdit* Edit_performer = nullptr;
    QTableWidget* Table_loop = nullptr;
    QProgressBar* ProgressBar_loop = nullptr;
    QLabel* Label_progress = nullptr;
    QPushButton* Button_survey = nullptr;
    QPushButton* Button_cancel = nullptr;
    QPushButton* Button_load_plan = nullptr;
    QPushButton* Button_save_plan = nullptr;
    QPushButton* Button_set_from_main = nullptr;
    QPushButton* Button_write_selected = nullptr;
    QPushButton* Button_write_differing = nullptr;
    QPushButton* Button_restore = nullptr;
    QPushButton* Button_report = nullptr;
    QPushButton* Button_export_csv = nullptr;
    QPushButton* Button_close = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void build();
    void connect_buttons();
    void refresh_table();
    void show_site();
    void take_site();
    std::vector<int> selected_addresses() const;
    // `same_detectors`: each row's plan is its own detector's stored configuration.
    void write_rows(const std::vector<int>& addresses, bool same_detectors = false);
    // With one row chosen, the user picks which of its backups; nothing when cancelled.
    std::optional<Backup_restore::Finder> backup_to_restore(const std::vector<int>& addresses);
    void set_busy(bool running);
    void show_outcome(const Loop_runner::Outcome& outcome);
    QString choose_file(bool save, const QString& title, const QString& filter,
                        const QString& suffix);

    // The runner's observer.
    void started(int loop_address, int done, int total) override;
    void finished(int loop_address, int done, int total) override;
    void process_messages() override;
    bool cancel_requested() override { return cancel; }
    void show_progress(int done, int total);

    Pnx_connection& connection;
    const Loop_naming& naming;
    std::function<DetectorConfig()> main_config;
    Backup_restore::Finder backups;
    Loop_table loop;
    Loop_runner runner;
    int chosen_address;
    bool busy = false;
    bool cancel = false;
    QElapsedTimer clock;
};
