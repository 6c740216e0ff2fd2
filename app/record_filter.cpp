#include "record_filter.h"

#include <initializer_list>

namespace {

// Columns of each filter in the record; "address" looks at the link (the loop address a panel
// write went to) and the three address columns.
std::initializer_list<int> columns_of(Record_filter::Field field) {
    static const std::initializer_list<int> date = {0};
    static const std::initializer_list<int> wid = {4};
    static const std::initializer_list<int> address = {1, 14, 15, 16};
    static const std::initializer_list<int> outcome = {17};
    switch (field) {
    case Record_filter::date:
        return date;
    case Record_filter::wid:
        return wid;
    case Record_filter::address:
        return address;
    default:
        return outcome;
    }
}

} // namespace

void Record_filter::set_text(Field field, const QString& text) {
    texts[static_cast<std::size_t>(field)] = text.trimmed();
    invalidateFilter();
}

namespace {

constexpr int link_column = 1;

// The loop address a panel write went to: the last word of "PNX30 adres N"; "dongle" has none.
QString loop_address(const QString& link) {
    const qsizetype space = link.lastIndexOf(QLatin1Char(' '));
    return space < 0 ? QString() : link.mid(space + 1);
}

} // namespace

bool Record_filter::filterAcceptsRow(int source_row, const QModelIndex& source_parent) const {
    for (int f = 0; f < field_count; ++f) {
        const QString& wanted = texts[static_cast<std::size_t>(f)];
        if (wanted.isEmpty()) {
            continue;
        }
        bool found = false;
        for (const int column : columns_of(static_cast<Field>(f))) {
            const QString cell =
                sourceModel()->index(source_row, column, source_parent).data().toString();
            // An address is matched whole: "1" must not find 12, 21 or "PNX30 adres 12", nor
            // "3" every row of the panel.
            if (f == address) {
                found = found || (column == link_column ? loop_address(cell) : cell) == wanted;
            } else {
                found = found || cell.contains(wanted, Qt::CaseInsensitive);
            }
        }
        if (!found) {
            return false;
        }
    }
    return true;
}
