#include "tform_history.h"

#include "csv_text.h"
#include "record_filter.h"
#include "user_message.h"
#include "write_record_line.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardItemModel>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

TForm_history::TForm_history(const QString& record_path, QWidget* parent)
    : QDialog(parent), path(record_path) {
    setObjectName(QStringLiteral("Form_history"));
    setWindowTitle(QStringLiteral("Historia zapisów"));
    rows = new QStandardItemModel(this);
    filter = new Record_filter(this);
    filter->setSourceModel(rows);

    auto* filters = new QHBoxLayout;
    const auto filter_edit = [this, filters](const char* name, const char* label,
                                             Record_filter::Field field) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setClearButtonEnabled(true);
        auto* caption = new QLabel(QString::fromUtf8(label), this);
        caption->setBuddy(edit);
        filters->addWidget(caption);
        filters->addWidget(edit, 1);
        connect(edit, &QLineEdit::textChanged, this,
                [this, field](const QString& text) { filter->set_text(field, text); });
        return edit;
    };
    Edit_filter_date = filter_edit("Edit_filter_date", "Data:", Record_filter::date);
    Edit_filter_wid = filter_edit("Edit_filter_wid", "WID:", Record_filter::wid);
    Edit_filter_address = filter_edit("Edit_filter_address", "Adres:", Record_filter::address);
    Edit_filter_outcome = filter_edit("Edit_filter_outcome", "Wynik:", Record_filter::outcome);

    Table_record = new QTableView(this);
    Table_record->setObjectName(QStringLiteral("Table_record"));
    Table_record->setModel(filter);
    Table_record->setSortingEnabled(true);
    Table_record->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table_record->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table_record->verticalHeader()->hide();

    Button_export = new QPushButton(QStringLiteral("Eksportuj CSV..."), this);
    Button_export->setObjectName(QStringLiteral("Button_export"));
    Button_open_folder = new QPushButton(QStringLiteral("Otwórz folder"), this);
    Button_open_folder->setObjectName(QStringLiteral("Button_open_folder"));
    auto* close = new QPushButton(QStringLiteral("Zamknij"), this);
    connect(Button_export, &QPushButton::clicked, this, [this] { export_csv(); });
    connect(Button_open_folder, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button_export);
    buttons->addWidget(Button_open_folder);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(Table_record, 1);
    auto* where = new QLabel(QStringLiteral("Plik: %1").arg(QDir::toNativeSeparators(path)), this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);
    layout->addLayout(buttons);
    resize(1100, 520);
    reload();
}

void TForm_history::reload() {
    rows->clear();
    QFile file(path);
    std::vector<Csv_text::Record> records;
    if (file.open(QIODevice::ReadOnly)) {
        records = Csv_text::parse(file.readAll().toStdString());
    }
    if (records.empty()) {
        records = Csv_text::parse(Write_record_line::header());
    }
    QStringList header;
    for (const std::string& name : records.front()) {
        header << QString::fromStdString(name);
    }
    rows->setHorizontalHeaderLabels(header);
    for (std::size_t r = 1; r < records.size(); ++r) {
        QList<QStandardItem*> items;
        for (const std::string& field : records[r]) {
            auto* item = new QStandardItem(QString::fromStdString(field));
            item->setToolTip(item->text());
            items << item;
        }
        rows->appendRow(items);
    }
    // What an operator looks for first stands first: when, where, which detector, which
    // address and how it ended; the words follow. The file keeps its own column order.
    QHeaderView* columns = Table_record->horizontalHeader();
    const int first_columns[] = {0, 1, 4, 14, 15, 16, 17, 18};
    for (int place = 0; place < static_cast<int>(std::size(first_columns)); ++place) {
        const int logical = first_columns[place];
        if (logical < rows->columnCount()) {
            columns->moveSection(columns->visualIndex(logical), place);
        }
    }
    Table_record->resizeColumnsToContents();
    constexpr int widest = 360;
    for (int c = 0; c < rows->columnCount(); ++c) {
        Table_record->setColumnWidth(c, std::min(Table_record->columnWidth(c), widest));
    }
    Table_record->sortByColumn(0, Qt::DescendingOrder);
}

QByteArray TForm_history::shown_rows_csv() const {
    const auto line = [](const std::vector<std::string>& fields) {
        std::string text;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            text += (i > 0 ? "," : "") + Write_record_line::quoted(fields[i]);
        }
        return text + "\r\n";
    };
    // A damaged or hand-edited row may have more fields than the header names: those columns
    // have no header item, and their heading stays empty.
    std::vector<std::string> header;
    for (int c = 0; c < rows->columnCount(); ++c) {
        const QStandardItem* heading = rows->horizontalHeaderItem(c);
        header.push_back(heading != nullptr ? heading->text().toStdString() : std::string());
    }
    std::string text = line(header);
    for (int r = 0; r < filter->rowCount(); ++r) {
        std::vector<std::string> fields;
        for (int c = 0; c < filter->columnCount(); ++c) {
            fields.push_back(filter->index(r, c).data().toString().toStdString());
        }
        text += line(fields);
    }
    return QByteArray::fromStdString(text);
}

void TForm_history::export_csv() {
    const QString target = QFileDialog::getSaveFileName(this, QStringLiteral("Eksportuj CSV"),
                                                        QString(), QStringLiteral("CSV (*.csv)"));
    if (target.isEmpty()) {
        return;
    }
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(shown_rows_csv()) < 0 || !file.commit()) {
        show_user_message(QStringLiteral("Nie udało się zapisać pliku %1 (%2).")
                              .arg(QDir::toNativeSeparators(target), file.errorString())
                              .toStdString());
    }
}
