#pragma once

#include <QString>

// The station: its name (the computer's name unless set), the operator (optional) and the line
// database, kept with QSettings in an INI file the program names (the user's configuration folder).
// The line's environment variable (KTR27TUNEX_LINE_DB for the tool, KTR27TUNEX_BENCH_LINE_DB for
// the bench), a libpq connection string, overrides the kept line database for scripted use. Nothing
// of the detector operations reads these.
struct Station_settings {
    enum class Line { none, connection, service };

    QString station;
    QString operator_name;
    Line line = Line::none;
    QString connection; // libpq keyword/value connection string
    QString service;    // a service of libpq's service file
    QString sslmode;    // added when neither names one; empty: libpq's own choice
    QString environment_line;

    static QString environment_variable();
    // The kept settings, the environment's line database, the computer's name for a station
    // that has none.
    static Station_settings load(const QString& file);
    bool save(const QString& file) const;

    // What the line sender connects with; empty for none.
    QString line_conninfo() const;
    // Why these settings cannot be kept, or an empty text.
    QString problem() const;
};
