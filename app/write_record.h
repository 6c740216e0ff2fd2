#pragma once

#include <QString>

// Where the write record is kept: the station database in the user's data folder
// (User_files::data_folder()), beside the CSV file that versions before it appended to (read
// once, by the first start's import, and otherwise left as it is).
class Write_record {
public:
    static constexpr const char* file_name = "historia_zapisow.csv";

    // The application's name: ktr27tunex.sqlite, and the bench's own ktr27tunex-bench.sqlite.
    static QString database_file_name();

    // Tests point the record elsewhere.
    void set_folder(const QString& folder) { chosen_folder = folder; }
    QString folder() const;
    // The CSV record's path.
    QString file_path() const;

    // Takes over the CSV record kept in `old_folder` (where an earlier version wrote it): moved
    // whole when this folder has no CSV record yet, its lines appended to this one's otherwise.
    // The old file goes only once all of it is in this record; false, with the old file as it
    // was, when that could not be done.
    bool take_over(const QString& old_folder) const;

private:
    bool append_file(const QString& path) const;

    QString chosen_folder;
};
