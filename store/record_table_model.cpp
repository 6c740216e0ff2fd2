#include "record_table_model.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace {

bool run(QSqlQuery& query, const Record_query::Statement& statement, const QVariantList& more) {
    if (!query.prepare(statement.sql)) {
        return false;
    }
    int i = 0;
    for (const QVariant& value : statement.values + more) {
        query.bindValue(i++, value);
    }
    return query.exec();
}

} // namespace

Record_table_model::Record_table_model(QObject* parent) : QAbstractTableModel(parent) {}

void Record_table_model::set_source(QSqlDatabase source, Record_query::Dialect kind) {
    db = source;
    dialect = kind;
    reload();
}

void Record_table_model::set_filter(Record_query::Filter filter, const QString& text) {
    filters.texts[static_cast<std::size_t>(filter)] = text;
    reload();
}

void Record_table_model::sort(int column, Qt::SortOrder order) {
    sort_column = column;
    descending = order == Qt::DescendingOrder;
    reload();
}

Record_query Record_table_model::query() const {
    return Record_query(dialect, filters, sort_column, descending);
}

void Record_table_model::reload() {
    beginResetModel();
    pages.clear();
    rows = 0;
    last_error.clear();
    if (db.isValid() && db.isOpen()) {
        QSqlQuery count(db);
        if (run(count, query().count(), {}) && count.next()) {
            rows = count.value(0).toInt();
        } else {
            last_error = count.lastError().text();
        }
    }
    endResetModel();
}

std::vector<QStringList> Record_table_model::fetch(int first, int count) const {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    std::vector<QStringList> fetched;
    if (!run(query, this->query().rows(true), {count, first})) {
        last_error = query.lastError().text();
        return fetched;
    }
    const int columns = static_cast<int>(Record_query::headers().size());
    while (query.next()) {
        QStringList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            row << Record_query::text_of(query.value(c));
        }
        fetched.push_back(std::move(row));
    }
    return fetched;
}

int Record_table_model::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows;
}

int Record_table_model::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(Record_query::headers().size());
}

QVariant Record_table_model::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    const QStringList* row =
        pages.row(index.row(), [this](int first, int count) { return fetch(first, count); });
    if (row == nullptr || index.column() >= row->size()) {
        return {};
    }
    return (*row)[index.column()];
}

QVariant Record_table_model::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < Record_query::headers().size()) {
        return Record_query::headers()[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}
