#include "write_record.h"

#include <QCoreApplication>
#include <QStandardPaths>

QString Write_record::default_folder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString Write_record::database_file_name() {
    return QCoreApplication::applicationName() + QStringLiteral(".sqlite");
}
