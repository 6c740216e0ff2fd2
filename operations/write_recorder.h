#pragma once

#include "configuration_backup.h"
#include "write_record_line.h"

// Where the operations leave a line for every write that reached a detector and every event
// erasure. The application stamps the time and keeps the record; a line that cannot be kept
// never changes the operation's outcome.
class Write_recorder {
public:
    virtual ~Write_recorder() = default;
    virtual void append(const Write_record_line& line) = 0;
    // Only for a detector whose WID names it; a backup that cannot be kept is not told.
    virtual void keep_backup(const Configuration_backup& backup) = 0;

protected:
    Write_recorder() = default;
    Write_recorder(const Write_recorder&) = default;
    Write_recorder& operator=(const Write_recorder&) = default;
};
