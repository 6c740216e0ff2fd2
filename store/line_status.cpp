#include "line_status.h"

QString Line_status::text() const {
    QString state_text;
    switch (state) {
    case State::none:
        return QStringLiteral("Serwer linii: nie skonfigurowano.");
    case State::connecting:
        state_text = QStringLiteral("łączenie...");
        break;
    case State::connected:
        state_text = QStringLiteral("połączono");
        break;
    case State::unreachable:
        state_text = QStringLiteral("nieosiągalny (%1)").arg(detail);
        break;
    }
    QString text = QStringLiteral("Serwer linii: %1.").arg(state_text);
    if (pending >= 0) {
        text += QStringLiteral(" Czeka na wysłanie: %1.").arg(pending);
    }
    return text;
}
