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
}

// QProgressBar repaints itself and flushes the window at once whenever its value grows by a
// visible amount. The caller processes the window's messages right after every step, which
// paints the bar together with the step text; the bar's own repaint would paint and flush the
// window a second time per step, the larger part of a write's own work. So the value is set with
// the bar's painting held, and the bar is painted with the rest.
void TForm_progress::set_position(int position) {
    ProgressBar->setUpdatesEnabled(false);
    ProgressBar->setValue(position);
    ProgressBar->setUpdatesEnabled(true);
}

void TForm_progress::open(int maximum) {
    ProgressBar->setMaximum(maximum);
    ProgressBar->setValue(0);
    show();
    // The frame is known once the window is shown.
    centre_over_parent();
}

void TForm_progress::step() {
    // QProgressBar ignores a value past its maximum instead of holding it there.
    set_position(std::min(ProgressBar->value() + 1, ProgressBar->maximum()));
}

void TForm_progress::say(const QString& text) {
    Panel_info->setText(text);
}

void TForm_progress::complete() {
    set_position(ProgressBar->maximum());
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
