#pragma once

#include <string>
#include <vector>

// Reads CSV text as RFC 4180 writes it: fields separated by commas, a quoted field may hold
// commas, doubled quotes and line breaks, records end with CR LF or LF. A last record without
// its line end still counts; an empty text has no records.
class Csv_text {
public:
    using Record = std::vector<std::string>;

    static std::vector<Record> parse(const std::string& text);
};
