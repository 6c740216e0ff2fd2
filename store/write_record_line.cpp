#include "write_record_line.h"

#include <cstdio>

namespace {

constexpr const char* line_end = "\r\n";
constexpr std::size_t config_columns = 9;
constexpr std::size_t first_word_column = 5;

} // namespace

std::string Write_record_line::quoted(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        return field;
    }
    std::string text = "\"";
    for (const char c : field) {
        if (c == '"') {
            text += '"';
        }
        text += c;
    }
    return text + "\"";
}

std::string Write_record_line::hex4(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
    return text;
}

std::string Write_record_line::hex2(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

std::string Write_record_line::header() {
    return std::string("czas,łącze,wersja,słowo_informacyjne,WID,options1,address,rop_address,"
                       "options2,rop_ans,rop_alm,smoke_profile,hc,crc,adres_podstawowy,adres_ROP,"
                       "adres_WK,wynik,krok_serii") +
           line_end;
}

std::vector<std::string> Write_record_line::csv_fields() const {
    std::vector<std::string> fields = {time, link, version, information, wid};
    for (std::size_t i = 0; i < config_columns; ++i) {
        fields.push_back(i < words.size() ? words[i] : std::string());
    }
    fields.insert(fields.end(), {basic_address, rop_address, wk_address, outcome, series_step});
    return fields;
}

std::string Write_record_line::csv() const {
    const std::vector<std::string> fields = csv_fields();
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            text += ',';
        }
        text += quoted(fields[i]);
    }
    return text + line_end;
}

Write_record_line Write_record_line::from_csv_fields(const std::vector<std::string>& fields) {
    Write_record_line line;
    if (fields.size() != static_cast<std::size_t>(csv_columns)) {
        return line;
    }
    line.time = fields[0];
    line.link = fields[1];
    line.version = fields[2];
    line.information = fields[3];
    line.wid = fields[4];
    line.words.assign(fields.begin() + first_word_column,
                      fields.begin() + first_word_column + config_columns);
    const std::size_t after = first_word_column + config_columns;
    line.basic_address = fields[after];
    line.rop_address = fields[after + 1];
    line.wk_address = fields[after + 2];
    line.outcome = fields[after + 3];
    line.series_step = fields[after + 4];
    return line;
}
