#pragma once

#include <QString>

#include <optional>

// When a row was recorded: the instant in UTC, which sorts and compares right across a
// daylight-saving change and between PCs in other zones, and the PC's offset from UTC then, which
// gives back the local time the operator saw.
struct Record_time {
    QString utc;            // "2026-12-09T07:12:04.250Z"
    int offset_minutes = 0; // east of UTC

    static Record_time now();
    // From the older record's "2026-12-09T08:12:04+01:00" (or "...Z"); nothing when it is no time.
    static std::optional<Record_time> from_local_text(const QString& text);
    // "2026-12-09T08:12:04+01:00"; "+00:00" is spelled out too.
    QString local_text() const;
};
