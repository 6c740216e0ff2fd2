#include "tform_history.h"

#include "record_database.h"
#include "record_table_model.h"
#include "station_store.h"
#include "user_message.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString excel_filter = QStringLiteral("Excel (średnik, UTF-8 z BOM) (*.csv)");
const QString rfc_filter = QStringLiteral("CSV (RFC 4180) (*.csv)");

} // namespace

TForm_history::TForm_history(Station_store& station_store, QWidget* parent)
    : QDialog(parent), store(station_store) {
    setObjectName(QStringLiteral("Form_history"));
    setWindowTitle(QStringLiteral("Historia zapisów"));
    rows = new Record_table_model(this);

    auto* filters = new QHBoxLayout;
    const auto filter_edit = [this, filters](const char* name, const char* label,
                                             Record_query::Filter field) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setClearButtonEnabled(true);
        auto* caption = new QLabel(QString::fromUtf8(label), this);
        caption->setBuddy(edit);
        filters->addWidget(caption);
        filters->addWidget(edit, 1);
        connect(edit, &QLineEdit::textChanged, this,
                [this, field](const QString& text) { rows->set_filter(field, text); });
        return edit;
    };
    Edit_filter_date = filter_edit("Edit_filter_date", "Data:", Record_query::date);
    Edit_filter_wid = filter_edit("Edit_filter_wid", "WID:", Record_query::wid);
    Edit_filter_address = filter_edit("Edit_filter_address", "Adres:", Record_query::address);
    Edit_filter_outcome = filter_edit("Edit_filter_outcome", "Wynik:", Record_query::outcome);

    RadioButton_station = new QRadioButton(QStringLiteral("Ta stacja"), this);
    RadioButton_station->setObjectName(QStringLiteral("RadioButton_station"));
    RadioButton_station->setChecked(true);
    RadioButton_line = new QRadioButton(QStringLiteral("Cała linia"), this);
    RadioButton_line->setObjectName(QStringLiteral("RadioButton_line"));
    Label_line_state = new QLabel(this);
    Label_line_state->setObjectName(QStringLiteral("Label_line_state"));
    auto* source = new QHBoxLayout;
    source->addWidget(RadioButton_station);
    source->addWidget(RadioButton_line);
    source->addWidget(Label_line_state, 1);
    RadioButton_station->setVisible(store.line_configured());
    RadioButton_line->setVisible(store.line_configured());
    connect(RadioButton_line, &QRadioButton::toggled, this,
            [this](bool line) { line ? show_line() : show_station(); });

    Table_record = new QTableView(this);
    Table_record->setObjectName(QStringLiteral("Table_record"));
    Table_record->setModel(rows);
    Table_record->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table_record->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table_record->verticalHeader()->hide();
    Table_record->horizontalHeader()->setSortIndicator(Record_query::time_column(),
                                                       Qt::DescendingOrder);

    Button_export = new QPushButton(QStringLiteral("Eksportuj CSV..."), this);
    Button_export->setObjectName(QStringLiteral("Button_export"));
    Button_open_folder = new QPushButton(QStringLiteral("Otwórz folder"), this);
    Button_open_folder->setObjectName(QStringLiteral("Button_open_folder"));
    auto* close = new QPushButton(QStringLiteral("Zamknij"), this);
    connect(Button_export, &QPushButton::clicked, this, [this] { export_csv(); });
    connect(Button_open_folder, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(store.folder())); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button_export);
    buttons->addWidget(Button_open_folder);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addLayout(source);
    layout->addWidget(Table_record, 1);
    auto* where = new QLabel(
        QStringLiteral("Plik: %1").arg(QDir::toNativeSeparators(store.file_path())), this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);
    layout->addLayout(buttons);
    resize(1100, 520);

    show_station();
    Table_record->setSortingEnabled(true);
    fit_columns();
    Timer_line_state = new QTimer(this);
    Timer_line_state->setInterval(1000);
    connect(Timer_line_state, &QTimer::timeout, this, [this] { show_line_state(); });
    Timer_line_state->start();
    show_line_state();
}

void TForm_history::show_station() {
    Record_database* database = store.database();
    rows->set_source(database != nullptr ? database->connection() : QSqlDatabase(),
                     Record_query::Dialect::sqlite);
}

void TForm_history::show_line() {
    const QSqlDatabase line = store.line_database();
    if (!line.isValid()) {
        show_user_message(QStringLiteral("Nie można połączyć się z serwerem bazy linii (%1).")
                              .arg(store.error())
                              .toStdString());
        RadioButton_station->setChecked(true);
        return;
    }
    rows->set_source(line, Record_query::Dialect::postgres);
}

void TForm_history::show_line_state() {
    QString text;
    if (store.database() == nullptr) {
        text = QStringLiteral("Bazy stanowiska nie można otworzyć (%1).").arg(store.error());
    } else if (store.line_configured()) {
        text = store.line_status().text();
    }
    if (!rows->error().isEmpty()) {
        text += QStringLiteral(" Błąd zapytania: %1").arg(rows->error());
    }
    Label_line_state->setText(text);
}

void TForm_history::fit_columns() {
    // From the headings and the first page only: measuring every row would read the whole
    // record.
    const QFontMetrics metrics(Table_record->font());
    const int sample = std::min(rows->rowCount(), Record_table_model::page_rows);
    constexpr int widest = 360;
    constexpr int margin = 24;
    for (int c = 0; c < rows->columnCount(); ++c) {
        int width = metrics.horizontalAdvance(rows->headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < sample; ++r) {
            width = std::max(width, metrics.horizontalAdvance(rows->index(r, c).data().toString()));
        }
        Table_record->setColumnWidth(c, std::min(width + margin, widest));
    }
}

bool TForm_history::export_rows(const QString& path, Record_export::Format format) {
    QString problem;
    if (!Record_export::write(path, format, rows->source(), rows->query(), problem)) {
        show_user_message(QStringLiteral("Nie udało się zapisać pliku %1 (%2).")
                              .arg(QDir::toNativeSeparators(path), problem)
                              .toStdString());
        return false;
    }
    return true;
}

void TForm_history::export_csv() {
#if defined(_WIN32)
    QString chosen_filter = excel_filter;
#else
    QString chosen_filter = rfc_filter;
#endif
    const QString target = QFileDialog::getSaveFileName(
        this, QStringLiteral("Eksportuj CSV"), QString(),
        excel_filter + QStringLiteral(";;") + rfc_filter, &chosen_filter);
    if (target.isEmpty()) {
        return;
    }
    export_rows(target, chosen_filter == rfc_filter ? Record_export::Format::rfc4180
                                                    : Record_export::Format::excel);
}
