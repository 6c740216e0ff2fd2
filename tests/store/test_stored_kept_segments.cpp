#include "kept_segments.h"
#include "record_database.h"
#include "store_test_env.h"
#include "stored_kept_segments.h"

#include <QFile>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr ParameterWords::Pair wid{0x2417, 0x0C31};

SegmentImage factory_image() {
    SegmentImage image;
    for (int i = 0; i < SegmentImage::word_count; ++i) {
        image.words[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(0x3100 + i);
    }
    return image;
}

SegmentImage erased_segment() {
    SegmentImage image;
    image.words.fill(Kept_segments::erased);
    return image;
}

// What a new start of the program finds in the folder.
struct Next_start {
    explicit Next_start(const Scratch_store& scratch)
        : station(scratch.reopened()), on_disk(*station) {
        kept.persist_in(on_disk);
    }
    std::unique_ptr<Station_store> station;
    Stored_kept_segments on_disk;
    Kept_segments kept;
};

int kept_rows(Station_store& station) {
    if (station.database() == nullptr) {
        return -1;
    }
    QSqlQuery query(station.database()->connection());
    return query.exec(QStringLiteral("SELECT COUNT(*) FROM kept_segment")) && query.next()
               ? query.value(0).toInt()
               : -1;
}

TEST(Stored_kept_segments, the_next_start_restores_the_factory_words_until_a_write_verified) {
    Scratch_store scratch;
    {
        Next_start first(scratch);
        first.kept.keep(wid, factory_image());
    }
    {
        Next_start second(scratch);
        ASSERT_TRUE(second.kept.holds(wid));
        SegmentImage read = erased_segment();
        EXPECT_EQ(second.kept.restore_erased(wid, read), 23);
        for (int i = 0; i < SegmentImage::word_count; ++i) {
            const auto index = static_cast<std::size_t>(i);
            EXPECT_EQ(read.words[index], Kept_segments::owned_by_tool(i)
                                             ? Kept_segments::erased
                                             : factory_image().words[index])
                << "word " << i;
        }
        second.kept.drop(wid);
    }
    Next_start third(scratch);
    EXPECT_FALSE(third.kept.holds(wid));
    EXPECT_EQ(kept_rows(*third.station), 0);
}

// A hand-edited or damaged row, or one naming no detector, must never put words into a segment.
TEST(Stored_kept_segments, rows_naming_no_detector_or_damaged_restore_nothing) {
    struct Row {
        const char* wid;
        QString words;
        ParameterWords::Pair looked_up;
    };
    const QString whole = Stored_kept_segments::words_text(factory_image());
    const Row rows[] = {
        {"FFFF FFFF", whole, {0xFFFF, 0xFFFF}},
        {"0000 0000", whole, {0, 0}},
        {"2417 0C32", whole.left(whole.size() - 5), {0x2417, 0x0C32}}, // 31 words
        {"2417 0C33", whole + QStringLiteral(" 0000"), {0x2417, 0x0C33}},
        {"2417 0C34", QStringLiteral("ZZZZ") + whole.mid(4), {0x2417, 0x0C34}},
        {"2417 0C35", QStringLiteral("+123") + whole.mid(4), {0x2417, 0x0C35}},
        {"2417 0C36", QStringLiteral("31000") + whole.mid(4), {0x2417, 0x0C36}},
        {"2417", whole, {0x2417, 0}},
    };
    Scratch_store scratch;
    {
        QSqlQuery insert(scratch.store->database()->connection());
        insert.prepare(QStringLiteral(
            "INSERT INTO kept_segment (wid, words, kept_at) VALUES (?, ?, '2026-12-09T07:00Z')"));
        for (const Row& row : rows) {
            insert.bindValue(0, QString::fromLatin1(row.wid));
            insert.bindValue(1, row.words);
            ASSERT_TRUE(insert.exec()) << row.wid;
        }
    }
    Next_start next(scratch);
    for (const Row& row : rows) {
        SegmentImage read = erased_segment();
        EXPECT_FALSE(next.kept.holds(row.looked_up)) << row.wid;
        EXPECT_EQ(next.kept.restore_erased(row.looked_up, read), 0) << row.wid;
    }
    // Nor does this run add an image under a WID that names nobody.
    next.kept.keep({0xFFFF, 0xFFFF}, factory_image());
    EXPECT_EQ(kept_rows(*next.station), static_cast<int>(std::size(rows)));
}

TEST(Stored_kept_segments, a_database_of_the_version_before_gets_the_table_and_keeps_its_rows) {
    Scratch_store scratch;
    ASSERT_TRUE(scratch.store->record(sample_line(1)));
    {
        QSqlQuery downgrade(scratch.store->database()->connection());
        ASSERT_TRUE(downgrade.exec(QStringLiteral("DROP TABLE kept_segment")));
        ASSERT_TRUE(downgrade.exec(QStringLiteral("DROP TABLE configuration_backup")));
        ASSERT_TRUE(downgrade.exec(QStringLiteral("DROP TABLE backup_wid")));
        ASSERT_TRUE(downgrade.exec(QStringLiteral("PRAGMA user_version = 1")));
    }
    scratch.store.reset();
    Next_start next(scratch);
    next.kept.keep(wid, factory_image());
    EXPECT_EQ(kept_rows(*next.station), 1);
    EXPECT_EQ(next.station->rows().size(), 1u);
}

TEST(Stored_kept_segments, a_database_that_cannot_be_opened_still_keeps_the_image_for_this_run) {
    Scratch_store scratch;
    QFile blocker(scratch.folder + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Station_store station(scratch.folder + QStringLiteral("/file/below"),
                          QStringLiteral("test.sqlite"), QStringLiteral("historia_zapisow.csv"));
    Stored_kept_segments on_disk(station);
    Kept_segments kept;
    kept.persist_in(on_disk);
    kept.keep(wid, factory_image());
    SegmentImage read = erased_segment();
    EXPECT_EQ(kept.restore_erased(wid, read), 23);
}

} // namespace
