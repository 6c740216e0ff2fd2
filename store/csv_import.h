#pragma once

#include <QString>

class Record_database;

// Brings the CSV write record of the earlier versions into the station's database, every line
// of it: a record as a row, a damaged, cut or glued line as a row holding its raw text. The file
// is only read. Each row's id is made from its place and text in the file, so an import that a
// crash interrupted, or one a second instance ran at the same time, adds no row twice.
class Csv_import {
public:
    struct Result {
        bool read = false; // the file was read to its end (or there was none)
        int rows = 0;      // records and raw lines kept
        int raw = 0;       // of them, raw lines
        QString problem;
    };

    static Result run(Record_database& database, const QString& csv_path, const QString& station);
};
