#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;
class Record_filter;

// "Historia zapisów": the write record as a table that sorts by any column and filters by date,
// WID, address and outcome; the rows shown can be exported as CSV, and the record's folder
// opened in the file manager.
class TForm_history : public QDialog {
    Q_OBJECT
public:
    explicit TForm_history(const QString& record_path, QWidget* parent = nullptr);

    // Reads the record again; a missing file shows an empty table.
    void reload();
    // The header and the rows as shown (filtered, in their sorted order), as RFC 4180 CSV.
    QByteArray shown_rows_csv() const;

    QTableView* Table_record = nullptr;
    QLineEdit* Edit_filter_date = nullptr;
    QLineEdit* Edit_filter_wid = nullptr;
    QLineEdit* Edit_filter_address = nullptr;
    QLineEdit* Edit_filter_outcome = nullptr;
    QPushButton* Button_export = nullptr;
    QPushButton* Button_open_folder = nullptr;

private:
    void export_csv();

    QString path;
    QStandardItemModel* rows = nullptr;
    Record_filter* filter = nullptr;
};
