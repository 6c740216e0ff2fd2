#pragma once

#include <QSortFilterProxyModel>
#include <QString>

#include <array>

// The rows of the write record the history window shows: each filter text must appear (case
// ignored) in its columns; an empty filter lets every row through.
class Record_filter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    enum Field { date, wid, address, outcome, field_count };

    explicit Record_filter(QObject* parent = nullptr) : QSortFilterProxyModel(parent) {}

    void set_text(Field field, const QString& text);

protected:
    bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;

private:
    std::array<QString, field_count> texts;
};
