#pragma once

#include "detector_config.h"
#include "parameter_words.h"
#include "record_time.h"

#include <QString>

#include <optional>
#include <vector>

class Station_store;

// The configurations the station database keeps for one detector, for taking one back.
class Backup_lookup {
public:
    struct Stored {
        Record_time time;
        QString kind; // "odczyt", "przed_zapisem", "zapisana"
        QString link;
        DetectorConfig config;
    };

    // The newest `limit` backups of the detector with `wid`, newest first; a row whose words are
    // damaged is left out. Empty when the database cannot be read.
    static std::vector<Stored> of_wid(Station_store& store, const ParameterWords::Pair& wid,
                                      int limit);
    // The configuration words at the head of a backup's words (a read's eight or a write's
    // whole segment); nothing from text that is not that.
    static std::optional<DetectorConfig> config_of(const QString& words);
};
