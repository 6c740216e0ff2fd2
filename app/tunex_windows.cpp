#include "tunex_windows.h"

#include "user_message.h"
#include "user_question.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <string>

Tunex_windows::Tunex_windows() : Form_progress(&Form_main), Form_pnx(&Form_main) {
    Form_main.Form_progress = &Form_progress;
    Form_main.Form_pnx = &Form_pnx;
    QObject::connect(
        &Form_pnx, &TForm_pnx::events_erased, &Form_main,
        [this](int address, int status) { Form_main.record_event_erasure(address, status); });
}

void Tunex_windows::show_messages_in_boxes() {
    set_user_message_handler([](const std::string& text) {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(QApplication::applicationName());
        box.setText(QString::fromStdString(text));
        box.exec();
    });
    set_user_question_handler([](const std::string& text) {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(QApplication::applicationName());
        box.setIcon(QMessageBox::Question);
        box.setText(QString::fromStdString(text));
        QPushButton* yes = box.addButton(QStringLiteral("Tak"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("Nie"), QMessageBox::NoRole);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes;
    });
}
