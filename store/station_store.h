#pragma once

#include "configuration_backup.h"
#include "line_status.h"
#include "record_worker.h"
#include "station_settings.h"
#include "write_record_line.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class Line_link;
class Record_database;

// The station database as the windows see it: one SQLite file in the user's data folder, to
// which every write that reached a detector and every event erasure adds a row, and the line
// server it is shipped to when one is configured. Keeping a row is local and quick; the import
// of the older CSV record and the line server are left to the worker thread.
class Station_store {
public:
    Station_store(QString folder, QString database_file, QString csv_file);
    ~Station_store();
    Station_store(const Station_store&) = delete;
    Station_store& operator=(const Station_store&) = delete;

    // Elsewhere than the user's data folder (tests); takes effect at the next use.
    void set_folder(const QString& folder);
    QString folder() const { return chosen_folder; }
    QString file_path() const;
    QString csv_path() const;

    // The station, the operator and the line server for the rows kept from now on.
    void set_settings(const Station_settings& settings);
    const Station_settings& settings() const { return current; }
    void set_timing(const Record_worker::Timing& timing);

    // Opens the database (creating it) and starts the worker; false when the file cannot be
    // opened or created (error() says why). Every use opens it when it is not open yet.
    bool open();
    const QString& error() const { return last_error; }
    // The connection of the thread that opened the store, for the history window.
    Record_database* database();

    // Keeps the line with a new id, the time now, the station and the operator; true only when
    // the row is committed to the disk.
    bool record(Write_record_line line);
    // A configuration backup with a new id, the time now, the station and the operator; queued
    // for the line server like a row. True only when it is committed to the disk.
    bool keep_backup(const Configuration_backup& backup);

    // Every row kept, oldest first.
    std::vector<Write_record_line> rows();

    bool line_configured() const { return !current.line_conninfo().isEmpty(); }
    Line_status line_status();
    // Once per run, the first time the line server could not be reached: what to tell the user.
    std::optional<QString> take_line_message();
    // The line server for the history window's view of the whole line, connected on this
    // thread (at most the connect time-out); an invalid database when it cannot be reached, with
    // error() saying why.
    QSqlDatabase line_database();
    // The worker has finished the first start's import (or had none to do).
    bool import_finished() const;

private:
    void stop_worker();
    void start_worker();

    QString chosen_folder;
    QString database_file;
    QString csv_file;
    Station_settings current;
    Record_worker::Timing timing;
    QString last_error;
    std::unique_ptr<Record_database> db;
    std::unique_ptr<Record_worker> worker;
    std::unique_ptr<Line_link> browser;
    bool unreachable_told = false;
};
