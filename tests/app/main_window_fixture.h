#pragma once

#include "edit_combo_box.h"
#include "tform_main.h"
#include "user_message.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A shown main window (so FormShow has run) with user messages recorded instead of shown.
class Main_window_test : public ::testing::Test {
protected:
    void SetUp() override {
        previous_handler =
            set_user_message_handler([this](const std::string& text) { messages.push_back(text); });
        form = std::make_unique<TForm_main>();
        form->show();
    }

    void TearDown() override {
        form.reset();
        set_user_message_handler(previous_handler);
    }

    // The user types `text` over the list's edit field.
    static void user_types(Edit_combo_box* list, const QString& text) {
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), text);
    }

    // The user picks list entry `entry` ("brak" is 0, address n is n + 1) by typing its text.
    // Every keystroke is a change, so the partial texts on the way count as well.
    static void user_picks(Edit_combo_box* list, int entry) {
        user_types(list, list->itemText(entry));
        ASSERT_EQ(list->currentIndex(), entry);
    }

    // The user picks entry `entry` in the drop-down, which selects it and then reports it.
    static void user_selects(Edit_combo_box* list, int entry) {
        list->setCurrentIndex(entry);
        emit list->activated(entry);
    }

    // A click on the button's indicator (check boxes and radio buttons) or its left edge.
    static void user_clicks(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }

    std::unique_ptr<TForm_main> form;
    std::vector<std::string> messages;
    User_message_handler previous_handler;
};
