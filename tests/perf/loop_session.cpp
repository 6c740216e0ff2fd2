#include "loop_session.h"

#include "main_menu.h"
#include "tform_loop.h"
#include "tform_main.h"

#include <QAction>
#include <QFileInfo>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>

namespace {

bool all_rows(const Loop_table& table, int rows, bool (*good)(const Loop_row&)) {
    return static_cast<int>(table.rows().size()) == rows &&
           std::all_of(table.rows().begin(), table.rows().end(), good);
}

bool read(const Loop_row& row) {
    return row.read_state == Loop_row::Read_state::read;
}

bool verified(const Loop_row& row) {
    return row.write_state == Loop_row::Write_state::verified;
}

void work_in(TForm_loop& window, Operation_timer& timer, int runs, int rows, const QString& folder,
             Loop_session::Result& result) {
    const QString plan = folder + QStringLiteral("/pętla.ktr27loop");
    const QString report = folder + QStringLiteral("/raport.pdf");
    for (int run = 0; run < runs; ++run) {
        result.survey.push_back(timer.time([&] { window.Button_surveyClick(); }));
        if (!all_rows(window.table(), rows, read)) {
            result.problem = QStringLiteral("the survey did not read every row");
            return;
        }
        if (!window.save_plan(plan) || !window.load_plan(plan)) {
            result.problem = QStringLiteral("the plan did not go round");
            return;
        }
        window.Table_loop->selectAll();
        result.write.push_back(timer.time([&] { window.Button_write_selectedClick(); }));
        if (!all_rows(window.table(), rows, verified)) {
            result.problem = QStringLiteral("a write did not verify");
            return;
        }
        bool written = false;
        result.report.push_back(timer.time([&] { written = window.write_report(report); }));
        if (!written || QFileInfo(report).size() == 0) {
            result.problem = QStringLiteral("no report");
            return;
        }
    }
    result.healthy = true;
}

} // namespace

Loop_session::Result Loop_session::run(TForm_main& form, Operation_timer& timer, int runs, int rows,
                                       const QString& folder) {
    Result result;
    result.problem = QStringLiteral("the loop window did not open");
    // The window is modal: the work runs inside its own message loop. The timer goes with this
    // call, so a window that never opened leaves nothing behind to fire later.
    QTimer inside;
    inside.setSingleShot(true);
    QObject::connect(&inside, &QTimer::timeout, &form, [&] {
        auto* window = form.findChild<TForm_loop*>();
        if (window == nullptr) {
            return;
        }
        result.problem.clear();
        work_in(*window, timer, runs, rows, folder, result);
        window->Button_close->click();
    });
    inside.start(0);
    form.menu->Action_loop->trigger();
    return result;
}
