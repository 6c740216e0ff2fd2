#pragma once

#include "sim_fault_schedule.h"
#include "sim_fault_set.h"

#include <QComboBox>
#include <QString>

#include <vector>

// A drop-down of the reply faults of one simulated device: the first entry is "none", each
// other entry arms its fault for every reply until another entry is chosen.
template <typename Fault> class Fault_list : public QComboBox {
public:
    struct Entry {
        QString caption;
        Fault fault;
        // What the fault does, shown as the entry's tooltip.
        QString effect;
    };

    Fault_list(Sim_fault_set<Fault>& faults, std::vector<Entry> entries, QWidget* parent = nullptr)
        : QComboBox(parent), armed(faults), choices(std::move(entries)) {
        addItem(QStringLiteral("none"));
        for (const Entry& entry : choices) {
            addItem(entry.caption);
            setItemData(count() - 1, entry.effect, Qt::ToolTipRole);
        }
        connect(this, &QComboBox::currentIndexChanged, this, [this](int index) { arm(index); });
    }

private:
    void arm(int index) {
        armed.disarm_all();
        if (index >= 1 && static_cast<std::size_t>(index) <= choices.size()) {
            armed.arm(choices[static_cast<std::size_t>(index) - 1].fault,
                      Sim_fault_schedule::always());
        }
    }

    Sim_fault_set<Fault>& armed;
    std::vector<Entry> choices;
};
