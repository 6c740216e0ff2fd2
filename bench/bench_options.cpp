#include "bench_options.h"

std::optional<Bench_options> Bench_options::parse(const std::vector<std::string>& arguments,
                                                  std::string& error) {
    Bench_options options;
    bool mode_given = false;
    auto take_mode = [&](Mode mode, const std::string& argument) {
        if (mode_given) {
            error = "only one of --self-test and --screenshot may be given: " + argument;
            return false;
        }
        mode_given = true;
        options.mode = mode;
        return true;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--self-test" || argument == "--self-test=read-write") {
            if (!take_mode(Mode::self_test_read_write, argument)) {
                return std::nullopt;
            }
        } else if (argument == "--self-test=series") {
            if (!take_mode(Mode::self_test_series, argument)) {
                return std::nullopt;
            }
        } else if (argument == "--self-test=panel") {
            if (!take_mode(Mode::self_test_panel, argument)) {
                return std::nullopt;
            }
        } else if (argument == "--screenshot" || argument.rfind("--screenshot=", 0) == 0) {
            std::string dir;
            if (argument == "--screenshot") {
                if (i + 1 >= arguments.size()) {
                    error = "--screenshot needs a directory";
                    return std::nullopt;
                }
                dir = arguments[++i];
            } else {
                dir = argument.substr(std::string("--screenshot=").size());
            }
            if (dir.empty()) {
                error = "--screenshot needs a directory";
                return std::nullopt;
            }
            if (!take_mode(Mode::screenshot, argument)) {
                return std::nullopt;
            }
            options.screenshot_dir = dir;
        } else {
            error = "unknown argument: " + argument;
            return std::nullopt;
        }
    }
    return options;
}

const char* Bench_options::usage() {
    return "Usage: ktr27tunex-bench [--self-test[=read-write|series|panel] | --screenshot DIR]\n"
           "\n"
           "Without options: the configurator's windows over the simulated bench, with the\n"
           "Bench window to plug the dongle, the interface module and detectors.\n"
           "  --self-test           plug the dongle and a factory-fresh detector, click\n"
           "                        \"Odczytaj\" and \"Wyslij\", check the messages and the\n"
           "                        detector's memory, quit; exit status 0 when all went well\n"
           "  --self-test=series    a production series of three detectors with address\n"
           "                        increment and write on connect\n"
           "  --self-test=panel     log in to the simulated PNX30 through the panel window, pick\n"
           "                        a detector on its loop, read and write it\n"
           "  --screenshot DIR      save the main window after a read, the panel window and\n"
           "                        the Bench window as PNG files in DIR and quit\n";
}
