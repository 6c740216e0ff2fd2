// ktr27tunex-store-perf: what the station database costs the user. How long keeping one row
// takes (the write waits for it) with no line server, with one that is up, one that refuses
// connections and one that never answers; and how long the history window takes to open over
// 100 000 rows, with the memory it adds. A program that prints its figures, not a test.
//
//   ktr27tunex-store-perf [ROWS]   (the line server's figures need KTR_TEST_LINE_SERVER, the
//                                   state file of tests/store/line_server.sh)
#include "line_link.h"
#include "record_database.h"
#include "station_store.h"
#include "store_test_env.h"
#include "tform_history.h"

#include <QApplication>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double ms_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The resident set, in MiB; 0 where /proc is not there.
double resident_mib() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
        }
    }
    return 0;
}

void recording(const char* server, const QString& conninfo) {
    constexpr int rows = 200;
    Scratch_store scratch;
    Station_settings settings;
    settings.station = QStringLiteral("perf");
    settings.environment_line = conninfo;
    scratch.store->set_settings(settings);
    if (!scratch.store->open()) {
        std::printf("recording, %s: the store did not open\n", server);
        return;
    }
    std::vector<double> times;
    for (int n = 0; n < rows; ++n) {
        const auto start = std::chrono::steady_clock::now();
        if (!scratch.store->record(sample_line(n))) {
            std::printf("recording, %s: a row was not kept\n", server);
            return;
        }
        times.push_back(ms_since(start));
        // Writes come seconds apart; this leaves the sender time to work in between.
        QThread::msleep(5);
    }
    std::sort(times.begin(), times.end());
    std::printf("recording, %-24s median %6.2f ms, 95th percentile %6.2f ms, slowest %6.2f ms "
                "(%d rows, %d waiting; %s)\n",
                server, times[rows / 2], times[rows * 95 / 100], times.back(), rows,
                scratch.store->line_status().pending,
                qPrintable(scratch.store->line_status().text()));
}

void history_window(int count) {
    QTemporaryDir dir;
    {
        Record_database database(dir.filePath(QStringLiteral("perf.sqlite")));
        if (!database.open()) {
            std::printf("history window: %s\n", qPrintable(database.error()));
            return;
        }
        database.set_meta(QStringLiteral("csv_import"), QStringLiteral("done"));
        std::vector<std::pair<Write_record_line, Record_time>> batch;
        Record_time time = Record_time::now();
        for (int n = 0; n < count; ++n) {
            Write_record_line line = sample_line(n);
            line.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
            line.station = "perf";
            batch.emplace_back(std::move(line), time);
            if (batch.size() == 5000 || n + 1 == count) {
                database.insert_imported(batch);
                batch.clear();
            }
        }
    }
    Station_store store(dir.path(), QStringLiteral("perf.sqlite"),
                        QStringLiteral("historia_zapisow.csv"));
    store.open();
    const double before = resident_mib();
    const auto start = std::chrono::steady_clock::now();
    TForm_history history(store);
    history.show();
    QApplication::processEvents();
    const double open_ms = ms_since(start);
    const double after = resident_mib();
    std::printf("history window, %d rows: open %.0f ms, %.1f MiB more memory (%d rows shown)\n",
                count, open_ms, after - before, history.Table_record->model()->rowCount());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;

    recording("no line server:", {});
    if (const Line_server* server = Line_server::get()) {
        // The line's owner creates the schema with its first connection, as README says.
        Line_link(server->owner).connect();
        recording("line server up:", server->station);
        server->down();
        recording("line server down:", server->station);
        server->up();
    } else {
        std::printf("recording: no line server (KTR_TEST_LINE_SERVER) for the up and down "
                    "figures\n");
    }
    const Silent_listener silent;
    recording("server never answers:",
              QStringLiteral("host=127.0.0.1 port=%1 dbname=x user=x connect_timeout=2")
                  .arg(silent.port()));
    history_window(count);
    return 0;
}
