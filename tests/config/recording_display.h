#pragma once

#include "sequence_pacing.h"

#include <algorithm>
#include <string>
#include <vector>

// A progress display without a window: the bar's position and text as a progress window would
// show them, and every message the operation told, in order.
class Recording_display : public Sequence_pacing::Display {
public:
    void open(int bar_maximum) override {
        maximum = bar_maximum;
        position = 0;
    }
    // Like a progress bar, the position holds at the maximum.
    void step() override { position = std::min(position + 1, maximum); }
    void say(const std::string& shown) override { text = shown; }
    void process_messages() override {}
    void complete() override {
        position = maximum;
        text = "...";
    }
    void close() override {}
    void tell(const std::string& message) override { messages.push_back(message); }

    int maximum = 100;
    int position = 0;
    std::string text;
    std::vector<std::string> messages;
};
