#pragma once

#include "record_database.h"

#include <QSqlDatabase>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class QSqlQuery;

// The connection to the line server, for the thread that made it. Connecting is bounded by
// libpq's connect time-out and every statement by the server's statement time-out; the first
// connection of a station creates the schema when it is absent and the role may create it.
// Rows go in by their id: a row the server already has is left as it is, so a batch repeated
// after a lost answer adds nothing twice.
class Line_link {
public:
    explicit Line_link(QString conninfo);
    ~Line_link();
    Line_link(const Line_link&) = delete;
    Line_link& operator=(const Line_link&) = delete;

    bool connect();
    bool is_open() const;
    void close();
    // The rows in one transaction, in their order; false when the server did not take them all.
    bool ship(const std::vector<Record_database::Outgoing>& rows);
    // A round trip: false when the server is gone.
    bool ping();

    const QString& error() const { return last_error; }
    QSqlDatabase connection() const;

    static constexpr int schema_version = 2;

private:
    bool ensure_schema();
    bool fail(const QString& what, const QString& detail);

    QString conninfo;
    QString name;
    QString last_error;
    std::map<const Shipped_table*, std::unique_ptr<QSqlQuery>> inserts;
};
