#include "tunex_application.h"

#include "accessible_factory.h"

#include "user_message.h"

#include <exception>

Tunex_application::Tunex_application(int& argc, char** argv) : QApplication(argc, argv) {
    Accessible_factory::install();
}

bool Tunex_application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        show_user_message(error.what());
    } catch (...) {
        show_user_message(std::string());
    }
    return false;
}
