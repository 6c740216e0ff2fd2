#include "backup_restore.h"

#include "kept_segments.h"
#include "loop_table.h"

#include <algorithm>

std::vector<int> Backup_restore::plan(Loop_table& table, const std::vector<int>& addresses,
                                      const Finder& find) {
    std::vector<int> to_write;
    Loop_plan plan = table.plan();
    for (const int address : addresses) {
        Loop_row* row = table.row_at(address);
        if (row == nullptr) {
            continue;
        }
        // Only a detector that named itself can be matched with its own backups; an unread or
        // unnamed one would be given a stranger's configuration.
        const bool named = row->wid && Kept_segments::identifies_a_detector(*row->wid);
        const std::vector<Stored> stored = named && find ? find(*row->wid) : std::vector<Stored>{};
        if (stored.empty()) {
            row->write_state = Loop_row::Write_state::no_backup;
            row->write_message = named ? QStringLiteral("nie zapisano: brak kopii konfiguracji")
                                       : QStringLiteral("nie zapisano: czujka bez WID, brak "
                                                        "kopii konfiguracji");
            continue;
        }
        plan.detectors[address] = stored.front().config;
        to_write.push_back(address);
    }
    table.set_plan(plan);
    std::sort(to_write.begin(), to_write.end());
    return to_write;
}
