#include "tunex_windows.h"

#include "user_message.h"

#include <QApplication>
#include <QMessageBox>

#include <string>

Tunex_windows::Tunex_windows() : Form_progress(&Form_main), Form_pnx(&Form_main) {
    Form_main.Form_progress = &Form_progress;
    Form_main.Form_pnx = &Form_pnx;
}

void Tunex_windows::show_messages_in_boxes() {
    set_user_message_handler([](const std::string& text) {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(QApplication::applicationName());
        box.setText(QString::fromStdString(text));
        box.exec();
    });
}
