#pragma once

#include <QComboBox>

// An editable drop-down list that is read only through its selected entry index. Text the user
// types selects the entry with exactly that text, or no entry at all (index -1) while the text
// matches none; the typed text itself stays as typed. `user_changed` is emitted for changes the
// user makes (picking an entry or typing), never for changes made from code.
class Edit_combo_box : public QComboBox {
    Q_OBJECT
public:
    explicit Edit_combo_box(QWidget* parent = nullptr);

signals:
    void user_changed();

private:
    void text_typed(const QString& text);
};
