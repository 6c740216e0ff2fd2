#pragma once

#include <QApplication>

// The application object. An exception that escapes an event handler is shown to the user in
// a message box (its what() text, or an empty text for exceptions that carry none) instead of
// ending the process; the event loop then goes on.
class Tunex_application : public QApplication {
    Q_OBJECT
public:
    Tunex_application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
