#include "record_csv_reader.h"

#include <gtest/gtest.h>

namespace {

const std::string record = "2026-12-09T08:12:04+01:00,dongle,0x34,0x0021,0x2417 0x0018,0x4E39,"
                           "0x000C,0x0000,0x0000,0x0000,0x0000,0x0064,0x0000,0x1A2B,12,,,";

struct Case {
    const char* name;
    std::string text;
    // For every entry: its first line, and 'r' for a record or 'x' for a raw line.
    std::vector<std::pair<int, char>> entries;
};

class Reading : public ::testing::TestWithParam<Case> {};

TEST_P(Reading, keeps_every_line_once_and_never_lets_damage_spread) {
    const Case& c = GetParam();
    Record_csv_reader reader;
    int lines = 0;
    for (std::size_t at = 0; at < c.text.size();) {
        const std::size_t end = c.text.find('\n', at);
        const std::size_t next = end == std::string::npos ? c.text.size() : end + 1;
        reader.feed(std::string_view(c.text).substr(at, next - at));
        ++lines;
        at = next;
    }
    reader.finish();
    std::vector<std::pair<int, char>> seen;
    int accounted = reader.skipped();
    for (const Record_csv_reader::Entry& entry : reader.take()) {
        seen.emplace_back(entry.first_line, entry.line.raw.empty() ? 'r' : 'x');
        accounted += entry.lines;
    }
    EXPECT_EQ(seen, c.entries);
    EXPECT_EQ(accounted, lines);
}

INSTANTIATE_TEST_SUITE_P(
    Csv, Reading,
    ::testing::Values(
        Case{"header_bom_and_crlf",
             "\xEF\xBB\xBF" + Write_record_line::header() + record + "OK,\r\n" + record + "OK,1\n",
             {{2, 'r'}, {3, 'r'}}},
        Case{"quoted_line_break_is_one_record",
             record + "\"Błąd\r\nzapisu\",\r\n" + record + "OK,\r\n",
             {{1, 'r'}, {3, 'r'}}},
        Case{"stray_quote_hides_nothing_after_it",
             record + "Błąd \"x,\r\n" + record + "\"nie zamknięty,\r\n" + record + "OK,\r\n",
             {{1, 'x'}, {2, 'x'}, {3, 'r'}}},
        Case{"extra_fields_and_a_cut_last_line",
             record + "OK,,1,2\r\n" + record.substr(0, 40),
             {{1, 'x'}, {2, 'x'}}},
        Case{"no_time_no_record", "x" + record.substr(1) + "OK,\r\n\r\n", {{1, 'x'}}},
        Case{"over_long_line",
             record + std::string(Record_csv_reader::longest_line, 'a') + ",\r\n",
             {{1, 'x'}}}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
