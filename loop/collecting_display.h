#pragma once

#include "sequence_pacing.h"

#include <functional>
#include <string>
#include <vector>

// The pacing's display for work on many detectors: no progress window and no modal message;
// what a single operation would show is kept for the detector under way, and the window's
// pending messages are still processed between transfers.
class Collecting_display : public Sequence_pacing::Display {
public:
    explicit Collecting_display(std::function<void()> process_messages)
        : process(std::move(process_messages)) {}

    void open(int) override {}
    void step() override {}
    void say(const std::string&) override {}
    void process_messages() override;
    void complete() override {}
    void close() override {}
    void tell(const std::string& text) override { told.push_back(text); }

    // The messages told since the last call, oldest first (UTF-8).
    std::vector<std::string> take();

private:
    std::function<void()> process;
    std::vector<std::string> told;
};
