#pragma once

#include <cstdint>
#include <string>

// What a read or write does between its transfers: move the progress display on, name the step,
// let the window process its pending messages, pause, and tell the user how it went. The
// transfers themselves block; these are the only moments the window stays alive. Without a
// display the steps are only counted and messages go to the user as modal messages. Texts are
// UTF-8.
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
        // What a single operation shows as a modal message; returns once it was seen. A display
        // that works through many detectors keeps it with the detector instead.
        virtual void tell(const std::string& text);

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
    void tell(const std::string& text);

    int steps_taken() const { return steps; }
    // How many messages were told: two counts taken around a step say whether the user had a
    // message open during it, with the time to handle the detector meanwhile.
    int messages_told() const { return told; }

private:
    Display* display;
    int steps = 0;
    int told = 0;
};
