#include "record_query.h"

#include <QRegularExpression>

namespace {

struct Column {
    const char* header;
    const char* sqlite;   // the shown value
    const char* postgres; //
    bool number;          // sorted as a number
};

constexpr const char* sqlite_local_time =
    "CASE WHEN recorded_at IS NULL THEN '' ELSE strftime('%Y-%m-%dT%H:%M:%S', recorded_at, "
    "utc_offset || ' minutes') || CASE WHEN utc_offset < 0 THEN '-' ELSE '+' END || "
    "printf('%02d:%02d', abs(utc_offset) / 60, abs(utc_offset) % 60) END";
constexpr const char* postgres_local_time =
    "CASE WHEN recorded_at IS NULL THEN '' ELSE to_char(recorded_at AT TIME ZONE 'UTC' + "
    "make_interval(mins => utc_offset), 'YYYY-MM-DD\"T\"HH24:MI:SS') || CASE WHEN utc_offset < 0 "
    "THEN '-' ELSE '+' END || to_char(abs(utc_offset) / 60, 'FM00') || ':' || "
    "to_char(abs(utc_offset) % 60, 'FM00') END";

const Column columns[] = {
    {"czas", sqlite_local_time, postgres_local_time, false},
    {"stanowisko", "station", "station", false},
    {"operator", "operator", "operator", false},
    {"łącze", "link", "link", false},
    {"WID", "wid", "wid", false},
    {"adres_podstawowy", "chosen_basic_address", "chosen_basic_address", true},
    {"adres_ROP", "chosen_rop_address", "chosen_rop_address", true},
    {"adres_WK", "chosen_wk_address", "chosen_wk_address", true},
    {"wynik", "outcome", "outcome", false},
    {"krok_serii", "series_step", "series_step", true},
    {"wersja", "version", "version", false},
    {"słowo_informacyjne", "information", "information", false},
    {"options1", "options1", "options1", false},
    {"address", "address", "address", false},
    {"rop_address", "rop_address", "rop_address", false},
    {"options2", "options2", "options2", false},
    {"rop_ans", "rop_ans", "rop_ans", false},
    {"rop_alm", "rop_alm", "rop_alm", false},
    {"smoke_profile", "smoke_profile", "smoke_profile", false},
    {"hc", "hc", "hc", false},
    {"crc", "crc", "crc", false},
    {"wiersz_z_pliku", "raw", "raw", false},
    {"id", "id", "id::text", false},
};
constexpr int column_count = static_cast<int>(std::size(columns));

// A text to look for anywhere in a LIKE pattern.
QString like_anywhere(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"))
        .replace(QLatin1String("%"), QLatin1String("\\%"))
        .replace(QLatin1String("_"), QLatin1String("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

} // namespace

const QStringList& Record_query::headers() {
    static const QStringList names = [] {
        QStringList list;
        for (const Column& c : columns) {
            list << QString::fromUtf8(c.header);
        }
        return list;
    }();
    return names;
}

Record_query::Record_query(Dialect d, Filters f, int column, bool down)
    : dialect(d), filters(std::move(f)), sort_column(column), descending(down) {
    if (sort_column < 0 || sort_column >= column_count) {
        sort_column = time_column();
    }
}

QString Record_query::where(QVariantList& values) const {
    QStringList conditions;
    const bool sqlite = dialect == Dialect::sqlite;
    // Case is ignored with Unicode's rules: SQLite's LIKE knows only ASCII, its REGEXP is Qt's.
    const auto contains = [&](const QString& column, const QString& text) {
        if (sqlite) {
            values << QStringLiteral("(?i)") + QRegularExpression::escape(text);
            return column + QStringLiteral(" REGEXP ?");
        }
        values << like_anywhere(text);
        return column + QStringLiteral(" ILIKE ? ESCAPE '\\'");
    };
    for (int f = 0; f < filter_count; ++f) {
        const QString text = filters.texts[static_cast<std::size_t>(f)].trimmed();
        if (text.isEmpty()) {
            continue;
        }
        switch (f) {
        case date:
            conditions << contains(QStringLiteral("(%1)").arg(QLatin1String(
                                       sqlite ? sqlite_local_time : postgres_local_time)),
                                   text);
            break;
        case wid:
            conditions << contains(QStringLiteral("wid"), text);
            break;
        case address:
            // Whole: "12" finds loop address 12, never 112 or 1.
            conditions << QStringLiteral("(link = ? OR chosen_basic_address = ? OR "
                                         "chosen_rop_address = ? OR chosen_wk_address = ?)");
            values << QStringLiteral("PNX30 adres ") + text << text << text << text;
            break;
        default:
            conditions << QStringLiteral("(%1 OR %2)")
                              .arg(contains(QStringLiteral("outcome"), text),
                                   contains(QStringLiteral("raw"), text));
            break;
        }
    }
    return conditions.isEmpty()
               ? QString()
               : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

Record_query::Statement Record_query::count() const {
    Statement statement;
    statement.sql = QStringLiteral("SELECT COUNT(*) FROM write_record") + where(statement.values);
    return statement;
}

Record_query::Statement Record_query::rows(bool paged) const {
    Statement statement;
    const bool sqlite = dialect == Dialect::sqlite;
    QStringList shown;
    for (const Column& c : columns) {
        shown << QString::fromLatin1(sqlite ? c.sqlite : c.postgres);
    }
    const Column& sorted = columns[sort_column];
    QString key;
    if (sort_column == time_column()) {
        key = QStringLiteral("recorded_at");
    } else if (sorted.number) {
        key = sqlite ? QStringLiteral("CAST(NULLIF(%1, '') AS INTEGER)")
                           .arg(QLatin1String(sorted.sqlite))
                     : QStringLiteral("CASE WHEN %1::text ~ '^[0-9]+$' THEN %1::text::integer END")
                           .arg(QLatin1String(sorted.postgres));
    } else {
        key = QString::fromLatin1(sqlite ? sorted.sqlite : sorted.postgres);
    }
    const QString direction = descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    statement.sql =
        QStringLiteral("SELECT %1 FROM write_record").arg(shown.join(QStringLiteral(", "))) +
        where(statement.values) +
        QStringLiteral(" ORDER BY %1%2 NULLS LAST, imported_line%2, id%2").arg(key, direction);
    if (paged) {
        statement.sql += QStringLiteral(" LIMIT ? OFFSET ?");
    }
    return statement;
}
