#pragma once
#include <QString>
#include <stdexcept>

// An error the program cannot continue from. Screens show Message in a message box and end the program;
// the export prints it on standard error.
class FatalError : public std::runtime_error {
public:
    explicit FatalError(const QString& message)
        : std::runtime_error(message.toStdString()), Message(message) {}
    QString Message;
};
