#pragma once

#include "write_record_line.h"

#include <QString>

// The write record: one CSV file in the user's data folder to which every write that reached a
// detector appends one line. The file is only ever appended to; a new file starts with the
// header line.
class Write_record {
public:
    static constexpr const char* file_name = "historia_zapisow.csv";

    // The record is in the user's data folder (User_files::data_folder()); tests point it
    // elsewhere.
    void set_folder(const QString& folder) { chosen_folder = folder; }
    QString folder() const;
    QString file_path() const;

    // False when the line could not be written whole (no folder, read-only, disk full).
    bool append(const Write_record_line& line) const;

    // Takes over the record kept in `old_folder` (where an earlier version wrote it): moved whole
    // when this record has no file yet, its lines appended to this one's otherwise. The old file
    // goes only once all of it is in this record; false, with the old file as it was, when that
    // could not be done.
    bool take_over(const QString& old_folder) const;

private:
    bool append_file(const QString& path) const;

    QString chosen_folder;
};
