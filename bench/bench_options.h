#pragma once

#include <optional>
#include <string>
#include <vector>

// The bench program's command line. Without options it is the interactive bench; the
// scripted modes drive the same windows by themselves and end the program.
class Bench_options {
public:
    enum class Mode {
        interactive,
        self_test_read_write,   // one read and one write through the main window
        self_test_series,       // a production series of three detectors
        self_test_panel,        // a read and a write through the panel window
        self_test_loop,         // a loop surveyed, planned, written and reported
        self_test_kept_give_up, // a write given up after the erase, the detector saved
        self_test_kept_restore, // that detector written again by a new process
        screenshot,             // grab the windows into PNG files and quit
    };

    Mode mode = Mode::interactive;
    // Where --screenshot puts its files.
    std::string screenshot_dir;
    bool help = false;
    bool version = false;

    // The arguments after the program name, as left by the toolkit. Nothing, with `error`
    // set, for a command line the program does not understand.
    static std::optional<Bench_options> parse(const std::vector<std::string>& arguments,
                                              std::string& error);

    static std::string usage();
    // "ktr27tunex-bench" and the version, one line.
    static std::string version_line();
};
