#include "record_worker.h"

#include "csv_import.h"
#include "line_link.h"
#include "record_database.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

#include <algorithm>

Record_worker::Record_worker(Job given_job, Timing given_timing)
    : job(std::move(given_job)), timing(given_timing) {
    current.state =
        job.conninfo.isEmpty() ? Line_status::State::none : Line_status::State::connecting;
}

Record_worker::~Record_worker() {
    stop();
    wait();
}

void Record_worker::wake() {
    const QMutexLocker lock(&mutex);
    woken = true;
    condition.wakeAll();
}

void Record_worker::stop() {
    const QMutexLocker lock(&mutex);
    stopping = true;
    condition.wakeAll();
}

Line_status Record_worker::status() const {
    const QMutexLocker lock(&mutex);
    return current;
}

void Record_worker::set_state(Line_status::State state, const QString& detail) {
    const QMutexLocker lock(&mutex);
    current.state = state;
    current.detail = detail;
}

void Record_worker::count_shipped(int rows) {
    const QMutexLocker lock(&mutex);
    current.shipped += rows;
}

Record_worker::Waited Record_worker::wait_ms(int ms, bool wake_ends_it) {
    const QMutexLocker lock(&mutex);
    QDeadlineTimer deadline(ms);
    for (;;) {
        if (stopping) {
            return Waited::stopping;
        }
        if (wake_ends_it && woken) {
            woken = false;
            return Waited::woken;
        }
        if (deadline.hasExpired()) {
            return Waited::timed_out;
        }
        condition.wait(&mutex, deadline);
    }
}

void Record_worker::run() {
    Record_database local(job.database_path);
    if (!local.open()) {
        imported = true;
        const QMutexLocker lock(&mutex);
        current.detail = local.error();
        return;
    }
    if (local.meta(QStringLiteral("csv_import")) == QLatin1String("pending")) {
        const Csv_import::Result result = Csv_import::run(local, job.csv_path, job.station);
        if (result.read) {
            local.set_meta(QStringLiteral("csv_import"), QStringLiteral("done: %1 rows (%2 raw) %3")
                                                             .arg(result.rows)
                                                             .arg(result.raw)
                                                             .arg(result.problem));
        }
    }
    imported = true;
    if (job.conninfo.isEmpty()) {
        return;
    }

    Line_link link(job.conninfo);
    int retry_ms = timing.retry_first_ms;
    const auto failed = [&] {
        link.close();
        set_state(Line_status::State::unreachable, link.error());
        const bool go_on = wait_ms(retry_ms, false) != Waited::stopping;
        retry_ms = std::min(2 * retry_ms, timing.retry_last_ms);
        return go_on;
    };
    for (;;) {
        {
            const QMutexLocker lock(&mutex);
            if (stopping) {
                break;
            }
        }
        if (!link.is_open()) {
            {
                const QMutexLocker lock(&mutex);
                ++current.attempts;
            }
            if (!link.connect()) {
                if (!failed()) {
                    break;
                }
                continue;
            }
            retry_ms = timing.retry_first_ms;
            set_state(Line_status::State::connected);
        }
        const auto rows = local.outgoing(timing.rows_per_batch);
        if (rows.empty()) {
            const Waited waited = wait_ms(timing.idle_check_ms, true);
            if (waited == Waited::stopping) {
                break;
            }
            if (waited == Waited::timed_out && !link.ping() && !failed()) {
                break;
            }
            continue;
        }
        if (!link.ship(rows)) {
            if (!failed()) {
                break;
            }
            continue;
        }
        // Should this fail, the rows go again and the server ignores them as known.
        if (local.shipped(rows)) {
            count_shipped(static_cast<int>(rows.size()));
        }
    }

    // Closing the program: what is queued may still go while the server answers.
    const QDeadlineTimer deadline(timing.drain_ms);
    while (link.is_open() && !deadline.hasExpired()) {
        const auto rows = local.outgoing(timing.rows_per_batch);
        if (rows.empty() || !link.ship(rows) || !local.shipped(rows)) {
            break;
        }
        count_shipped(static_cast<int>(rows.size()));
    }
}
