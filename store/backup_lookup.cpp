#include "backup_lookup.h"

#include "record_database.h"
#include "segment_image.h"
#include "station_store.h"
#include "stored_kept_segments.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

std::optional<DetectorConfig> Backup_lookup::config_of(const QString& words) {
    // A read keeps the eight configuration words, a write the whole segment they begin; the
    // checksum is only in the segment.
    auto parsed = Stored_kept_segments::words_of(words, DetectorConfig::word_count);
    if (!parsed) {
        parsed = Stored_kept_segments::words_of(words, SegmentImage::word_count);
    }
    if (!parsed) {
        return std::nullopt;
    }
    DetectorConfig config;
    for (int i = 0; i < DetectorConfig::word_count; ++i) {
        config.set_word(i, (*parsed)[static_cast<std::size_t>(i)]);
    }
    constexpr std::size_t crc_index =
        (DetectorConfig::crc_address - DetectorConfig::first_address) / 2;
    if (parsed->size() > crc_index) {
        config.crc = (*parsed)[crc_index];
    }
    return config;
}

std::vector<Backup_lookup::Stored>
Backup_lookup::of_wid(Station_store& store, const ParameterWords::Pair& wid, int limit) {
    std::vector<Stored> found;
    Record_database* db = store.open() ? store.database() : nullptr;
    if (db == nullptr) {
        return found;
    }
    QSqlQuery query(db->connection());
    query.prepare(QStringLiteral("SELECT recorded_at, utc_offset, kind, link, words "
                                 "FROM configuration_backup WHERE wid = ? "
                                 "ORDER BY seq DESC LIMIT ?"));
    query.addBindValue(Stored_kept_segments::wid_text(wid));
    query.addBindValue(limit);
    if (!query.exec()) {
        return found;
    }
    while (query.next()) {
        const std::optional<DetectorConfig> config = config_of(query.value(4).toString());
        if (!config) {
            continue;
        }
        found.push_back({Record_time{query.value(0).toString(), query.value(1).toInt()},
                         query.value(2).toString(), query.value(3).toString(), *config});
    }
    return found;
}
