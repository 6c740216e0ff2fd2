#pragma once

#include "station_store.h"

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// What the line server fixture (line_server.sh) set up for this run, read from the state file
// CTest names in KTR_TEST_LINE_SERVER, with paths as this platform opens them. The libpq password
// file is made the process's own.
struct Line_server {
    QString station; // libpq connection strings of the three roles
    QString owner;
    QString admin;
    QString full_disk; // a 1 MiB file system
    QString read_only; // a read-only one

    // Nothing when the fixture did not run.
    static const Line_server* get();
    // Stops or starts the server and returns once it is so.
    bool down() const;
    bool up() const;
    // Rows of `station` on the server, and how many distinct ids they have.
    std::pair<int, int> rows_of(const QString& station) const;

    QString script;     // as the shell sees them
    QString state_file; //
};

// A station name no other test of this or an earlier run uses.
QString unique_station(const char* what);

// True once `condition` holds, looking every 20 ms for at most `ms`.
bool eventually(const std::function<bool()>& condition, int ms);

// A station store in a folder of its own, with quick retries.
struct Scratch_store {
    explicit Scratch_store(const QString& folder = {});
    QTemporaryDir dir;
    std::unique_ptr<Station_store> store;
    // Opens a second store on the same folder, as the next start of the program would.
    std::unique_ptr<Station_store> reopened() const;
    QString folder;
};

Write_record_line sample_line(int n);

// A TCP port on 127.0.0.1 that takes connections and never answers: a hung server.
class Silent_listener {
public:
    Silent_listener();
    ~Silent_listener();
    int port() const { return bound_port; }

private:
    long long socket_handle = -1;
    int bound_port = 0;
};
