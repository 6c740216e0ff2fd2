#include "record_export.h"

#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QChar separator(Record_export::Format format) {
    return format == Record_export::Format::excel ? QLatin1Char(';') : QLatin1Char(',');
}

} // namespace

QString Record_export::cell(const QString& text, Format format) {
    QString value = text;
    // Excel and its kin run a cell that starts like this as a formula; the apostrophe keeps it
    // text, as a person typing it would.
    if (format == Format::excel && !value.isEmpty() &&
        QStringLiteral("=+-@\t\r").contains(value.front())) {
        value.prepend(QLatin1Char('\''));
    }
    const bool quote = value.contains(separator(format)) || value.contains(QLatin1Char('"')) ||
                       value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'));
    if (!quote) {
        return value;
    }
    value.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + value + QLatin1Char('"');
}

bool Record_export::write(const QString& path, Format format, QSqlDatabase db,
                          const Record_query& query, QString& problem) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        problem = file.errorString();
        return false;
    }
    const auto line = [&](const QStringList& cells) {
        QStringList shown;
        for (const QString& c : cells) {
            shown << cell(c, format);
        }
        return (shown.join(separator(format)) + QStringLiteral("\r\n")).toUtf8();
    };
    QByteArray text = format == Format::excel ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    text += line(Record_query::headers());
    bool ok = file.write(text) == text.size();

    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    const Record_query::Statement statement = query.rows(false);
    if (!rows.prepare(statement.sql)) {
        problem = rows.lastError().text();
        return false;
    }
    for (int i = 0; i < statement.values.size(); ++i) {
        rows.bindValue(i, statement.values[i]);
    }
    if (!rows.exec()) {
        problem = rows.lastError().text();
        return false;
    }
    const int columns = static_cast<int>(Record_query::headers().size());
    while (ok && rows.next()) {
        QStringList cells;
        for (int c = 0; c < columns; ++c) {
            cells << Record_query::text_of(rows.value(c));
        }
        const QByteArray bytes = line(cells);
        ok = file.write(bytes) == bytes.size();
    }
    if (rows.lastError().isValid()) {
        problem = rows.lastError().text();
        return false;
    }
    if (!ok || !file.commit()) {
        problem = file.errorString();
        return false;
    }
    return true;
}
