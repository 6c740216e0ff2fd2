#include "config_controls.h"

#include "bit_operations.h"
#include "config_document.h"

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QSpinBox>
#include <QWidget>

#include <algorithm>
#include <stdexcept>

namespace {

template <typename Control> Control* named(QWidget& form, const char* name) {
    auto* control = form.findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr) {
        // A table row without its control is a programming error that no user could mend.
        throw std::logic_error(std::string("no control named ") + name);
    }
    return control;
}

std::uint16_t& word_of(DetectorConfig& config, option_bits::Word word) {
    return word == option_bits::Word::options1 ? config.options1 : config.options2;
}

// The address an entry names; "brak" and a text that names no entry name none.
std::optional<int> address_of_entry(int entry) {
    return entry > 0 ? std::optional<int>(entry - 1) : std::nullopt;
}

} // namespace

Config_controls::Config_controls(QWidget& form) : form(form) {
    for (std::size_t i = 0; i < option_bits::flags.size(); ++i) {
        const option_bits::Flag& flag = option_bits::flags[i];
        flags[i].on = named<QAbstractButton>(form, flag.control);
        if (flag.partner != nullptr) {
            flags[i].partner = named<QAbstractButton>(form, flag.partner);
        }
    }
    for (std::size_t i = 0; i < option_bits::numbers.size(); ++i) {
        numbers[i] = named<QSpinBox>(form, option_bits::numbers[i].control);
    }
    profile = named<QComboBox>(form, "ComboBox_smoke_profile");
    basic = named<QComboBox>(form, "ComboBox_address_1");
    rop = named<QComboBox>(form, "ComboBox_address_2");
    wk = named<QComboBox>(form, "ComboBox_address_WK");
}

std::uint16_t Config_controls::spin_value(const QSpinBox* spin) {
    bool is_number = false;
    const int typed = spin->cleanText().toInt(&is_number);
    if (!is_number) {
        return static_cast<std::uint16_t>(spin->minimum());
    }
    return static_cast<std::uint16_t>(std::clamp(typed, spin->minimum(), spin->maximum()));
}

int Config_controls::entry_of_address(int address) {
    return address >= 0 && address <= option_bits::highest_address ? address + 1 : -1;
}

DetectorConfig Config_controls::words() const {
    const Bit_operations bits;
    DetectorConfig config;
    for (std::size_t i = 0; i < option_bits::flags.size(); ++i) {
        const option_bits::Flag& flag = option_bits::flags[i];
        const bool set = flags[i].on->isChecked() != flag.inverted;
        std::uint16_t& word = word_of(config, flag.word);
        bits.set_bit(word, flag.bit, set);
        if (flag.second_bit != option_bits::none) {
            bits.set_bit(word, flag.second_bit, set);
        }
    }
    config.set_addresses(address_of_entry(basic->currentIndex()),
                         address_of_entry(rop->currentIndex()),
                         address_of_entry(wk->currentIndex()));
    for (std::size_t i = 0; i < option_bits::numbers.size(); ++i) {
        config.set_word(option_bits::numbers[i].word, spin_value(numbers[i]));
    }
    const int entry = profile->currentIndex();
    config.smoke_profile =
        entry >= 0 && entry < static_cast<int>(option_bits::smoke_profiles.size())
            ? option_bits::smoke_profiles[static_cast<std::size_t>(entry)]
            : option_bits::smoke_profiles[0];
    return config;
}

void Config_controls::show(const DetectorConfig& config) {
    const Bit_operations bits;
    DetectorConfig words = config;
    for (std::size_t i = 0; i < option_bits::flags.size(); ++i) {
        const option_bits::Flag& flag = option_bits::flags[i];
        const bool set = bits.test_bit(word_of(words, flag.word), flag.bit);
        if (flags[i].partner == nullptr) {
            flags[i].on->setChecked(set != flag.inverted);
        } else if (flag.second_bit == option_bits::none ||
                   set == bits.test_bit(word_of(words, flag.word), flag.second_bit)) {
            (set ? flags[i].on : flags[i].partner)->setChecked(true);
        } else {
            // Only both bits of a pair select the option.
            flags[i].partner->setChecked(true);
        }
    }

    const int address = config.address & 0xFF;
    basic->setCurrentIndex(config.has_basic_address() ? entry_of_address(address) : 0);
    rop->setCurrentIndex(config.has_rop_address() ? entry_of_address(config.rop_address & 0xFF)
                                                  : 0);
    // Without a basic address the address word is a W/K address (address 0 when the detector
    // has none at all). With one, the W/K list must not keep an older entry: a W/K address wins
    // on writing, so a stale one would silently readdress the detector that was just read.
    wk->setCurrentIndex(basic->currentIndex() == 0 ? entry_of_address(address) : 0);

    const auto values = config.words();
    for (std::size_t i = 0; i < option_bits::numbers.size(); ++i) {
        numbers[i]->setValue(values[static_cast<std::size_t>(option_bits::numbers[i].word)]);
    }
    const auto& profiles = option_bits::smoke_profiles;
    const auto found = std::find(profiles.begin(), profiles.end(), config.smoke_profile);
    if (found != profiles.end()) {
        profile->setCurrentIndex(static_cast<int>(found - profiles.begin()));
    }
}

void Config_controls::apply(const Detector_features& features) {
    // Clearing a ticked current option frees its partner through the interlock, so everything
    // is cleared first and only then disabled.
    for (std::size_t i = 0; i < option_bits::flags.size(); ++i) {
        const option_bits::Flag& flag = option_bits::flags[i];
        if (!features.has(flag.needs) && !flag.kept_when_missing) {
            // A radio pair is cleared by selecting the choice a clear bit stands for.
            if (flags[i].partner != nullptr) {
                flags[i].partner->setChecked(true);
            } else {
                flags[i].on->setChecked(false);
            }
        }
    }
    // Options every detector has keep what the presets and interlocks made of them.
    for (std::size_t i = 0; i < option_bits::flags.size(); ++i) {
        const option_bits::Feature needs = option_bits::flags[i].needs;
        if (needs == option_bits::Feature::always) {
            continue;
        }
        flags[i].on->setEnabled(features.has(needs));
        if (flags[i].partner != nullptr) {
            flags[i].partner->setEnabled(features.has(needs));
        }
    }
    for (std::size_t i = 0; i < option_bits::numbers.size(); ++i) {
        numbers[i]->setEnabled(features.has(option_bits::numbers[i].needs));
    }
    profile->setEnabled(features.has(option_bits::smoke_profile_needs));
}

QStringList Config_controls::differing_captions(const DetectorConfig& before,
                                                const DetectorConfig& after) const {
    const Config_document was = Config_document::from_words(before);
    const Config_document now = Config_document::from_words(after);
    QStringList captions;
    for (const Config_document::Option& option : Config_document::options()) {
        if (was.values.at(option.name) == now.values.at(option.name)) {
            continue;
        }
        const QString name = QString::fromLatin1(option.name);
        const auto* button = form.findChild<const QAbstractButton*>(name);
        QString caption = button != nullptr ? button->text() : name;
        if (const auto* group = qobject_cast<const QGroupBox*>(
                button != nullptr ? button->parentWidget() : nullptr)) {
            caption = group->title() + QStringLiteral(": ") + caption;
        }
        captions << QStringLiteral("„%1”").arg(caption);
    }
    return captions;
}

void Config_controls::mark_taken_addresses(const std::vector<int>& taken) {
    for (int address = 0; address <= option_bits::highest_address; ++address) {
        const bool is_taken = std::find(taken.begin(), taken.end(), address) != taken.end();
        const int entry = entry_of_address(address);
        basic->setItemData(entry, is_taken ? QVariant(QColor(192, 0, 0)) : QVariant(),
                           Qt::ForegroundRole);
        basic->setItemData(
            entry,
            is_taken ? QVariant(QStringLiteral("Adres zajęty: czujka odpowiedziała na nim przy "
                                               "ostatnim skanowaniu pętli PNX30"))
                     : QVariant(),
            Qt::ToolTipRole);
    }
}
