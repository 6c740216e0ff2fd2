#pragma once

#include "pnx_connection.h"

#include <QDialog>
#include <QRect>

#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QResizeEvent;
class QSpinBox;
class QWidget;

// The panel window: opens the link to a PNX30 panel, logs in, scans the loop, lets the user pick
// the detector to work on, and keeps all of it between showings. The main window shows it
// modally and, once it closes, works through its remote operations while panel_link_open().
class TForm_pnx : public QDialog {
    Q_OBJECT

public:
    explicit TForm_pnx(QWidget* parent = nullptr);
    ~TForm_pnx() override;

    // The link state, the chosen detector and the connection the main window works through in
    // panel mode.
    bool panel_link_open() const { return connection.panel_link_open(); }
    int detector_address() const { return connection.detector_address(); }
    Pnx_connection& pnx_connection() { return connection; }
    // Where detectors answer on the loop, ascending (Pnx_connection::loop_addresses).
    const std::vector<int>& loop_addresses() const { return connection.loop_addresses(); }

    QPushButton* Button_connect;
    QPushButton* Button_disconnect;
    QPlainTextEdit* Memo_log;
    QLabel* Label1;
    QLineEdit* medt_check_password;
    QLabel* Label5;
    QComboBox* ComboBox_adr;
    QPushButton* Button_edit;
    QLabel* Label6;
    QSpinBox* CSpinEdit1;
    QLabel* Label7;
    QSpinBox* CSpinEdit2;
    QPushButton* Button1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;

public slots:
    void Button_connectClick();
    void Button_disconnectClick();
    void Button_editClick();
    void Button1Click();

signals:
    // "erease events" was sent to the detector at `address`; `status` 0 when it confirmed.
    void events_erased(int address, int status);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void add_log_line(const QString& line);
    void show_scan(const Pnx_connection::Scan_result& scan);
    void place(QWidget* widget, const QRect& geometry, bool follows_bottom);

    Pnx_connection connection;
    // Controls kept at a fixed distance from the bottom edge, with their designed geometry.
    std::vector<std::pair<QWidget*, QRect>> bottom_anchored;
};
