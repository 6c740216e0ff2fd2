// Taking over the write record an earlier version kept elsewhere: moved whole, or added to the
// record already there; every line arrives, lines never run together, and the old folder goes.
#include "write_record.h"
#include "write_record_line.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const std::string header = Write_record_line::header();
const std::string none = "(no file)";

std::string read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : none;
}

void write(const QString& path, const std::string& bytes) {
    QFile file(path);
    if (bytes != none && QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)) {
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
}

TEST(Write_record, takes_over_an_earlier_record_without_losing_a_line) {
    const struct {
        std::string record, old_record, expected;
    } rows[] = {
        {none, header + "a\r\n\"b\r\nb\"\r\n", header + "a\r\n\"b\r\nb\"\r\n"},
        {header + "new\r\n", header + "old\r\n", header + "new\r\nold\r\n"},
        {header + "damaged", "no header", header + "damaged\r\nno header\r\n"},
        {header + "new\r\n", none, header + "new\r\n"},
    };
    for (const auto& row : rows) {
        QTemporaryDir dir;
        const QString old_folder = dir.filePath(QStringLiteral("ktr27tunex"));
        Write_record record;
        record.set_folder(dir.filePath(QStringLiteral("KTR27 Tunex")));
        write(QDir(old_folder).filePath(QString::fromLatin1(Write_record::file_name)),
              row.old_record);
        write(record.file_path(), row.record);
        EXPECT_TRUE(record.take_over(old_folder));
        EXPECT_EQ(read(record.file_path()), row.expected);
        EXPECT_FALSE(QFileInfo::exists(old_folder)) << row.expected;
    }
}

} // namespace
