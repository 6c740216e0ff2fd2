#include "loop_progress.h"

QString Loop_progress::clock_text(std::uint64_t ms) {
    const std::uint64_t seconds = (ms + 500) / 1000;
    const auto two = [](std::uint64_t value) {
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    };
    if (seconds >= 3600) {
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(two(seconds / 60 % 60), two(seconds % 60));
    }
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(two(seconds % 60));
}

QString Loop_progress::text(int done, int total, std::uint64_t elapsed_ms) {
    QString line =
        QStringLiteral("%1 z %2, upłynęło %3").arg(done).arg(total).arg(clock_text(elapsed_ms));
    if (done > 0 && done < total) {
        const std::uint64_t remaining = elapsed_ms / static_cast<std::uint64_t>(done) *
                                        static_cast<std::uint64_t>(total - done);
        line += QStringLiteral(", pozostało ok. %1").arg(clock_text(remaining));
    }
    return line;
}
