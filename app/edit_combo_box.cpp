#include "edit_combo_box.h"

#include <QLineEdit>

Edit_combo_box::Edit_combo_box(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // Typed text must never grow the list or be completed into another entry: the index is
    // what the configuration is made of.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(this, &QComboBox::activated, this, [this](int) { emit user_changed(); });
    connect(lineEdit(), &QLineEdit::textEdited, this, &Edit_combo_box::text_typed);
}

void Edit_combo_box::text_typed(const QString& text) {
    const int match = findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (match != currentIndex()) {
        const int cursor = lineEdit()->cursorPosition();
        setCurrentIndex(match);
        if (match < 0) {
            // Deselecting clears the edit field; the user's text has to stay.
            lineEdit()->setText(text);
            lineEdit()->setCursorPosition(cursor);
        }
    }
    emit user_changed();
}
