#include "e2e_fixture.h"
#include "edit_combo_box.h"
#include "record_database.h"
#include "stored_kept_segments.h"

#include <QPushButton>
#include <QSqlQuery>

#include <string>
#include <vector>

namespace {

struct Backup_row {
    QString kind;
    QString wid;
    QString words;
};

class Configuration_backups : public E2e_test {
protected:
    std::vector<Backup_row> backups() {
        std::vector<Backup_row> rows;
        QSqlQuery query(form().station_store.database()->connection());
        query.exec(
            QStringLiteral("SELECT kind, wid, words FROM configuration_backup ORDER BY seq"));
        while (query.next()) {
            rows.push_back(
                {query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
        }
        return rows;
    }
    int queued_backups() {
        QSqlQuery query(form().station_store.database()->connection());
        return query.exec(QStringLiteral(
                   "SELECT COUNT(*) FROM outbox WHERE table_name = 'configuration_backup'")) &&
                       query.next()
                   ? query.value(0).toInt()
                   : -1;
    }
};

QString words_of(const Segment& segment) {
    SegmentImage image;
    image.words = segment;
    return Stored_kept_segments::words_text(image);
}

TEST_F(Configuration_backups, a_read_and_a_write_keep_the_configuration_before_and_after) {
    Sim_detector::Identity identity;
    identity.wid = {0x2417, 0x0B01};
    Sim_detector& detector = plug(Sim_detector::configured(identity, {}));
    const Segment before = segment_of(detector);
    form().Button_read_ktr27->click();
    form().ComboBox_address_1->setCurrentIndex(21);
    form().Button_send_to_ktr27->click();
    ASSERT_EQ(messages.back(), write_done);

    const std::vector<Backup_row> rows = backups();
    ASSERT_EQ(rows.size(), 3u) << form().station_store.error().toStdString();
    EXPECT_EQ(rows[0].kind, QStringLiteral("odczyt"));
    EXPECT_EQ(rows[0].words, words_of(before).left(8 * 5 - 1));
    EXPECT_EQ(rows[1].kind, QStringLiteral("przed_zapisem"));
    EXPECT_EQ(rows[1].words, words_of(before));
    EXPECT_EQ(rows[2].kind, QStringLiteral("zapisana"));
    EXPECT_EQ(rows[2].words, words_of(segment_of(detector)));
    for (const Backup_row& row : rows) {
        EXPECT_EQ(row.wid, QStringLiteral("2417 0B01"));
    }
    EXPECT_EQ(queued_backups(), 3) << "every backup waits for the line server";
}

TEST_F(Configuration_backups, a_detector_without_a_usable_wid_gets_none) {
    Sim_detector::Identity identity;
    identity.wid = {0xFFFF, 0xFFFF};
    plug(Sim_detector::configured(identity, {}));
    form().Button_read_ktr27->click();
    form().Button_send_to_ktr27->click();
    ASSERT_EQ(messages.back(), write_done);
    EXPECT_TRUE(backups().empty());
}

} // namespace
