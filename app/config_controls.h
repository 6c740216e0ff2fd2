#pragma once

#include "detector_config.h"
#include "detector_features.h"
#include "option_bits.h"

#include <QStringList>

#include <array>
#include <vector>

class QAbstractButton;
class QComboBox;
class QSpinBox;
class QWidget;

// The main window's configuration controls as the option table names them: turns them into the
// eight words a write stores and shows a configuration in them, walking the table. The controls
// are found once by their object names; the window's interlocks are the window's to run after.
class Config_controls {
public:
    explicit Config_controls(QWidget& form);

    // The words as a write stores them; crc is left 0.
    DetectorConfig words() const;
    // Every option the table names, the address lists, the numbers and the profile, from the
    // low bytes of the two address words; an address past the lists' last entry selects none.
    void show(const DetectorConfig& config);
    // Disables what the detector lacks and clears it, unless the table keeps it.
    void apply(const Detector_features& features);

    // The options whose value differs between `before` and `after`, by the captions the window
    // shows them with; one inside a titled group is named with the group ("Tryb WZ: NC ...").
    QStringList differing_captions(const DetectorConfig& before, const DetectorConfig& after) const;
    // Marks the basic-address entries where another detector answers on the loop.
    void mark_taken_addresses(const std::vector<int>& taken);

    // The list entry of an address: "brak" is entry 0, address n is entry n + 1; -1 past the
    // last one.
    static int entry_of_address(int address);
    // A spin edit's value as its text states it: text that is no number yields the minimum, and
    // a number is held inside the range.
    static std::uint16_t spin_value(const QSpinBox* spin);

private:
    QWidget& form;
    struct Flag_controls {
        QAbstractButton* on = nullptr;      // ticked or selected for a set bit
        QAbstractButton* partner = nullptr; // selected for a clear bit (radio buttons)
    };
    std::array<Flag_controls, option_bits::flags.size()> flags;
    std::array<QSpinBox*, option_bits::numbers.size()> numbers{};
    QComboBox* profile = nullptr;
    QComboBox* basic = nullptr;
    QComboBox* rop = nullptr;
    QComboBox* wk = nullptr;
};
