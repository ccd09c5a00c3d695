#pragma once
#include <QString>

// What an errno means, in the words a teacher reads in a message.
class SystemError {
public:
    static QString Describe(int err);
};
