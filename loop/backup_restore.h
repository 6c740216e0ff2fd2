#pragma once

#include "detector_config.h"
#include "parameter_words.h"

#include <QString>

#include <functional>
#include <vector>

class Loop_table;

// Takes detectors of the loop back to a configuration the station keeps for them: the stored
// configuration becomes the row's plan, and the write-many run writes it as any plan, into the
// detector with the row's WID only.
class Backup_restore {
public:
    struct Stored {
        QString when; // local time, as the history shows it
        QString kind;
        DetectorConfig config;
    };
    // The stored configurations of the detector with this WID, newest first.
    using Finder = std::function<std::vector<Stored>(const ParameterWords::Pair& wid)>;

    // Each row at `addresses` whose detector named itself by a usable WID at the survey and has
    // a stored configuration gets the newest one `find` gives as its plan, basic address as
    // stored; a row without one says so and is left out. The addresses to write, ascending.
    static std::vector<int> plan(Loop_table& table, const std::vector<int>& addresses,
                                 const Finder& find);
};
