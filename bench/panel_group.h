#pragma once

#include "detector_factory.h"

#include <QGroupBox>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class Sim_bench;
class Sim_detector;

// The KMX12 interface module with the PNX30 panel behind it: plug the module, set the panel's
// configuration password, put detectors on the loop and take them off.
class Panel_group : public QGroupBox {
    Q_OBJECT
public:
    // New loop detectors are made with the settings `next_detector` gives at the time.
    Panel_group(Sim_bench& bench, Detector_factory& factory,
                std::function<Detector_factory::Settings()> next_detector,
                QWidget* parent = nullptr);

    QPushButton* plug_button;
    QPushButton* unplug_button;
    QLineEdit* password_edit;
    QCheckBox* login_box;
    QComboBox* fault_list;
    QSpinBox* address_spin;
    QPushButton* add_button;
    QPushButton* remove_button;
    QSpinBox* fill_spin;
    QPushButton* fill_button;
    QListWidget* loop_list;
    QLabel* state_label;

    // The detectors on the loop, in the order they were put there.
    const std::vector<Sim_detector*>& loop_detectors() const { return members; }

    void refresh();
    // Takes every detector off the loop and puts `count` new ones on it (Loop_filler).
    void fill_loop(int count);

signals:
    // A detector was put on the loop or taken off.
    void loop_changed();

private:
    void add_detector();
    void remove_selected();
    void fill_loop_list();

    Sim_bench& bench;
    Detector_factory& factory;
    std::function<Detector_factory::Settings()> next_detector;
    std::vector<Sim_detector*> members;
};
