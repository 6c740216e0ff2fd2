#include "station_store.h"
#include "tform_history.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <utility>

namespace {

std::string row(const char* time, const char* link, const char* basic, const char* outcome) {
    return std::string(time) + "," + link + ",0x34,0x0021,0x2417 0x0018,0x4E39,0x000C,0x0000," +
           "0x0000,0x0000,0x0000,0x0064,0x0000,0x1A2B," + basic + ",,," + outcome + ",\r\n";
}

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A store whose first start imported `csv` as the record an earlier version left.
void import(Station_store& store, const QTemporaryDir& dir, const std::string& csv) {
    QFile file(dir.filePath(QStringLiteral("historia_zapisow.csv")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(Write_record_line::header() + csv));
    file.close();
    ASSERT_TRUE(store.open());
    const QDeadlineTimer deadline(30000);
    while (!store.import_finished() && !deadline.hasExpired()) {
        QThread::msleep(10);
    }
}

TEST(History_window, sorts_by_the_instant_filters_in_the_query_and_exports_what_it_shows) {
    QTemporaryDir dir;
    Station_store store(dir.path(), QStringLiteral("h.sqlite"),
                        QStringLiteral("historia_zapisow.csv"));
    // The clocks went back at 03:00: 02:10+01:00 came forty minutes after 02:30+02:00.
    import(
        store, dir,
        row("2026-10-25T02:30:00+02:00", "PNX30 adres 12", "12", "Operacja OK") +
            row("2026-10-25T02:10:00+01:00", "dongle", "112", "\"=HYPERLINK(\"\"http://x\"\")\"") +
            row("2026-10-24T10:00:00+02:00", "PNX30 adres 1", "1", "Błąd zapisu") +
            row("2026-10-24T09:00:00+02:00", "PNX30 adres 12", "30", "Przerwany"));

    TForm_history history(store);
    const QAbstractItemModel* shown = history.Table_record->model();
    ASSERT_EQ(shown->rowCount(), 4);
    EXPECT_EQ(shown->index(0, 0).data().toString(), QStringLiteral("2026-10-25T02:10:00+01:00"));
    EXPECT_EQ(shown->index(1, 0).data().toString(), QStringLiteral("2026-10-25T02:30:00+02:00"));

    // A loop address and the three address columns are matched whole: "1" is not 12, 112 or
    // "PNX30 adres 12", and "3" or "P" do not find every panel row.
    for (const auto& [typed, rows] :
         {std::pair{"1", 1}, {"12", 2}, {"112", 1}, {"30", 1}, {"3", 0}, {"P", 0}}) {
        history.Edit_filter_address->setText(QString::fromLatin1(typed));
        EXPECT_EQ(shown->rowCount(), rows) << typed;
    }
    history.Edit_filter_address->clear();
    history.Edit_filter_outcome->setText(QStringLiteral("BŁĄD"));
    ASSERT_EQ(shown->rowCount(), 1);
    history.Edit_filter_outcome->clear();

    const QString excel = dir.filePath(QStringLiteral("excel.csv"));
    const QString plain = dir.filePath(QStringLiteral("plain.csv"));
    ASSERT_TRUE(history.export_rows(excel, Record_export::Format::excel));
    ASSERT_TRUE(history.export_rows(plain, Record_export::Format::rfc4180));
    const QList<QByteArray> excel_lines = read(excel).split('\n');
    const QList<QByteArray> plain_lines = read(plain).split('\n');
    ASSERT_EQ(excel_lines.size(), 6); // header, four rows, nothing after the last CR LF
    EXPECT_TRUE(excel_lines[0].startsWith("\xEF\xBB\xBF"
                                          "czas;stanowisko;operator;"));
    EXPECT_TRUE(excel_lines[1].contains(";\"'=HYPERLINK(\"\"http://x\"\")\";"));
    EXPECT_TRUE(plain_lines[0].startsWith("czas,stanowisko,operator,"));
    EXPECT_TRUE(plain_lines[1].contains(",\"=HYPERLINK(\"\"http://x\"\")\","));
    EXPECT_TRUE(plain_lines[3].startsWith("2026-10-24T10:00:00+02:00,"));
}

TEST(History_window, exports_a_damaged_row_with_more_fields_than_the_header) {
    QTemporaryDir dir;
    Station_store store(dir.path(), QStringLiteral("h.sqlite"),
                        QStringLiteral("historia_zapisow.csv"));
    import(store, dir, "2026-12-09T11:00:00+01:00,dongle,,,,,,,,,,,,,,,,,,added by hand\r\n");
    TForm_history history(store);
    ASSERT_EQ(history.Table_record->model()->rowCount(), 1);
    const QString plain = dir.filePath(QStringLiteral("plain.csv"));
    ASSERT_TRUE(history.export_rows(plain, Record_export::Format::rfc4180));
    EXPECT_TRUE(read(plain).contains(",added by hand\"")) << read(plain).toStdString();
}

} // namespace
