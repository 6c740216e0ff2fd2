#include "tunex_application.h"
#include "tunex_windows.h"
#include "user_files.h"

#include <QIcon>

int main(int argc, char** argv) {
    Tunex_application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ktr27tunex"));
    User_files::prepare();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ktr27tunex.png")));
    Tunex_windows::show_messages_in_boxes();

    Tunex_windows windows;
    windows.Form_main.show();
    // The first start brings the older CSV record over while the window is already up.
    windows.Form_main.station_store.open();
    return QApplication::exec();
}
