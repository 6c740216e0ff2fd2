#include "record_appender.h"

#include "station_store.h"
#include "user_message.h"

#include <QDir>

void Record_appender::keep_backup(const Configuration_backup& backup) {
    // Told by the write record's own line when the database cannot be written.
    store.keep_backup(backup);
}

void Record_appender::append(const Write_record_line& line) {
    if (!store.record(line) && !failure_told) {
        failure_told = true;
        show_user_message(
            QStringLiteral("Nie udało się dopisać wpisu do historii zapisów (%1: %2). Nie ma to "
                           "wpływu na zapis czujki; kolejne takie błędy do końca pracy "
                           "programu nie będą zgłaszane.")
                .arg(QDir::toNativeSeparators(store.file_path()), store.error())
                .toStdString());
    }
    if (const auto told = store.take_line_message()) {
        show_user_message(told->toStdString());
    }
}
