#include "record_filter.h"
#include "tform_history.h"
#include "write_record.h"

#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

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
    const Write_record_line panel = line("0x2417 0x0012", "PNX30 adres 12", "30", "Przerwany");
    for (const Write_record_line& each : {verified, failed, other, panel}) {
        ASSERT_TRUE(record.append(each));
    }

    TForm_history history(record.file_path());
    QAbstractItemModel* shown = history.Table_record->model();
    EXPECT_EQ(shown->rowCount(), 4);

    history.Edit_filter_wid->setText(QStringLiteral("0x0019"));
    EXPECT_EQ(history.shown_rows_csv().toStdString(), Write_record_line::header() + failed.csv());

    history.Edit_filter_wid->clear();
    // A loop address and the three address columns are matched whole: "1" is not 12, 21 or
    // "PNX30 adres 12", and "3" or "P" do not find every panel row.
    for (const auto& [typed, rows] :
         {std::pair{"1", 1}, {"12", 2}, {"30", 1}, {"3", 0}, {"P", 0}}) {
        history.Edit_filter_address->setText(QString::fromLatin1(typed));
        EXPECT_EQ(shown->rowCount(), rows) << typed;
    }

    history.Edit_filter_address->clear();
    history.Edit_filter_outcome->setText(QStringLiteral("operacja"));
    EXPECT_EQ(shown->rowCount(), 2);
    history.Edit_filter_outcome->clear();
    history.Table_record->sortByColumn(4, Qt::DescendingOrder);
    EXPECT_EQ(shown->index(0, 4).data().toString(), QStringLiteral("0x2417 0x0020"));
}

TEST(History_window, exports_a_damaged_row_with_more_fields_than_the_header) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("historia_zapisow.csv")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(Write_record_line::header()) +
               "2026-12-09T11:00:00+01:00,dongle,,,,,,,,,,,,,,,,,,added by hand\r\n");
    file.close();
    const QByteArray csv = TForm_history(file.fileName()).shown_rows_csv();
    EXPECT_TRUE(csv.contains(",added by hand\r\n")) << csv.toStdString();
}

} // namespace
