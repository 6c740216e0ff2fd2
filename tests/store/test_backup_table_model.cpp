#include "backup_table_model.h"
#include "record_database.h"
#include "store_test_env.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

namespace {

bool keep(Station_store& store, const char* wid, const char* at, const QString& words) {
    QSqlQuery insert(store.database()->connection());
    insert.prepare(QStringLiteral("INSERT INTO configuration_backup (id, recorded_at, utc_offset, "
                                  "kind, wid, words) VALUES (?, ?, 60, 'odczyt', ?, ?)"));
    insert.addBindValue(QString::fromLatin1(wid) + QString::fromLatin1(at));
    insert.addBindValue(QString::fromLatin1(at));
    insert.addBindValue(QString::fromLatin1(wid));
    insert.addBindValue(words);
    return insert.exec();
}

const QString eight = QStringLiteral("0A3F 000C 0000 0201 0014 003C 0096 0007");

TEST(Backup_table_model, a_database_of_the_version_before_lists_its_detectors_newest_first) {
    Scratch_store scratch;
    ASSERT_TRUE(scratch.store->open());
    ASSERT_TRUE(keep(*scratch.store, "2417 0001", "2026-03-01T08:00:00.000Z", eight));
    ASSERT_TRUE(keep(*scratch.store, "2417 0002", "2026-03-02T08:00:00.000Z", eight));
    {
        QSqlQuery downgrade(scratch.store->database()->connection());
        ASSERT_TRUE(downgrade.exec(QStringLiteral("DROP TRIGGER backup_wid_listed")));
        ASSERT_TRUE(downgrade.exec(QStringLiteral("DROP TABLE backup_wid")));
        ASSERT_TRUE(downgrade.exec(QStringLiteral("PRAGMA user_version = 2")));
    }
    scratch.store.reset();
    const std::unique_ptr<Station_store> next = scratch.reopened();
    ASSERT_TRUE(next->open()) << next->error().toStdString();
    const QSqlDatabase db = next->database()->connection();
    EXPECT_EQ(Backup_table_model::known_wids(db),
              (QStringList{QStringLiteral("2417 0002"), QStringLiteral("2417 0001")}));
    // A later backup of the older detector puts it first; one from a PC whose clock was behind
    // does not move it back.
    ASSERT_TRUE(keep(*next, "2417 0001", "2026-03-03T08:00:00.000Z", eight));
    ASSERT_TRUE(keep(*next, "2417 0001", "2026-02-01T08:00:00.000Z", eight));
    EXPECT_EQ(Backup_table_model::known_wids(db),
              (QStringList{QStringLiteral("2417 0001"), QStringLiteral("2417 0002")}));
}

TEST(Backup_table_model, gives_the_words_of_a_sound_row_and_nothing_of_a_damaged_one) {
    Scratch_store scratch;
    ASSERT_TRUE(scratch.store->open());
    QString segment = eight;
    for (int i = 8; i < 32; ++i) {
        segment += i == 15 ? QStringLiteral(" BEEF") : QStringLiteral(" FFFF");
    }
    const char* wid = "2417 0003";
    const struct {
        const char* at;
        QString words;
    } rows[] = {{"2026-03-04", eight},
                {"2026-03-03", segment},
                {"2026-03-02", QStringLiteral("0A3F 000C")},
                {"2026-03-01", eight.left(eight.size() - 1) + QLatin1Char('G')}};
    for (const auto& row : rows) {
        ASSERT_TRUE(keep(*scratch.store, wid, row.at, row.words));
    }
    Backup_table_model model;
    model.set_source(scratch.store->database()->connection(), QString::fromLatin1(wid));
    ASSERT_EQ(model.rowCount(), 4);
    ASSERT_TRUE(model.config(0));
    EXPECT_EQ(model.config(0)->options2, 0x0201);
    ASSERT_TRUE(model.config(1));
    EXPECT_EQ(model.config(1)->crc, 0xBEEF);
    EXPECT_FALSE(model.config(2));
    EXPECT_FALSE(model.config(3));
    EXPECT_FALSE(model.config(4));
}

} // namespace
