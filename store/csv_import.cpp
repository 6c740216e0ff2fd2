#include "csv_import.h"

#include "record_csv_reader.h"
#include "record_database.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <utility>
#include <vector>

namespace {

constexpr std::size_t rows_per_transaction = 500;

// The namespace of the imported rows' name-based UUIDs.
const QUuid import_namespace(QStringLiteral("{6f1c8a52-3d47-4e0b-9a51-2b7e5d0c9f13}"));

std::pair<Write_record_line, Record_time> row_of(Record_csv_reader::Entry entry,
                                                 const std::string& station) {
    Write_record_line& line = entry.line;
    std::optional<Record_time> time;
    if (line.raw.empty()) {
        time = Record_time::from_local_text(QString::fromStdString(line.time));
        if (!time) {
            // Shaped like a time, but no real one (month 13): the line stays as it was.
            std::string text = line.csv();
            text.resize(text.size() - 2);
            line = Write_record_line{};
            line.raw = text;
        }
    }
    const std::string key =
        std::to_string(entry.first_line) + ":" + (line.raw.empty() ? line.csv() : line.raw);
    line.id = QUuid::createUuidV5(import_namespace, QByteArray::fromStdString(key))
                  .toString(QUuid::WithoutBraces)
                  .toStdString();
    line.station = station;
    line.imported_line = entry.first_line;
    return {std::move(line), time.value_or(Record_time{})};
}

} // namespace

Csv_import::Result Csv_import::run(Record_database& database, const QString& csv_path,
                                   const QString& station) {
    Result result;
    const QFileInfo info(csv_path);
    if (!info.exists()) {
        result.read = true;
        return result;
    }
    // A folder or a FIFO in the file's place would never end, or never start.
    if (!info.isFile()) {
        result.read = true;
        result.problem = QStringLiteral("%1 nie jest zwykłym plikiem").arg(csv_path);
        return result;
    }
    QFile file(csv_path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.problem = file.errorString();
        return result;
    }
    Record_csv_reader reader;
    std::vector<std::pair<Write_record_line, Record_time>> batch;
    const std::string station_name = station.toStdString();
    const auto keep = [&](bool all) {
        for (Record_csv_reader::Entry& entry : reader.take()) {
            batch.push_back(row_of(std::move(entry), station_name));
            result.raw += batch.back().first.raw.empty() ? 0 : 1;
        }
        if (batch.size() >= rows_per_transaction || (all && !batch.empty())) {
            if (!database.insert_imported(batch)) {
                return false;
            }
            result.rows += static_cast<int>(batch.size());
            batch.clear();
        }
        return true;
    };
    // One line is read at most this far; the rest of an over-long one is passed over.
    constexpr qint64 read_limit = static_cast<qint64>(Record_csv_reader::longest_line) + 2;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(read_limit);
        if (line.isEmpty() && file.error() != QFileDevice::NoError) {
            result.problem = file.errorString();
            return result;
        }
        bool ended = line.endsWith('\n');
        reader.feed(std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
        while (!ended && !file.atEnd()) {
            ended = file.readLine(read_limit).endsWith('\n');
        }
        if (!keep(false)) {
            result.problem = database.error();
            return result;
        }
    }
    reader.finish();
    if (!keep(true)) {
        result.problem = database.error();
        return result;
    }
    result.read = true;
    return result;
}
