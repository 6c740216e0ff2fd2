#include "combo_box_accessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

Combo_box_accessible::Combo_box_accessible(QComboBox* combo_box)
    : QAccessibleWidget(combo_box, QAccessible::ComboBox) {}

QComboBox* Combo_box_accessible::combo_box() const {
    return static_cast<QComboBox*>(widget());
}

QString Combo_box_accessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) {
        const QComboBox* box = combo_box();
        return box->isEditable() ? box->lineEdit()->text() : box->currentText();
    }
    return QAccessibleWidget::text(kind);
}

QAccessible::State Combo_box_accessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = combo_box()->view()->isVisible();
    state.collapsed = !state.expanded;
    state.editable = combo_box()->isEditable();
    return state;
}

// The popup list first, then the edit field of an editable list, as Qt orders them.
int Combo_box_accessible::childCount() const {
    return combo_box()->isEditable() ? 2 : 1;
}

QAccessibleInterface* Combo_box_accessible::child(int index) const {
    if (index == 0) {
        return QAccessible::queryAccessibleInterface(combo_box()->view());
    }
    if (index == 1 && combo_box()->isEditable()) {
        return QAccessible::queryAccessibleInterface(combo_box()->lineEdit());
    }
    return nullptr;
}

int Combo_box_accessible::indexOfChild(const QAccessibleInterface* child) const {
    if (child == nullptr) {
        return -1;
    }
    if (child->object() == combo_box()->view()) {
        return 0;
    }
    if (combo_box()->isEditable() && child->object() == combo_box()->lineEdit()) {
        return 1;
    }
    return -1;
}

QStringList Combo_box_accessible::actionNames() const {
    return {showMenuAction(), pressAction()};
}

void Combo_box_accessible::doAction(const QString& action) {
    if (action == showMenuAction() || action == pressAction()) {
        if (combo_box()->view()->isVisible()) {
            combo_box()->hidePopup();
        } else {
            combo_box()->showPopup();
        }
    }
}
