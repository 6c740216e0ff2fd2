#pragma once

#include "operation_timer.h"

#include <QString>

#include <vector>

class TForm_main;

// The loop window as a commissioning engineer uses it, opened from the main window's menu over
// the panel link: "Odczytaj pętlę", the loop saved as its plan and loaded back, every row
// selected and "Zapisz zaznaczone", then the PDF report. Each is timed.
class Loop_session {
public:
    struct Result {
        std::vector<Timed> survey;
        std::vector<Timed> write;
        std::vector<Timed> report;
        // Every survey read every row, every write verified every detector, the report was
        // written: otherwise the figures are of something else.
        bool healthy = false;
        QString problem;
    };

    // `rows`: the detectors the loop must show; `folder`: where the plan and the report go.
    static Result run(TForm_main& form, Operation_timer& timer, int runs, int rows,
                      const QString& folder);
};
