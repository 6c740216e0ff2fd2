#pragma once

#include "record_time.h"
#include "write_record_line.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <memory>
#include <vector>

class QSqlQuery;
struct Shipped_table;

// One connection to the station's SQLite database, for the thread that made it. The file is in
// WAL mode, each commit reaches the disk before it is reported, and a second instance of the
// program waits for the other's transaction instead of failing. Opening brings the schema to
// the newest version; a new database notes that the older CSV record is still to be imported.
// Every row kept is also queued in the outbox until the line server has it.
class Record_database {
public:
    explicit Record_database(QString path);
    ~Record_database();
    Record_database(const Record_database&) = delete;
    Record_database& operator=(const Record_database&) = delete;

    // False when the file cannot be opened, created or brought up to date (error() says why).
    bool open();
    bool is_open() const;
    const QString& error() const { return last_error; }
    QSqlDatabase connection() const;

    // The row and its outbox entry, in one transaction; false when it was not committed.
    bool insert(const Write_record_line& line, const Record_time& time);
    // A row of another shipped table (`values` in its column order, the id first) and its
    // outbox entry, in one transaction.
    bool insert_shipped(const Shipped_table& table, const QVariantList& values);
    // Rows of an imported file, in one transaction; a row whose id is already kept is left
    // alone, so an import that is repeated after a crash adds nothing twice.
    bool insert_imported(const std::vector<std::pair<Write_record_line, Record_time>>& rows);

    // Every row, oldest first.
    std::vector<Write_record_line> rows();

    struct Outgoing {
        qint64 seq = 0;
        const Shipped_table* table = nullptr;
        QVariantList values;
    };
    // The oldest `limit` rows still to go to the line server, in the order they were kept.
    std::vector<Outgoing> outgoing(int limit);
    // The line server has these; false when the outbox could not be updated.
    bool shipped(const std::vector<Outgoing>& rows);
    // Rows still to go; -1 when unknown.
    int pending();

    QString meta(const QString& key);
    bool set_meta(const QString& key, const QString& value);

    static constexpr int schema_version = 3;

private:
    bool exec(const QString& sql);
    bool migrate();
    bool fail(const QString& what, const QString& detail);
    // Opens the database when it is not, and starts a transaction.
    bool begin();

    QString path;
    QString name;
    QString last_error;
    std::unique_ptr<QSqlQuery> insert_row;
    std::unique_ptr<QSqlQuery> insert_outbox;
};
