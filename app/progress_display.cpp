#include "progress_display.h"

#include "tform_progress.h"

#include <QCoreApplication>
#include <QString>

void Progress_display::open(int maximum) {
    if (progress != nullptr) {
        progress->open(maximum);
    }
}

void Progress_display::step() {
    if (progress != nullptr) {
        progress->step();
    }
}

void Progress_display::say(const std::string& text) {
    if (progress != nullptr) {
        progress->say(QString::fromStdString(text));
    }
}

void Progress_display::process_messages() {
    QCoreApplication::processEvents();
}

void Progress_display::complete() {
    if (progress != nullptr) {
        progress->complete();
    }
}

void Progress_display::close() {
    if (progress != nullptr) {
        progress->close();
    }
}
