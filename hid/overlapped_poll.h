#pragma once

#include "os_api.h"

#include <cstdint>

// Waits for an overlapped transfer by looking at its record's status word once per millisecond.
// A transfer still pending after `limit` looks is cancelled; the call returns only once the
// platform is done with the record and its buffer.
class Overlapped_poll {
public:
    struct Outcome {
        bool ended;          // left the pending state within the limit, whatever its final status
        std::uint32_t looks; // looks taken, limit + 1 when the transfer was cancelled
    };

    static Outcome wait(Os_handle handle, Os_overlapped& record, std::uint32_t limit);
};
