#include "sequence_pacing.h"

#include "os_api.h"
#include "user_message.h"

void Sequence_pacing::Display::tell(const std::string& text) {
    show_user_message(text);
}

void Sequence_pacing::open(int maximum) {
    steps = 0;
    if (display != nullptr) {
        display->open(maximum);
    }
}

void Sequence_pacing::step(const std::string& text) {
    ++steps;
    if (display != nullptr) {
        display->step();
    }
    say(text);
    process_messages();
}

void Sequence_pacing::say(const std::string& text) {
    if (display != nullptr) {
        display->say(text);
    }
}

void Sequence_pacing::process_messages() {
    if (display != nullptr) {
        display->process_messages();
    }
}

void Sequence_pacing::pause(std::uint32_t milliseconds) {
    os_api().sleep_ms(milliseconds);
}

void Sequence_pacing::complete() {
    if (display != nullptr) {
        display->complete();
    }
}

void Sequence_pacing::close() {
    if (display != nullptr) {
        display->close();
    }
}

void Sequence_pacing::tell(const std::string& text) {
    ++told;
    if (display != nullptr) {
        display->tell(text);
    } else {
        show_user_message(text);
    }
}
