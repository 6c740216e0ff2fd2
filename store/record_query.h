#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <array>

// The history's SQL: the columns as the window shows them, the filters and the order, for the
// station's SQLite database and for the line server's PostgreSQL. Filter texts only ever travel
// as bound values.
class Record_query {
public:
    enum class Dialect { sqlite, postgres };
    enum Filter { date, wid, address, outcome, filter_count };
    struct Filters {
        std::array<QString, filter_count> texts;
    };

    // The columns shown, in order: time (local, with its offset), station, operator, link, WID,
    // the three chosen addresses, outcome, series step, version, information word, the eight
    // words and the checksum, the raw text of an imported line, the id.
    static const QStringList& headers();
    static int time_column() { return 0; }
    // A shown value as text: a NULL number is an empty cell, not 0.
    static QString text_of(const QVariant& value) {
        return value.isNull() ? QString() : value.toString();
    }

    Record_query(Dialect dialect, Filters filters, int sort_column, bool descending);

    struct Statement {
        QString sql;
        QVariantList values; // to bind, in order
    };
    Statement count() const;
    // paged: "LIMIT ? OFFSET ?" follows, their values to be bound after `values`.
    Statement rows(bool paged) const;

private:
    QString where(QVariantList& values) const;

    Dialect dialect;
    Filters filters;
    int sort_column;
    bool descending;
};
