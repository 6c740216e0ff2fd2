#pragma once

#include "sequence_pacing.h"

#include <string>

class TForm_progress;

// The sequences' pacing shown in the progress window, with the window system's pending messages
// processed at every step. Without a progress window the messages are still processed.
class Progress_display : public Sequence_pacing::Display {
public:
    explicit Progress_display(TForm_progress* progress) : progress(progress) {}

    void open(int maximum) override;
    void step() override;
    void say(const std::string& text) override;
    void process_messages() override;
    void complete() override;
    void close() override;

private:
    TForm_progress* progress;
};
