#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QTableWidget;
class Sim_bench;
class Sim_detector;

// The memory of one simulated detector, live: the information flash 0x1000-0x10FF and the
// backup segment 0xFC00-0xFDFF, eight words a row. The configuration segment and the parameter
// pairs are tinted, and words that changed in the last refreshes are marked.
class Memory_view : public QWidget {
    Q_OBJECT
public:
    // `loop_detectors` names the detectors on the panel's loop, which can be picked besides the
    // one in the dongle's socket.
    Memory_view(Sim_bench& bench, std::function<std::vector<Sim_detector*>()> loop_detectors,
                QWidget* parent = nullptr);

    static constexpr int words_per_row = 8;
    static constexpr int info_rows = 16;   // 0x1000..0x10FF
    static constexpr int backup_rows = 32; // 0xFC00..0xFDFF
    // A changed word stays marked for this many refreshes.
    static constexpr int changed_refreshes = 5;

    QComboBox* detector_list;
    QLabel* summary_label;
    QTableWidget* table;

    // Word address of a cell.
    static std::uint16_t address_of(int row, int column);
    // The detector shown now: the socket's (null when empty) or one on the loop.
    Sim_detector* shown() const;

    // Reads the shown detector's words into the table.
    void refresh();
    // Rebuilds the choice of detectors after the loop changed.
    void update_detector_list();

private:
    void style_cell(int row, int column);

    Sim_bench& bench;
    std::function<std::vector<Sim_detector*>()> loop_detectors;
    std::vector<Sim_detector*> choices; // null stands for the dongle's socket
    const Sim_detector* last_shown = nullptr;
    std::vector<std::uint16_t> last_words;
    std::vector<int> changed_age;
};
