// The reader of the older CSV write record fed with arbitrary bytes, line by line as the first
// start's import feeds it, as two programs appending at once, a full disk or a person's editor
// may have left the file. The sanitizers catch a bad read; the invariants catch a line lost or
// counted twice, a raw line kept longer than promised, and a record read as something it does
// not say.
#include "record_csv_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::vector<Record_csv_reader::Entry> read(std::string_view text, int& lines, int& skipped) {
    Record_csv_reader reader;
    lines = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        reader.feed(text.substr(at, next - at));
        ++lines;
        at = next;
    }
    reader.finish();
    skipped = reader.skipped();
    return reader.take();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    int lines = 0;
    int skipped = 0;
    const std::vector<Record_csv_reader::Entry> entries = read(text, lines, skipped);
    int accounted = skipped;
    int next_line = 1;
    for (const Record_csv_reader::Entry& entry : entries) {
        require(entry.lines >= 1 && entry.first_line >= next_line);
        next_line = entry.first_line + entry.lines;
        accounted += entry.lines;
        if (!entry.line.raw.empty()) {
            require(entry.lines == 1 && entry.line.raw.size() <= Record_csv_reader::longest_line);
            continue;
        }
        // A record written out again reads back as the same record, over as many lines.
        int again_lines = 0;
        int again_skipped = 0;
        const auto again = read(entry.line.csv(), again_lines, again_skipped);
        require(again.size() == 1 && again[0].line.raw.empty() && again[0].lines == entry.lines &&
                again[0].line.csv_fields() == entry.line.csv_fields());
    }
    require(accounted == lines && next_line <= lines + 1);
    return 0;
}
