#pragma once

#include "detector_factory.h"

#include <QWidget>

class Detector_group;
class Dongle_group;
class Memory_view;
class Panel_group;
class QScrollArea;
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

    // Room for a title bar when the window manager's frame is not known yet.
    static constexpr int assumed_title_bar = 40;

    // The simulated devices, scrolled when the screen is too low for them.
    QScrollArea* device_scroll;

    // Puts this window to the right of `main_window`. When the screen has room for both side
    // by side, the pair is centred on it (the main window moves); otherwise the main window
    // stays where it is and this window goes as far right as the screen allows. The window is
    // made low enough for the screen first, and its bottom stays on it.
    void place_beside(QWidget& main_window);
    // Makes the window no higher than the screen's free area.
    void fit_screen();

    void refresh();

private:
    Detector_factory factory;
    // The height at which the devices need no scrolling.
    int full_height = 0;
    QTimer* refresh_timer;
};
