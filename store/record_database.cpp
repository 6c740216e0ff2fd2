#include "record_database.h"

#include "record_columns.h"

#include <QDeadlineTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <atomic>

namespace {

// Each instance is its own connection: Qt SQL connections belong to the thread that made them.
QString new_connection_name() {
    static std::atomic<int> count{0};
    return QStringLiteral("ktr_station_db_%1").arg(++count);
}

const char* const version_1[] = {
    "CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE write_record ("
    " seq INTEGER PRIMARY KEY AUTOINCREMENT,"
    " id TEXT NOT NULL UNIQUE,"
    " recorded_at TEXT,"
    " utc_offset INTEGER,"
    " station TEXT NOT NULL DEFAULT '',"
    " operator TEXT NOT NULL DEFAULT '',"
    " link TEXT NOT NULL DEFAULT '',"
    " version TEXT, information TEXT, wid TEXT,"
    " options1 TEXT, address TEXT, rop_address TEXT, options2 TEXT, rop_ans TEXT,"
    " rop_alm TEXT, smoke_profile TEXT, hc TEXT, crc TEXT,"
    " chosen_basic_address TEXT, chosen_rop_address TEXT, chosen_wk_address TEXT,"
    " outcome TEXT NOT NULL DEFAULT '',"
    " series_step INTEGER,"
    " raw TEXT,"
    " imported_line INTEGER)",
    "CREATE INDEX write_record_recorded_at ON write_record (recorded_at)",
    "CREATE TABLE outbox ("
    " seq INTEGER PRIMARY KEY AUTOINCREMENT,"
    " table_name TEXT NOT NULL,"
    " row_id TEXT NOT NULL,"
    " UNIQUE (table_name, row_id))",
    // A new database: the CSV record of the versions before it is still to be brought over.
    "INSERT INTO meta (key, value) VALUES ('csv_import', 'pending')",
};

// A write given up after its erase leaves the detector's segment image here until a write of
// that detector verifies: the only copy of its factory words once the program is closed.
const char* const version_2[] = {
    "CREATE TABLE kept_segment ("
    " wid TEXT PRIMARY KEY,"
    " words TEXT NOT NULL,"
    " kept_at TEXT NOT NULL)",
    // Every configuration a read got and every write's segment before and after, per detector.
    "CREATE TABLE configuration_backup ("
    " seq INTEGER PRIMARY KEY AUTOINCREMENT,"
    " id TEXT NOT NULL UNIQUE,"
    " recorded_at TEXT, utc_offset INTEGER,"
    " station TEXT NOT NULL DEFAULT '', operator TEXT NOT NULL DEFAULT '',"
    " link TEXT NOT NULL DEFAULT '', kind TEXT NOT NULL,"
    " version TEXT, information TEXT, wid TEXT NOT NULL, words TEXT NOT NULL)",
    "CREATE INDEX configuration_backup_wid ON configuration_backup (wid, recorded_at)",
};

// The detectors with a backup and when each was backed up last, kept in step by the database
// itself: the backups window lists them without reading every backup.
const char* const version_3[] = {
    "CREATE TABLE backup_wid (wid TEXT PRIMARY KEY, last_at TEXT NOT NULL) WITHOUT ROWID",
    "INSERT INTO backup_wid (wid, last_at)"
    " SELECT wid, MAX(COALESCE(recorded_at, '')) FROM configuration_backup GROUP BY wid",
    "CREATE INDEX backup_wid_last_at ON backup_wid (last_at)",
    "CREATE TRIGGER backup_wid_listed AFTER INSERT ON configuration_backup BEGIN"
    " INSERT INTO backup_wid (wid, last_at) VALUES (NEW.wid, COALESCE(NEW.recorded_at, ''))"
    " ON CONFLICT (wid) DO UPDATE SET last_at = MAX(last_at, excluded.last_at); END",
};

void bind_all(QSqlQuery& query, const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i) {
        query.bindValue(i, values[i]);
    }
}

} // namespace

Record_database::Record_database(QString file)
    : path(std::move(file)), name(new_connection_name()) {}

Record_database::~Record_database() {
    insert_row.reset();
    insert_outbox.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isValid()) {
            db.close();
        }
    }
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase::removeDatabase(name);
    }
}

QSqlDatabase Record_database::connection() const {
    return QSqlDatabase::database(name, false);
}

bool Record_database::is_open() const {
    return insert_row != nullptr && connection().isOpen();
}

bool Record_database::fail(const QString& what, const QString& detail) {
    last_error = detail.isEmpty() ? what : what + QStringLiteral(": ") + detail;
    return false;
}

bool Record_database::exec(const QString& sql) {
    QSqlQuery query(connection());
    if (!query.exec(sql)) {
        return fail(sql.section(QLatin1Char(' '), 0, 1), query.lastError().text());
    }
    return true;
}

bool Record_database::open() {
    if (is_open()) {
        return true;
    }
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase("QSQLITE", name);
    if (!db.isValid()) {
        return fail(QStringLiteral("brak sterownika SQLite (QSQLITE)"), {});
    }
    db.setDatabaseName(path);
    // The other instance's transaction is short: wait for it rather than lose the row.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_ENABLE_REGEXP"));
    if (!db.open()) {
        return fail(path, db.lastError().text());
    }
    // While another instance is creating the same new file, SQLite answers the old journal mode
    // rather than waiting: ask again for as long as a busy database is waited for.
    QSqlQuery mode(db);
    const QDeadlineTimer busy_for(5000);
    bool wal = false;
    QString detail;
    while (!wal) {
        wal = mode.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && mode.next() &&
              mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
        detail = mode.lastError().text();
        mode.finish();
        if (!wal && busy_for.hasExpired()) {
            db.close();
            return fail(QStringLiteral("journal_mode=WAL"), detail);
        }
        if (!wal) {
            QThread::msleep(20);
        }
    }
    // FULL: a row reported written survives a power cut as well as a crash of the program.
    if (!exec(QStringLiteral("PRAGMA synchronous=FULL")) || !migrate()) {
        db.close();
        return false;
    }
    insert_row = std::make_unique<QSqlQuery>(db);
    insert_outbox = std::make_unique<QSqlQuery>(db);
    const Shipped_table& table = Shipped_table::write_record();
    if (!insert_row->prepare(QStringLiteral("INSERT INTO write_record (%1) VALUES (%2)")
                                 .arg(table.column_list(), table.placeholders())) ||
        !insert_outbox->prepare(
            QStringLiteral("INSERT INTO outbox (table_name, row_id) VALUES ('write_record', ?)"))) {
        const QString detail = insert_row->lastError().text() + insert_outbox->lastError().text();
        insert_row.reset();
        insert_outbox.reset();
        db.close();
        return fail(QStringLiteral("INSERT"), detail);
    }
    return true;
}

bool Record_database::migrate() {
    // IMMEDIATE: two instances starting at once take turns, the second finds the work done.
    if (!exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        return false;
    }
    QSqlQuery query(connection());
    int version = 0;
    if (query.exec(QStringLiteral("PRAGMA user_version")) && query.next()) {
        version = query.value(0).toInt();
    }
    query.finish();
    bool ok = true;
    if (version < 1) {
        for (const char* statement : version_1) {
            ok = ok && exec(QString::fromLatin1(statement));
        }
    }
    if (version < 2) {
        for (const char* statement : version_2) {
            ok = ok && exec(QString::fromLatin1(statement));
        }
    }
    if (version < 3) {
        for (const char* statement : version_3) {
            ok = ok && exec(QString::fromLatin1(statement));
        }
    }
    if (ok && version < schema_version) {
        ok = exec(QStringLiteral("PRAGMA user_version = %1").arg(schema_version));
    }
    if (!ok || !exec(QStringLiteral("COMMIT"))) {
        const QString detail = last_error;
        exec(QStringLiteral("ROLLBACK"));
        return fail(QStringLiteral("schemat bazy"), detail);
    }
    return true;
}

bool Record_database::begin() {
    if (!is_open() && !open()) {
        return false;
    }
    QSqlDatabase db = connection();
    return db.transaction() || fail(QStringLiteral("BEGIN"), db.lastError().text());
}

bool Record_database::insert(const Write_record_line& line, const Record_time& time) {
    if (!begin()) {
        return false;
    }
    QSqlDatabase db = connection();
    bind_all(*insert_row, Shipped_table::values_of(line, time));
    insert_outbox->bindValue(0, QString::fromStdString(line.id));
    if (!insert_row->exec() || !insert_outbox->exec()) {
        const QString detail = insert_row->lastError().text() + insert_outbox->lastError().text();
        db.rollback();
        return fail(QStringLiteral("INSERT"), detail);
    }
    if (!db.commit()) {
        const QString detail = db.lastError().text();
        db.rollback();
        return fail(QStringLiteral("COMMIT"), detail);
    }
    return true;
}

bool Record_database::insert_shipped(const Shipped_table& table, const QVariantList& values) {
    if (!begin()) {
        return false;
    }
    QSqlDatabase db = connection();
    QSqlQuery row(db);
    QSqlQuery queued(db);
    bool ok =
        row.prepare(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(QLatin1String(table.name), table.column_list(), table.placeholders())) &&
        queued.prepare(QStringLiteral("INSERT INTO outbox (table_name, row_id) VALUES (?, ?)"));
    if (ok) {
        bind_all(row, values);
        queued.bindValue(0, QLatin1String(table.name));
        queued.bindValue(1, values.value(0));
        ok = row.exec() && queued.exec();
    }
    if (!ok || !db.commit()) {
        const QString detail = row.lastError().text() + queued.lastError().text();
        db.rollback();
        return fail(QStringLiteral("INSERT"), detail);
    }
    return true;
}

bool Record_database::insert_imported(
    const std::vector<std::pair<Write_record_line, Record_time>>& rows) {
    QSqlDatabase db = connection();
    if (!is_open() || !db.transaction()) {
        return fail(QStringLiteral("BEGIN"), db.lastError().text());
    }
    const Shipped_table& table = Shipped_table::write_record();
    QSqlQuery row(db);
    QSqlQuery queued(db);
    bool ok = row.prepare(QStringLiteral("INSERT OR IGNORE INTO write_record (%1) VALUES (%2)")
                              .arg(table.column_list(), table.placeholders())) &&
              queued.prepare(QStringLiteral("INSERT OR IGNORE INTO outbox (table_name, row_id) "
                                            "VALUES ('write_record', ?)"));
    for (const auto& [line, time] : rows) {
        if (!ok) {
            break;
        }
        bind_all(row, Shipped_table::values_of(line, time));
        ok = row.exec();
        if (ok && row.numRowsAffected() > 0) {
            queued.bindValue(0, QString::fromStdString(line.id));
            ok = queued.exec();
        }
    }
    if (!ok || !db.commit()) {
        const QString detail = row.lastError().text() + queued.lastError().text();
        db.rollback();
        return fail(QStringLiteral("import"), detail);
    }
    return true;
}

std::vector<Write_record_line> Record_database::rows() {
    std::vector<Write_record_line> lines;
    if (!is_open() && !open()) {
        return lines;
    }
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (query.exec(QStringLiteral("SELECT * FROM write_record ORDER BY seq"))) {
        while (query.next()) {
            lines.push_back(Shipped_table::line_of(query.record()));
        }
    }
    return lines;
}

std::vector<Record_database::Outgoing> Record_database::outgoing(int limit) {
    std::vector<Outgoing> rows;
    if (!is_open()) {
        return rows;
    }
    QSqlQuery entries(connection());
    entries.setForwardOnly(true);
    entries.prepare(
        QStringLiteral("SELECT seq, table_name, row_id FROM outbox ORDER BY seq LIMIT ?"));
    entries.bindValue(0, limit);
    if (!entries.exec()) {
        fail(QStringLiteral("outbox"), entries.lastError().text());
        return rows;
    }
    while (entries.next()) {
        Outgoing row;
        row.seq = entries.value(0).toLongLong();
        row.table = Shipped_table::named(entries.value(1).toString());
        if (row.table != nullptr) {
            QSqlQuery values(connection());
            values.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE id = ?")
                               .arg(row.table->column_list(), QLatin1String(row.table->name)));
            values.bindValue(0, entries.value(2));
            if (values.exec() && values.next()) {
                for (std::size_t c = 0; c < row.table->columns.size(); ++c) {
                    row.values << values.value(static_cast<int>(c));
                }
            }
        }
        // An entry of a table this version does not know, or whose row is gone, goes as an
        // empty row: shipped() drops it without sending anything.
        rows.push_back(std::move(row));
    }
    return rows;
}

bool Record_database::shipped(const std::vector<Outgoing>& rows) {
    QSqlDatabase db = connection();
    if (!is_open() || !db.transaction()) {
        return fail(QStringLiteral("BEGIN"), db.lastError().text());
    }
    QSqlQuery remove(db);
    bool ok = remove.prepare(QStringLiteral("DELETE FROM outbox WHERE seq = ?"));
    for (const Outgoing& row : rows) {
        remove.bindValue(0, row.seq);
        ok = ok && remove.exec();
    }
    if (!ok || !db.commit()) {
        const QString detail = remove.lastError().text();
        db.rollback();
        return fail(QStringLiteral("outbox"), detail);
    }
    return true;
}

int Record_database::pending() {
    if (!is_open()) {
        return -1;
    }
    QSqlQuery query(connection());
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM outbox")) && query.next()) {
        return query.value(0).toInt();
    }
    return -1;
}

QString Record_database::meta(const QString& key) {
    QSqlQuery query(connection());
    query.prepare(QStringLiteral("SELECT value FROM meta WHERE key = ?"));
    query.bindValue(0, key);
    if (query.exec() && query.next()) {
        return query.value(0).toString();
    }
    return {};
}

bool Record_database::set_meta(const QString& key, const QString& value) {
    QSqlQuery query(connection());
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)"));
    query.bindValue(0, key);
    query.bindValue(1, value);
    if (!query.exec()) {
        return fail(QStringLiteral("meta"), query.lastError().text());
    }
    return true;
}
