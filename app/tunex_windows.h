#pragma once

#include "tform_main.h"
#include "tform_pnx.h"
#include "tform_progress.h"

// The configurator's windows, created in start-up order: the main window first, so that it is
// the application's main window, then the progress window and the panel window over it. Both
// ktr27tunex and the bench program start through here, so they show the same windows wired the
// same way; only the OS underneath differs.
class Tunex_windows {
public:
    Tunex_windows();
    Tunex_windows(const Tunex_windows&) = delete;
    Tunex_windows& operator=(const Tunex_windows&) = delete;

    // Every user message as a modal message box over the active window, titled with the
    // application's name.
    static void show_messages_in_boxes();

    TForm_main Form_main;
    TForm_progress Form_progress;
    TForm_pnx Form_pnx;
};
