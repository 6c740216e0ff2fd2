#pragma once

#include "loop_plan.h"

#include <QStringList>

#include <vector>

// Before a plan is written: no two detectors of the plan given the same basic address, and no
// detector to be written given an address at which another one answers now.
class Plan_check {
public:
    // `to_write`: loop addresses of the detectors about to be written; `answering`: where
    // detectors answer on the loop now. Each clash named in Polish; empty when there is none.
    static QStringList clashes(const Loop_plan& plan, const std::vector<int>& to_write,
                               const std::vector<int>& answering);
};
