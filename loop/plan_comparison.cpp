#include "plan_comparison.h"

#include "loop_naming.h"

QString Plan_comparison::text() const {
    switch (state) {
    case State::no_plan:
        return {};
    case State::same:
        return QStringLiteral("zgodna");
    case State::differs:
        return QStringLiteral("różni się: ") + differing.join(QStringLiteral(", "));
    case State::missing:
        return QStringLiteral("brak na pętli");
    case State::unplanned:
        return QStringLiteral("poza planem");
    }
    return {};
}

Plan_comparison Plan_comparison::compare(const std::optional<DetectorConfig>& planned,
                                         const Loop_row& row, const Loop_naming& naming) {
    Plan_comparison result;
    if (row.read_state == Loop_row::Read_state::not_read) {
        return result;
    }
    if (!planned) {
        result.state = row.answered() ? State::unplanned : State::no_plan;
        return result;
    }
    if (!row.answered()) {
        result.state = State::missing;
        return result;
    }
    if (!row.configuration_known()) {
        result.state = State::differs;
        result.differing << QStringLiteral("konfiguracja nieodczytana");
        return result;
    }
    if (Loop_naming::differing_options(*planned, *row.found).isEmpty()) {
        result.state = State::same;
        return result;
    }
    result.state = State::differs;
    result.differing = naming.differing(*row.found, *planned);
    if (result.differing.isEmpty()) {
        result.differing = Loop_naming().differing(*row.found, *planned);
    }
    return result;
}
