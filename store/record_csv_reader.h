#pragma once

#include "write_record_line.h"

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

// Reads the older CSV write record back one physical line at a time, as two programs appending
// at once, a full disk or a person's editor may have left it. Every line fed ends up in exactly
// one entry or is skipped (the header, wherever it stands, and empty lines): a record of the CSV
// columns (a quoted field may span lines) whose time reads as one, or a line kept as its raw text.
// A damaged line never takes the lines after it along: reading starts again on the next line.
class Record_csv_reader {
public:
    // A longer line is kept raw, cut to this many bytes.
    static constexpr std::size_t longest_line = 64 * 1024;
    // A quoted field may span at most this many lines of one record.
    static constexpr std::size_t widest_record = 8;

    struct Entry {
        Write_record_line line; // a record, or `raw` set
        int first_line = 0;     // 1 for the file's first line
        int lines = 0;          // physical lines it took
    };

    // `line` with its line end ("\n" or "\r\n"), or without one for a last line that lacks it.
    void feed(std::string_view line);
    // No more lines: a record still open is kept as raw lines.
    void finish();
    // The entries completed since the last call, in file order.
    std::vector<Entry> take();
    // Header and empty lines seen so far.
    int skipped() const { return skipped_lines; }

private:
    void settle(bool at_end);
    void keep_front_as_raw();

    std::deque<std::string> open_lines;
    std::size_t open_bytes = 0;
    int first_open_line = 1;
    int fed_lines = 0;
    int skipped_lines = 0;
    std::vector<Entry> done;
};
