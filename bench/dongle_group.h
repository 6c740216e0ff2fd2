#pragma once

#include "sim_dongle.h"

#include <QGroupBox>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class Sim_bench;

// The USB dongle of the bench: plug and unplug it, make it misbehave, see what reached it.
class Dongle_group : public QGroupBox {
    Q_OBJECT
public:
    explicit Dongle_group(Sim_bench& bench, QWidget* parent = nullptr);

    QPushButton* plug_button;
    QPushButton* unplug_button;
    QComboBox* fault_list;
    QSpinBox* unplug_after_spin;
    QPushButton* unplug_after_button;
    QLabel* state_label;

    // Brings the buttons and the state line up to date with the dongle.
    void refresh();

private:
    Sim_bench& bench;
};
