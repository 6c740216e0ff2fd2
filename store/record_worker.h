#pragma once

#include "line_status.h"

#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

// The station database's work that may take long, on a thread of its own with connections of
// its own: the first start's import of the older CSV record, then, with a line server, shipping
// the outbox to it oldest first. A server that is down, unreachable or refusing costs this
// thread its time-outs and nothing else; the rows wait and go when it answers again.
class Record_worker : public QThread {
    Q_OBJECT
public:
    struct Job {
        QString database_path;
        QString csv_path;
        QString station;  // given to the imported rows
        QString conninfo; // empty: no line server
    };
    struct Timing {
        int retry_first_ms = 1000; // after a failure, doubling up to
        int retry_last_ms = 15000; //
        int idle_check_ms = 15000; // with nothing to send, how often the server is asked
        int drain_ms = 2000;       // at the end, how long queued rows may still go
        int rows_per_batch = 100;
    };

    Record_worker(Job job, Timing timing);
    // Stops and waits: at most the drain time plus one connect time-out.
    ~Record_worker() override;

    // A row was kept: send it now.
    void wake();
    void stop();
    Line_status status() const;
    bool import_finished() const { return imported.load(); }

protected:
    void run() override;

private:
    enum class Waited { woken, timed_out, stopping };
    Waited wait_ms(int ms, bool wake_ends_it);
    void set_state(Line_status::State state, const QString& detail = {});
    void count_shipped(int rows);

    const Job job;
    const Timing timing;
    mutable QMutex mutex;
    QWaitCondition condition;
    bool woken = false;
    bool stopping = false;
    Line_status current;
    std::atomic<bool> imported{false};
};
