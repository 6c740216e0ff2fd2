#include "write_record.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

QString Write_record::default_folder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString Write_record::folder() const {
    return chosen_folder.isEmpty() ? default_folder() : chosen_folder;
}

QString Write_record::file_path() const {
    return QDir(folder()).filePath(QString::fromLatin1(file_name));
}

bool Write_record::append(const Write_record_line& line) const {
    if (folder().isEmpty() || !QDir().mkpath(folder())) {
        return false;
    }
    QFile file(file_path());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return false;
    }
    QByteArray bytes;
    if (file.size() == 0) {
        bytes += QByteArray::fromStdString(Write_record_line::header());
    }
    bytes += QByteArray::fromStdString(line.csv());
    const bool whole = file.write(bytes) == bytes.size();
    return file.flush() && whole;
}
