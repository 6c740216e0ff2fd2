#include "e2e_fixture.h"
#include "edit_combo_box.h"
#include "record_database.h"
#include "stored_kept_segments.h"
#include "tform_backups.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>

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

QString row_text(const TForm_backups& window, int row, int column) {
    return window.Table_backups->model()->index(row, column).data().toString();
}

TEST_F(Configuration_backups, the_window_loads_a_kept_configuration_back_and_names_what_differs) {
    Sim_detector::Identity identity;
    identity.wid = {0x2417, 0x0B01};
    Sim_detector::Config config;
    config.options1 = 0x0A3F;
    config.address = 12;
    config.rop_ans = 20;
    config.rop_alm = 60;
    config.smoke_profile = 150;
    plug(Sim_detector::configured(identity, config));
    form().Button_read_ktr27->click();
    const DetectorConfig read = form().config_from_controls();
    form().CheckBox_ar_mode->setChecked(true);
    form().Button_send_to_ktr27->click();
    ASSERT_EQ(messages.back(), write_done);
    form().CheckBox_save_events->setChecked(true);
    messages.clear();

    const std::unique_ptr<TForm_backups> window = form().backups_window();
    EXPECT_EQ(window->ComboBox_wid->currentText(), QStringLiteral("2417 0B01"));
    ASSERT_EQ(window->Table_backups->model()->rowCount(), 3);
    EXPECT_EQ(row_text(*window, 0, 1), QStringLiteral("zapisana"));
    EXPECT_EQ(row_text(*window, 2, 1), QStringLiteral("odczyt"));

    window->Button_compare->click();
    ASSERT_EQ(window->List_differences->count(), 1);
    EXPECT_EQ(window->List_differences->item(0)->text(), QStringLiteral("„Zapis zdarzeń”"));

    window->Table_backups->selectRow(2);
    window->Button_load->click();
    EXPECT_EQ(form().config_from_controls(), read);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Configuration_backups, a_backup_with_options_the_connected_version_lacks_names_them) {
    Sim_detector::Identity newer;
    newer.wid = {0x2417, 0x0B01};
    Sim_detector::Config config;
    config.options2 = 0x0200; // events recorded
    plug(Sim_detector::configured(newer, config));
    form().Button_read_ktr27->click();
    ASSERT_TRUE(form().CheckBox_save_events->isChecked());
    Sim_detector::Identity older;
    older.wid = {0x1999, 0x0042};
    older.version = 45;
    plug(Sim_detector::configured(older, {}));
    form().Timer_dongleTimer(); // connected: the gate follows its version
    form().Button_read_ktr27->click();
    messages.clear();

    const std::unique_ptr<TForm_backups> window = form().backups_window();
    EXPECT_EQ(window->ComboBox_wid->currentText(), QStringLiteral("1999 0042"));
    window->ComboBox_wid->setCurrentText(QStringLiteral("2417 0B01"));
    ASSERT_EQ(window->Table_backups->model()->rowCount(), 1);
    window->Button_load->click();
    EXPECT_FALSE(form().CheckBox_save_events->isChecked());
    ASSERT_EQ(messages.size(), 1u);
    for (const char* named : {"z kopii z", "w wersji 45", "„Zapis zdarzeń”", "wczytaj kopię"}) {
        EXPECT_NE(messages[0].find(named), std::string::npos) << messages[0];
    }
}

} // namespace
