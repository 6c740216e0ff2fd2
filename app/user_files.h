#pragma once

#include <QString>

// Where a user's own files go. Linux keeps the XDG folders: the write record in the data folder
// (~/.local/share/<program>), the trace in the working directory, which the desktop menu's
// launcher makes the state folder. Windows keeps both in one folder of the user's,
// %LOCALAPPDATA%\KTR27 Tunex (the bench's: KTR27 Tunex Bench), which neither an upgrade nor an
// uninstall touches.
class User_files {
public:
    // The running program's per-user data folder (by its application name): the write record's
    // folder, and the place for anything else the program keeps for its user.
    static QString data_folder();
    // The station's settings, stanowisko.ini: in the configuration folder on Linux
    // (~/.config/<program>), in the data folder on Windows.
    static QString station_settings_file();

    // At start, once the application name is set. On Windows it makes the data folder (a user
    // the installer did not make it for gets it here), takes over the write record an earlier
    // version kept elsewhere, and sends the trace into the folder. Nothing on Linux.
    static void prepare();
};
