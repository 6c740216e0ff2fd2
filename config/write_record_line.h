#pragma once

#include <string>
#include <vector>

// One line of the write record: every field already as text, in column order. The record is
// CSV (RFC 4180): a field holding a comma, a quote or a line break is quoted, quotes doubled,
// lines end with CR LF.
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

    static std::string header();
    std::string csv() const;

    static std::string quoted(const std::string& field);
    static std::string hex4(unsigned value);
    static std::string hex2(unsigned value);
};
