// ktr27tunex-backups-perf: how long "Kopie konfiguracji" takes to open over a station database
// holding 100 000 backups: the pick list of WIDs filled, the detector's backups counted and the
// first rows shown. Three shapes of the same count: many detectors backed up a few times each,
// every backup another detector, and one detector backed up every time. A program that prints
// its figures, not a test.
//
//   ktr27tunex-backups-perf [BACKUPS] [PICTURE.png]   (the first window, as it opened)
#include "backup_table_model.h"
#include "record_database.h"
#include "tform_backups.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

double ms_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

QString wid_text(int n) {
    return QStringLiteral("%1 %2")
        .arg(0x2400 + n / 0x10000, 4, 16, QLatin1Char('0'))
        .arg(n % 0x10000, 4, 16, QLatin1Char('0'))
        .toUpper();
}

// `count` backups over `wids` detectors, a second apart, in one transaction.
bool fill(Record_database& database, int count, int wids) {
    QSqlDatabase db = database.connection();
    if (!db.transaction()) {
        return false;
    }
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral(
        "INSERT INTO configuration_backup (id, recorded_at, utc_offset, station, link, kind, "
        "version, information, wid, words) VALUES (?, ?, 60, 'perf', 'dongle', ?, '34', "
        "'0101', ?, ?)"));
    const QDateTime start =
        QDateTime::fromString(QStringLiteral("2026-01-05T06:00:00Z"), Qt::ISODate);
    const QString words = QStringLiteral("0A3F 000C 0000 0201 0014 003C 0096 0007");
    for (int n = 0; n < count; ++n) {
        insert.bindValue(0, QStringLiteral("perf-%1").arg(n));
        insert.bindValue(1, start.addSecs(n).toString(Qt::ISODateWithMs));
        insert.bindValue(2, n % 3 == 0 ? QStringLiteral("odczyt") : QStringLiteral("zapisana"));
        insert.bindValue(3, wid_text(n % wids));
        insert.bindValue(4, words);
        if (!insert.exec()) {
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

void window_over(int count, int wids, const char* shape, const QString& picture = {}) {
    QTemporaryDir dir;
    Record_database database(dir.filePath(QStringLiteral("perf.sqlite")));
    if (!database.open() || !fill(database, count, wids)) {
        std::printf("%s: the database was not filled (%s)\n", shape, qPrintable(database.error()));
        return;
    }
    // The detector backed up first: its rows are the oldest, the deepest in the index.
    const QString wid = wid_text(0);
    const auto listing = std::chrono::steady_clock::now();
    const int listed =
        static_cast<int>(Backup_table_model::known_wids(database.connection()).size());
    std::printf("%s: the %d WIDs listed in %.0f ms\n", shape, listed, ms_since(listing));
    const auto start = std::chrono::steady_clock::now();
    TForm_backups window(database.connection(), wid, {});
    window.show();
    QApplication::processEvents();
    const double open_ms = ms_since(start);
    const int rows = window.Table_backups->model()->rowCount();
    const auto last = std::chrono::steady_clock::now();
    window.Table_backups->scrollToBottom();
    QApplication::processEvents();
    const double bottom_ms = ms_since(last);
    if (!picture.isEmpty()) {
        window.Table_backups->scrollToTop();
        window.Button_compare->setFocus();
        QApplication::processEvents();
        window.grab().save(picture);
    }
    std::printf("%d backups, %s (%d WIDs in the list): open %.0f ms, %d rows of the WID, "
                "last rows shown %.0f ms later; first row %s\n",
                count, shape, window.ComboBox_wid->count(), open_ms, rows, bottom_ms,
                qPrintable(window.Table_backups->model()->index(0, 0).data().toString()));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    std::printf("the window is to open within 500 ms\n");
    window_over(count, std::max(1, count / 5), "five per detector",
                argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
    window_over(count, count, "one per detector");
    window_over(count, 1, "all of one detector");
    return 0;
}
