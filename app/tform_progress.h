#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The small window that shows how far a read or write has come and which step is under way.
// The sequences drive it directly; it has no behaviour of its own.
class TForm_progress : public QWidget {
    Q_OBJECT
public:
    // The parent is the window it is centred over and stays on top of.
    explicit TForm_progress(QWidget* parent = nullptr);

    QProgressBar* ProgressBar = nullptr;
    QLabel* Panel_info = nullptr;

    // Position 0 of `maximum`, shown without being modal.
    void open(int maximum);
    // One step on; a sequence with more steps than its maximum keeps the bar full.
    void step();
    void say(const QString& text);
    // The bar full and the text "...".
    void complete();
    // Hides the window; it stays alive for the next operation.
    void close();

private:
    void set_position(int position);
    void centre_over_parent();
};
