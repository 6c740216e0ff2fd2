#include "bench_window.h"

#include "detector_group.h"
#include "dongle_group.h"
#include "memory_view.h"
#include "panel_group.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
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

    // The devices scroll when the screen is too low for all of them (1366 x 768 laptops).
    auto* device_column = new QWidget;
    auto* devices = new QVBoxLayout(device_column);
    devices->setContentsMargins(0, 0, 0, 0);
    devices->addWidget(hint);
    devices->addWidget(dongle);
    devices->addWidget(detector);
    devices->addWidget(panel, 1);
    device_scroll = new QScrollArea(this);
    device_scroll->setObjectName(QStringLiteral("Scroll_devices"));
    device_scroll->setAccessibleName(QStringLiteral("Simulated devices"));
    device_scroll->setFrameShape(QFrame::NoFrame);
    device_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    device_scroll->setWidgetResizable(true);
    device_scroll->setWidget(device_column);
    device_scroll->setMinimumWidth(device_column->minimumSizeHint().width() +
                                   device_scroll->verticalScrollBar()->sizeHint().width());

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(device_scroll);
    layout->addWidget(memory, 1);
    const QMargins margins = layout->contentsMargins();
    full_height = device_column->minimumSizeHint().height() + margins.top() + margins.bottom();

    connect(panel, &Panel_group::loop_changed, memory, &Memory_view::update_detector_list);

    refresh_timer = new QTimer(this);
    refresh_timer->setInterval(refresh_interval_ms);
    connect(refresh_timer, &QTimer::timeout, this, &Bench_window::refresh);
    refresh_timer->start();
    // Wide enough for the memory table; as high as the devices want, if the screen has room.
    resize(std::max(sizeHint().width(), 780), std::max(full_height, 600));
    fit_screen();
}

void Bench_window::fit_screen() {
    const QScreen* shown_on = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shown_on == nullptr) {
        return;
    }
    const QRect available = shown_on->availableGeometry();
    // Before the window manager has framed the window its frame is unknown: allow a title bar.
    const int frame = isVisible() ? frameGeometry().height() - height() : assumed_title_bar;
    const int room = available.height() - frame;
    if (height() > room) {
        resize(width(), room);
    }
}

void Bench_window::refresh() {
    dongle->refresh();
    detector->refresh();
    panel->refresh();
    memory->refresh();
}

void Bench_window::place_beside(QWidget& main_window) {
    fit_screen();
    const QScreen* screen =
        main_window.screen() != nullptr ? main_window.screen() : QGuiApplication::primaryScreen();
    QRect left = main_window.frameGeometry();
    const QRect mine = frameGeometry();
    int x = left.right() + 1 + gap;
    int y = left.top();
    if (screen != nullptr) {
        const QRect available = screen->availableGeometry();
        const int width = left.width() + gap + mine.width();
        if (width <= available.width()) {
            left.moveLeft(available.left() + (available.width() - width) / 2);
            main_window.move(left.topLeft());
            x = left.right() + 1 + gap;
        } else if (x + mine.width() > available.right() + 1) {
            x = std::max(available.left(), available.right() + 1 - mine.width());
        }
        // Level with the main window, unless the bottom line would then leave the screen.
        y = std::max(available.top(), std::min(y, available.bottom() + 1 - mine.height()));
    }
    move(x, y);
}
