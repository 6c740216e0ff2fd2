#pragma once

#include "loop_row.h"

#include <QString>
#include <QStringList>

#include <optional>

class Loop_naming;

// A row of the table against the plan: as planned, different (and in what), planned but not
// answering, or answering where the plan has nobody.
struct Plan_comparison {
    enum class State { no_plan, same, differs, missing, unplanned };

    State state = State::no_plan;
    QStringList differing;

    QString text() const;

    static Plan_comparison compare(const std::optional<DetectorConfig>& planned,
                                   const Loop_row& row, const Loop_naming& naming);
};
