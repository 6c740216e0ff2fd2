#include "stored_kept_segments.h"

#include "record_database.h"
#include "record_time.h"
#include "station_store.h"

#include <QSqlQuery>
#include <QStringList>

namespace {

QString joined(const std::uint16_t* words, std::size_t count) {
    QStringList parts;
    for (std::size_t i = 0; i < count; ++i) {
        parts << QStringLiteral("%1").arg(words[i], 4, 16, QLatin1Char('0')).toUpper();
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

std::optional<std::vector<std::uint16_t>> Stored_kept_segments::words_of(const QString& text,
                                                                         int count) {
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() != count) {
        return std::nullopt;
    }
    std::vector<std::uint16_t> words;
    for (const QString& part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok, 16);
        if (!ok || part.size() != 4 || part.startsWith(QLatin1Char('+'))) {
            return std::nullopt;
        }
        words.push_back(static_cast<std::uint16_t>(value));
    }
    return words;
}

QString Stored_kept_segments::wid_text(const ParameterWords::Pair& wid) {
    return joined(wid.data(), wid.size());
}

QString Stored_kept_segments::words_text(const SegmentImage& image) {
    return joined(image.words.data(), image.words.size());
}

std::optional<ParameterWords::Pair> Stored_kept_segments::wid_of(const QString& text) {
    const auto words = words_of(text, 2);
    if (!words) {
        return std::nullopt;
    }
    return ParameterWords::Pair{(*words)[0], (*words)[1]};
}

std::optional<SegmentImage> Stored_kept_segments::image_of(const QString& text) {
    const auto words = words_of(text, SegmentImage::word_count);
    if (!words) {
        return std::nullopt;
    }
    SegmentImage image;
    std::copy(words->begin(), words->end(), image.words.begin());
    return image;
}

std::vector<Kept_segment_store::Entry> Stored_kept_segments::load() {
    std::vector<Entry> entries;
    Record_database* db = station.database();
    if (db == nullptr) {
        return entries;
    }
    QSqlQuery query(db->connection());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT wid, words FROM kept_segment"))) {
        return entries;
    }
    while (query.next()) {
        const auto wid = wid_of(query.value(0).toString());
        const auto image = image_of(query.value(1).toString());
        if (wid && image) {
            entries.push_back({*wid, *image});
        }
    }
    return entries;
}

bool Stored_kept_segments::save(const ParameterWords::Pair& wid, const SegmentImage& image) {
    Record_database* db = station.database();
    if (db == nullptr) {
        return false;
    }
    QSqlQuery query(db->connection());
    query.prepare(QStringLiteral(
        "INSERT OR REPLACE INTO kept_segment (wid, words, kept_at) VALUES (?, ?, ?)"));
    query.bindValue(0, wid_text(wid));
    query.bindValue(1, words_text(image));
    query.bindValue(2, Record_time::now().utc);
    return query.exec();
}

bool Stored_kept_segments::remove(const ParameterWords::Pair& wid) {
    Record_database* db = station.database();
    if (db == nullptr) {
        return false;
    }
    QSqlQuery query(db->connection());
    query.prepare(QStringLiteral("DELETE FROM kept_segment WHERE wid = ?"));
    query.bindValue(0, wid_text(wid));
    return query.exec();
}
