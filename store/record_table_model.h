#pragma once

#include "page_cache.h"
#include "record_query.h"

#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <QStringList>

#include <vector>

// The history as a table model over a database: the query counts the rows and fetches only the
// pages the view shows (a few hundred rows each, a few dozen pages kept), so a record of any
// length opens at once. Filters and sorting are the query's; the time sorts as the instant.
class Record_table_model : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int page_rows = 200;
    static constexpr std::size_t pages_kept = 40;

    explicit Record_table_model(QObject* parent = nullptr);

    // Shows `db`'s write record (an invalid database shows nothing).
    void set_source(QSqlDatabase db, Record_query::Dialect dialect);
    void set_filter(Record_query::Filter filter, const QString& text);
    // Counts and shows the rows again.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order) override;

    // What is shown, for the export.
    Record_query query() const;
    QSqlDatabase source() const { return db; }
    // The database's words when the last query failed; empty otherwise.
    const QString& error() const { return last_error; }

private:
    std::vector<QStringList> fetch(int first, int count) const;

    QSqlDatabase db;
    Record_query::Dialect dialect = Record_query::Dialect::sqlite;
    Record_query::Filters filters;
    int sort_column = Record_query::time_column();
    bool descending = true;
    int rows = 0;
    mutable Page_cache<QStringList> pages{page_rows, pages_kept};
    mutable QString last_error;
};
