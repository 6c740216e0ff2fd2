#include "detector_operations.h"
#include "loop_naming.h"
#include "loop_runner.h"
#include "loop_table.h"
#include "pnx_connection.h"
#include "sim_bench.h"
#include "user_message.h"
#include "write_recorder.h"

#include "qstring_print.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct Kept_lines : Write_recorder {
    void append(const Write_record_line& line) override { lines.push_back(line); }
    void keep_backup(const Configuration_backup& backup) override { backups.push_back(backup); }
    std::vector<Write_record_line> lines;
    std::vector<Configuration_backup> backups;
};

struct Counting_observer : Loop_runner::Observer {
    void started(int, int, int) override {}
    void finished(int address, int, int) override { finished_at.push_back(address); }
    void process_messages() override {}
    bool cancel_requested() override {
        return cancel_after >= 0 && int(finished_at.size()) >= cancel_after;
    }
    std::vector<int> finished_at;
    int cancel_after = -1;
};

Sim_detector::Config sim_config_at(std::uint16_t basic) {
    Sim_detector::Config config;
    config.options1 = 0x4180 | 0x0020; // with a basic address
    config.address = basic;
    return config;
}

DetectorConfig words_of(const Sim_detector::Config& c) {
    DetectorConfig config;
    config.options1 = c.options1;
    config.address = c.address;
    config.rop_address = c.rop_address;
    config.options2 = c.options2;
    config.rop_ans = c.rop_ans;
    config.rop_alm = c.rop_alm;
    config.smoke_profile = c.smoke_profile;
    config.hc = c.hc;
    return config;
}

// The panel with its loop on the simulated bench, logged in and scanned; no modal message may
// appear while the loop is worked through.
class Loop_bench : public testing::Test {
protected:
    Loop_bench() {
        bench.plug_module();
        previous =
            set_user_message_handler([this](const std::string& text) { modal.push_back(text); });
    }
    ~Loop_bench() override { set_user_message_handler(previous); }

    Sim_detector& add(std::uint8_t address, bool configured = true) {
        Sim_detector::Identity identity;
        identity.wid = {static_cast<std::uint16_t>(0x2400 + address), 0x0052};
        return bench.add_loop_detector(
            address, configured ? Sim_detector::configured(identity, sim_config_at(address))
                                : Sim_detector::factory_fresh(identity));
    }

    void connect() {
        ASSERT_TRUE(connection.open_module());
        ASSERT_TRUE(connection.check_password("1234"));
        ASSERT_TRUE(connection.scan_loop().bitmap_read);
        connection.choose_address("3");
        table.set_scan(connection.loop_addresses());
    }

    QStringList column(int which) const {
        QStringList cells;
        for (const Loop_row& row : table.rows()) {
            cells << table.cell(row, which);
        }
        return cells;
    }

    Sim_bench bench;
    Pnx_connection connection;
    ParameterWords parameters{};
    Kept_lines record;
    Detector_operations operations{parameters, record};
    Loop_naming naming;
    Loop_table table{naming};
    Loop_runner runner{operations, connection, 2};
    Counting_observer observer;
    std::vector<std::string> modal;
    User_message_handler previous;
};

TEST_F(Loop_bench, SurveyPutsEveryOutcomeIntoItsRowAndGoesOn) {
    add(3);
    add(5, false);
    add(8).arm(Sim_detector::Fault::no_reply);
    add(9);
    add(9); // two at one address

    add(12);
    connect();
    const Loop_runner::Outcome outcome = runner.survey(table, observer);
    EXPECT_EQ(outcome.done, 5);
    EXPECT_TRUE(outcome.message.isEmpty());
    EXPECT_EQ(column(Loop_table::state),
              (QStringList{"odczytana", "błąd sumy kontrolnej", "brak odpowiedzi",
                           "błąd sumy kontrolnej odpowiedzi: możliwe dwie czujki pod jednym "
                           "adresem",
                           "odczytana"}));
    EXPECT_EQ(column(Loop_table::wid)[4], QStringLiteral("240C 0052"));
    EXPECT_EQ(column(Loop_table::basic_address)[0], QStringLiteral("3"));
    EXPECT_TRUE(modal.empty());
    // The panel window's choice is the user's, not the last detector surveyed.
    EXPECT_EQ(connection.detector_address(), 3);
}

TEST_F(Loop_bench, WriteManyFollowsThePlanAndAFailingDetectorDoesNotStopTheOthers) {
    Sim_detector& a = add(3);
    Sim_detector& fresh = add(5, false);
    Sim_detector& broken = add(7);
    broken.arm(Sim_detector::Fault::program_refused);
    connect();
    runner.survey(table, observer);

    Loop_plan plan;
    DetectorConfig blinking = words_of(sim_config_at(3));
    blinking.options1 |= 0x0001;
    plan.detectors[3] = blinking;
    plan.detectors[5] = words_of(sim_config_at(5));
    plan.detectors[7] = words_of(sim_config_at(7));
    plan.detectors[7].hc = 20;
    table.set_plan(plan);
    EXPECT_EQ(table.differing_addresses(), (std::vector<int>{3, 5, 7}));

    const Loop_runner::Outcome outcome = runner.write(table, table.differing_addresses(), observer);
    EXPECT_EQ(outcome.done, 3);
    EXPECT_EQ(words_of(a.config()), blinking);
    EXPECT_TRUE(fresh.config_crc_valid());
    EXPECT_EQ(words_of(fresh.config()), plan.detectors[5]);
    EXPECT_EQ(column(Loop_table::plan_state),
              (QStringList{"zgodna", "zgodna", "różni się: konfiguracja nieodczytana"}));
    EXPECT_EQ(column(Loop_table::last_write)[0], QStringLiteral("Operacja przebiegła prawidłowo"));
    EXPECT_TRUE(column(Loop_table::last_write)[2].startsWith(QStringLiteral("UWAGA!!!")));
    ASSERT_EQ(record.lines.size(), 3u);
    EXPECT_EQ(record.lines[2].link, "PNX30 adres 7");
    EXPECT_TRUE(modal.empty());
    const Loop_table::Totals totals = table.totals();
    EXPECT_EQ(totals.written, 2);
    EXPECT_EQ(totals.failed, 1);
}

TEST_F(Loop_bench, AClashingPlanIsRefusedAndNothingIsWritten) {
    Sim_detector& a = add(3);
    add(5);
    connect();
    runner.survey(table, observer);
    Loop_plan plan;
    plan.detectors[3] = words_of(sim_config_at(5));
    table.set_plan(plan);
    const std::uint32_t requests = a.request_count();
    const Loop_runner::Outcome outcome = runner.write(table, {3}, observer);
    EXPECT_EQ(outcome.clashes.size(), 1);
    EXPECT_EQ(outcome.done, 0);
    EXPECT_EQ(a.request_count(), requests);
    EXPECT_TRUE(record.lines.empty());
}

TEST_F(Loop_bench, ADetectorGivenANewAddressIsFollowedByItsRow) {
    add(3);
    connect();
    runner.survey(table, observer);
    Loop_plan plan;
    plan.detectors[3] = words_of(sim_config_at(12));
    table.set_plan(plan);
    runner.write(table, {3}, observer);
    ASSERT_EQ(table.rows().size(), 1u);
    EXPECT_EQ(table.rows()[0].address, 12);
    EXPECT_EQ(table.cell(table.rows()[0], Loop_table::plan_state), QStringLiteral("zgodna"));
    EXPECT_EQ(connection.loop_addresses(), std::vector<int>{12});
}

TEST_F(Loop_bench, CancelStopsBetweenDetectors) {
    add(3);
    add(4);
    add(5);
    connect();
    observer.cancel_after = 1;
    const Loop_runner::Outcome outcome = runner.survey(table, observer);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(column(Loop_table::state),
              (QStringList{"odczytana", "nie odczytano", "nie odczytano"}));
}

TEST_F(Loop_bench, AModuleUnpluggedMidRunKeepsTheRowsDoneAndNamesWhatHappened) {
    add(3);
    add(4);
    add(5);
    connect();
    // The first detector's read and a part of the second's.
    bench.module().unplug_after(40);
    const Loop_runner::Outcome survey = runner.survey(table, observer);
    EXPECT_TRUE(survey.module_lost);
    EXPECT_TRUE(survey.message.contains(QStringLiteral("Moduł KMX12 lub centrala PNX30")));
    EXPECT_EQ(column(Loop_table::state),
              (QStringList{"odczytana", "nie odczytano", "nie odczytano"}));

    bench.plug_module();
    connect();
    runner.survey(table, observer);
    Loop_plan plan;
    for (int address : {3, 4, 5}) {
        plan.detectors[address] = words_of(sim_config_at(static_cast<std::uint16_t>(address)));
        plan.detectors[address].hc = 7;
    }
    table.set_plan(plan);
    bench.module().unplug_after(200); // within the second write
    const Loop_runner::Outcome write = runner.write(table, {3, 4, 5}, observer);
    EXPECT_TRUE(write.module_lost);
    EXPECT_EQ(column(Loop_table::last_write)[0], QStringLiteral("Operacja przebiegła prawidłowo"));
    EXPECT_NE(column(Loop_table::last_write)[1], QStringLiteral("Operacja przebiegła prawidłowo"));
    EXPECT_EQ(column(Loop_table::last_write)[2], QStringLiteral("nie zapisano"));
}

TEST_F(Loop_bench, APanelRefusingMidSurveyEndsTheRunWithOneMessage) {
    add(3);
    add(4);
    connect();
    bench.module().arm(Sim_module::Fault::error_reply, Sim_fault_schedule::after(40));
    const Loop_runner::Outcome outcome = runner.survey(table, observer);
    EXPECT_TRUE(outcome.module_lost);
    EXPECT_EQ(outcome.done, 1);
    EXPECT_EQ(column(Loop_table::state), (QStringList{"odczytana", "nie odczytano"}));
    EXPECT_TRUE(modal.empty());
}

} // namespace
