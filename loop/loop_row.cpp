#include "loop_row.h"

QString Loop_row::read_text() const {
    switch (read_state) {
    case Read_state::not_read:
        return QStringLiteral("nie odczytano");
    case Read_state::read:
        return QStringLiteral("odczytana");
    case Read_state::no_reply:
        return QStringLiteral("brak odpowiedzi");
    case Read_state::garbled:
        return QStringLiteral("błąd sumy kontrolnej odpowiedzi: możliwe dwie czujki pod jednym "
                              "adresem");
    case Read_state::checksum_error:
        return QStringLiteral("błąd sumy kontrolnej");
    case Read_state::communication_error: {
        QStringList numbers;
        for (const int status : statuses) {
            numbers << QString::number(status);
        }
        return QStringLiteral("błąd komunikacji (statusy: %1)").arg(numbers.join(QLatin1Char(' ')));
    }
    }
    return {};
}

QString Loop_row::write_text() const {
    switch (write_state) {
    case Write_state::none:
        return {};
    case Write_state::not_written:
        return QStringLiteral("nie zapisano");
    case Write_state::verified:
    case Write_state::failed:
    case Write_state::no_backup:
        return write_message;
    }
    return {};
}
