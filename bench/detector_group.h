#pragma once

#include "detector_factory.h"
#include "sim_detector.h"

#include <QGroupBox>

#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class Sim_bench;

// The detector in the dongle's socket: which one comes from the factory next (version,
// information word, factory-fresh or configured), putting it in and taking it out, its power
// and its faults.
class Detector_group : public QGroupBox {
    Q_OBJECT
public:
    Detector_group(Sim_bench& bench, Detector_factory& factory, QWidget* parent = nullptr);

    // How long the socket stays empty when one detector is swapped for a fresh one, so that
    // the configurator's monitor (one look per second) sees the old one go.
    static constexpr int swap_gap_ms = 1500;

    void set_swap_gap_ms(int ms);

    // The detector the next "plug" makes, as the controls say.
    Detector_factory::Settings settings() const;

    QSpinBox* version_spin;
    QLineEdit* info_edit;
    QRadioButton* fresh_radio;
    QRadioButton* configured_radio;
    QPushButton* attach_button;
    QPushButton* detach_button;
    QPushButton* fresh_button;
    QCheckBox* powered_box;
    std::vector<std::pair<Sim_detector::Fault, QCheckBox*>> fault_boxes;
    QLabel* state_label;

    void refresh();

private:
    // The detector in the socket, null when it is empty.
    Sim_detector* socket() const;
    void put_in(Sim_detector& detector);
    void take_out();
    void plug_fresh();
    void apply_identity();
    void apply_faults(Sim_detector& detector) const;

    Sim_bench& bench;
    Detector_factory& factory;
    // The detector last taken out, which "Attach" puts back.
    Sim_detector* taken_out = nullptr;
    QTimer* swap_timer;
};
