#include "line_link.h"

#include "line_connection.h"
#include "record_columns.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <atomic>

namespace {

QString new_connection_name() {
    static std::atomic<int> count{0};
    return QStringLiteral("ktr_line_db_%1").arg(++count);
}

// Stations that start together take turns at creating the schema.
constexpr const char* schema_lock = "SELECT pg_advisory_xact_lock(27012026)";

// Every shipped table's rows start alike (which row, when, where, by whom, over which link) and
// end with the time the server took them.
QString shipped_table(const char* name, const char* own_columns) {
    return QStringLiteral("CREATE TABLE %1 ("
                          " id uuid PRIMARY KEY,"
                          " recorded_at timestamptz,"
                          " utc_offset integer,"
                          " station text NOT NULL,"
                          " operator text NOT NULL DEFAULT '',"
                          " link text NOT NULL DEFAULT '',"
                          "%2,"
                          " received_at timestamptz NOT NULL DEFAULT now())")
        .arg(QLatin1String(name), QLatin1String(own_columns));
}

const QStringList& version_1() {
    static const QStringList statements{
        QStringLiteral("CREATE TABLE schema_version (version integer NOT NULL)"),
        shipped_table("write_record",
                      " version text, information text, wid text,"
                      " options1 text, address text, rop_address text, options2 text, rop_ans text,"
                      " rop_alm text, smoke_profile text, hc text, crc text,"
                      " chosen_basic_address text, chosen_rop_address text, chosen_wk_address text,"
                      " outcome text NOT NULL DEFAULT '',"
                      " series_step integer,"
                      " raw text,"
                      " imported_line integer"),
        QStringLiteral("CREATE INDEX write_record_recorded_at ON write_record (recorded_at)"),
        QStringLiteral("CREATE INDEX write_record_station ON write_record (station, recorded_at)"),
        QStringLiteral("INSERT INTO schema_version (version) VALUES (1)"),
    };
    return statements;
}

const QStringList& version_2() {
    static const QStringList statements{
        shipped_table("configuration_backup", " kind text NOT NULL,"
                                              " version text, information text,"
                                              " wid text NOT NULL,"
                                              " words text NOT NULL"),
        QStringLiteral(
            "CREATE INDEX configuration_backup_wid ON configuration_backup (wid, recorded_at)"),
        QStringLiteral("INSERT INTO schema_version (version) VALUES (2)"),
    };
    return statements;
}

} // namespace

Line_link::Line_link(QString text) : conninfo(std::move(text)), name(new_connection_name()) {}

Line_link::~Line_link() {
    close();
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase::removeDatabase(name);
    }
}

QSqlDatabase Line_link::connection() const {
    return QSqlDatabase::database(name, false);
}

bool Line_link::is_open() const {
    return connection().isOpen();
}

void Line_link::close() {
    inserts.clear();
    QSqlDatabase db = connection();
    if (db.isValid()) {
        db.close();
    }
}

bool Line_link::fail(const QString& what, const QString& detail) {
    last_error = detail.trimmed().isEmpty() ? what : what + QStringLiteral(": ") + detail.trimmed();
    return false;
}

bool Line_link::connect() {
    close();
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase("QPSQL", name);
    if (!db.isValid()) {
        return fail(QStringLiteral("brak sterownika PostgreSQL (QPSQL)"), {});
    }
    // The whole connection is libpq's: Qt's driver hands the options to it as they are.
    db.setConnectOptions(Line_connection::with_defaults(conninfo));
    if (!db.open()) {
        return fail(QStringLiteral("połączenie"), db.lastError().databaseText().isEmpty()
                                                      ? db.lastError().text()
                                                      : db.lastError().databaseText());
    }
    QSqlQuery setup(db);
    if (!setup.exec(QStringLiteral("SET statement_timeout = 10000")) || !ensure_schema()) {
        const QString detail = last_error.isEmpty() ? setup.lastError().text() : last_error;
        close();
        return fail(QStringLiteral("serwer"), detail);
    }
    return true;
}

bool Line_link::ensure_schema() {
    QSqlDatabase db = connection();
    const auto current = [&db] {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SELECT to_regclass('schema_version') IS NOT NULL")) &&
            query.next() && query.value(0).toBool() &&
            query.exec(QStringLiteral("SELECT max(version) FROM schema_version")) && query.next()) {
            return query.value(0).toInt();
        }
        return 0;
    };
    if (current() >= schema_version) {
        return true;
    }
    if (!db.transaction()) {
        return fail(QStringLiteral("BEGIN"), db.lastError().text());
    }
    QSqlQuery step(db);
    bool ok = step.exec(QString::fromLatin1(schema_lock));
    if (ok && current() < 1) {
        for (const QString& statement : version_1()) {
            ok = ok && step.exec(statement);
        }
    }
    if (ok && current() < 2) {
        for (const QString& statement : version_2()) {
            ok = ok && step.exec(statement);
        }
    }
    if (!ok || !db.commit()) {
        const QString detail = step.lastError().databaseText();
        db.rollback();
        return fail(QStringLiteral("schemat bazy linii nie istnieje i nie można go utworzyć"),
                    detail);
    }
    return true;
}

bool Line_link::ship(const std::vector<Record_database::Outgoing>& rows) {
    QSqlDatabase db = connection();
    if (!db.isOpen() || !db.transaction()) {
        return fail(QStringLiteral("BEGIN"), db.lastError().text());
    }
    for (const Record_database::Outgoing& row : rows) {
        if (row.table == nullptr ||
            row.values.size() != static_cast<int>(row.table->columns.size())) {
            continue;
        }
        std::unique_ptr<QSqlQuery>& insert = inserts[row.table];
        if (!insert) {
            insert = std::make_unique<QSqlQuery>(db);
            if (!insert->prepare(
                    QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (id) DO NOTHING")
                        .arg(QLatin1String(row.table->name), row.table->column_list(),
                             row.table->placeholders()))) {
                const QString detail = insert->lastError().text();
                inserts.erase(row.table);
                db.rollback();
                return fail(QStringLiteral("INSERT"), detail);
            }
        }
        for (int i = 0; i < row.values.size(); ++i) {
            insert->bindValue(i, row.values[i]);
        }
        if (!insert->exec()) {
            const QString detail = insert->lastError().text();
            db.rollback();
            return fail(QStringLiteral("INSERT"), detail);
        }
    }
    if (!db.commit()) {
        const QString detail = db.lastError().text();
        db.rollback();
        return fail(QStringLiteral("COMMIT"), detail);
    }
    return true;
}

bool Line_link::ping() {
    QSqlQuery query(connection());
    if (!query.exec(QStringLiteral("SELECT 1"))) {
        return fail(QStringLiteral("serwer nie odpowiada"), query.lastError().text());
    }
    return true;
}
