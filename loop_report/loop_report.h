#pragma once

#include <QDateTime>
#include <QString>

class Loop_table;

// The commissioning report of a loop for the site's file: A4 pages with the site fields, the
// date and the tool's version, one line per detector, the totals and "Strona X z Y". The fonts
// are embedded, so Polish letters print and the text can be searched and extracted.
class Loop_report {
public:
    // False with `problem` set (Polish) when the file cannot be written.
    static bool write(const QString& path, const Loop_table& table, const QString& tool_version,
                      const QDateTime& when, QString& problem);
};
