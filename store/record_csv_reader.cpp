#include "record_csv_reader.h"

#include <cctype>
#include <utility>

namespace {

enum class Parse { complete, need_more, damaged };

bool is_line_end(const std::string& text, std::size_t i) {
    return (text[i] == '\n' && i + 1 == text.size()) ||
           (text[i] == '\r' && i + 2 == text.size() && text[i + 1] == '\n');
}

// One RFC 4180 record that must take exactly the whole of `text` (whole lines). A quote inside
// an unquoted field, or anything but a comma or the line end after a closing quote, is damage.
Parse parse_record(const std::string& text, std::vector<std::string>& fields) {
    fields.clear();
    std::string field;
    std::size_t i = 0;
    const std::size_t n = text.size();
    for (;;) {
        if (i < n && text[i] == '"') {
            ++i;
            for (;;) {
                if (i >= n) {
                    return Parse::need_more;
                }
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
        } else {
            while (i < n && text[i] != ',' && text[i] != '"' && text[i] != '\r' &&
                   text[i] != '\n') {
                field += text[i++];
            }
        }
        if (i >= n) {
            fields.push_back(std::move(field));
            return Parse::complete;
        }
        if (text[i] == ',') {
            fields.push_back(std::move(field));
            field.clear();
            ++i;
            continue;
        }
        if (is_line_end(text, i)) {
            fields.push_back(std::move(field));
            return Parse::complete;
        }
        return Parse::damaged;
    }
}

bool digits(std::string_view text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) {
            return false;
        }
    }
    return true;
}

// "2026-12-09T08:12:04+01:00" or "...Z": the shape the record's time was written in.
bool looks_like_time(std::string_view text) {
    constexpr std::size_t seconds_end = 19;
    if (text.size() < seconds_end + 1 || !digits(text, 0, 4) || text[4] != '-' ||
        !digits(text, 5, 2) || text[7] != '-' || !digits(text, 8, 2) || text[10] != 'T' ||
        !digits(text, 11, 2) || text[13] != ':' || !digits(text, 14, 2) || text[16] != ':' ||
        !digits(text, 17, 2)) {
        return false;
    }
    const std::string_view zone = text.substr(seconds_end);
    return zone == "Z" || (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') &&
                           digits(zone, 1, 2) && zone[3] == ':' && digits(zone, 4, 2));
}

std::string without_line_end(std::string line) {
    if (!line.empty() && line.back() == '\n') {
        line.pop_back();
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
    }
    return line;
}

// Cut to `size` bytes, not inside a UTF-8 sequence; bytes that are no UTF-8 are cut where they
// are, so a line of them never shrinks to nothing.
std::string cut(std::string text, std::size_t size) {
    if (text.size() <= size) {
        return text;
    }
    constexpr int longest_sequence = 4;
    for (int back = 1; back < longest_sequence && size > 1 &&
                       (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80;
         ++back) {
        --size;
    }
    text.resize(size);
    return text;
}

} // namespace

void Record_csv_reader::feed(std::string_view line) {
    ++fed_lines;
    std::string text(line);
    // Spreadsheets save UTF-8 with a byte order mark.
    if (fed_lines == 1 && text.rfind("\xEF\xBB\xBF", 0) == 0) {
        text.erase(0, 3);
    }
    open_bytes += text.size();
    open_lines.push_back(std::move(text));
    settle(false);
}

void Record_csv_reader::finish() {
    settle(true);
}

std::vector<Record_csv_reader::Entry> Record_csv_reader::take() {
    return std::exchange(done, {});
}

void Record_csv_reader::keep_front_as_raw() {
    Entry entry;
    entry.line.raw = cut(without_line_end(open_lines.front()), longest_line);
    entry.first_line = first_open_line;
    entry.lines = 1;
    done.push_back(std::move(entry));
    open_bytes -= open_lines.front().size();
    open_lines.pop_front();
    ++first_open_line;
}

void Record_csv_reader::settle(bool at_end) {
    static const std::string header = without_line_end(Write_record_line::header());
    std::vector<std::string> fields;
    while (!open_lines.empty()) {
        const std::string front = without_line_end(open_lines.front());
        if (front.empty() || front == header) {
            open_bytes -= open_lines.front().size();
            open_lines.pop_front();
            ++first_open_line;
            ++skipped_lines;
            continue;
        }
        if (open_lines.front().size() > longest_line) {
            keep_front_as_raw();
            continue;
        }
        std::string text;
        for (const std::string& line : open_lines) {
            text += line;
        }
        const Parse parsed = parse_record(text, fields);
        if (parsed == Parse::complete &&
            fields.size() == static_cast<std::size_t>(Write_record_line::csv_columns) &&
            looks_like_time(fields[0])) {
            Entry entry;
            entry.line = Write_record_line::from_csv_fields(fields);
            entry.first_line = first_open_line;
            entry.lines = static_cast<int>(open_lines.size());
            first_open_line += entry.lines;
            done.push_back(std::move(entry));
            open_lines.clear();
            open_bytes = 0;
            return;
        }
        if (parsed == Parse::need_more && !at_end && open_lines.size() < widest_record &&
            open_bytes <= longest_line) {
            return;
        }
        keep_front_as_raw();
    }
}
