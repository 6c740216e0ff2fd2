#pragma once

class QAction;
class QMenuBar;
class QWidget;

// The main window's menu bar, above the numbered sections: "Plik" with the configuration files,
// the write record, the configuration backups, the PNX30 loop, the station's settings and
// "Zakończ", and "Pomoc" with "O programie". The window connects the actions to its own handlers.
class Main_menu {
public:
    // Puts the bar into `form`'s layout, above everything else.
    explicit Main_menu(QWidget* form);

    // Every item of every menu, their shortcuts included: while an operation runs, a dialog
    // opened from the menu would hold it, possibly with a segment erased, until it closes.
    void set_items_enabled(bool enabled);
    // "Pętla PNX30..." works through an open panel link with a scan read, and only then.
    void set_loop_available(bool available);

    QMenuBar* Menu_bar = nullptr;
    QAction* Action_open = nullptr;
    QAction* Action_save = nullptr;
    QAction* Action_history = nullptr;
    QAction* Action_backups = nullptr;
    QAction* Action_loop = nullptr;
    QAction* Action_station_settings = nullptr;
    QAction* Action_quit = nullptr;
    QAction* Action_about = nullptr;

private:
    bool loop_available = false;
};
