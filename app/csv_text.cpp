#include "csv_text.h"

std::vector<Csv_text::Record> Csv_text::parse(const std::string& text) {
    std::vector<Record> records;
    Record record;
    std::string field;
    bool quoted = false;
    bool any = false;
    const auto end_record = [&] {
        record.push_back(field);
        records.push_back(record);
        record.clear();
        field.clear();
        any = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        any = true;
        if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            record.push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            // The LF ends the record.
        } else if (c == '\n') {
            end_record();
        } else {
            field += c;
        }
    }
    if (any || !record.empty() || !field.empty()) {
        end_record();
    }
    return records;
}
