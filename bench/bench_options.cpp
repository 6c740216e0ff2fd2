#include "bench_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include <array>

namespace {

const QString program = QStringLiteral("ktr27tunex-bench");

struct Scenario {
    const char* name;
    Bench_options::Mode mode;
};

constexpr std::array<Scenario, 6> scenarios = {{
    {"read-write", Bench_options::Mode::self_test_read_write},
    {"series", Bench_options::Mode::self_test_series},
    {"panel", Bench_options::Mode::self_test_panel},
    {"loop", Bench_options::Mode::self_test_loop},
    {"kept-give-up", Bench_options::Mode::self_test_kept_give_up},
    {"kept-restore", Bench_options::Mode::self_test_kept_restore},
}};

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Print these options and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Print the version and exit.")};
    QCommandLineOption self_test{
        QStringLiteral("self-test"),
        QStringLiteral("Run a scenario (read-write when none is given) through the windows' own "
                       "buttons and quit; exit status 0 when every check held."),
        QStringLiteral("scenario")};
    QCommandLineOption screenshot{QStringLiteral("screenshot"),
                                  QStringLiteral("Save the main window after a read, the panel "
                                                 "window and the Bench window as PNG files "
                                                 "in <dir> and quit."),
                                  QStringLiteral("dir")};

    Parser() {
        parser.setApplicationDescription(
            QStringLiteral("Without options: the configurator's windows over the simulated\n"
                           "bench, with the Bench window to plug the dongle, the interface\n"
                           "module and detectors."));
        parser.addOptions({help, version, self_test, screenshot});
    }
};

// The dashes an option was given with, for messages: "bogus" was "--bogus", "x" was "-x".
QString as_given(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

std::optional<Bench_options> Bench_options::parse(const std::vector<std::string>& arguments,
                                                  std::string& error) {
    QStringList command_line{program};
    for (const std::string& argument : arguments) {
        QString text = QString::fromStdString(argument);
        // The parser has no options with an optional value: a bare --self-test is the
        // read-write scenario, and never takes the next argument as its value.
        if (text == QStringLiteral("--self-test")) {
            text = QStringLiteral("--self-test=read-write");
        }
        command_line << text;
    }

    Parser options;
    QCommandLineParser& parser = options.parser;
    if (!parser.parse(command_line)) {
        const QStringList unknown = parser.unknownOptionNames();
        error = unknown.isEmpty() ? parser.errorText().toStdString()
                                  : "unknown argument: " + as_given(unknown.first()).toStdString();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = "unknown argument: " + parser.positionalArguments().first().toStdString();
        return std::nullopt;
    }

    Bench_options result;
    result.help = parser.isSet(options.help);
    result.version = parser.isSet(options.version);
    const QStringList tests = parser.values(options.self_test);
    const QStringList shots = parser.values(options.screenshot);
    if (tests.size() + shots.size() > 1) {
        error = "only one of --self-test and --screenshot may be given";
        return std::nullopt;
    }
    if (!tests.isEmpty()) {
        const std::string wanted = tests.first().toStdString();
        bool known = false;
        for (const Scenario& scenario : scenarios) {
            if (wanted == scenario.name) {
                result.mode = scenario.mode;
                known = true;
            }
        }
        if (!known) {
            error = "unknown argument: --self-test=" + wanted;
            return std::nullopt;
        }
    }
    if (!shots.isEmpty()) {
        if (shots.first().isEmpty()) {
            error = "--screenshot needs a directory";
            return std::nullopt;
        }
        result.mode = Mode::screenshot;
        result.screenshot_dir = shots.first().toStdString();
    }
    return result;
}

std::string Bench_options::usage() {
    Parser options;
    // The parser names the program after argv[0], which it has only once an application object
    // exists; the usage is wanted before one does.
    QString text = options.parser.helpText();
    text = text.mid(text.indexOf(QLatin1Char('\n')) + 1);
    return "Usage: ktr27tunex-bench [--self-test[=read-write|series|panel|loop|kept-give-up|"
           "kept-restore] | --screenshot DIR]\n" +
           text.toStdString() +
           "\n"
           "Scenarios of --self-test:\n"
           "  read-write  plug the dongle and a factory-fresh detector, click \"Odczytaj\" and\n"
           "              \"Wyslij\", check the messages and the detector's memory\n"
           "  series      a production series of three detectors with address increment\n"
           "              and write on connect\n"
           "  panel       log in to the simulated PNX30 through the panel window, pick a\n"
           "              detector on its loop, read and write it\n"
           "  loop        fill the loop with twelve detectors, survey them in \"Pętla PNX30\",\n"
           "              load a plan, write the differing ones, check every detector's memory\n"
           "              and the PDF report\n"
           "  kept-give-up  a write that fails after the erase until it is given up; the\n"
           "              detector's state is saved beside the bench's database\n"
           "  kept-restore  in a new run: the saved detector and a stranger with an erased\n"
           "              segment written; only the first gets its factory words back\n";
}

std::string Bench_options::version_line() {
    return program.toStdString() + " " KTR_VERSION "\n";
}
