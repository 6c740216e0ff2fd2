#include "write_record_line.h"

#include <cstdio>

namespace {

constexpr const char* line_end = "\r\n";
constexpr int config_columns = 9;

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

std::string Write_record_line::csv() const {
    std::vector<std::string> fields = {time, link, version, information, wid};
    for (int i = 0; i < config_columns; ++i) {
        fields.push_back(static_cast<std::size_t>(i) < words.size()
                             ? words[static_cast<std::size_t>(i)]
                             : std::string());
    }
    fields.insert(fields.end(), {basic_address, rop_address, wk_address, outcome, series_step});
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            text += ',';
        }
        text += quoted(fields[i]);
    }
    return text + line_end;
}
