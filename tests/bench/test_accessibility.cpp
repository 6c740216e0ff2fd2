#include "accessible_factory.h"
#include "bench_window.h"
#include "circle_shape.h"
#include "edit_combo_box.h"
#include "main_menu.h"
#include "sim_bench.h"
#include "tunex_windows.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// Controls a user operates, as a screen reader sees them.
bool interactive(QAccessible::Role role) {
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
    case QAccessible::EditableText:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Graphic:
        return true;
    default:
        return false;
    }
}

// A list, a table, a drop-down or a spin box is announced as one control; its parts are not.
bool composite(QAccessible::Role role) {
    return role == QAccessible::ComboBox || role == QAccessible::SpinBox ||
           role == QAccessible::List || role == QAccessible::Table;
}

// Every control under `node` whose name is empty or merely repeats its value.
void find_unnamed(QAccessibleInterface* node, QStringList& unnamed) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (child == nullptr) {
            continue;
        }
        const QAccessible::Role role = child->role();
        if (interactive(role)) {
            const QString name = child->text(QAccessible::Name).trimmed();
            // Qt gives a list or a table its name as its value too; only a field's value is
            // what it holds.
            const bool has_value = role == QAccessible::ComboBox || role == QAccessible::SpinBox ||
                                   role == QAccessible::EditableText;
            const QString value = child->text(QAccessible::Value).trimmed();
            if (name.isEmpty() || (has_value && name == value)) {
                unnamed << QStringLiteral("%1 (role %2) named \"%3\"")
                               .arg(child->object()->objectName())
                               .arg(role)
                               .arg(name);
            }
        }
        if (!composite(role)) {
            find_unnamed(child, unnamed);
        }
    }
}

QString name_of(QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
}

class Accessibility : public ::testing::Test {
protected:
    Accessibility() {
        windows.Form_main.show();
        windows.Form_pnx.show();
        bench_window.show();
    }

    // As at the programs' start-up: before any window exists.
    const bool factory_installed = (Accessible_factory::install(), true);
    Sim_bench bench;
    Tunex_windows windows;
    Bench_window bench_window{bench};
};

TEST_F(Accessibility, EveryControlOfTheThreeWindowsHasANameThatIsNotItsValue) {
    for (QWidget* window :
         {static_cast<QWidget*>(&windows.Form_main), static_cast<QWidget*>(&windows.Form_pnx),
          static_cast<QWidget*>(&bench_window)}) {
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
        ASSERT_NE(root, nullptr);
        QStringList unnamed;
        find_unnamed(root, unnamed);
        EXPECT_TRUE(unnamed.isEmpty())
            << window->objectName().toStdString() << ": " << unnamed.join(", ").toStdString();
    }
}

TEST_F(Accessibility, WindowsAreFramesNamedByTheirTitles) {
    for (QWidget* window :
         {static_cast<QWidget*>(&windows.Form_main), static_cast<QWidget*>(&bench_window)}) {
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
        EXPECT_EQ(root->role(), QAccessible::Window) << window->objectName().toStdString();
        EXPECT_EQ(root->text(QAccessible::Name), window->windowTitle());
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&windows.Form_pnx)->role(),
              QAccessible::Dialog);
}

TEST_F(Accessibility, ListsAndFieldsAreNamedAfterTheirLabels) {
    TForm_main& form = windows.Form_main;
    const std::pair<QObject*, const char*> expected[] = {
        {form.ComboBox_address_1, "Adres podstawowy"},
        {form.ComboBox_address_2, "Adres ROP"},
        {form.ComboBox_address_WK, "Adres czujek W / K"},
        {form.ComboBox_smoke_profile, "Profil detekcji dymu"},
        {form.CSpinEdit_rop_ans, "ANS"},
        {form.CSpinEdit_rop_alm, "ALM"},
        {form.CSpinEdit_hc, "HC"},
        {form.CSpinEdit_cmp, "CMPL"},
        {form.Edit_code, "Identyfikator produkcyjny:"},
        {windows.Form_pnx.ComboBox_adr, "Adres (czujka) do edycji"},
        {windows.Form_pnx.medt_check_password, "Hasło konfiguracyjne centrali"},
    };
    for (const auto& [control, label] : expected) {
        EXPECT_EQ(name_of(control), QString::fromUtf8(label)) << label;
    }
}

TEST_F(Accessibility, LampsSayWhatTheirColourShows) {
    TForm_main& form = windows.Form_main;
    form.Timer_dongleTimer();
    EXPECT_EQ(name_of(form.Shape_dongle), QString::fromUtf8("Dongle: nie podłączony"));

    bench.plug_dongle();
    bench.attach_detector(Sim_detector::factory_fresh(52, 0x21));
    form.Timer_dongleTimer();
    EXPECT_EQ(name_of(form.Shape_dongle), QString::fromUtf8("Dongle: podłączony"));
    EXPECT_EQ(name_of(form.Shape_ktr), QString::fromUtf8("Czujka: podłączona"));

    bench.detach_detector();
    form.Timer_dongleTimer();
    EXPECT_EQ(name_of(form.Shape_ktr), QString::fromUtf8("Czujka: nie podłączona"));
}

TEST_F(Accessibility, AnOpenMenuListsItsItemsByNameAndState) {
    TForm_main& form = windows.Form_main;
    for (QAction* title : form.menu->Menu_bar->actions()) {
        QMenu* menu = title->menu();
        ASSERT_NE(menu, nullptr);
        menu->popup(form.mapToGlobal(QPoint(0, 0)));
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(menu);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->role(), QAccessible::PopupMenu) << title->text().toStdString();
        QStringList names;
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* item = node->child(i);
            if (item->role() == QAccessible::MenuItem) {
                names << item->text(QAccessible::Name);
                // Only the loop's item waits, for a panel link with a scan read.
                EXPECT_EQ(item->state().disabled,
                          names.last() == QString::fromUtf8("Pętla PNX30..."))
                    << names.last().toStdString();
            }
        }
        QStringList expected;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                expected << action->text();
            }
        }
        EXPECT_EQ(names.join(", ").toStdString(), expected.join(", ").toStdString());
        menu->hide();
    }
}

} // namespace
