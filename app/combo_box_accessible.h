#pragma once

#include <QAccessibleWidget>

class QComboBox;

// What a screen reader learns about a drop-down list. Qt's own description of a combo box on
// Linux gives its current entry as its name, so a reader announces "brak" instead of "Adres
// ROP"; here the name is the list's own (its accessible name or its label), the entry is its
// value, and the popup list and the edit field stay its children.
class Combo_box_accessible : public QAccessibleWidget {
public:
    explicit Combo_box_accessible(QComboBox* combo_box);

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

    QStringList actionNames() const override;
    void doAction(const QString& action) override;

private:
    QComboBox* combo_box() const;
};
