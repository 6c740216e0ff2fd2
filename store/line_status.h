#pragma once

#include <QString>

// What the sender knows of the line server, for the history window.
struct Line_status {
    enum class State {
        none,        // no line server configured
        connecting,  // the first attempt is under way
        connected,   // rows go as they are kept
        unreachable, // the rows wait in the local store
    };
    State state = State::none;
    QString detail; // the server's or libpq's words for the last failure
    int pending = -1;
    qint64 shipped = 0; // rows this run has shipped
    int attempts = 0;   // connections tried this run

    // "Serwer linii: ..." with the rows that wait.
    QString text() const;
};
