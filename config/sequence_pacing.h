#pragma once

#include <QString>

#include <cstdint>

class TForm_progress;

// What a read or write does between its transfers: move the progress window on, name the step,
// let the window process its pending messages, pause. The transfers themselves block; these are
// the only moments the window stays alive. Without a progress window the steps are only counted.
class Sequence_pacing {
public:
    explicit Sequence_pacing(TForm_progress* progress) : progress(progress) {}

    void open(int maximum);
    // One step on, its text shown, pending messages processed, so the change is on screen
    // before the next blocking transfer.
    void step(const QString& text);
    void say(const QString& text);
    void process_messages();
    // Every pause goes through the OS seam, so tests run on virtual time.
    void pause(std::uint32_t milliseconds);
    void complete();
    void close();

    int steps_taken() const { return steps; }

private:
    TForm_progress* progress;
    int steps = 0;
};
