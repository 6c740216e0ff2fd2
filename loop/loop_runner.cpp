#include "loop_runner.h"

#include "collecting_display.h"
#include "detector_operations.h"
#include "link_status.h"
#include "loop_table.h"
#include "plan_check.h"
#include "pnx_connection.h"
#include "sequence_pacing.h"

#include <QDateTime>

#include <algorithm>
#include <string>

namespace {

// Puts the connection back on the detector the user chose, whatever the run did.
class Address_keeper {
public:
    explicit Address_keeper(Pnx_connection& connection)
        : connection(connection), chosen(connection.detector_address()) {}
    ~Address_keeper() { connection.choose_address(std::to_string(chosen)); }
    Address_keeper(const Address_keeper&) = delete;
    Address_keeper& operator=(const Address_keeper&) = delete;

private:
    Pnx_connection& connection;
    int chosen;
};

QString first_of(const std::vector<std::string>& messages) {
    return messages.empty() ? QString() : QString::fromStdString(messages.front());
}

void record_write(Loop_row& row, const Detector_operations::Write_report& report,
                  const std::vector<std::string>& told) {
    row.write_time = QDateTime::currentDateTime();
    row.write_state = report.outcome == Configuration_write::Outcome::verified
                          ? Loop_row::Write_state::verified
                          : Loop_row::Write_state::failed;
    row.write_message = report.outcome ? QString::fromStdString(report.message) : first_of(told);
}

bool touched_segment(const Detector_operations::Write_report& report) {
    using Outcome = Configuration_write::Outcome;
    return report.outcome && *report.outcome != Outcome::read_failed &&
           *report.outcome != Outcome::detector_changed &&
           *report.outcome != Outcome::detector_silent;
}

} // namespace

bool Loop_runner::module_answers() {
    USB_protocol* protocol = connection.protocol();
    return protocol != nullptr && protocol->probe_module();
}

void Loop_runner::each_detector(const std::vector<int>& addresses, Outcome& outcome,
                                Observer& observer, const Detector_step& step) {
    const Address_keeper keeper(connection);
    Collecting_display display([&] { observer.process_messages(); });
    const Detector_link link{true, &connection, cmpl};
    for (const int address : addresses) {
        if (observer.cancel_requested()) {
            outcome.cancelled = true;
            break;
        }
        observer.started(address, outcome.done, outcome.total);
        connection.choose_address(std::to_string(address));
        Sequence_pacing pacing(&display);
        if (!step(address, link, pacing, display)) {
            break;
        }
        ++outcome.done;
        observer.finished(address, outcome.done, outcome.total);
    }
}

QString Loop_runner::module_lost_message(int done, int total, bool writing) const {
    return QStringLiteral("Moduł KMX12 lub centrala PNX30 przestały odpowiadać (moduł odłączony "
                          "albo centrala odmawia) po %1 z %2 czujek; pozostałe %3. Sprawdź "
                          "połączenie i połącz się ponownie w oknie PNX30.")
        .arg(done)
        .arg(total)
        .arg(writing ? QStringLiteral("nie zostały zapisane")
                     : QStringLiteral("nie zostały odczytane"));
}

Loop_runner::Outcome Loop_runner::survey(Loop_table& table, Observer& observer) {
    Outcome outcome;
    std::vector<int> addresses;
    for (Loop_row& row : table.rows()) {
        row.read_state = Loop_row::Read_state::not_read;
        addresses.push_back(row.address);
    }
    outcome.total = static_cast<int>(addresses.size());
    const auto read_one = [&](int address, const Detector_link& link, Sequence_pacing& pacing,
                              Collecting_display& display) {
        const Detector_operations::Read_report report = operations.read(link, pacing);
        display.take();

        Loop_row fresh;
        fresh.address = address;
        if (report.read.outcome != Configuration_read::Outcome::ok && !module_answers()) {
            outcome.module_lost = true;
            outcome.message = module_lost_message(outcome.done, outcome.total, false);
            return false;
        }
        if (report.reach != Detector_operations::Reach::detector) {
            fresh.read_state = report.info_status == link_status::crc_error
                                   ? Loop_row::Read_state::garbled
                                   : Loop_row::Read_state::no_reply;
        } else {
            fresh.version = report.version;
            fresh.information = report.information;
            fresh.wid = report.read.wid;
            fresh.statuses = report.read.statuses;
            switch (report.read.outcome) {
            case Configuration_read::Outcome::ok:
                fresh.read_state = Loop_row::Read_state::read;
                fresh.found = report.read.config;
                break;
            case Configuration_read::Outcome::checksum_error:
                fresh.read_state = Loop_row::Read_state::checksum_error;
                fresh.found = report.read.config;
                break;
            case Configuration_read::Outcome::communication_error:
                fresh.read_state = Loop_row::Read_state::communication_error;
                break;
            }
        }
        if (Loop_row* row = table.row_at(address)) {
            // The last write's outcome stays with the row.
            fresh.write_state = row->write_state;
            fresh.write_message = row->write_message;
            fresh.write_time = row->write_time;
            *row = fresh;
        }
        return true;
    };
    each_detector(addresses, outcome, observer, read_one);
    return outcome;
}

Loop_runner::Outcome Loop_runner::write(Loop_table& table, const std::vector<int>& chosen,
                                        Observer& observer, bool same_detectors) {
    Outcome outcome;
    std::vector<int> addresses;
    for (const int address : chosen) {
        if (table.plan().detectors.count(address) != 0 && table.row_at(address) != nullptr) {
            addresses.push_back(address);
        }
    }
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    outcome.total = static_cast<int>(addresses.size());

    std::vector<int> answering = connection.loop_addresses();
    for (const int address : table.answering_addresses()) {
        answering.push_back(address);
    }
    outcome.clashes = Plan_check::clashes(table.plan(), addresses, answering);
    if (!outcome.clashes.isEmpty()) {
        outcome.message = QStringLiteral("Nic nie zapisano: plan wymaga poprawy.\n") +
                          outcome.clashes.join(QLatin1Char('\n'));
        return outcome;
    }
    for (const int address : addresses) {
        table.row_at(address)->write_state = Loop_row::Write_state::not_written;
    }

    const auto write_one = [&](int address, const Detector_link& link, Sequence_pacing& pacing,
                               Collecting_display& display) {
        const DetectorConfig config = table.plan().detectors.at(address);
        const Detector_operations::Write_report report = operations.write(
            link, config, pacing, 0, same_detectors ? table.row_at(address)->wid : std::nullopt);
        const std::vector<std::string> told = display.take();

        Loop_row& row = *table.row_at(address);
        const bool verified = report.outcome == Configuration_write::Outcome::verified;
        const bool reached = report.reach == Detector_operations::Reach::detector;
        if (!verified && !module_answers()) {
            // A write the detector never heard of is no failed write.
            if (reached) {
                record_write(row, report, told);
            }
            outcome.module_lost = true;
            outcome.message = module_lost_message(outcome.done, outcome.total, true);
            return false;
        }
        record_write(row, report, told);
        if (verified) {
            row.found = config;
            row.read_state = Loop_row::Read_state::read;
        } else if (touched_segment(report)) {
            // Whatever the detector holds now, it is no longer what the survey found.
            row.found.reset();
        }
        if (report.segment_written && config.basic_address()) {
            table.follow(address, *config.basic_address());
        }
        return true;
    };
    each_detector(addresses, outcome, observer, write_one);
    return outcome;
}
