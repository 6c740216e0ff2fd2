#include "sequence_pacing.h"

#include "os_api.h"
#include "tform_progress.h"

#include <QCoreApplication>

void Sequence_pacing::open(int maximum) {
    steps = 0;
    if (progress != nullptr) {
        progress->open(maximum);
    }
}

void Sequence_pacing::step(const QString& text) {
    ++steps;
    if (progress != nullptr) {
        progress->step();
    }
    say(text);
    process_messages();
}

void Sequence_pacing::say(const QString& text) {
    if (progress != nullptr) {
        progress->say(text);
    }
}

void Sequence_pacing::process_messages() {
    QCoreApplication::processEvents();
}

void Sequence_pacing::pause(std::uint32_t milliseconds) {
    os_api().sleep_ms(milliseconds);
}

void Sequence_pacing::complete() {
    if (progress != nullptr) {
        progress->complete();
    }
}

void Sequence_pacing::close() {
    if (progress != nullptr) {
        progress->close();
    }
}
