#include "backup_table_model.h"

#include "backup_lookup.h"
#include "record_time.h"
#include "stored_kept_segments.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

// The seq breaks ties of backups kept within one millisecond; the WID's index ends in it.
const QString rows_sql = QStringLiteral(
    "SELECT recorded_at, utc_offset, kind, link, station, version, words "
    "FROM configuration_backup WHERE wid = ? ORDER BY recorded_at DESC, seq DESC LIMIT ? OFFSET ?");

QString kind_shown(const QString& kind) {
    QString text = kind;
    return text.replace(QLatin1Char('_'), QLatin1Char(' '));
}

} // namespace

Backup_table_model::Backup_table_model(QObject* parent) : QAbstractTableModel(parent) {}

QStringList Backup_table_model::known_wids(QSqlDatabase db) {
    QStringList wids;
    if (!db.isValid() || !db.isOpen()) {
        return wids;
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (query.exec(QStringLiteral("SELECT wid FROM backup_wid ORDER BY last_at DESC, wid"))) {
        while (query.next()) {
            wids << query.value(0).toString();
        }
    }
    return wids;
}

void Backup_table_model::set_source(QSqlDatabase source, const QString& wid) {
    beginResetModel();
    db = source;
    shown_wid = wid;
    pages.clear();
    rows = 0;
    last_error.clear();
    if (db.isValid() && db.isOpen() && !wid.isEmpty()) {
        QSqlQuery count(db);
        count.prepare(QStringLiteral("SELECT COUNT(*) FROM configuration_backup WHERE wid = ?"));
        count.bindValue(0, wid);
        if (count.exec() && count.next()) {
            rows = count.value(0).toInt();
        } else {
            last_error = count.lastError().text();
        }
    }
    endResetModel();
}

std::vector<Backup_table_model::Row> Backup_table_model::fetch(int first, int count) const {
    std::vector<Row> fetched;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(rows_sql);
    query.bindValue(0, shown_wid);
    query.bindValue(1, count);
    query.bindValue(2, first);
    if (!query.exec()) {
        last_error = query.lastError().text();
        return fetched;
    }
    while (query.next()) {
        Row row;
        const QVariant utc = query.value(0);
        row.shown << (utc.isNull()
                          ? QString()
                          : Record_time{utc.toString(), query.value(1).toInt()}.local_text());
        row.shown << kind_shown(query.value(2).toString()) << query.value(3).toString()
                  << query.value(4).toString() << query.value(5).toString();
        row.words = query.value(6).toString();
        row.shown << row.words;
        fetched.push_back(std::move(row));
    }
    return fetched;
}

const Backup_table_model::Row* Backup_table_model::row_at(int row) const {
    if (row >= rows) {
        return nullptr;
    }
    return pages.row(row, [this](int first, int count) { return fetch(first, count); });
}

std::optional<DetectorConfig> Backup_table_model::config(int row) const {
    const Row* found = row_at(row);
    if (found == nullptr) {
        return std::nullopt;
    }
    return Backup_lookup::config_of(found->words);
}

int Backup_table_model::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows;
}

int Backup_table_model::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : column_count;
}

QVariant Backup_table_model::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    const Row* row = row_at(index.row());
    if (row == nullptr || index.column() >= row->shown.size()) {
        return {};
    }
    return row->shown[index.column()];
}

QVariant Backup_table_model::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QStringList headers = {QStringLiteral("Czas"),   QStringLiteral("Rodzaj"),
                                        QStringLiteral("Łącze"),  QStringLiteral("Stanowisko"),
                                        QStringLiteral("Wersja"), QStringLiteral("Słowa")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headers.size()) {
        return headers[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}
