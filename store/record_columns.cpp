#include "record_columns.h"

#include <QSqlRecord>
#include <QStringList>

namespace {

QVariant text(const std::string& value) {
    return QString::fromStdString(value);
}

// An empty field stays NULL in a number column.
QVariant number(const std::string& value) {
    bool ok = false;
    const int n = QString::fromStdString(value).toInt(&ok);
    return ok ? QVariant(n) : QVariant(QMetaType(QMetaType::Int));
}

std::string string_of(const QSqlRecord& row, const char* name) {
    return row.value(QString::fromLatin1(name)).toString().toStdString();
}

// Every shipped row starts alike: which row it is, when, where and by whom it was made, and over
// which link; the table's own columns follow.
std::vector<Shipped_table::Column> with_row_origin(std::vector<Shipped_table::Column> own) {
    using T = Shipped_table::Type;
    std::vector<Shipped_table::Column> columns{
        {"id", T::uuid},      {"recorded_at", T::time}, {"utc_offset", T::integer},
        {"station", T::text}, {"operator", T::text},    {"link", T::text}};
    columns.insert(columns.end(), own.begin(), own.end());
    return columns;
}

} // namespace

QString Shipped_table::column_list() const {
    QStringList names;
    for (const Column& c : columns) {
        names << QString::fromLatin1(c.name);
    }
    return names.join(QStringLiteral(", "));
}

QString Shipped_table::placeholders() const {
    QStringList marks;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        marks << QStringLiteral("?");
    }
    return marks.join(QStringLiteral(", "));
}

const Shipped_table& Shipped_table::write_record() {
    using T = Type;
    static const Shipped_table table{"write_record",
                                     with_row_origin({{"version", T::text},
                                                      {"information", T::text},
                                                      {"wid", T::text},
                                                      {"options1", T::text},
                                                      {"address", T::text},
                                                      {"rop_address", T::text},
                                                      {"options2", T::text},
                                                      {"rop_ans", T::text},
                                                      {"rop_alm", T::text},
                                                      {"smoke_profile", T::text},
                                                      {"hc", T::text},
                                                      {"crc", T::text},
                                                      {"chosen_basic_address", T::text},
                                                      {"chosen_rop_address", T::text},
                                                      {"chosen_wk_address", T::text},
                                                      {"outcome", T::text},
                                                      {"series_step", T::integer},
                                                      {"raw", T::text},
                                                      {"imported_line", T::integer}})};
    return table;
}

const Shipped_table& Shipped_table::configuration_backup() {
    using T = Type;
    static const Shipped_table table{"configuration_backup",
                                     with_row_origin({{"kind", T::text},
                                                      {"version", T::text},
                                                      {"information", T::text},
                                                      {"wid", T::text},
                                                      {"words", T::text}})};
    return table;
}

QVariantList Shipped_table::values_of(const Configuration_backup& backup, const QString& id,
                                      const Record_time& time, const QString& station,
                                      const QString& operator_name) {
    // Bare words, as the kept segments spell them: "4180 0000 ...".
    const auto hex = [](unsigned word) {
        return QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper();
    };
    QStringList words;
    for (const std::uint16_t word : backup.words) {
        words << hex(word);
    }
    // No operator given is an empty name, not a missing one.
    const auto given = [](const QString& name) {
        return name.isNull() ? QStringLiteral("") : name;
    };
    return {id,
            time.utc,
            time.offset_minutes,
            given(station),
            given(operator_name),
            text(backup.link),
            QString::fromLatin1(Configuration_backup::kind_text(backup.kind)),
            text(Write_record_line::hex2(backup.version)),
            text(Write_record_line::hex4(backup.information)),
            hex(backup.wid[0]) + QLatin1Char(' ') + hex(backup.wid[1]),
            words.join(QLatin1Char(' '))};
}

const std::vector<const Shipped_table*>& Shipped_table::all() {
    static const std::vector<const Shipped_table*> tables = {&write_record(),
                                                             &configuration_backup()};
    return tables;
}

const Shipped_table* Shipped_table::named(const QString& name) {
    for (const Shipped_table* table : all()) {
        if (name == QLatin1String(table->name)) {
            return table;
        }
    }
    return nullptr;
}

QVariantList Shipped_table::values_of(const Write_record_line& line, const Record_time& time) {
    QVariantList values = {text(line.id)};
    if (time.utc.isEmpty()) {
        values << QVariant(QMetaType(QMetaType::QString)) << QVariant(QMetaType(QMetaType::Int));
    } else {
        values << time.utc << time.offset_minutes;
    }
    values << text(line.station) << text(line.operator_name) << text(line.link)
           << text(line.version) << text(line.information) << text(line.wid);
    for (std::size_t i = 0; i < 9; ++i) {
        values << text(i < line.words.size() ? line.words[i] : std::string());
    }
    values << text(line.basic_address) << text(line.rop_address) << text(line.wk_address)
           << text(line.outcome) << number(line.series_step)
           << (line.raw.empty() ? QVariant(QMetaType(QMetaType::QString)) : text(line.raw))
           << (line.imported_line > 0 ? QVariant(line.imported_line)
                                      : QVariant(QMetaType(QMetaType::Int)));
    return values;
}

Write_record_line Shipped_table::line_of(const QSqlRecord& row) {
    Write_record_line line;
    const QVariant utc = row.value(QStringLiteral("recorded_at"));
    if (!utc.isNull()) {
        line.time = Record_time{utc.toString(), row.value(QStringLiteral("utc_offset")).toInt()}
                        .local_text()
                        .toStdString();
    }
    line.id = string_of(row, "id");
    line.station = string_of(row, "station");
    line.operator_name = string_of(row, "operator");
    line.link = string_of(row, "link");
    line.version = string_of(row, "version");
    line.information = string_of(row, "information");
    line.wid = string_of(row, "wid");
    for (const char* word : {"options1", "address", "rop_address", "options2", "rop_ans", "rop_alm",
                             "smoke_profile", "hc", "crc"}) {
        line.words.push_back(string_of(row, word));
    }
    line.basic_address = string_of(row, "chosen_basic_address");
    line.rop_address = string_of(row, "chosen_rop_address");
    line.wk_address = string_of(row, "chosen_wk_address");
    line.outcome = string_of(row, "outcome");
    line.series_step = string_of(row, "series_step");
    line.raw = string_of(row, "raw");
    line.imported_line = row.value(QStringLiteral("imported_line")).toInt();
    return line;
}
