#include "record_time.h"

#include <QDateTime>

namespace {

QString utc_text(const QDateTime& when) {
    return when.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QString offset_text(int minutes) {
    const int size = minutes < 0 ? -minutes : minutes;
    return (minutes < 0 ? QStringLiteral("-") : QStringLiteral("+")) +
           QStringLiteral("%1:%2")
               .arg(size / 60, 2, 10, QLatin1Char('0'))
               .arg(size % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

Record_time Record_time::now() {
    const QDateTime local = QDateTime::currentDateTime();
    return {utc_text(local), local.offsetFromUtc() / 60};
}

std::optional<Record_time> Record_time::from_local_text(const QString& text) {
    const QDateTime when = QDateTime::fromString(text, Qt::ISODate);
    if (!when.isValid()) {
        return std::nullopt;
    }
    return Record_time{utc_text(when), when.offsetFromUtc() / 60};
}

QString Record_time::local_text() const {
    QDateTime when = QDateTime::fromString(utc, Qt::ISODateWithMs);
    if (!when.isValid()) {
        return {};
    }
    when = when.toOffsetFromUtc(offset_minutes * 60);
    return when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + offset_text(offset_minutes);
}
