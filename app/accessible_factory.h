#pragma once

// Teaches Qt's accessibility layer what it cannot know about this program's widgets: drop-down
// lists are named after their labels, not their entries; a lamp is a picture named by what it
// shows; a top-level window built on a plain QWidget is a window (screen readers on Linux
// otherwise present it as a filler, not as a frame with a title). Both programs install it at
// start-up, before any window is asked about.
class Accessible_factory {
public:
    // Idempotent.
    static void install();
};
