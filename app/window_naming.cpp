#include "window_naming.h"

#include "config_controls.h"
#include "presets.h"

#include <utility>

QStringList Window_naming::differing(const DetectorConfig& a, const DetectorConfig& b) const {
    return controls.differing_captions(a, b);
}

QString Window_naming::summary(const DetectorConfig& config) const {
    const std::pair<const Preset*, const char*> presets[] = {{&Preset::alarm, "KTR27 W"},
                                                             {&Preset::conventional, "KTR27 K"},
                                                             {&Preset::pnx30, "KTR27 A"}};
    for (const auto& [preset, caption] : presets) {
        if (preset->matches(config)) {
            return QStringLiteral("jak %1").arg(QString::fromUtf8(caption));
        }
    }
    // Addresses and the profile have columns of their own.
    const DetectorConfig baseline = new_window_config();
    DetectorConfig options = config;
    options.set_addresses(baseline.basic_address(), baseline.rop_address_given(),
                          baseline.wk_address());
    options.smoke_profile = baseline.smoke_profile;
    const QStringList captions = controls.differing_captions(baseline, options);
    return captions.isEmpty() ? QStringLiteral("domyślna") : captions.join(QStringLiteral(", "));
}
