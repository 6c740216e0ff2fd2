#include "record_appender.h"

#include "user_message.h"
#include "write_record.h"

#include <QDateTime>
#include <QDir>

void Record_appender::append(const Write_record_line& given) {
    Write_record_line line = given;
    // Local time with its offset spelled out, "+00:00" included, so lines written in summer
    // and winter, or on PCs in other zones, sort and compare right.
    const QDateTime now = QDateTime::currentDateTime();
    const int offset_minutes = now.offsetFromUtc() / 60;
    const int offset_size = offset_minutes < 0 ? -offset_minutes : offset_minutes;
    line.time = (now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
                 (offset_minutes < 0 ? QStringLiteral("-") : QStringLiteral("+")) +
                 QStringLiteral("%1:%2")
                     .arg(offset_size / 60, 2, 10, QLatin1Char('0'))
                     .arg(offset_size % 60, 2, 10, QLatin1Char('0')))
                    .toStdString();
    if (!record.append(line) && !failure_told) {
        failure_told = true;
        show_user_message(
            QStringLiteral("Nie udało się dopisać wpisu do historii zapisów (%1). Nie ma to "
                           "wpływu na zapis czujki; kolejne takie błędy do końca pracy "
                           "programu nie będą zgłaszane.")
                .arg(QDir::toNativeSeparators(record.file_path()))
                .toStdString());
    }
}
