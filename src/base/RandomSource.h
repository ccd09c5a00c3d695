#pragma once
#include <QtGlobal>

// The one random generator of the process. Tests put a scripted source in its place.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void Seed(quint32 seed) = 0;
    // A fraction uniform in [0, 1).
    virtual double Next() = 0;
};
