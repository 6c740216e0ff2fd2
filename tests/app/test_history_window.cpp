#include "record_filter.h"
#include "tform_history.h"
#include "write_record.h"

#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

Write_record_line line(const char* wid, const char* link, const char* basic, const char* outcome) {
    Write_record_line made;
    made.time = "2026-12-09T10:00:00+01:00";
    made.link = link;
    made.wid = wid;
    made.words.assign(9, "0x0000");
    made.basic_address = basic;
    made.outcome = outcome;
    return made;
}

TEST(History_window, filters_sorts_and_exports_only_the_rows_shown) {
    QTemporaryDir dir;
    Write_record record;
    record.set_folder(dir.path());
    const Write_record_line verified = line("0x2417 0x0018", "dongle", "12", "Operacja OK");
    const Write_record_line failed =
        line("0x2417 0x0019", "PNX30 adres 1", "1", "Błąd \"zapisu\", przerwany");
    const Write_record_line other = line("0x2417 0x0020", "dongle", "21", "Operacja OK");
    for (const Write_record_line& each : {verified, failed, other}) {
        ASSERT_TRUE(record.append(each));
    }

    TForm_history history(record.file_path());
    QAbstractItemModel* shown = history.Table_record->model();
    EXPECT_EQ(shown->rowCount(), 3);

    history.Edit_filter_wid->setText(QStringLiteral("0x0019"));
    EXPECT_EQ(history.shown_rows_csv().toStdString(), Write_record_line::header() + failed.csv());

    history.Edit_filter_wid->clear();
    history.Edit_filter_address->setText(QStringLiteral("1"));
    ASSERT_EQ(shown->rowCount(), 1) << "1 is not 12 or 21";
    history.Edit_filter_address->setText(QStringLiteral("12"));
    ASSERT_EQ(shown->rowCount(), 1);

    history.Edit_filter_address->clear();
    history.Edit_filter_outcome->setText(QStringLiteral("operacja"));
    EXPECT_EQ(shown->rowCount(), 2);
    history.Edit_filter_outcome->clear();
    history.Table_record->sortByColumn(4, Qt::DescendingOrder);
    EXPECT_EQ(shown->index(0, 4).data().toString(), QStringLiteral("0x2417 0x0020"));
}

} // namespace
