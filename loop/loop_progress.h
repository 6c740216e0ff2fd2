#pragma once

#include <QString>

#include <cstdint>

// The progress line of a run over the loop: "N z M", the time gone and the time still to go,
// judged from the detectors done so far.
class Loop_progress {
public:
    static QString text(int done, int total, std::uint64_t elapsed_ms);
    // Milliseconds as m:ss (h:mm:ss from an hour on).
    static QString clock_text(std::uint64_t ms);
};
