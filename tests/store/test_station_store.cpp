#include "record_database.h"
#include "station_store.h"
#include "store_test_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <set>

namespace {

QString writer_program() {
#if defined(_WIN32)
    return QCoreApplication::applicationDirPath() + QStringLiteral("/store_writer.exe");
#else
    return QCoreApplication::applicationDirPath() + QStringLiteral("/store_writer");
#endif
}

std::set<std::string> kept_by(QProcess& writer) {
    std::set<std::string> kept;
    for (const QByteArray& line : writer.readAllStandardOutput().split('\n')) {
        if (line.startsWith("kept ")) {
            kept.insert(Write_record_line::hex4(0x2417) + " " +
                        Write_record_line::hex4(line.mid(5).trimmed().toUInt()));
        }
    }
    return kept;
}

std::set<std::string> wids_of(const std::vector<Write_record_line>& rows, const char* station) {
    std::set<std::string> wids;
    for (const Write_record_line& row : rows) {
        if (row.station == station) {
            wids.insert(row.wid);
        }
    }
    return wids;
}

QString integrity(Station_store& store) {
    QSqlQuery check(store.database()->connection());
    return check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next()
               ? check.value(0).toString()
               : check.lastError().text();
}

TEST(Station_store, two_instances_writing_at_once_keep_every_row_of_both) {
    Scratch_store scratch;
    QProcess first;
    QProcess second;
    first.start(writer_program(), {scratch.folder, QStringLiteral("first"), QStringLiteral("200")});
    second.start(writer_program(),
                 {scratch.folder, QStringLiteral("second"), QStringLiteral("200")});
    ASSERT_TRUE(first.waitForFinished(120000) && second.waitForFinished(120000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();

    const std::vector<Write_record_line> rows = scratch.store->rows();
    EXPECT_EQ(rows.size(), 400u);
    EXPECT_EQ(wids_of(rows, "first"), kept_by(first));
    EXPECT_EQ(wids_of(rows, "second"), kept_by(second));
    std::set<std::string> ids;
    for (const Write_record_line& row : rows) {
        ids.insert(row.id);
    }
    EXPECT_EQ(ids.size(), 400u);
    EXPECT_EQ(integrity(*scratch.store), QStringLiteral("ok"));
}

TEST(Station_store, a_station_killed_while_writing_reopens_clean_with_every_row_it_reported) {
    Scratch_store scratch;
    QProcess writer;
    writer.start(writer_program(),
                 {scratch.folder, QStringLiteral("killed"), QStringLiteral("100000")});
    QByteArray seen;
    while (seen.count("kept ") < 60 && writer.waitForReadyRead(60000)) {
        seen = writer.peek(writer.bytesAvailable());
    }
    writer.kill(); // SIGKILL: no destructor, no checkpoint
    writer.waitForFinished(30000);
    const std::set<std::string> reported = kept_by(writer);
    ASSERT_GE(reported.size(), 60u);

    const std::set<std::string> kept = wids_of(scratch.store->rows(), "killed");
    for (const std::string& wid : reported) {
        EXPECT_EQ(kept.count(wid), 1u) << wid << " was reported written";
    }
    EXPECT_LE(kept.size(), reported.size() + 1) << "at most the row being written when killed";
    EXPECT_EQ(integrity(*scratch.store), QStringLiteral("ok"));
    EXPECT_TRUE(scratch.store->record(sample_line(1)));
}

TEST(Station_store, a_full_disk_refuses_rows_but_loses_or_damages_none_kept_before) {
    const Line_server* fixture = Line_server::get();
    if (fixture == nullptr) {
        GTEST_SKIP() << "no file systems from line_server.sh";
    }
    const QString folder = fixture->full_disk + QStringLiteral("/store");
    QDir(folder).removeRecursively();
    Scratch_store scratch(folder);
    ASSERT_TRUE(scratch.store->record(sample_line(0)));
    {
        QFile filler(fixture->full_disk + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    int kept = 1;
    bool refused = false;
    for (int n = 1; n < 5000 && !refused; ++n) {
        refused = !scratch.store->record(sample_line(n));
        kept += refused ? 0 : 1;
    }
    EXPECT_TRUE(refused) << "the disk never filled";
    scratch.store.reset();
    QFile::remove(fixture->full_disk + QStringLiteral("/filler"));

    auto again = scratch.reopened();
    EXPECT_EQ(static_cast<int>(again->rows().size()), kept);
    EXPECT_EQ(integrity(*again), QStringLiteral("ok"));
    EXPECT_TRUE(again->record(sample_line(9999)));
    again.reset();
    QDir(folder).removeRecursively();
}

TEST(Station_store, a_read_only_folder_refuses_every_row_and_says_why) {
    const Line_server* fixture = Line_server::get();
    if (fixture == nullptr) {
        GTEST_SKIP() << "no file systems from line_server.sh";
    }
    Scratch_store scratch(fixture->read_only);
    EXPECT_FALSE(scratch.store->record(sample_line(0)));
    EXPECT_FALSE(scratch.store->record(sample_line(1)));
    EXPECT_FALSE(scratch.store->error().isEmpty());
    EXPECT_TRUE(scratch.store->rows().empty());
}

// The older record as the CSV versions and their users left it.
const char* const older_record =
    "czas,łącze,wersja,słowo_informacyjne,WID,options1,address,rop_address,options2,rop_ans,"
    "rop_alm,smoke_profile,hc,crc,adres_podstawowy,adres_ROP,adres_WK,wynik,krok_serii\r\n"
    // 2: a field with a comma and a quote, Polish letters
    "2026-10-25T02:30:00+02:00,dongle,0x34,0x0021,0x2417 0x0018,0x4E39,0x000C,0x0000,0x0000,"
    "0x0000,0x0000,0x0064,0x0000,0x1A2B,12,,,\"Błąd \"\"zapisu\"\", przerwany\",\r\n"
    // 3: a stray quote inside a field
    "2026-10-25T02:40:00+02:00,dongle,0x34,0x0021,0x2417 0x0019,0x4E39,0x000C,0x0000,0x0000,"
    "0x0000,0x0000,0x0064,0x0000,0x1A2B,12,,,Operacja \"przebiegła prawidłowo,\r\n"
    // 4: a line cut by a full disk with the next one glued on
    "2026-10-25T02:50:00+02:00,dongle,0x34,0x0021,0x2417 0x00202026-10-25T02:10:00+01:00,"
    "PNX30 adres 112,0x34,0x0021,0x2417 0x0021,0x4E39,0x0070,0x0000,0x0000,0x0000,0x0000,"
    "0x0064,0x0000,0x1A2B,112,,,Operacja przebiegła prawidłowo,\r\n"
    // 5: a header a second instance wrote
    "czas,łącze,wersja,słowo_informacyjne,WID,options1,address,rop_address,options2,rop_ans,"
    "rop_alm,smoke_profile,hc,crc,adres_podstawowy,adres_ROP,adres_WK,wynik,krok_serii\r\n"
    // 6: a record in the hour the clocks went back, later than line 2 though it reads earlier
    "2026-10-25T02:10:00+01:00,PNX30 adres 12,0x34,0x0021,0x2417 0x0022,0x4E39,0x000C,0x0000,"
    "0x0000,0x0000,0x0000,0x0064,0x0000,0x1A2B,12,,,Operacja przebiegła prawidłowo,3\r\n"
    // 7: cut at the end of the file
    "2026-10-25T03:00:00+01:00,dongle,0x34";

TEST(Station_store, the_older_csv_record_comes_over_once_every_line_kept_and_left_untouched) {
    Scratch_store scratch;
    const QString csv = scratch.folder + QStringLiteral("/historia_zapisow.csv");
    {
        QFile file(csv);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(older_record);
    }
    ASSERT_TRUE(scratch.store->open());
    ASSERT_TRUE(eventually([&] { return scratch.store->import_finished(); }, 30000));
    scratch.store.reset();
    scratch.reopened()->open(); // a second start imports nothing again

    const std::vector<Write_record_line> rows = scratch.reopened()->rows();
    ASSERT_EQ(rows.size(), 5u);
    std::vector<int> lines;
    for (const Write_record_line& row : rows) {
        lines.push_back(row.imported_line);
    }
    EXPECT_EQ(lines, (std::vector<int>{2, 3, 4, 6, 7}));
    EXPECT_EQ(rows[0].outcome, "Błąd \"zapisu\", przerwany");
    EXPECT_EQ(rows[0].time, "2026-10-25T02:30:00+02:00");
    EXPECT_EQ(rows[1].raw.substr(0, 25), "2026-10-25T02:40:00+02:00");
    EXPECT_NE(rows[2].raw.find("0x00202026-10-25T02:10"), std::string::npos);
    EXPECT_EQ(rows[3].series_step, "3");
    EXPECT_EQ(rows[3].time, "2026-10-25T02:10:00+01:00");
    EXPECT_EQ(rows[4].raw, "2026-10-25T03:00:00+01:00,dongle,0x34");
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray(older_record));
}

} // namespace
