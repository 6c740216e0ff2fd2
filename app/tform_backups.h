#pragma once

#include "detector_config.h"

#include <QDialog>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

class Backup_table_model;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableView;

// "Kopie konfiguracji": the configurations the station database keeps of one detector, newest
// first, for the detector the main window knows or a WID picked from those backed up. One can be
// loaded into the main window, or compared with what the window shows.
class TForm_backups : public QDialog {
    Q_OBJECT
public:
    // What the main window does with a backup: loads it the way a configuration file loads
    // (`when` is the backup's time, for the message), and names the options in which the window
    // differs from it.
    struct Main_window {
        std::function<void(const DetectorConfig& config, const QString& when)> load;
        std::function<QStringList(const DetectorConfig& config)> differing;
    };

    // `wid` ("2417 0B01") is shown first; empty when the window knows no detector.
    TForm_backups(QSqlDatabase db, const QString& wid, Main_window main_window,
                  QWidget* parent = nullptr);

    void Button_loadClick();
    void Button_compareClick();

    QComboBox* ComboBox_wid = nullptr;
    QTableView* Table_backups = nullptr;
    QLabel* Label_state = nullptr;
    QPushButton* Button_load = nullptr;
    QPushButton* Button_compare = nullptr;
    QListWidget* List_differences = nullptr;

private:
    void show_wid(const QString& wid);
    // The selected row, or -1.
    int selected_row() const;

    QSqlDatabase db;
    Main_window main_window;
    Backup_table_model* backups = nullptr;
};
