#include "presets.h"

#include "config_document.h"

#include "edit_combo_box.h"
#include "main_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

const Preset Preset::alarm{.relay = true,
                           .relay_nc = true,
                           .blink = true,
                           .dust = true,
                           .malfunction = true,
                           .address_1_entry = 0,
                           .led_options_enabled = true};

const Preset Preset::conventional{.relay = false,
                                  .relay_nc = false,
                                  .blink = false,
                                  .dust = false,
                                  .malfunction = false,
                                  .address_1_entry = 0,
                                  .led_options_enabled = true};

const Preset Preset::pnx30{.relay = false,
                           .relay_nc = false,
                           .blink = true,
                           .dust = true,
                           .malfunction = true,
                           .address_1_entry = 1,
                           .led_options_enabled = false};

void Preset::apply(Main_controls& c) const {
    c.CheckBox_optic->setChecked(true);
    c.CheckBox_thermic->setChecked(true);
    c.CheckBox_autocompensation->setChecked(true);
    c.RadioButton_lock->setChecked(true);
    c.CheckBox_relay->setChecked(relay);
    (relay_nc ? c.RadioButton_NC : c.RadioButton_NO)->setChecked(true);
    c.CheckBox_blink->setChecked(blink);
    c.CheckBox_dust->setChecked(dust);
    c.CheckBox_malfunction->setChecked(malfunction);
    c.ComboBox_address_1->setCurrentIndex(address_1_entry);
    c.ComboBox_address_2->setCurrentIndex(0);
    c.CheckBox_const_current->setChecked(false);
    c.CheckBox_const_current->setEnabled(led_options_enabled);
    c.CheckBox_diff_alarm->setChecked(false);
    c.CheckBox_diff_alarm->setEnabled(led_options_enabled);
}

bool Preset::matches(const DetectorConfig& config) const {
    const Config_document document = Config_document::from_words(config);
    const std::pair<const char*, bool> wanted[] = {
        {"CheckBox_optic", true},
        {"CheckBox_thermic", true},
        {"CheckBox_autocompensation", true},
        {"RadioButton_reset", false},
        {"CheckBox_relay", relay},
        {"RadioButton_NC", relay_nc},
        {"CheckBox_blink", blink},
        {"CheckBox_dust", dust},
        {"CheckBox_malfunction", malfunction},
        {"CheckBox_const_current", false},
        {"CheckBox_diff_alarm", false},
    };
    for (const auto& [name, on] : wanted) {
        if ((document.values.at(name) != 0) != on) {
            return false;
        }
    }
    return true;
}
