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

namespace {

std::string row(const char* time, const char* link, const char* basic, const char* outcome) {
    return std::string(time) + "," + link + ",0x34,0x0021,0x2417 0x0018,0x4E39,0x000C,0x0000," +
           "0x0000,0x0000,0x0000,0x0064,0x0000,0x1A2B," + basic + ",,," + outcome + ",\r\n";
}

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(History_window, sorts_by_the_instant_filters_in_the_query_and_exports_what_it_shows) {
    QTemporaryDir dir;
    {
        QFile csv(dir.filePath(QStringLiteral("historia_zapisow.csv")));
        ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
        // The clocks went back at 03:00: 02:10+01:00 came forty minutes after 02:30+02:00.
        csv.write(
            (Write_record_line::header() +
             row("2026-10-25T02:30:00+02:00", "PNX30 adres 12", "12", "Operacja OK") +
             row("2026-10-25T02:10:00+01:00", "dongle", "112", "\"=HYPERLINK(\"\"http://x\"\")\"") +
             row("2026-10-24T10:00:00+02:00", "PNX30 adres 1", "1", "Błąd zapisu"))
                .c_str());
    }
    Station_store store(dir.path(), QStringLiteral("h.sqlite"),
                        QStringLiteral("historia_zapisow.csv"));
    ASSERT_TRUE(store.open());
    const QDeadlineTimer deadline(30000);
    while (!store.import_finished() && !deadline.hasExpired()) {
        QThread::msleep(10);
    }

    TForm_history history(store);
    const QAbstractItemModel* shown = history.Table_record->model();
    ASSERT_EQ(shown->rowCount(), 3);
    EXPECT_EQ(shown->index(0, 0).data().toString(), QStringLiteral("2026-10-25T02:10:00+01:00"));
    EXPECT_EQ(shown->index(1, 0).data().toString(), QStringLiteral("2026-10-25T02:30:00+02:00"));

    history.Edit_filter_address->setText(QStringLiteral("12"));
    ASSERT_EQ(shown->rowCount(), 1) << "12 is not 112";
    history.Edit_filter_address->setText(QStringLiteral("1"));
    ASSERT_EQ(shown->rowCount(), 1) << "1 is neither 12 nor 112";
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
    ASSERT_EQ(excel_lines.size(), 5); // header, three rows, nothing after the last CR LF
    EXPECT_TRUE(excel_lines[0].startsWith("\xEF\xBB\xBF"
                                          "czas;stanowisko;operator;"));
    EXPECT_TRUE(excel_lines[1].contains(";\"'=HYPERLINK(\"\"http://x\"\")\";"));
    EXPECT_TRUE(plain_lines[0].startsWith("czas,stanowisko,operator,"));
    EXPECT_TRUE(plain_lines[1].contains(",\"=HYPERLINK(\"\"http://x\"\")\","));
    EXPECT_TRUE(plain_lines[3].startsWith("2026-10-24T10:00:00+02:00,"));
}

} // namespace
