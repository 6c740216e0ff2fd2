#include "bench_window.h"

#include "detector_group.h"
#include "dongle_group.h"
#include "memory_view.h"
#include "panel_group.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

Bench_window::Bench_window(Sim_bench& bench, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Bench_window"));
    setWindowTitle(QStringLiteral("Bench"));
    // Closing the configurator's main window ends the program, whatever this window does.
    setAttribute(Qt::WA_QuitOnClose, false);

    dongle = new Dongle_group(bench, this);
    detector = new Detector_group(bench, factory, this);
    panel = new Panel_group(
        bench, factory, [this] { return detector->settings(); }, this);
    memory = new Memory_view(
        bench, [this] { return panel->loop_detectors(); }, this);

    auto* hint = new QLabel(QStringLiteral("Everything starts unplugged: plug the dongle, then a "
                                           "detector,\nand watch the lamps of the main window."));
    hint->setObjectName(QStringLiteral("Label_hint"));

    // The groups above the loop list keep their full height; the list takes what is left.
    hint->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    dongle->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    detector->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* devices = new QVBoxLayout;
    devices->addWidget(hint);
    devices->addWidget(dongle);
    devices->addWidget(detector);
    devices->addWidget(panel, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(devices);
    layout->addWidget(memory, 1);

    connect(panel, &Panel_group::loop_changed, memory, &Memory_view::update_detector_list);

    refresh_timer = new QTimer(this);
    refresh_timer->setInterval(refresh_interval_ms);
    connect(refresh_timer, &QTimer::timeout, this, &Bench_window::refresh);
    refresh_timer->start();
    // Wide enough for the memory table, low enough to sit beside the main window on a 1000-pixel
    // screen with its frame.
    resize(std::max(sizeHint().width(), 780), std::max(minimumSizeHint().height(), 860));
}

void Bench_window::refresh() {
    dongle->refresh();
    detector->refresh();
    panel->refresh();
    memory->refresh();
}

void Bench_window::place_beside(QWidget& main_window) {
    const QScreen* screen =
        main_window.screen() != nullptr ? main_window.screen() : QGuiApplication::primaryScreen();
    QRect left = main_window.frameGeometry();
    const QRect mine = frameGeometry();
    if (screen != nullptr) {
        const QRect available = screen->availableGeometry();
        const int width = left.width() + gap + mine.width();
        if (width <= available.width()) {
            left.moveLeft(available.left() + (available.width() - width) / 2);
            main_window.move(left.topLeft());
        } else if (left.right() + 1 + gap + mine.width() > available.right() + 1) {
            move(std::max(available.left(), available.right() + 1 - mine.width()), left.top());
            return;
        }
    }
    move(left.right() + 1 + gap, left.top());
}
