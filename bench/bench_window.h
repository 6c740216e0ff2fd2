#pragma once

#include "detector_factory.h"

#include <QWidget>

class Detector_group;
class Dongle_group;
class Memory_view;
class Panel_group;
class QTimer;
class Sim_bench;

// The "Bench" window beside the configurator's windows: the simulated devices a user plugs,
// unplugs, configures and breaks without hardware, and the memory of the simulated detectors,
// refreshed a few times a second.
class Bench_window : public QWidget {
    Q_OBJECT
public:
    explicit Bench_window(Sim_bench& bench, QWidget* parent = nullptr);

    static constexpr int refresh_interval_ms = 300;
    // Space between the bench window and the window it is placed beside.
    static constexpr int gap = 8;

    Dongle_group* dongle;
    Detector_group* detector;
    Panel_group* panel;
    Memory_view* memory;

    // Puts this window to the right of `main_window`. When the screen has room for both side
    // by side, the pair is centred on it (the main window moves); otherwise the main window
    // stays where it is and this window goes as far right as the screen allows.
    void place_beside(QWidget& main_window);

    void refresh();

private:
    Detector_factory factory;
    QTimer* refresh_timer;
};
