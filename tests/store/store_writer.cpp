// store_writer FOLDER STATION COUNT: keeps COUNT rows in the station store in FOLDER, as the
// program does after each write, and prints "kept N" once row N is reported written. The tests
// run two at once, or kill one in the middle.
#include "station_store.h"
#include "store_test_env.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4) {
        std::fputs("usage: store_writer FOLDER STATION COUNT\n", stderr);
        return 2;
    }
    Station_store store(arguments[1], QStringLiteral("test.sqlite"),
                        QStringLiteral("historia_zapisow.csv"));
    Station_settings settings;
    settings.station = arguments[2];
    store.set_settings(settings);
    const int count = arguments[3].toInt();
    for (int n = 0; n < count; ++n) {
        if (!store.record(sample_line(n))) {
            std::fprintf(stderr, "row %d not kept: %s\n", n, qPrintable(store.error()));
            return 1;
        }
        std::printf("kept %d\n", n);
        std::fflush(stdout);
    }
    return 0;
}
