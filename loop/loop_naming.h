#pragma once

#include "detector_config.h"

#include <QString>
#include <QStringList>

// How the loop's table names options: the window names them by its captions and knows its
// presets; below the windows they go by their controls' names.
class Loop_naming {
public:
    Loop_naming() = default;
    virtual ~Loop_naming() = default;
    Loop_naming(const Loop_naming&) = delete;
    Loop_naming& operator=(const Loop_naming&) = delete;

    // The options whose values differ, each quoted.
    virtual QStringList differing(const DetectorConfig& a, const DetectorConfig& b) const;
    // A short summary: the preset the configuration equals, else what differs from a new
    // window's configuration.
    virtual QString summary(const DetectorConfig& config) const;

    // The options (by control name) that differ between the two, addresses included.
    static QStringList differing_options(const DetectorConfig& a, const DetectorConfig& b);
    // The configuration a new main window shows.
    static DetectorConfig new_window_config();
};
