#include "line_link.h"
#include "record_database.h"
#include "record_table_model.h"
#include "station_store.h"
#include "store_test_env.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <thread>

namespace {

class Line_sender : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const Line_server* server = Line_server::get();
        if (server != nullptr) {
            // The line's owner creates the schema with its first connection, as README says.
            Line_link owner(server->owner);
            ASSERT_TRUE(owner.connect()) << owner.error().toStdString();
        }
    }

    void SetUp() override {
        server = Line_server::get();
        if (server == nullptr) {
            GTEST_SKIP() << "no line server from line_server.sh";
        }
    }

    static Station_settings on_line(const QString& station, const QString& conninfo) {
        Station_settings settings;
        settings.station = station;
        settings.operator_name = QStringLiteral("Żaneta Łęcka");
        settings.environment_line = conninfo;
        return settings;
    }

    const Line_server* server = nullptr;
};

TEST_F(Line_sender, two_stations_writing_250_rows_each_at_once_give_500_rows_on_the_server) {
    const QString names[2] = {unique_station("first"), unique_station("second")};
    std::thread stations[2];
    bool all_kept[2] = {false, false};
    bool all_shipped[2] = {false, false};
    for (int s = 0; s < 2; ++s) {
        stations[s] = std::thread([&, s] {
            Scratch_store scratch;
            scratch.store->set_settings(on_line(names[s], server->station));
            all_kept[s] = true;
            for (int n = 0; n < 250; ++n) {
                all_kept[s] = scratch.store->record(sample_line(n)) && all_kept[s];
            }
            all_shipped[s] =
                eventually([&] { return scratch.store->line_status().pending == 0; }, 120000);
        });
    }
    for (std::thread& station : stations) {
        station.join();
    }
    for (int s = 0; s < 2; ++s) {
        EXPECT_TRUE(all_kept[s] && all_shipped[s]);
        EXPECT_EQ(server->rows_of(names[s]), std::make_pair(250, 250)) << names[s].toStdString();
    }
}

TEST_F(Line_sender, rows_kept_while_the_server_is_down_arrive_once_when_it_is_back) {
    const QString name = unique_station("outage");
    Scratch_store scratch;
    scratch.store->set_settings(on_line(name, server->station));
    for (int n = 0; n < 40; ++n) {
        ASSERT_TRUE(scratch.store->record(sample_line(n)));
    }
    ASSERT_TRUE(eventually([&] { return scratch.store->line_status().pending == 0; }, 60000));
    EXPECT_FALSE(scratch.store->take_line_message());

    ASSERT_TRUE(server->down());
    for (int n = 40; n < 80; ++n) {
        ASSERT_TRUE(scratch.store->record(sample_line(n)));
    }
    EXPECT_TRUE(eventually(
        [&] { return scratch.store->line_status().state == Line_status::State::unreachable; },
        60000));
    EXPECT_EQ(scratch.store->line_status().pending, 40);
    EXPECT_TRUE(scratch.store->take_line_message()) << "told once";
    EXPECT_FALSE(scratch.store->take_line_message());
    ASSERT_TRUE(server->up());

    EXPECT_TRUE(eventually([&] { return scratch.store->line_status().pending == 0; }, 60000));
    EXPECT_EQ(server->rows_of(name), std::make_pair(80, 80));

    // The whole line's view shows this station's rows as the station's own view does.
    Record_table_model local;
    local.set_source(scratch.store->database()->connection(), Record_query::Dialect::sqlite);
    Record_table_model line;
    line.set_source(scratch.store->line_database(), Record_query::Dialect::postgres);
    for (Record_table_model* model : {&local, &line}) {
        model->set_filter(Record_query::outcome, QStringLiteral("OPERACJA PRZEBIEGŁA"));
        model->set_filter(Record_query::address, QStringLiteral("7"));
        model->sort(Record_query::time_column(), Qt::DescendingOrder);
    }
    // 7 and 47 went to loop address 7; 17, 27 and 37 did not.
    ASSERT_EQ(local.rowCount(), 2) << local.error().toStdString();
    ASSERT_GE(line.rowCount(), 2) << line.error().toStdString();
    const int id_column = static_cast<int>(Record_query::headers().size()) - 1;
    int matched = 0;
    for (int r = 0; r < line.rowCount(); ++r) {
        for (int l = 0; l < local.rowCount(); ++l) {
            if (line.index(r, id_column).data() == local.index(l, id_column).data()) {
                ++matched;
                for (int c = 0; c < id_column; ++c) {
                    EXPECT_EQ(line.index(r, c).data().toString(),
                              local.index(l, c).data().toString())
                        << Record_query::headers()[c].toStdString();
                }
            }
        }
    }
    EXPECT_EQ(matched, 2);
}

TEST_F(Line_sender, a_server_that_never_answers_does_not_hold_up_a_write) {
    Silent_listener silent;
    ASSERT_GT(silent.port(), 0);
    Scratch_store scratch;
    scratch.store->set_settings(
        on_line(unique_station("silent"),
                QStringLiteral("host=127.0.0.1 port=%1 dbname=ktr27_line user=ktr_station "
                               "connect_timeout=4")
                    .arg(silent.port())));
    ASSERT_TRUE(scratch.store->open());
    ASSERT_TRUE(eventually([&] { return scratch.store->line_status().attempts == 1; }, 10000));
    for (int n = 0; n < 10; ++n) {
        ASSERT_TRUE(scratch.store->record(sample_line(n)));
    }
    // Every write is kept while the sender's first attempt still waits for the server.
    const Line_status status = scratch.store->line_status();
    EXPECT_EQ(status.state, Line_status::State::connecting) << status.text().toStdString();
    EXPECT_EQ(status.pending, 10);
    EXPECT_EQ(status.attempts, 1);
}

TEST_F(Line_sender, the_station_role_adds_and_reads_rows_but_cannot_change_or_remove_them) {
    const QString name = unique_station("role");
    {
        Scratch_store scratch;
        scratch.store->set_settings(on_line(name, server->station));
        ASSERT_TRUE(scratch.store->record(sample_line(5)));
        ASSERT_TRUE(eventually([&] { return scratch.store->line_status().pending == 0; }, 60000));
    }
    Line_link station(server->station);
    ASSERT_TRUE(station.connect()) << station.error().toStdString();
    QSqlQuery query(station.connection());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT count(*) FROM write_record")));
    for (const char* change : {"UPDATE write_record SET outcome = 'x'", "DELETE FROM write_record",
                               "CREATE TABLE station_table (a integer)"}) {
        EXPECT_FALSE(query.exec(QString::fromLatin1(change))) << change;
    }
    EXPECT_EQ(server->rows_of(name), std::make_pair(1, 1));
}

} // namespace
