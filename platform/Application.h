// The application object: a QApplication whose event delivery shows any exception that escapes a handler
// with the standard error display and goes on with the next event.
#pragma once

#include <QApplication>

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
