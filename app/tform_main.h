#pragma once

#include "detector_config.h"
#include "detector_features.h"
#include "detector_link.h"
#include "main_controls.h"
#include "parameter_words.h"
#include "station_store.h"
#include "status_lamps.h"
#include "write_record.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>

class Config_controls;
class Detector_operations;
class Kept_segments;
class Main_menu;
class TForm_backups;
class TForm_pnx;
class TForm_progress;
class Stored_kept_segments;
class Write_recorder;

// The configurator's main window. Its controls are the configuration being edited: the model
// operations turn them into the detector's words and back, and the handlers keep them
// consistent with each other and with the connected detector's version.
class TForm_main : public QWidget, public Main_controls {
    Q_OBJECT
public:
    explicit TForm_main(QWidget* parent = nullptr);
    ~TForm_main() override;

    // True while a monitor tick holds the dongle; reads, writes and closing wait for it.
    bool tick_running = false;
    // The panel window's link state, taken when it closes: memory operations go through the
    // panel while this is true.
    bool panel_mode = false;
    // The last monitor tick found an answering detector.
    bool detector_present = false;
    // The once-per-connection actions have run for the detector that is present.
    bool connect_handled = false;
    // The detector's parameter pairs from the last read, for the life of the process.
    ParameterWords parameter_words{};

    // Where every write that reached a detector, and every event erasure, leaves a row.
    Station_store station_store{Write_record().folder(), Write_record::database_file_name(),
                                QString::fromLatin1(Write_record::file_name)};
    // Segment images of writes that have not verified yet, per detector, for the life of the
    // process.
    Kept_segments& kept_segments();

    // The progress window the read and write sequences drive; not owned.
    TForm_progress* Form_progress = nullptr;
    // The panel window, shown by "PNX30 (KMX12)..." and used for every memory operation in
    // panel mode; not owned.
    TForm_pnx* Form_pnx = nullptr;

    // Configuration model: the eight words a write stores, from the controls (crc left 0), and
    // a configuration shown in them.
    DetectorConfig config_from_controls();
    void words_to_controls(const DetectorConfig& config);

    // Presets.
    void Button_set_alarmClick();
    void Button_set_convClick();
    void Button_set_PNX30Click();

    // Interlocks.
    void CheckBox_relayClick();
    void CheckBox_const_add_10mClick();
    void CheckBox_const_add_20mClick();
    void CheckBox_alarm_add_10mClick();
    void CheckBox_alarm_add_20mClick();
    void ComboBox_address_1Change();
    void ComboBox_address_2Change();
    void ComboBox_address_WKChange();

    // Enables the options the detector version `v` provides and clears the others.
    void apply_detector_version(int v);

    void FormShow();
    void FormClose();

    // Reading and writing: the window's side of the operation (timer, progress window,
    // buttons, menu) around what the detector operations do with the devices.
    void Button_read_ktr27Click();
    void Button_send_to_ktr27Click();
    // A line for the panel window's event erasure of the detector at `address`.
    void record_event_erasure(int address, int status);

    // Configuration files: what the window shows, saved as it would be written; loaded into
    // the controls the way a read puts a detector's words there. A refused file is named in a
    // message and changes nothing. True on success.
    bool save_configuration(const QString& path);
    bool load_configuration(const QString& path);
    // A stored backup (kept at `when`) loaded as a file would be.
    void load_backup(const DetectorConfig& config, const QString& when);

    // The menu bar's handlers.
    void Action_openClick();
    void Action_saveClick();
    void Action_historyClick();
    // "Kopie konfiguracji": the backups of the detector last read or connected.
    void Action_backupsClick();
    std::unique_ptr<TForm_backups> backups_window();
    void Action_station_settingsClick();
    // "Pętla PNX30": the loop window over the panel window's connection; the monitor does not
    // tick while it is open.
    void Action_loopClick();
    void Action_aboutClick();
    // Version, build, Qt and where the trace file and the write record go.
    QString about_text() const;

    std::unique_ptr<Main_menu> menu;

    // The connection monitor, once per second.
    void Timer_dongleTimer();
    // Shows the panel window modally and takes over its link state.
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void connect_handlers();
    // Shows a loaded configuration, then names what the version gate took out of it. `origin`
    // completes "Wczytano konfigurację ...", `again` is what to load again.
    void show_loaded(const DetectorConfig& config, const QString& origin, const QString& again);
    void centre_on_screen();
    void run_operation(bool write);
    void wait_for_tick();
    // The link an operation or a tick starting now goes through.
    Detector_link operation_link();
    // In panel mode, the basic address of `config` is either free on the loop (by the last
    // scan), the chosen detector's own, or the user agreed to give it anyway.
    bool loop_address_free(const DetectorConfig& config);
    // Marks the basic-address entries where the last scan found a detector.
    void mark_loop_addresses();
    std::unique_ptr<Config_controls> config_controls;
    std::unique_ptr<Write_recorder> recorder;
    // Before the operations, whose kept segments go into it until they are gone.
    std::unique_ptr<Stored_kept_segments> kept_store;
    std::unique_ptr<Detector_operations> operations;
    bool centred = false;
    // The version the option gate was last applied with.
    int gate_version = version_before_any_detector;
    // Writes started by "Wyślij przy podłączeniu" since it was last ticked; 0 for a write the
    // user started.
    int series_writes = 0;
    int series_step = 0;
    // Set once the window has been closed: nothing may start the monitor again.
    bool closing = false;
    Status_lamps lamps{*this};
};
