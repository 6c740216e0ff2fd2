#include "tform_station.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

const char* const sslmodes[] = {"",        "disable",   "allow",      "prefer",
                                "require", "verify-ca", "verify-full"};

} // namespace

TForm_station::TForm_station(const Station_settings& settings, QWidget* parent)
    : QDialog(parent), given(settings), connection_text(settings.connection),
      service_text(settings.service) {
    setObjectName(QStringLiteral("Form_station"));
    setWindowTitle(QStringLiteral("Ustawienia stanowiska"));

    Edit_station = new QLineEdit(settings.station, this);
    Edit_station->setObjectName(QStringLiteral("Edit_station"));
    Edit_operator = new QLineEdit(settings.operator_name, this);
    Edit_operator->setObjectName(QStringLiteral("Edit_operator"));
    Edit_operator->setPlaceholderText(QStringLiteral("(opcjonalnie)"));
    ComboBox_line = new QComboBox(this);
    ComboBox_line->setObjectName(QStringLiteral("ComboBox_line"));
    ComboBox_line->addItems({QStringLiteral("Brak (tylko ten komputer)"),
                             QStringLiteral("PostgreSQL: połączenie libpq"),
                             QStringLiteral("PostgreSQL: usługa libpq (pg_service.conf)")});
    Edit_line_connection = new QLineEdit(this);
    Edit_line_connection->setObjectName(QStringLiteral("Edit_line_connection"));
    ComboBox_sslmode = new QComboBox(this);
    ComboBox_sslmode->setObjectName(QStringLiteral("ComboBox_sslmode"));
    for (const char* mode : sslmodes) {
        ComboBox_sslmode->addItem(*mode == '\0' ? QStringLiteral("(jak w połączeniu lub usłudze)")
                                                : QString::fromLatin1(mode),
                                  QString::fromLatin1(mode));
    }
    ComboBox_sslmode->setCurrentIndex(std::max(0, ComboBox_sslmode->findData(settings.sslmode)));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Nazwa stanowiska:"), Edit_station);
    form->addRow(QStringLiteral("&Operator:"), Edit_operator);
    form->addRow(QStringLiteral("&Baza linii:"), ComboBox_line);
    form->addRow(QStringLiteral("&Połączenie:"), Edit_line_connection);
    form->addRow(QStringLiteral("&TLS (sslmode):"), ComboBox_sslmode);

    auto* note = new QLabel(
        QStringLiteral("Hasła program nie przechowuje: libpq bierze je z pliku haseł (pgpass) "
                       "lub z pliku usług (pg_service.conf)."),
        this);
    note->setWordWrap(true);
    Label_problem = new QLabel(this);
    Label_problem->setObjectName(QStringLiteral("Label_problem"));
    Label_problem->setWordWrap(true);
    Label_problem->setStyleSheet(QStringLiteral("color: #b00020"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TForm_station::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    if (!settings.environment_line.isEmpty()) {
        auto* overridden = new QLabel(
            QStringLiteral("Teraz bazę linii wybiera zmienna środowiskowa %1; ustawienie poniżej "
                           "zadziała, gdy jej zabraknie.")
                .arg(Station_settings::environment_variable()),
            this);
        overridden->setWordWrap(true);
        layout->addWidget(overridden);
    }
    layout->addWidget(Label_problem);
    layout->addWidget(buttons);

    // Nothing shown yet: the kept connection or service is what the edit starts with.
    shown_kind = static_cast<int>(Station_settings::Line::none);
    ComboBox_line->setCurrentIndex(static_cast<int>(settings.line));
    show_line_kind();
    connect(ComboBox_line, &QComboBox::currentIndexChanged, this, [this] { show_line_kind(); });
    resize(620, sizeHint().height());
}

void TForm_station::show_line_kind() {
    // The connection and the service keep their own texts while the user switches between them.
    if (shown_kind == static_cast<int>(Station_settings::Line::connection)) {
        connection_text = Edit_line_connection->text();
    } else if (shown_kind == static_cast<int>(Station_settings::Line::service)) {
        service_text = Edit_line_connection->text();
    }
    shown_kind = ComboBox_line->currentIndex();
    const auto kind = static_cast<Station_settings::Line>(shown_kind);
    Edit_line_connection->setEnabled(kind != Station_settings::Line::none);
    ComboBox_sslmode->setEnabled(kind != Station_settings::Line::none);
    if (kind == Station_settings::Line::service) {
        Edit_line_connection->setText(service_text);
        Edit_line_connection->setPlaceholderText(QStringLiteral("linia1"));
    } else {
        Edit_line_connection->setText(kind == Station_settings::Line::connection ? connection_text
                                                                                 : QString());
        Edit_line_connection->setPlaceholderText(
            QStringLiteral("host=serwer-linii dbname=ktr27_linia user=stanowisko"));
    }
}

Station_settings TForm_station::chosen() const {
    Station_settings settings = given;
    settings.station = Edit_station->text().trimmed();
    settings.operator_name = Edit_operator->text().trimmed();
    settings.line = static_cast<Station_settings::Line>(ComboBox_line->currentIndex());
    settings.connection = connection_text;
    settings.service = service_text;
    if (settings.line == Station_settings::Line::connection) {
        settings.connection = Edit_line_connection->text().trimmed();
    } else if (settings.line == Station_settings::Line::service) {
        settings.service = Edit_line_connection->text().trimmed();
    }
    settings.sslmode = ComboBox_sslmode->currentData().toString();
    return settings;
}

void TForm_station::accept() {
    const QString problem = chosen().problem();
    Label_problem->setText(problem);
    if (problem.isEmpty()) {
        QDialog::accept();
    }
}
