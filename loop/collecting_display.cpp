#include "collecting_display.h"

void Collecting_display::process_messages() {
    if (process) {
        process();
    }
}

std::vector<std::string> Collecting_display::take() {
    std::vector<std::string> messages;
    messages.swap(told);
    return messages;
}
