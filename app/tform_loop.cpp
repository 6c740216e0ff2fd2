#include "tform_loop.h"

#include "loop_plan_file.h"
#include "loop_progress.h"
#include "loop_report.h"
#include "named_button.h"
#include "pnx_connection.h"
#include "user_message.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>
#include <set>
#include <string>

namespace {

void tell(const QString& text) {
    show_user_message(text.toStdString());
}

} // namespace

TForm_loop::TForm_loop(Detector_operations& operations, Pnx_connection& connection,
                       std::uint8_t cmpl, const Loop_naming& naming,
                       std::function<DetectorConfig()> main_config, Backup_restore::Finder backups,
                       QWidget* parent)
    : QDialog(parent), connection(connection), naming(naming), main_config(std::move(main_config)),
      backups(std::move(backups)), loop(naming), runner(operations, connection, cmpl),
      chosen_address(connection.detector_address()) {
    setObjectName(QStringLiteral("Form_loop"));
    setWindowTitle(QStringLiteral("Pętla PNX30"));
    build();
    connect_buttons();
    loop.set_scan(connection.loop_addresses());
    refresh_table();
    resize(1280, 600);
}

TForm_loop::~TForm_loop() {
    connection.choose_address(std::to_string(chosen_address));
}

void TForm_loop::build() {
    auto* site = new QFormLayout;
    const auto field = [this, site](const char* name, const char* label) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(Loop_plan_file::longest_field);
        edit->setAccessibleName(QString::fromUtf8(label));
        auto* caption = new QLabel(QStringLiteral("&") + QString::fromUtf8(label) + ':', this);
        caption->setBuddy(edit);
        site->addRow(caption, edit);
        return edit;
    };
    Edit_object = field("Edit_object", "Obiekt");
    Edit_panel = field("Edit_panel", "Centrala");
    Edit_loop = field("Edit_loop", "Pętla");
    Edit_performer = field("Edit_performer", "Wykonał");

    Table_loop = new QTableWidget(0, Loop_table::column_count, this);
    Table_loop->setObjectName(QStringLiteral("Table_loop"));
    Table_loop->setAccessibleName(QStringLiteral("Czujki pętli"));
    Table_loop->setHorizontalHeaderLabels(Loop_table::headers());
    Table_loop->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table_loop->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table_loop->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table_loop->setTabKeyNavigation(false);
    Table_loop->horizontalHeader()->setStretchLastSection(true);

    ProgressBar_loop = new QProgressBar(this);
    ProgressBar_loop->setObjectName(QStringLiteral("ProgressBar_loop"));
    ProgressBar_loop->setAccessibleName(QStringLiteral("Postęp"));
    ProgressBar_loop->setFormat(QStringLiteral("%v z %m"));
    ProgressBar_loop->setValue(0);
    Label_progress = new QLabel(this);
    Label_progress->setObjectName(QStringLiteral("Label_progress"));
    Label_progress->setAccessibleName(QStringLiteral("Czas pracy"));

    Button_survey = named_button(this, "Button_survey", "Odczytaj pętlę",
                                 "Odczytuje konfigurację każdej czujki pętli");
    Button_cancel = named_button(this, "Button_cancel", "Przerwij",
                                 "Kończy pracę po czujce, która jest w toku");
    Button_load_plan = named_button(this, "Button_load_plan", "Wczytaj plan...",
                                    "Wczytuje plan pętli z pliku .ktr27loop");
    Button_save_plan = named_button(this, "Button_save_plan", "Zapisz jako plan...",
                                    "Zapisuje pętlę w stanie odczytanym jako plan (kopia pętli)");
    Button_set_from_main =
        named_button(this, "Button_set_from_main", "Ustaw z okna głównego",
                     "Daje zaznaczonym czujkom konfigurację z okna głównego; każda zachowuje swój "
                     "adres podstawowy");
    Button_write_selected = named_button(this, "Button_write_selected", "Zapisz zaznaczone",
                                         "Zapisuje plan do zaznaczonych czujek");
    Button_write_differing = named_button(this, "Button_write_differing", "Zapisz różniące się",
                                          "Zapisuje plan do czujek, które się od niego różnią");
    Button_restore =
        named_button(this, "Button_restore", "Przywróć z kopii",
                     "Zapisuje zaznaczonym czujkom ich ostatnią konfigurację zachowaną w "
                     "bazie stanowiska (przy jednej zaznaczonej: wybraną)");
    Button_report = named_button(this, "Button_report", "Raport PDF...", "Raport do dokumentacji");
    Button_export_csv =
        named_button(this, "Button_export_csv", "Eksportuj CSV...", "Tabela jako CSV");
    Button_close = named_button(this, "Button_close", "Zamknij", "Zamyka okno pętli");
    Button_cancel->setEnabled(false);

    auto* work = new QHBoxLayout;
    for (QPushButton* b :
         {Button_survey, Button_cancel, Button_load_plan, Button_save_plan, Button_set_from_main,
          Button_write_selected, Button_write_differing, Button_restore}) {
        work->addWidget(b);
    }
    work->addStretch();
    auto* hand_over = new QHBoxLayout;
    hand_over->addWidget(ProgressBar_loop, 1);
    hand_over->addWidget(Label_progress, 1);
    for (QPushButton* b : {Button_report, Button_export_csv, Button_close}) {
        hand_over->addWidget(b);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(site);
    layout->addWidget(Table_loop, 1);
    layout->addLayout(work);
    layout->addLayout(hand_over);
}

void TForm_loop::connect_buttons() {
    connect(Button_survey, &QPushButton::clicked, this, [this] { Button_surveyClick(); });
    connect(Button_cancel, &QPushButton::clicked, this, [this] { Button_cancelClick(); });
    connect(Button_set_from_main, &QPushButton::clicked, this,
            [this] { Button_set_from_mainClick(); });
    connect(Button_write_selected, &QPushButton::clicked, this,
            [this] { Button_write_selectedClick(); });
    connect(Button_write_differing, &QPushButton::clicked, this,
            [this] { Button_write_differingClick(); });
    connect(Button_restore, &QPushButton::clicked, this, [this] { Button_restoreClick(); });
    const QString plan_filter = QStringLiteral("Plan pętli (*.ktr27loop)");
    connect(Button_load_plan, &QPushButton::clicked, this, [this, plan_filter] {
        const QString path = choose_file(false, QStringLiteral("Wczytaj plan"), plan_filter, {});
        if (!path.isEmpty()) {
            load_plan(path);
        }
    });
    connect(Button_save_plan, &QPushButton::clicked, this, [this, plan_filter] {
        const QString path = choose_file(true, QStringLiteral("Zapisz jako plan"), plan_filter,
                                         QString::fromLatin1(Loop_plan_file::suffix));
        if (!path.isEmpty()) {
            save_plan(path);
        }
    });
    connect(Button_report, &QPushButton::clicked, this, [this] {
        const QString path = choose_file(true, QStringLiteral("Raport PDF"),
                                         QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"));
        if (!path.isEmpty()) {
            write_report(path);
        }
    });
    connect(Button_export_csv, &QPushButton::clicked, this, [this] {
        const QString path = choose_file(true, QStringLiteral("Eksportuj CSV"),
                                         QStringLiteral("CSV (*.csv)"), QStringLiteral("csv"));
        if (!path.isEmpty()) {
            export_csv(path);
        }
    });
    connect(Button_close, &QPushButton::clicked, this, &QDialog::accept);
}

QString TForm_loop::choose_file(bool save, const QString& title, const QString& filter,
                                const QString& suffix) {
    if (!save) {
        return QFileDialog::getOpenFileName(this, title, QString(), filter);
    }
    QString path = QFileDialog::getSaveFileName(this, title, QString(), filter);
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive)) {
        path += QLatin1Char('.') + suffix;
    }
    return path;
}

void TForm_loop::refresh_table() {
    const std::vector<Loop_row>& rows = loop.rows();
    Table_loop->setRowCount(static_cast<int>(rows.size()));
    QStringList row_headers;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        row_headers << QStringLiteral("Adres %1").arg(rows[r].address);
        for (int column = 0; column < Loop_table::column_count; ++column) {
            auto* item = new QTableWidgetItem(loop.cell(rows[r], column));
            // A long state or list of options is cut in its column; the whole text stays at hand.
            item->setToolTip(item->text());
            Table_loop->setItem(static_cast<int>(r), column, item);
        }
    }
    Table_loop->setVerticalHeaderLabels(row_headers);
    Table_loop->resizeColumnsToContents();
    for (int column = 0; column < Loop_table::column_count; ++column) {
        Table_loop->setColumnWidth(column, std::min(Table_loop->columnWidth(column), 260));
    }
}

void TForm_loop::show_site() {
    const Loop_plan::Site& site = loop.site();
    Edit_object->setText(site.object);
    Edit_panel->setText(site.panel);
    Edit_loop->setText(site.loop);
    Edit_performer->setText(site.performer);
}

void TForm_loop::take_site() {
    Loop_plan::Site& site = loop.site();
    site.object = Edit_object->text();
    site.panel = Edit_panel->text();
    site.loop = Edit_loop->text();
    site.performer = Edit_performer->text();
}

std::vector<int> TForm_loop::selected_addresses() const {
    std::set<int> rows;
    for (const QModelIndex& index : Table_loop->selectionModel()->selectedRows()) {
        rows.insert(index.row());
    }
    std::vector<int> addresses;
    for (const int row : rows) {
        if (row >= 0 && row < static_cast<int>(loop.rows().size())) {
            addresses.push_back(loop.rows()[static_cast<std::size_t>(row)].address);
        }
    }
    return addresses;
}

void TForm_loop::set_busy(bool running) {
    busy = running;
    cancel = false;
    for (QWidget* control : std::initializer_list<QWidget*>{
             Button_survey, Button_load_plan, Button_save_plan, Button_set_from_main,
             Button_write_selected, Button_write_differing, Button_restore, Button_report,
             Button_export_csv, Button_close}) {
        control->setEnabled(!running);
    }
    Button_cancel->setEnabled(running);
    if (running) {
        Button_cancel->setFocus();
        clock.start();
    }
}

void TForm_loop::show_progress(int done, int total) {
    ProgressBar_loop->setMaximum(std::max(total, 1));
    ProgressBar_loop->setValue(done);
    Label_progress->setText(
        Loop_progress::text(done, total, static_cast<std::uint64_t>(clock.elapsed())));
}

void TForm_loop::started(int, int done, int total) {
    show_progress(done, total);
    QCoreApplication::processEvents();
}

void TForm_loop::finished(int, int done, int total) {
    refresh_table();
    show_progress(done, total);
    QCoreApplication::processEvents();
}

void TForm_loop::process_messages() {
    QCoreApplication::processEvents();
}

void TForm_loop::show_outcome(const Loop_runner::Outcome& outcome) {
    refresh_table();
    if (!outcome.message.isEmpty()) {
        tell(outcome.message);
    }
}

void TForm_loop::Button_surveyClick() {
    loop.set_scan(connection.loop_addresses());
    refresh_table();
    set_busy(true);
    const Loop_runner::Outcome outcome = runner.survey(loop, *this);
    set_busy(false);
    show_outcome(outcome);
}

void TForm_loop::Button_set_from_mainClick() {
    const std::vector<int> addresses = selected_addresses();
    if (addresses.empty()) {
        tell(QStringLiteral("Zaznacz w tabeli czujki, którym dać konfigurację z okna głównego."));
        return;
    }
    loop.give_config(addresses, main_config());
    refresh_table();
}

void TForm_loop::write_rows(const std::vector<int>& addresses, bool same_detectors) {
    if (addresses.empty()) {
        tell(QStringLiteral("Brak czujek do zapisu."));
        return;
    }
    set_busy(true);
    const Loop_runner::Outcome outcome = runner.write(loop, addresses, *this, same_detectors);
    set_busy(false);
    show_outcome(outcome);
}

void TForm_loop::Button_write_selectedClick() {
    write_rows(selected_addresses());
}

void TForm_loop::Button_write_differingClick() {
    write_rows(loop.differing_addresses());
}

std::optional<Backup_restore::Finder>
TForm_loop::backup_to_restore(const std::vector<int>& addresses) {
    const Loop_row* row = addresses.size() == 1 ? loop.row_at(addresses.front()) : nullptr;
    if (row == nullptr || !row->wid || !backups) {
        return backups;
    }
    const std::vector<Backup_restore::Stored> stored = backups(*row->wid);
    if (stored.size() < 2) {
        return backups;
    }
    QStringList items;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        items << QStringLiteral("%1. %2, %3").arg(i + 1).arg(stored[i].when, stored[i].kind);
    }
    bool chosen = false;
    const QString item = QInputDialog::getItem(
        this, QStringLiteral("Przywróć z kopii"),
        QStringLiteral("Kopia konfiguracji czujki %1 (najnowsza pierwsza):").arg(row->address),
        items, 0, false, &chosen);
    const auto index = items.indexOf(item);
    if (!chosen || index < 0) {
        return std::nullopt;
    }
    return [pick = stored[static_cast<std::size_t>(index)]](const ParameterWords::Pair&) {
        return std::vector<Backup_restore::Stored>{pick};
    };
}

void TForm_loop::Button_restoreClick() {
    const std::vector<int> addresses = selected_addresses();
    if (addresses.empty()) {
        tell(QStringLiteral("Zaznacz w tabeli czujki, którym przywrócić konfigurację z kopii."));
        return;
    }
    const std::optional<Backup_restore::Finder> find = backup_to_restore(addresses);
    if (!find) {
        return;
    }
    const std::vector<int> to_write = Backup_restore::plan(loop, addresses, *find);
    refresh_table();
    // Rows without a backup say so themselves.
    if (!to_write.empty()) {
        write_rows(to_write, true);
    }
}

bool TForm_loop::load_plan(const QString& path) {
    const Loop_plan_file::Loaded loaded = Loop_plan_file::load(path);
    if (!loaded.plan) {
        tell(QStringLiteral("Nie wczytano planu pętli. %1").arg(loaded.problem));
        return false;
    }
    loop.set_plan(*loaded.plan);
    show_site();
    refresh_table();
    return true;
}

bool TForm_loop::save_plan(const QString& path) {
    take_site();
    QString problem;
    if (!Loop_plan_file::save(path, loop.plan_as_found(), problem)) {
        tell(QStringLiteral("Nie zapisano planu pętli: %1").arg(problem));
        return false;
    }
    return true;
}

bool TForm_loop::export_csv(const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(loop.csv()) < 0 || !file.commit()) {
        tell(QStringLiteral("Nie zapisano pliku CSV (komunikat systemu: %1)")
                 .arg(file.errorString()));
        return false;
    }
    return true;
}

bool TForm_loop::write_report(const QString& path) {
    take_site();
    QString problem;
    if (!Loop_report::write(path, loop, QStringLiteral(KTR_VERSION), QDateTime::currentDateTime(),
                            problem)) {
        tell(QStringLiteral("Nie zapisano raportu: %1").arg(problem));
        return false;
    }
    return true;
}

void TForm_loop::closeEvent(QCloseEvent* event) {
    // A write may be under way: the window closes once the run has ended.
    if (busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TForm_loop::reject() {
    if (!busy) {
        QDialog::reject();
    }
}
