#include "write_record.h"

#include "user_files.h"
#include "write_record_line.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString Write_record::database_file_name() {
    return QCoreApplication::applicationName() + QStringLiteral(".sqlite");
}

QString Write_record::folder() const {
    return chosen_folder.isEmpty() ? User_files::data_folder() : chosen_folder;
}

QString Write_record::file_path() const {
    return QDir(folder()).filePath(QString::fromLatin1(file_name));
}

bool Write_record::take_over(const QString& old_folder) const {
    const QString old_path = QDir(old_folder).filePath(QString::fromLatin1(file_name));
    const QFileInfo old_file(old_path);
    if (!old_file.isFile() || old_file == QFileInfo(file_path())) {
        return true;
    }
    if (!QDir().mkpath(folder())) {
        return false;
    }
    if (!QFileInfo::exists(file_path())) {
        if (!QFile::rename(old_path, file_path())) {
            return false;
        }
    } else if (!append_file(old_path) || !QFile::remove(old_path)) {
        return false;
    }
    // Only when nothing else is left in it.
    QDir().rmdir(old_folder);
    return true;
}

bool Write_record::append_file(const QString& path) const {
    QFile from(path);
    QFile to(file_path());
    if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return false;
    }
    const QByteArray header = QByteArray::fromStdString(Write_record_line::header());
    const QByteArray line_end = QByteArrayLiteral("\r\n");
    QByteArray lead;
    if (to.size() == 0) {
        lead = header;
    } else {
        // A last line left without its end (a damaged record) would swallow the first line
        // taken over.
        QFile last(file_path());
        if (!last.open(QIODevice::ReadOnly) || !last.seek(last.size() - 1)) {
            return false;
        }
        if (!last.read(1).endsWith('\n')) {
            lead = line_end;
        }
    }
    if (to.write(lead) != lead.size()) {
        return false;
    }
    constexpr qint64 chunk_size = 64 * 1024;
    QByteArray chunk = from.read(chunk_size);
    if (chunk.startsWith(header)) {
        chunk.remove(0, header.size());
    }
    bool line_ended = true;
    while (!chunk.isEmpty()) {
        line_ended = chunk.endsWith('\n');
        if (to.write(chunk) != chunk.size()) {
            return false;
        }
        chunk = from.read(chunk_size);
    }
    if (!line_ended && to.write(line_end) != line_end.size()) {
        return false;
    }
    return to.flush() && from.error() == QFileDevice::NoError;
}
