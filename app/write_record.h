#pragma once

#include "write_record_line.h"

#include <QString>

// The write record: one CSV file in the user's data folder to which every write that reached a
// detector appends one line. The file is only ever appended to; a new file starts with the
// header line.
class Write_record {
public:
    static constexpr const char* file_name = "historia_zapisow.csv";

    // The platform's folder for the application's own data; tests point the record elsewhere.
    static QString default_folder();

    void set_folder(const QString& folder) { chosen_folder = folder; }
    QString folder() const;
    QString file_path() const;

    // False when the line could not be written whole (no folder, read-only, disk full).
    bool append(const Write_record_line& line) const;

private:
    QString chosen_folder;
};
