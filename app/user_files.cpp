#include "user_files.h"

#include "trace_file.h"
#include "write_record.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <filesystem>

QString User_files::data_folder() {
#if defined(Q_OS_WIN)
    // The folder carries the product's name, as the Start menu shows it.
    QString name = QCoreApplication::applicationName();
    if (name == QLatin1String("ktr27tunex")) {
        name = QStringLiteral("KTR27 Tunex");
    } else if (name == QLatin1String("ktr27tunex-bench")) {
        name = QStringLiteral("KTR27 Tunex Bench");
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(name);
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#endif
}

QString User_files::station_settings_file() {
#if defined(Q_OS_WIN)
    const QString folder = data_folder();
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
#endif
    return QDir(folder).filePath(QStringLiteral("stanowisko.ini"));
}

void User_files::prepare() {
#if defined(Q_OS_WIN)
    const QString folder = data_folder();
    // Without its folder the trace stays in the working directory, as before.
    if (!QDir().mkpath(folder)) {
        return;
    }
    // Earlier versions kept the record in Qt's own folder for the program,
    // %LOCALAPPDATA%\<application name>. What cannot be taken over now stays there whole, and
    // the next start tries again.
    Write_record().take_over(
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    set_trace_folder(std::filesystem::path(folder.toStdWString()));
#endif
}
