#pragma once

#include "station_settings.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

// "Ustawienia stanowiska": the station's name, the operator and the line database (none, a
// libpq connection or a libpq service, with sslmode). "OK" is refused, with the reason shown,
// while the settings could not be kept (a password among them, for one).
class TForm_station : public QDialog {
    Q_OBJECT
public:
    explicit TForm_station(const Station_settings& settings, QWidget* parent = nullptr);

    // The settings as the dialog shows them.
    Station_settings chosen() const;
    void accept() override;

    QLineEdit* Edit_station = nullptr;
    QLineEdit* Edit_operator = nullptr;
    QComboBox* ComboBox_line = nullptr;
    QLineEdit* Edit_line_connection = nullptr;
    QComboBox* ComboBox_sslmode = nullptr;
    QLabel* Label_problem = nullptr;

private:
    void show_line_kind();

    Station_settings given;
    QString connection_text;
    QString service_text;
    int shown_kind = 0;
};
