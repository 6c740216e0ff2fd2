#include "tform_progress.h"

#include "window_font.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

TForm_progress::TForm_progress(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName("Form_progress");
    setWindowTitle("Komunikacja");
    setFont(window_font());
    // Closing the main window ends the application even while this one is still up.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* top_panel = new QFrame(this);
    top_panel->setFixedHeight(41);
    ProgressBar = new QProgressBar(top_panel);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setMinimum(0);
    ProgressBar->setMaximum(100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setFixedHeight(17);
    auto* top_layout = new QVBoxLayout(top_panel);
    top_layout->setContentsMargins(8, 8, 8, 0);
    top_layout->addWidget(ProgressBar);
    top_layout->addStretch();

    Panel_info = new QLabel("info", this);
    Panel_info->setObjectName("Panel_info");
    Panel_info->setAlignment(Qt::AlignCenter);
    Panel_info->setFrameStyle(QFrame::Panel | QFrame::Raised);
    // The window's size is fixed, so the text's place is too; fixed, a new step text does not
    // make the window lay itself out again, which every step of a write would otherwise pay.
    Panel_info->setFixedSize(431, 68 - 41);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(top_panel);
    layout->addWidget(Panel_info, 1);

    setFixedSize(431, 68);

    bar_paint_due.setSingleShot(true);
    connect(&bar_paint_due, &QTimer::timeout, this, &TForm_progress::paint_bar);
}

// QProgressBar repaints itself and flushes the window at once whenever its value grows by a
// visible amount, and the Fusion style's bar is costly to paint: painted at every step, it was
// the larger part of a write's own work. The value is therefore set with the bar's painting held
// and the bar painted at a steady rate, at most once per interval; a step that comes sooner is
// painted when the interval ends, and the full bar at once. The value itself is always current,
// for whoever reads it.
void TForm_progress::set_position(int position, bool at_once) {
    ProgressBar->setAttribute(Qt::WA_UpdatesDisabled, true);
    ProgressBar->setValue(position);
    ProgressBar->setAttribute(Qt::WA_UpdatesDisabled, false);
    const qint64 since = bar_painted.isValid() ? bar_painted.elapsed() : bar_paint_interval_ms;
    if (at_once || since >= bar_paint_interval_ms) {
        paint_bar();
    } else if (!bar_paint_due.isActive()) {
        bar_paint_due.start(static_cast<int>(bar_paint_interval_ms - since));
    }
}

// Painted with the rest of the window when its messages are next processed.
void TForm_progress::paint_bar() {
    bar_paint_due.stop();
    ProgressBar->update();
    bar_painted.start();
}

void TForm_progress::open(int maximum) {
    ProgressBar->setMaximum(maximum);
    set_position(0, true);
    show();
    // The frame is known once the window is shown.
    centre_over_parent();
}

void TForm_progress::step() {
    // QProgressBar ignores a value past its maximum instead of holding it there.
    set_position(std::min(ProgressBar->value() + 1, ProgressBar->maximum()), false);
}

void TForm_progress::say(const QString& text) {
    Panel_info->setText(text);
}

void TForm_progress::complete() {
    set_position(ProgressBar->maximum(), true);
    Panel_info->setText("...");
}

void TForm_progress::close() {
    hide();
}

void TForm_progress::centre_over_parent() {
    const QWidget* over = parentWidget();
    if (over == nullptr) {
        return;
    }
    const QRect area = over->frameGeometry();
    QRect own = frameGeometry();
    own.moveCenter(area.center());
    move(own.topLeft());
}
