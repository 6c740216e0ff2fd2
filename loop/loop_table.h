#pragma once

#include "loop_plan.h"
#include "loop_row.h"
#include "plan_comparison.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

class Loop_naming;

// The loop as the technician works with it: one row per address of the last scan and of the
// plan, ascending, with what was found there, the plan and how each row compares with it. The
// window, the CSV export and the report all show these cells.
class Loop_table {
public:
    enum Column {
        address,
        state,
        version,
        information,
        wid,
        summary,
        basic_address,
        rop_address,
        wk_address,
        profile,
        plan_state,
        last_write,
        write_time,
        column_count
    };

    struct Totals {
        int rows = 0;
        int read = 0;
        int as_planned = 0;
        int written = 0;
        int failed = 0;
    };

    explicit Loop_table(const Loop_naming& naming) : naming(naming) {}

    // The rows become the scan's addresses and the plan's; a row that stays keeps its results.
    void set_scan(const std::vector<int>& scan);
    void set_plan(Loop_plan given);
    const Loop_plan& plan() const { return planned; }
    Loop_plan::Site& site() { return planned.site; }
    // The site and every detector whose configuration was read: the loop's backup.
    Loop_plan plan_as_found() const;
    // The rows at `addresses` are to get `config`, each keeping its own basic address.
    void give_config(const std::vector<int>& addresses, const DetectorConfig& config);

    const std::vector<Loop_row>& rows() const { return table; }
    std::vector<Loop_row>& rows() { return table; }
    Loop_row* row_at(int loop_address);

    Plan_comparison comparison(const Loop_row& row) const;
    // Rows whose detector differs from its plan, ascending.
    std::vector<int> differing_addresses() const;
    // Where detectors answered at the survey.
    std::vector<int> answering_addresses() const;
    // The detector at `from` was given basic address `to` and answers there now: its row and its
    // plan entry move with it.
    void follow(int from, int to);

    Totals totals() const;
    static QStringList headers();
    QString cell(const Loop_row& row, int column) const;
    // The table as CSV (RFC 4180, CR LF, a header line first), UTF-8.
    QByteArray csv() const;

private:
    void add_rows(const std::vector<int>& addresses);

    const Loop_naming& naming;
    Loop_plan planned;
    std::vector<Loop_row> table;
};
