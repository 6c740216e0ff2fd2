#pragma once

#include <cstdint>
#include <string>

// What a read or write does between its transfers: move the progress display on, name the step,
// let the window process its pending messages, pause. The transfers themselves block; these are
// the only moments the window stays alive. Without a display the steps are only counted. Texts
// are UTF-8.
class Sequence_pacing {
public:
    // The window side of the pacing: the progress window and the window system's messages.
    class Display {
    public:
        virtual ~Display() = default;
        virtual void open(int maximum) = 0;
        virtual void step() = 0;
        virtual void say(const std::string& text) = 0;
        virtual void process_messages() = 0;
        virtual void complete() = 0;
        virtual void close() = 0;

    protected:
        Display() = default;
        Display(const Display&) = default;
        Display& operator=(const Display&) = default;
    };

    explicit Sequence_pacing(Display* display) : display(display) {}

    void open(int maximum);
    // One step on, its text shown, pending messages processed, so the change is on screen
    // before the next blocking transfer.
    void step(const std::string& text);
    void say(const std::string& text);
    void process_messages();
    // Every pause goes through the OS seam, so tests run on virtual time.
    void pause(std::uint32_t milliseconds);
    void complete();
    void close();

    int steps_taken() const { return steps; }

private:
    Display* display;
    int steps = 0;
};
