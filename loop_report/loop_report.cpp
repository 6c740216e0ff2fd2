#include "loop_report.h"

#include "loop_table.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <array>
#include <vector>

namespace {

constexpr int resolution = 300; // dots per inch of the page's coordinates
constexpr double margin_mm = 15.0;

double mm(double millimetres) {
    return millimetres * resolution / 25.4;
}

struct Column {
    const char* header;
    int table_column; // Loop_table::Column, or -1 for the last write with its time
    double share;     // of the page's width
};
const std::array<Column, 7> columns = {{
    {"Adres", Loop_table::address, 0.06},
    {"WID", Loop_table::wid, 0.11},
    {"Wersja", Loop_table::version, 0.07},
    {"Konfiguracja", Loop_table::summary, 0.24},
    {"Stan i suma kontrolna", Loop_table::state, 0.16},
    {"Plan", Loop_table::plan_state, 0.16},
    {"Ostatni zapis", -1, 0.20},
}};

QString cell_text(const Loop_table& table, const Loop_row& row, int column) {
    if (column >= 0) {
        return table.cell(row, column);
    }
    const QString outcome = table.cell(row, Loop_table::last_write);
    const QString time = table.cell(row, Loop_table::write_time);
    return time.isEmpty() ? outcome : time + QLatin1Char('\n') + outcome;
}

// A line of the table as it is laid out: its cells and height.
struct Line {
    std::array<QString, columns.size()> cells;
    bool header = false;
    double height = 0;
};

class Page_layout {
public:
    Page_layout(QPdfWriter& writer, QPainter& painter)
        : width(writer.width() - 2 * mm(margin_mm)), height(writer.height() - 2 * mm(margin_mm)),
          painter(painter) {}

    double column_x(std::size_t i) const {
        double x = mm(margin_mm);
        for (std::size_t c = 0; c < i; ++c) {
            x += columns[c].share * width;
        }
        return x;
    }
    double column_width(std::size_t i) const { return columns[i].share * width - mm(1.5); }

    double line_height(const Line& line) const {
        const QFontMetricsF metrics(painter.font(), painter.device());
        double tallest = metrics.height();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const QRectF box = metrics.boundingRect(QRectF(0, 0, column_width(c), 1e6),
                                                    Qt::TextWordWrap, line.cells[c]);
            tallest = std::max(tallest, box.height());
        }
        return tallest + mm(1.2);
    }

    double width;
    double height;
    QPainter& painter;
};

} // namespace

bool Loop_report::write(const QString& path, const Loop_table& table, const QString& tool_version,
                        const QDateTime& when, QString& problem) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        problem = QStringLiteral("nie można utworzyć pliku (komunikat systemu: %1)")
                      .arg(file.errorString());
        return false;
    }
    QPdfWriter writer(&file);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(resolution);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(QStringLiteral("Raport pętli PNX30"));
    writer.setCreator(QStringLiteral("KTR27 Tunex ") + tool_version);
    QPainter painter(&writer);
    QFont text_font(QStringLiteral("DejaVu Sans"));
    text_font.setPointSizeF(8);
    // Without shaping there are no "fi" and "fl" ligatures, which would come out of a text
    // extraction as single characters and defeat a search for "konfiguracja"; Polish letters
    // need no shaping.
    text_font.setStyleStrategy(QFont::PreferNoShaping);
    QFont title_font = text_font;
    title_font.setPointSizeF(13);
    title_font.setBold(true);
    painter.setFont(text_font);
    const Page_layout layout(writer, painter);

    const Loop_plan& plan = table.plan();
    const QStringList header_lines = {
        QStringLiteral("Obiekt: %1").arg(plan.site.object),
        QStringLiteral("Centrala: %1").arg(plan.site.panel),
        QStringLiteral("Pętla: %1").arg(plan.site.loop),
        QStringLiteral("Wykonał: %1").arg(plan.site.performer),
        QStringLiteral("Data i godzina: %1").arg(when.toString(QStringLiteral("yyyy-MM-dd HH:mm"))),
        QStringLiteral("Program: KTR27 Tunex %1").arg(tool_version),
    };
    const Loop_table::Totals totals = table.totals();
    const QString totals_line = QStringLiteral("Razem czujek: %1; odczytane: %2; zgodne z planem: "
                                               "%3; zapisane: %4; zapis nieudany: %5")
                                    .arg(totals.rows)
                                    .arg(totals.read)
                                    .arg(totals.as_planned)
                                    .arg(totals.written)
                                    .arg(totals.failed);

    Line header_line;
    header_line.header = true;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        header_line.cells[c] = QString::fromUtf8(columns[c].header);
    }
    header_line.height = layout.line_height(header_line);
    std::vector<Line> lines;
    for (const Loop_row& row : table.rows()) {
        Line line;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            line.cells[c] = cell_text(table, row, columns[c].table_column);
        }
        line.height = layout.line_height(line);
        lines.push_back(line);
    }

    const QFontMetricsF metrics(text_font, &writer);
    const double text_line = metrics.height() * 1.3;
    const double top = mm(margin_mm);
    const double bottom = top + layout.height - 2 * text_line; // room for the page number
    const double first_table_top = top + QFontMetricsF(title_font, &writer).height() * 1.6 +
                                   header_lines.size() * text_line + text_line;

    // Pages: which lines each holds, worked out before anything is drawn so every page can
    // say how many there are.
    std::vector<std::pair<std::size_t, std::size_t>> pages; // [first, end) of `lines`
    {
        std::size_t first = 0;
        double y = first_table_top + header_line.height;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (y + lines[i].height > bottom && i > first) {
                pages.emplace_back(first, i);
                first = i;
                y = top + header_line.height;
            }
            y += lines[i].height;
        }
        pages.emplace_back(first, lines.size());
        if (y + 2 * text_line > bottom) {
            pages.emplace_back(lines.size(), lines.size()); // the totals alone
        }
    }

    const auto draw_line = [&](const Line& line, double y) {
        painter.setFont(text_font);
        QFont font = text_font;
        font.setBold(line.header);
        painter.setFont(font);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            painter.drawText(QRectF(layout.column_x(c), y, layout.column_width(c), line.height),
                             Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, line.cells[c]);
        }
        painter.drawLine(QPointF(mm(margin_mm), y + line.height - mm(0.6)),
                         QPointF(mm(margin_mm) + layout.width, y + line.height - mm(0.6)));
        painter.setFont(text_font);
    };

    for (std::size_t p = 0; p < pages.size(); ++p) {
        if (p > 0) {
            writer.newPage();
        }
        double y = top;
        if (p == 0) {
            painter.setFont(title_font);
            painter.drawText(
                QPointF(mm(margin_mm), y + QFontMetricsF(title_font, &writer).ascent()),
                QStringLiteral("Raport uruchomienia pętli PNX30"));
            y += QFontMetricsF(title_font, &writer).height() * 1.6;
            painter.setFont(text_font);
            for (const QString& text : header_lines) {
                painter.drawText(QPointF(mm(margin_mm), y + metrics.ascent()), text);
                y += text_line;
            }
            y += text_line;
        }
        if (pages[p].first < pages[p].second) {
            draw_line(header_line, y);
            y += header_line.height;
        }
        for (std::size_t i = pages[p].first; i < pages[p].second; ++i) {
            draw_line(lines[i], y);
            y += lines[i].height;
        }
        if (p + 1 == pages.size()) {
            painter.drawText(QPointF(mm(margin_mm), y + text_line + metrics.ascent()), totals_line);
        }
        const QString number = QStringLiteral("Strona %1 z %2").arg(p + 1).arg(pages.size());
        painter.drawText(
            QRectF(mm(margin_mm), top + layout.height - text_line, layout.width, text_line),
            Qt::AlignRight | Qt::AlignVCenter, number);
    }
    if (!painter.end()) {
        problem = QStringLiteral("błąd tworzenia dokumentu PDF");
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        problem = QStringLiteral("błąd zapisu (komunikat systemu: %1)").arg(file.errorString());
        return false;
    }
    return true;
}
