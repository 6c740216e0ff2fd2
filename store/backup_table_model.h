#pragma once

#include "detector_config.h"
#include "page_cache.h"

#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <QStringList>

#include <optional>
#include <vector>

// One detector's configuration backups in the station database, newest first, as a table model
// that counts them and fetches only the pages the view shows: a detector written many times
// over, or a database of a whole production run, opens at once.
class Backup_table_model : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { time, kind, link, station, version, words, column_count };
    static constexpr int page_rows = 200;
    static constexpr std::size_t pages_kept = 20;

    explicit Backup_table_model(QObject* parent = nullptr);

    // Every WID with a backup in `db`, as the database spells it ("2417 0B01"), the one backed up
    // last first.
    static QStringList known_wids(QSqlDatabase db);

    // Shows the backups of `wid` in `db` (an invalid database shows nothing).
    void set_source(QSqlDatabase db, const QString& wid);
    const QString& wid() const { return shown_wid; }

    // The configuration a row keeps; nothing for a row whose words are damaged.
    std::optional<DetectorConfig> config(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The database's words when the last query failed; empty otherwise.
    const QString& error() const { return last_error; }

private:
    struct Row {
        QStringList shown;
        QString words;
    };
    const Row* row_at(int row) const;
    std::vector<Row> fetch(int first, int count) const;

    QSqlDatabase db;
    QString shown_wid;
    int rows = 0;
    mutable Page_cache<Row> pages{page_rows, pages_kept};
    mutable QString last_error;
};
