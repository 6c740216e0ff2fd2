#include "memory_view.h"

#include "sim_bench.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>

namespace {

constexpr int row_count = Memory_view::info_rows + Memory_view::backup_rows;
constexpr int word_count = row_count * Memory_view::words_per_row;

struct Named_word {
    std::uint16_t address;
    const char* name;
};

// The words the configurator owns or reads.
constexpr std::array<Named_word, 17> named_words = {{
    {0x1040, "options1"},
    {0x1042, "address"},
    {0x1044, "rop_address"},
    {0x1046, "options2"},
    {0x1048, "rop_ans"},
    {0x104A, "rop_alm"},
    {0x104C, "smoke_profile"},
    {0x104E, "hc"},
    {0x105E, "crc"},
    {0x1002, "UR"},
    {0x1004, "UR, second word"},
    {0x100C, "WID"},
    {0x100E, "WID, second word"},
    {0x1010, "U0"},
    {0x1012, "U0, second word"},
    {0x1080, "UC"},
    {0x1082, "UC, second word"},
}};

const char* name_of(std::uint16_t address) {
    for (const Named_word& word : named_words) {
        if (word.address == address) {
            return word.name;
        }
    }
    return nullptr;
}

bool configuration_word(std::uint16_t address) {
    return (address >= 0x1040 && address <= 0x104E) || address == 0x105E;
}

bool configuration_segment(std::uint16_t address) {
    return address >= 0x1040 && address < 0x1080;
}

bool parameter_word(std::uint16_t address) {
    return name_of(address) != nullptr && !configuration_segment(address);
}

const QColor changed_colour(255, 224, 102);
const QColor configuration_colour(158, 197, 254);
const QColor segment_colour(226, 236, 255);
const QColor parameter_colour(190, 235, 190);
const QColor plain_colour(Qt::white);

QString hex_word(std::uint16_t word) {
    return QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

Memory_view::Memory_view(Sim_bench& bench,
                         std::function<std::vector<Sim_detector*>()> loop_detectors,
                         QWidget* parent)
    : QWidget(parent), bench(bench), loop_detectors(std::move(loop_detectors)),
      last_words(word_count, 0), changed_age(word_count, 0) {
    setObjectName(QStringLiteral("Memory_view"));
    detector_list = new QComboBox(this);
    detector_list->setObjectName(QStringLiteral("List_memory_detector"));
    detector_list->setAccessibleName(QStringLiteral("Detector whose memory is shown"));
    summary_label = new QLabel(this);
    summary_label->setObjectName(QStringLiteral("Label_memory_summary"));
    summary_label->setWordWrap(true);

    table = new QTableWidget(row_count, words_per_row, this);
    table->setObjectName(QStringLiteral("Table_memory"));
    table->setAccessibleName(QStringLiteral("Memory words"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    QStringList columns;
    for (int column = 0; column < words_per_row; ++column) {
        columns << QStringLiteral("+%1").arg(column * 2, 0, 16).toUpper();
    }
    table->setHorizontalHeaderLabels(columns);
    QStringList rows;
    for (int row = 0; row < row_count; ++row) {
        rows << QStringLiteral("0x") + hex_word(address_of(row, 0));
    }
    table->setVerticalHeaderLabels(rows);
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setPointSize(font().pointSize());
    table->setFont(fixed);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (int row = 0; row < row_count; ++row) {
        for (int column = 0; column < words_per_row; ++column) {
            auto* item = new QTableWidgetItem(QStringLiteral("----"));
            item->setTextAlignment(Qt::AlignCenter);
            const std::uint16_t address = address_of(row, column);
            QString tip = QStringLiteral("0x") + hex_word(address);
            if (const char* name = name_of(address)) {
                tip += QStringLiteral(" ") + QString::fromLatin1(name);
            }
            item->setToolTip(tip);
            table->setItem(row, column, item);
            style_cell(row, column);
        }
    }

    // Room for all eight columns, so only the rows scroll.
    table->resizeColumnsToContents();
    int width = table->verticalHeader()->sizeHint().width() + 2 * table->frameWidth() +
                table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < words_per_row; ++column) {
        width += table->columnWidth(column);
    }
    table->setMinimumWidth(width);

    auto* legend = new QLabel(
        QStringLiteral("<span style='background:%1'>&nbsp;configuration&nbsp;</span> "
                       "<span style='background:%2'>&nbsp;configuration segment&nbsp;</span> "
                       "<span style='background:%3'>&nbsp;parameter pairs&nbsp;</span> "
                       "<span style='background:%4'>&nbsp;just changed&nbsp;</span>")
            .arg(configuration_colour.name(), segment_colour.name(), parameter_colour.name(),
                 changed_colour.name()),
        this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(detector_list);
    layout->addWidget(summary_label);
    layout->addWidget(table, 1);
    layout->addWidget(legend);

    connect(detector_list, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    update_detector_list();
}

std::uint16_t Memory_view::address_of(int row, int column) {
    const int index = row * words_per_row + column;
    if (row < info_rows) {
        return static_cast<std::uint16_t>(0x1000 + 2 * index);
    }
    return static_cast<std::uint16_t>(0xFC00 + 2 * (index - info_rows * words_per_row));
}

Sim_detector* Memory_view::shown() const {
    const int index = detector_list->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= choices.size()) {
        return nullptr;
    }
    Sim_detector* chosen = choices[static_cast<std::size_t>(index)];
    return chosen != nullptr ? chosen : bench.dongle().detector();
}

void Memory_view::update_detector_list() {
    Sim_detector* keep = nullptr;
    const int current = detector_list->currentIndex();
    if (current >= 0 && static_cast<std::size_t>(current) < choices.size()) {
        keep = choices[static_cast<std::size_t>(current)];
    }
    choices.assign(1, nullptr);
    for (Sim_detector* detector : loop_detectors()) {
        choices.push_back(detector);
    }
    const QSignalBlocker quiet(detector_list);
    detector_list->clear();
    int select = 0;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i] == nullptr) {
            detector_list->addItem(QStringLiteral("Detector in the dongle's socket"));
        } else {
            detector_list->addItem(QStringLiteral("Loop address %1 (detector #%2)")
                                       .arg(choices[i]->loop_address())
                                       .arg(choices[i]->pair(Sim_detector::wid_address)[1]));
        }
        if (choices[i] == keep) {
            select = static_cast<int>(i);
        }
    }
    detector_list->setCurrentIndex(select);
    refresh();
}

void Memory_view::style_cell(int row, int column) {
    const int index = row * words_per_row + column;
    const std::uint16_t address = address_of(row, column);
    QColor colour = plain_colour;
    if (changed_age[static_cast<std::size_t>(index)] > 0) {
        colour = changed_colour;
    } else if (configuration_word(address)) {
        colour = configuration_colour;
    } else if (configuration_segment(address)) {
        colour = segment_colour;
    } else if (parameter_word(address)) {
        colour = parameter_colour;
    }
    QTableWidgetItem* item = table->item(row, column);
    if (item->background().color() != colour) {
        item->setBackground(colour);
    }
}

void Memory_view::refresh() {
    const Sim_detector* detector = shown();
    if (detector == nullptr) {
        summary_label->setText(QStringLiteral("No detector"));
        last_shown = nullptr;
        for (int row = 0; row < row_count; ++row) {
            for (int column = 0; column < words_per_row; ++column) {
                changed_age[static_cast<std::size_t>(row * words_per_row + column)] = 0;
                table->item(row, column)->setText(QStringLiteral("----"));
                style_cell(row, column);
            }
        }
        return;
    }
    // Another detector than last time: show its words without marking them all as changed.
    const bool same = detector == last_shown;
    last_shown = detector;
    for (int row = 0; row < row_count; ++row) {
        for (int column = 0; column < words_per_row; ++column) {
            const auto index = static_cast<std::size_t>(row * words_per_row + column);
            const std::uint16_t word = detector->word(address_of(row, column));
            if (!same) {
                changed_age[index] = 0;
            } else if (word != last_words[index]) {
                changed_age[index] = changed_refreshes;
            } else if (changed_age[index] > 0) {
                --changed_age[index];
            }
            last_words[index] = word;
            const QString text = hex_word(word);
            QTableWidgetItem* item = table->item(row, column);
            if (item->text() != text) {
                item->setText(text);
            }
            style_cell(row, column);
        }
    }
    summary_label->setText(
        QStringLiteral("Detector #%1, version %2, information word 0x%3: configuration checksum "
                       "%4; %5 erases, %6 words programmed")
            .arg(detector->pair(Sim_detector::wid_address)[1])
            .arg(detector->version())
            .arg(detector->info_word(), 4, 16, QLatin1Char('0'))
            .arg(detector->config_crc_valid() ? QStringLiteral("valid")
                                              : QStringLiteral("not valid"))
            .arg(detector->flash().erase_count())
            .arg(detector->flash().program_count()));
}
