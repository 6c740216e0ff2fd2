#include "station_store.h"

#include "line_link.h"
#include "record_columns.h"
#include "record_database.h"
#include "record_time.h"

#include <QDir>
#include <QUuid>

Station_store::Station_store(QString folder, QString database, QString csv)
    : chosen_folder(std::move(folder)), database_file(std::move(database)),
      csv_file(std::move(csv)) {}

Station_store::~Station_store() {
    stop_worker();
}

void Station_store::set_folder(const QString& folder) {
    stop_worker();
    db.reset();
    chosen_folder = folder;
}

QString Station_store::file_path() const {
    return QDir(chosen_folder).filePath(database_file);
}

QString Station_store::csv_path() const {
    return QDir(chosen_folder).filePath(csv_file);
}

void Station_store::set_settings(const Station_settings& settings) {
    const bool line_changed = settings.line_conninfo() != current.line_conninfo();
    current = settings;
    if (line_changed) {
        browser.reset();
    }
    if (line_changed && db) {
        stop_worker();
        start_worker();
    }
}

void Station_store::set_timing(const Record_worker::Timing& given) {
    timing = given;
}

bool Station_store::open() {
    if (db && db->is_open()) {
        return true;
    }
    if (chosen_folder.isEmpty() || !QDir().mkpath(chosen_folder)) {
        last_error = QStringLiteral("nie można utworzyć folderu %1").arg(chosen_folder);
        return false;
    }
    auto opened = std::make_unique<Record_database>(file_path());
    if (!opened->open()) {
        last_error = opened->error();
        return false;
    }
    db = std::move(opened);
    last_error.clear();
    start_worker();
    return true;
}

Record_database* Station_store::database() {
    return open() ? db.get() : nullptr;
}

void Station_store::stop_worker() {
    worker.reset();
}

void Station_store::start_worker() {
    worker = std::make_unique<Record_worker>(
        Record_worker::Job{file_path(), csv_path(), current.station, current.line_conninfo()},
        timing);
    worker->start();
}

bool Station_store::record(Write_record_line line) {
    if (!open()) {
        return false;
    }
    line.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    line.station = current.station.toStdString();
    line.operator_name = current.operator_name.toStdString();
    line.raw.clear();
    line.imported_line = 0;
    const Record_time now = Record_time::now();
    line.time = now.local_text().toStdString();
    if (!db->insert(line, now)) {
        last_error = db->error();
        return false;
    }
    if (worker) {
        worker->wake();
    }
    return true;
}

bool Station_store::keep_backup(const Configuration_backup& backup) {
    if (!open()) {
        return false;
    }
    const Record_time now = Record_time::now();
    const QVariantList values =
        Shipped_table::values_of(backup, QUuid::createUuid().toString(QUuid::WithoutBraces), now,
                                 current.station, current.operator_name);
    if (!db->insert_shipped(Shipped_table::configuration_backup(), values)) {
        last_error = db->error();
        return false;
    }
    if (worker) {
        worker->wake();
    }
    return true;
}

std::vector<Write_record_line> Station_store::rows() {
    return open() ? db->rows() : std::vector<Write_record_line>{};
}

Line_status Station_store::line_status() {
    Line_status status;
    if (worker) {
        status = worker->status();
    }
    if (!line_configured()) {
        status.state = Line_status::State::none;
    }
    status.pending = db ? db->pending() : -1;
    return status;
}

std::optional<QString> Station_store::take_line_message() {
    if (unreachable_told || !worker || worker->status().state != Line_status::State::unreachable) {
        return std::nullopt;
    }
    unreachable_told = true;
    return QStringLiteral("Serwer bazy linii jest nieosiągalny (%1). Wpisy historii zapisów "
                          "czekają na tym komputerze i zostaną wysłane, gdy serwer znów "
                          "odpowie; nie ma to wpływu na zapis czujki. Kolejne takie zdarzenia "
                          "do końca pracy programu nie będą zgłaszane.")
        .arg(worker->status().detail);
}

QSqlDatabase Station_store::line_database() {
    if (!line_configured()) {
        return {};
    }
    if (!browser) {
        browser = std::make_unique<Line_link>(current.line_conninfo());
    }
    if (!browser->is_open() && !browser->connect()) {
        last_error = browser->error();
        return {};
    }
    return browser->connection();
}

bool Station_store::import_finished() const {
    return !worker || worker->import_finished();
}
