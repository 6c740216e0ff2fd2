#pragma once

#include <QString>

// Where the write record is kept: the station database in the user's data folder, beside the
// CSV file that versions before it appended to (read once, by the first start's import, and
// left as it is).
class Write_record {
public:
    static constexpr const char* file_name = "historia_zapisow.csv";

    // The platform's folder for the application's own data; tests point the record elsewhere.
    static QString default_folder();
    // The application's name: ktr27tunex.sqlite, and the bench's own ktr27tunex-bench.sqlite.
    static QString database_file_name();
};
