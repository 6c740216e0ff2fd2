#pragma once

#include "configuration_backup.h"
#include "record_time.h"
#include "write_record_line.h"

#include <QString>
#include <QVariant>

#include <vector>

class QSqlRecord;

// The columns of a table the station keeps and ships to the line server, named alike in both
// databases; the table's rows are found by their `id` (a UUID). A table added later (backups of
// configurations, kept segment images) gets its own entry and goes through the same outbox.
struct Shipped_table {
    enum class Type { text, integer, time, uuid };
    struct Column {
        const char* name;
        Type type;
    };
    const char* name;
    std::vector<Column> columns;

    // "a, b, c"
    QString column_list() const;
    // "?, ?, ?"
    QString placeholders() const;

    static const Shipped_table& write_record();
    static const Shipped_table& configuration_backup();
    // Every shipped table; an outbox entry names one of them.
    static const std::vector<const Shipped_table*>& all();
    static const Shipped_table* named(const QString& name);

    // A write record row's values in column order, and back.
    static QVariantList values_of(const Write_record_line& line, const Record_time& time);
    static Write_record_line line_of(const QSqlRecord& row);
    // A backup's values in column order; `id` first.
    static QVariantList values_of(const Configuration_backup& backup, const QString& id,
                                  const Record_time& time, const QString& station,
                                  const QString& operator_name);
};
