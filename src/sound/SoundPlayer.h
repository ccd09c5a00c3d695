#pragma once
#include <QString>

// Plays one wave file and returns when it has finished. 0 means played; anything else is an error
// code that ErrorText describes.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual int Play(const QString& wavePath) = 0;
    virtual QString ErrorText(int code) const = 0;
};
