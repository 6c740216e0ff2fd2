#pragma once

#include "record_query.h"

#include <QSqlDatabase>
#include <QString>

// The history's rows as a file, in the order and with the filters shown: for people, the form a
// Polish-locale Excel opens as columns with the letters right (semicolons, UTF-8 with a byte
// order mark, a cell that a spreadsheet would take for a formula written as text); for
// programs, plain RFC 4180 CSV.
class Record_export {
public:
    enum class Format { excel, rfc4180 };

    // The cell as it goes into the file, quoted where the format needs it.
    static QString cell(const QString& text, Format format);
    // Writes the whole file or nothing; false with `problem` set when it could not.
    static bool write(const QString& path, Format format, QSqlDatabase db,
                      const Record_query& query, QString& problem);
};
