#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <vector>

// A line server connection in libpq's own keyword/value terms ("host=... dbname=... user=..."
// or "service=..."), as the station settings or KTR27TUNEX_LINE_DB give it. The password comes
// from libpq's password file or service file; TLS is libpq's sslmode.
class Line_connection {
public:
    using Pairs = std::vector<std::pair<QString, QString>>;

    // The keywords and values, or nothing when the text is not keyword/value form.
    static std::optional<Pairs> parse(const QString& conninfo);
    // Why the settings may not keep this text, or an empty text when they may. A password is
    // never kept by the tool; a URI is not libpq's keyword/value form.
    static QString problem(const QString& conninfo);
    // The text with what the station needs and the user did not say: a connect time-out, TCP
    // keep-alives that notice a dead server, and the application's name.
    static QString with_defaults(const QString& conninfo);
};
