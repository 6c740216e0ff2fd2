#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class Collecting_display;
class Detector_operations;
class Loop_table;
class Pnx_connection;
class Sequence_pacing;
struct Detector_link;

// Works through the loop one detector after another with the same read and write as the single
// flows, through the panel connection, pointing it at each detector in turn. Nothing is shown as
// a modal message: every outcome goes into its row. A run stops between detectors when asked,
// never in the middle of one, and when the interface module stops answering.
class Loop_runner {
public:
    class Observer {
    public:
        virtual ~Observer() = default;
        // The row at `loop_address` is under way; `done` of `total` are finished.
        virtual void started(int loop_address, int done, int total) = 0;
        virtual void finished(int loop_address, int done, int total) = 0;
        // Between transfers: the window stays alive, and may be asked to stop.
        virtual void process_messages() = 0;
        virtual bool cancel_requested() = 0;

    protected:
        Observer() = default;
        Observer(const Observer&) = default;
        Observer& operator=(const Observer&) = default;
    };

    struct Outcome {
        int done = 0;
        int total = 0;
        bool cancelled = false;
        bool module_lost = false;
        // Clashes of the plan that kept a write run from starting; nothing was written.
        QStringList clashes;
        // The one message that names what stopped the run, or empty (Polish).
        QString message;
    };

    Loop_runner(Detector_operations& operations, Pnx_connection& connection, std::uint8_t cmpl)
        : operations(operations), connection(connection), cmpl(cmpl) {}

    // Reads every row of the table, ascending.
    Outcome survey(Loop_table& table, Observer& observer);
    // Writes the plan's configuration into the detectors at `addresses`, ascending, once the
    // plan has been checked; a detector that fails does not stop the others. With
    // `same_detectors` the plan was made for the detectors the survey found (their own stored
    // configurations): a detector that no longer names itself by its row's WID is not written.
    Outcome write(Loop_table& table, const std::vector<int>& addresses, Observer& observer,
                  bool same_detectors = false);

private:
    // The interface module still answers (and the panel behind it does not refuse); a silent
    // detector alone leaves it answering.
    bool module_answers();
    // One detector's work, the connection already pointed at it; false stops the run there.
    using Detector_step = std::function<bool(int address, const Detector_link& link,
                                             Sequence_pacing& pacing, Collecting_display& display)>;
    // One detector after another, ascending, the user's chosen address put back at the end; a
    // run asked to stop stops before the next detector.
    void each_detector(const std::vector<int>& addresses, Outcome& outcome, Observer& observer,
                       const Detector_step& step);
    QString module_lost_message(int done, int total, bool writing) const;

    Detector_operations& operations;
    Pnx_connection& connection;
    std::uint8_t cmpl;
};
