#include "loop_naming.h"

#include "config_document.h"
#include "option_bits.h"

namespace {

// Addresses and the profile have columns of their own in the table.
bool in_summary(const char* name) {
    const QString text = QString::fromLatin1(name);
    return !text.startsWith(QLatin1String("ComboBox_"));
}

} // namespace

QStringList Loop_naming::differing_options(const DetectorConfig& a, const DetectorConfig& b) {
    const Config_document one = Config_document::from_words(a);
    const Config_document other = Config_document::from_words(b);
    QStringList names;
    for (const Config_document::Option& option : Config_document::options()) {
        if (one.values.at(option.name) != other.values.at(option.name)) {
            names << QString::fromLatin1(option.name);
        }
    }
    return names;
}

DetectorConfig Loop_naming::new_window_config() {
    // Optics and heat on, the ROP thresholds and the profile at their initial values.
    DetectorConfig config;
    config.options1 = 0x4180;
    config.rop_ans = static_cast<std::uint16_t>(option_bits::numbers[0].initial);
    config.rop_alm = static_cast<std::uint16_t>(option_bits::numbers[1].initial);
    config.smoke_profile = option_bits::smoke_profiles[0];
    return config;
}

QStringList Loop_naming::differing(const DetectorConfig& a, const DetectorConfig& b) const {
    QStringList quoted;
    for (const QString& name : differing_options(a, b)) {
        quoted << QStringLiteral("„%1”").arg(name);
    }
    return quoted;
}

QString Loop_naming::summary(const DetectorConfig& config) const {
    QStringList names;
    for (const QString& name : differing_options(new_window_config(), config)) {
        if (in_summary(name.toLatin1().constData())) {
            names << name;
        }
    }
    return names.isEmpty() ? QStringLiteral("domyślna") : names.join(QStringLiteral(", "));
}
