#pragma once

#include "write_recorder.h"

class Write_record;

// The operations' lines into the write record, stamped with the local time and its offset. A
// line that cannot be kept is told once per run of the program and changes no operation's
// outcome.
class Record_appender : public Write_recorder {
public:
    explicit Record_appender(Write_record& record) : record(record) {}

    void append(const Write_record_line& line) override;

private:
    Write_record& record;
    bool failure_told = false;
};
