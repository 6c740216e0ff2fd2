#include "line_connection.h"

namespace {

bool is_key_char(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

bool has_key(const Line_connection::Pairs& pairs, const char* key) {
    for (const auto& [k, v] : pairs) {
        if (k == QLatin1String(key)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<Line_connection::Pairs> Line_connection::parse(const QString& conninfo) {
    Pairs pairs;
    qsizetype i = 0;
    const qsizetype n = conninfo.size();
    const auto skip_space = [&] {
        while (i < n && conninfo[i].isSpace()) {
            ++i;
        }
    };
    for (;;) {
        skip_space();
        if (i >= n) {
            return pairs;
        }
        QString key;
        while (i < n && is_key_char(conninfo[i])) {
            key += conninfo[i++];
        }
        skip_space();
        if (key.isEmpty() || i >= n || conninfo[i] != QLatin1Char('=')) {
            return std::nullopt;
        }
        ++i;
        skip_space();
        QString value;
        if (i < n && conninfo[i] == QLatin1Char('\'')) {
            ++i;
            for (;;) {
                if (i >= n) {
                    return std::nullopt;
                }
                if (conninfo[i] == QLatin1Char('\\') && i + 1 < n) {
                    value += conninfo[i + 1];
                    i += 2;
                } else if (conninfo[i] == QLatin1Char('\'')) {
                    ++i;
                    break;
                } else {
                    value += conninfo[i++];
                }
            }
        } else {
            while (i < n && !conninfo[i].isSpace()) {
                value += conninfo[i++];
            }
        }
        pairs.emplace_back(key, value);
    }
}

QString Line_connection::problem(const QString& conninfo) {
    const QString text = conninfo.trimmed();
    if (text.startsWith(QLatin1String("postgres://")) ||
        text.startsWith(QLatin1String("postgresql://"))) {
        return QStringLiteral("Podaj połączenie w postaci słów kluczowych libpq "
                              "(host=... dbname=... user=...), nie jako adres URI.");
    }
    // Qt's driver would read a semicolon as a separator.
    if (text.contains(QLatin1Char(';'))) {
        return QStringLiteral("Połączenie nie może zawierać średnika.");
    }
    const auto pairs = parse(text);
    if (!pairs) {
        return QStringLiteral("To nie jest połączenie libpq w postaci słowo=wartość.");
    }
    if (has_key(*pairs, "password")) {
        return QStringLiteral("Program nie przechowuje hasła: podaj je w pliku haseł libpq "
                              "(pgpass) lub w pliku usług (pg_service.conf).");
    }
    return {};
}

QString Line_connection::with_defaults(const QString& conninfo) {
    const auto pairs = parse(conninfo);
    QString text = conninfo.trimmed();
    if (!pairs) {
        return text;
    }
    // A server that does not answer costs the sender a few seconds, never an operation.
    const char* const defaults[][2] = {
        {"connect_timeout", "5"},  {"keepalives", "1"},
        {"keepalives_idle", "10"}, {"keepalives_interval", "3"},
        {"keepalives_count", "3"}, {"application_name", "ktr27tunex"}};
    for (const auto& [key, value] : defaults) {
        if (!has_key(*pairs, key)) {
            text += QStringLiteral(" %1=%2").arg(QLatin1String(key), QLatin1String(value));
        }
    }
    return text.trimmed();
}
