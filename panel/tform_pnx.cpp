#include "tform_pnx.h"

#include "user_message.h"

#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QSpinBox>

#include <limits>

namespace {

// Designed client area; the memo keeps its margins and the step rows their distance to the
// bottom edge when the window is resized.
constexpr int design_width = 432;
constexpr int design_height = 392;
const QRect memo_geometry(8, 8, 417, 169);

QLabel* make_label(QWidget* parent, const char* name, const QString& text, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    label->adjustSize();
    return label;
}

QPushButton* make_button(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QSpinBox* make_spin_edit(QWidget* parent, const char* name) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    // No range of its own: any integer.
    spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    spin->setValue(0);
    return spin;
}

} // namespace

TForm_pnx::TForm_pnx(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_pnx"));
    setWindowTitle(QStringLiteral("PNX30"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    Memo_log = new QPlainTextEdit(this);
    Memo_log->setObjectName(QStringLiteral("Memo_log"));
    Memo_log->setReadOnly(true);
    // The one field without a label of its own.
    Memo_log->setAccessibleName(QString::fromUtf8("Dziennik połączenia"));

    Label6 = make_label(this, "Label6", QStringLiteral("OD"), false);
    CSpinEdit1 = make_spin_edit(this, "CSpinEdit1");
    Label7 = make_label(this, "Label7", QStringLiteral("DO"), false);
    CSpinEdit2 = make_spin_edit(this, "CSpinEdit2");
    Button1 = make_button(this, "Button1", QStringLiteral("erease events"));

    Label2 = make_label(this, "Label2", QStringLiteral("1."), true);
    Label1 = make_label(this, "Label1", QStringLiteral("Hasło konfiguracyjne centrali"), false);
    medt_check_password = new QLineEdit(this);
    medt_check_password->setObjectName(QStringLiteral("medt_check_password"));
    // Up to four digits, a blank shown as a space, each character shown as "*".
    medt_check_password->setInputMask(QStringLiteral("9999; "));
    medt_check_password->setMaxLength(4);
    medt_check_password->setEchoMode(QLineEdit::Password);
    medt_check_password->setStyleSheet(
        QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    Label3 = make_label(this, "Label3", QStringLiteral("2."), true);
    Button_connect = make_button(this, "Button_connect", QStringLiteral("Połącz"));
    Button_disconnect = make_button(this, "Button_disconnect", QStringLiteral("Rozłącz"));
    Button_disconnect->setEnabled(false);

    Label4 = make_label(this, "Label4", QStringLiteral("3."), true);
    Label5 = make_label(this, "Label5", QStringLiteral("Adres (czujka) do edycji"), false);
    ComboBox_adr = new QComboBox(this);
    ComboBox_adr->setObjectName(QStringLiteral("ComboBox_adr"));
    ComboBox_adr->setEditable(false);
    ComboBox_adr->setCurrentIndex(-1);
    Button_edit = make_button(this, "Button_edit", QStringLiteral("Wybierz"));

    Label1->setBuddy(medt_check_password);
    Label5->setBuddy(ComboBox_adr);
    Label6->setBuddy(CSpinEdit1);
    Label7->setBuddy(CSpinEdit2);

    place(Memo_log, memo_geometry, false);
    place(Label6, QRect(8, 190, 16, 13), false);
    place(CSpinEdit1, QRect(28, 186, 65, 22), false);
    place(Label7, QRect(104, 190, 16, 13), false);
    place(CSpinEdit2, QRect(124, 186, 65, 22), false);
    place(Button1, QRect(200, 186, 105, 25), false);

    place(Label2, QRect(8, 280, 16, 13), true);
    place(Label1, QRect(32, 280, 170, 13), true);
    place(medt_check_password, QRect(208, 276, 49, 21), true);
    place(Label3, QRect(8, 318, 16, 13), true);
    place(Button_connect, QRect(32, 314, 89, 25), true);
    place(Button_disconnect, QRect(128, 314, 89, 25), true);
    place(Label4, QRect(8, 358, 16, 13), true);
    place(Label5, QRect(32, 358, 130, 13), true);
    place(ComboBox_adr, QRect(168, 354, 73, 21), true);
    place(Button_edit, QRect(248, 354, 89, 25), true);

    setTabOrder(Button_connect, Button_disconnect);
    setTabOrder(Button_disconnect, Memo_log);
    setTabOrder(Memo_log, medt_check_password);
    setTabOrder(medt_check_password, ComboBox_adr);
    setTabOrder(ComboBox_adr, Button_edit);
    setTabOrder(Button_edit, CSpinEdit1);
    setTabOrder(CSpinEdit1, CSpinEdit2);
    setTabOrder(CSpinEdit2, Button1);

    connect(Button_connect, &QPushButton::clicked, this, &TForm_pnx::Button_connectClick);
    connect(Button_disconnect, &QPushButton::clicked, this, &TForm_pnx::Button_disconnectClick);
    connect(Button_edit, &QPushButton::clicked, this, &TForm_pnx::Button_editClick);
    connect(Button1, &QPushButton::clicked, this, &TForm_pnx::Button1Click);

    resize(design_width, design_height);
}

TForm_pnx::~TForm_pnx() = default;

void TForm_pnx::place(QWidget* widget, const QRect& geometry, bool follows_bottom) {
    widget->setGeometry(geometry);
    if (follows_bottom) {
        bottom_anchored.emplace_back(widget, geometry);
    }
}

void TForm_pnx::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int grown_wide = width() - design_width;
    const int grown_high = height() - design_height;
    Memo_log->setGeometry(memo_geometry.adjusted(0, 0, grown_wide, 0));
    for (const auto& [widget, geometry] : bottom_anchored) {
        widget->setGeometry(geometry.translated(0, grown_high));
    }
}

void TForm_pnx::add_log_line(const QString& line) {
    Memo_log->appendPlainText(line);
}

void TForm_pnx::show_scan(const Pnx_connection::Scan_result& scan) {
    add_log_line(scan.started ? QStringLiteral("PNX30 start skanu OK")
                              : QStringLiteral("PNX30 start skanu ERROR"));
    if (scan.bitmap_read) {
        add_log_line(QStringLiteral("PNX30 odczyt skanu OK"));
        ComboBox_adr->clear();
        QString line = QStringLiteral("ADRESY: ");
        for (const int found : scan.addresses) {
            const QString number = QString::number(found);
            line += number + QStringLiteral(", ");
            ComboBox_adr->addItem(number);
        }
        // A fresh list has no choice made yet.
        ComboBox_adr->setCurrentIndex(-1);
        line.chop(2);
        add_log_line(line);
    } else {
        add_log_line(QStringLiteral("PNX30 odczyt skanu ERROR"));
    }
    if (scan.blocked) {
        add_log_line(QStringLiteral("PNX30 blokada skanu OK"));
    }
}

void TForm_pnx::Button_connectClick() {
    if (!connection.open_module()) {
        add_log_line(QStringLiteral("Połączenie KMX12 ERROR"));
        return;
    }
    add_log_line(QStringLiteral("Połączenie KMX12 OK"));
    Button_disconnect->setEnabled(true);
    Button_connect->setEnabled(false);

    if (!connection.check_password(medt_check_password->text().toStdString())) {
        add_log_line(QStringLiteral("Błędne hasło PNX30"));
        connection.release_link();
        return;
    }
    add_log_line(QStringLiteral("PNX30 hasło OK"));
    show_scan(connection.scan_loop());
}

void TForm_pnx::Button_disconnectClick() {
    const Pnx_connection::Disconnect_result result =
        connection.disconnect(ComboBox_adr->currentIndex() >= 0);
    add_log_line(result.detector_status == link_status::ok
                     ? QStringLiteral("KTR27 start scan OK")
                     : QStringLiteral("KTR27 start scan ERROR"));
    add_log_line(result.scan_started ? QStringLiteral("PNX30 start scan OK")
                                     : QStringLiteral("PNX30 start scan ERROR"));
    Button_disconnect->setEnabled(false);
    Button_connect->setEnabled(true);
}

void TForm_pnx::Button_editClick() {
    const QString chosen = ComboBox_adr->currentText();
    if (chosen.isEmpty()) {
        show_user_message("Proszę wybrać adres czujki...");
        return;
    }
    connection.choose_address(chosen.toStdString());
    accept();
}

void TForm_pnx::Button1Click() {
    // The outcome is not reported; the user sees the detector's events gone or not. Only with a
    // link did anything reach a detector worth recording.
    const bool link = connection.has_link();
    const int status = connection.erase_events();
    if (link) {
        emit events_erased(connection.detector_address(), status);
    }
}
