#include "loop_table.h"

#include "loop_naming.h"
#include "option_bits.h"
#include "write_record_line.h"

#include <algorithm>

namespace {

QString optional_number(const std::optional<int>& value) {
    return value ? QString::number(*value) : QStringLiteral("brak");
}

QString hex4(std::uint32_t value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

void Loop_table::add_rows(const std::vector<int>& addresses) {
    for (const int address : addresses) {
        if (row_at(address) == nullptr) {
            Loop_row row;
            row.address = address;
            table.push_back(row);
        }
    }
    std::sort(table.begin(), table.end(),
              [](const Loop_row& a, const Loop_row& b) { return a.address < b.address; });
}

void Loop_table::set_scan(const std::vector<int>& scan) {
    std::vector<int> wanted = scan;
    for (const auto& entry : planned.detectors) {
        wanted.push_back(entry.first);
    }
    std::erase_if(table, [&](const Loop_row& row) {
        return std::find(wanted.begin(), wanted.end(), row.address) == wanted.end();
    });
    add_rows(wanted);
}

void Loop_table::set_plan(Loop_plan given) {
    planned = std::move(given);
    std::vector<int> addresses;
    for (const auto& entry : planned.detectors) {
        addresses.push_back(entry.first);
    }
    add_rows(addresses);
}

Loop_plan Loop_table::plan_as_found() const {
    Loop_plan found;
    found.site = planned.site;
    for (const Loop_row& row : table) {
        if (row.configuration_known()) {
            found.detectors[row.address] = *row.found;
        }
    }
    return found;
}

void Loop_table::give_config(const std::vector<int>& addresses, const DetectorConfig& config) {
    for (const int address : addresses) {
        const Loop_row* row = row_at(address);
        if (row == nullptr) {
            continue;
        }
        // Its own basic address: as found, else as planned, else where it answers.
        std::optional<int> basic;
        if (row->configuration_known()) {
            basic = row->found->basic_address();
        }
        if (const auto plan = planned.detectors.find(address);
            !basic && plan != planned.detectors.end()) {
            basic = plan->second.basic_address();
        }
        DetectorConfig given = config;
        given.set_addresses(basic.value_or(address), config.rop_address_given(), std::nullopt);
        given.crc = 0;
        planned.detectors[address] = given;
    }
}

Loop_row* Loop_table::row_at(int loop_address) {
    const auto found = std::find_if(table.begin(), table.end(), [&](const Loop_row& row) {
        return row.address == loop_address;
    });
    return found == table.end() ? nullptr : &*found;
}

Plan_comparison Loop_table::comparison(const Loop_row& row) const {
    const auto plan = planned.detectors.find(row.address);
    return Plan_comparison::compare(plan == planned.detectors.end()
                                        ? std::nullopt
                                        : std::optional<DetectorConfig>(plan->second),
                                    row, naming);
}

std::vector<int> Loop_table::differing_addresses() const {
    std::vector<int> addresses;
    for (const Loop_row& row : table) {
        if (comparison(row).state == Plan_comparison::State::differs) {
            addresses.push_back(row.address);
        }
    }
    return addresses;
}

std::vector<int> Loop_table::answering_addresses() const {
    std::vector<int> addresses;
    for (const Loop_row& row : table) {
        if (row.answered() || row.read_state == Loop_row::Read_state::garbled) {
            addresses.push_back(row.address);
        }
    }
    return addresses;
}

void Loop_table::follow(int from, int to) {
    if (from == to) {
        return;
    }
    Loop_row* row = row_at(from);
    if (row == nullptr) {
        return;
    }
    Loop_row moved = *row;
    moved.address = to;
    std::erase_if(table, [&](const Loop_row& r) { return r.address == from || r.address == to; });
    table.push_back(moved);
    std::sort(table.begin(), table.end(),
              [](const Loop_row& a, const Loop_row& b) { return a.address < b.address; });
    if (const auto plan = planned.detectors.find(from); plan != planned.detectors.end()) {
        planned.detectors[to] = plan->second;
        planned.detectors.erase(from);
    }
}

Loop_table::Totals Loop_table::totals() const {
    Totals totals;
    for (const Loop_row& row : table) {
        ++totals.rows;
        totals.read += row.read_state == Loop_row::Read_state::read ? 1 : 0;
        totals.as_planned += comparison(row).state == Plan_comparison::State::same ? 1 : 0;
        totals.written += row.write_state == Loop_row::Write_state::verified ? 1 : 0;
        totals.failed += row.write_state == Loop_row::Write_state::failed ? 1 : 0;
    }
    return totals;
}

QStringList Loop_table::headers() {
    return {QStringLiteral("Adres"),
            QStringLiteral("Stan"),
            QStringLiteral("Wersja"),
            QStringLiteral("Słowo informacyjne"),
            QStringLiteral("WID"),
            QStringLiteral("Konfiguracja"),
            QStringLiteral("Adres podstawowy"),
            QStringLiteral("Adres ROP"),
            QStringLiteral("Adres W/K"),
            QStringLiteral("Profil"),
            QStringLiteral("Plan"),
            QStringLiteral("Ostatni zapis"),
            QStringLiteral("Czas zapisu")};
}

QString Loop_table::cell(const Loop_row& row, int column) const {
    const bool answered = row.answered();
    const std::optional<DetectorConfig>& config = row.found;
    switch (column) {
    case address:
        return QString::number(row.address);
    case state:
        return row.read_text();
    case version:
        return answered ? QString::number(row.version) : QString();
    case information:
        return answered ? hex4(row.information) : QString();
    case wid:
        return row.wid ? hex4((*row.wid)[0]) + QLatin1Char(' ') + hex4((*row.wid)[1]) : QString();
    case summary:
        return row.configuration_known() ? naming.summary(*config) : QString();
    case basic_address:
        return row.configuration_known() ? optional_number(config->basic_address()) : QString();
    case rop_address:
        return row.configuration_known() ? optional_number(config->rop_address_given()) : QString();
    case wk_address:
        return row.configuration_known() ? optional_number(config->wk_address()) : QString();
    case profile: {
        if (!row.configuration_known()) {
            return {};
        }
        const auto& profiles = option_bits::smoke_profiles;
        const auto found = std::find(profiles.begin(), profiles.end(), config->smoke_profile);
        return QStringLiteral("Profil %1")
            .arg(found == profiles.end() ? 0 : found - profiles.begin());
    }
    case plan_state:
        return comparison(row).text();
    case last_write:
        return row.write_text();
    case write_time:
        return row.write_time.isValid()
                   ? row.write_time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                   : QString();
    default:
        return {};
    }
}

QByteArray Loop_table::csv() const {
    const auto line = [](const QStringList& fields) {
        std::string text;
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0) {
                text += ',';
            }
            text += Write_record_line::quoted(fields[i].toStdString());
        }
        return text + "\r\n";
    };
    std::string text = line(headers());
    for (const Loop_row& row : table) {
        QStringList fields;
        for (int column = 0; column < column_count; ++column) {
            fields << cell(row, column);
        }
        text += line(fields);
    }
    return QByteArray::fromStdString(text);
}
