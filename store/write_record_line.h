#pragma once

#include <string>
#include <vector>

// One line of the write record: every field already as text. The window fills in what the
// operation gave; the store adds the id, the time, the station and the operator when it keeps
// the line. The same line as CSV (RFC 4180, the form of the older CSV record): a field holding a
// comma, a quote or a line break is quoted, quotes doubled, lines end with CR LF.
struct Write_record_line {
    std::string time;               // local time with UTC offset, ISO 8601
    std::string link;               // "dongle" or "PNX30 adres N"
    std::string version;            // get-info: detector version, hex
    std::string information;        // get-info: information word, hex
    std::string wid;                // WID pair, hex, first word first
    std::vector<std::string> words; // options1 .. hc, then the checksum, hex
    std::string basic_address;      // empty for "brak"
    std::string rop_address;
    std::string wk_address;
    std::string outcome;     // the message that ended the operation
    std::string series_step; // empty unless written by "Wyślij przy podłączeniu"

    std::string id; // UUID
    std::string station;
    std::string operator_name;
    // A line of an older CSV record that could not be read as one, kept as it was; the other
    // fields are then empty.
    std::string raw;
    // The line of the CSV record a row was imported from; 0 for the tool's own rows.
    int imported_line = 0;

    // The CSV columns, in order; a line has exactly this many fields.
    static constexpr int csv_columns = 19;
    static std::string header();
    // The CSV columns' fields of this line.
    std::vector<std::string> csv_fields() const;
    std::string csv() const;
    // The line from the CSV columns' fields (`fields` has csv_columns entries).
    static Write_record_line from_csv_fields(const std::vector<std::string>& fields);

    static std::string quoted(const std::string& field);
    static std::string hex4(unsigned value);
    static std::string hex2(unsigned value);
};
