#include "main_menu.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <initializer_list>

namespace {

QAction* action(QMenu* menu, const char* name, const char* text) {
    QAction* item = menu->addAction(QString::fromUtf8(text));
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

} // namespace

Main_menu::Main_menu(QWidget* form) {
    Menu_bar = new QMenuBar(form);
    Menu_bar->setObjectName(QStringLiteral("Menu_bar"));
    QMenu* file = Menu_bar->addMenu(QStringLiteral("&Plik"));
    Action_open = action(file, "Action_open", "Otwórz konfigurację...");
    Action_open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Action_save = action(file, "Action_save", "Zapisz konfigurację...");
    Action_save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    Action_history = action(file, "Action_history", "Historia zapisów...");
    Action_backups = action(file, "Action_backups", "Kopie konfiguracji...");
    Action_loop = action(file, "Action_loop", "Pętla PNX30...");
    Action_loop->setEnabled(false);
    Action_station_settings = action(file, "Action_station_settings", "Ustawienia stanowiska...");
    file->addSeparator();
    Action_quit = action(file, "Action_quit", "Zakończ");
    QMenu* help = Menu_bar->addMenu(QStringLiteral("P&omoc"));
    Action_about = action(help, "Action_about", "O programie");
    if (form->layout() != nullptr) {
        form->layout()->setMenuBar(Menu_bar);
    }
}

void Main_menu::set_items_enabled(bool enabled) {
    for (QAction* item : {Action_open, Action_save, Action_history, Action_backups,
                          Action_station_settings, Action_quit, Action_about}) {
        item->setEnabled(enabled);
    }
    Action_loop->setEnabled(enabled && loop_available);
}

void Main_menu::set_loop_available(bool available) {
    loop_available = available;
    Action_loop->setEnabled(available && Action_history->isEnabled());
}
