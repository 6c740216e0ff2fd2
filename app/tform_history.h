#pragma once

#include "record_export.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QTimer;
class Record_table_model;
class Station_store;

// "Historia zapisów": the station database's write record as a table, newest first, sorted by
// any column and filtered by date, WID, address and outcome; with a line server, this station's
// rows or the whole line's, and the line's state with the rows that wait. The rows shown can be
// exported for a spreadsheet or for programs, and the database's folder opened.
class TForm_history : public QDialog {
    Q_OBJECT
public:
    explicit TForm_history(Station_store& store, QWidget* parent = nullptr);

    // Saves the rows shown, in their order; a failure is told to the user.
    bool export_rows(const QString& path, Record_export::Format format);

    QTableView* Table_record = nullptr;
    QLineEdit* Edit_filter_date = nullptr;
    QLineEdit* Edit_filter_wid = nullptr;
    QLineEdit* Edit_filter_address = nullptr;
    QLineEdit* Edit_filter_outcome = nullptr;
    QRadioButton* RadioButton_station = nullptr;
    QRadioButton* RadioButton_line = nullptr;
    QLabel* Label_line_state = nullptr;
    QPushButton* Button_export = nullptr;
    QPushButton* Button_open_folder = nullptr;

private:
    void show_station();
    void show_line();
    void show_line_state();
    void fit_columns();
    void export_csv();

    Station_store& store;
    Record_table_model* rows = nullptr;
    QTimer* Timer_line_state = nullptr;
};
