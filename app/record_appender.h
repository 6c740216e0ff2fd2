#pragma once

#include "write_recorder.h"

class Station_store;

// The operations' lines into the station database. A line that cannot be kept is told once per
// run of the program and changes no operation's outcome; so is a line server that cannot be
// reached.
class Record_appender : public Write_recorder {
public:
    explicit Record_appender(Station_store& store) : store(store) {}

    void append(const Write_record_line& line) override;
    void keep_backup(const Configuration_backup& backup) override;

private:
    Station_store& store;
    bool failure_told = false;
};
