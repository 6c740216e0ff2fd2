#pragma once

#include "sim_fault_schedule.h"
#include "sim_fault_set.h"

#include <QComboBox>
#include <QString>

#include <utility>
#include <vector>

// A drop-down of the reply faults of one simulated device: the first entry is "none", each
// other entry arms its fault for every reply until another entry is chosen.
template <typename Fault> class Fault_list : public QComboBox {
public:
    Fault_list(Sim_fault_set<Fault>& faults, std::vector<std::pair<QString, Fault>> entries,
               QWidget* parent = nullptr)
        : QComboBox(parent), armed(faults), choices(std::move(entries)) {
        addItem(QStringLiteral("none"));
        for (const auto& entry : choices) {
            addItem(entry.first);
        }
        connect(this, &QComboBox::currentIndexChanged, this, [this](int index) { arm(index); });
    }

private:
    void arm(int index) {
        armed.disarm_all();
        if (index >= 1 && static_cast<std::size_t>(index) <= choices.size()) {
            armed.arm(choices[static_cast<std::size_t>(index) - 1].second,
                      Sim_fault_schedule::always());
        }
    }

    Sim_fault_set<Fault>& armed;
    std::vector<std::pair<QString, Fault>> choices;
};
