#pragma once

#include "loop_naming.h"

class Config_controls;

// The loop's table in the main window's words: options by their captions, and a configuration
// that a preset gives named after the preset's button.
class Window_naming : public Loop_naming {
public:
    explicit Window_naming(const Config_controls& controls) : controls(controls) {}

    QStringList differing(const DetectorConfig& a, const DetectorConfig& b) const override;
    QString summary(const DetectorConfig& config) const override;

private:
    const Config_controls& controls;
};
