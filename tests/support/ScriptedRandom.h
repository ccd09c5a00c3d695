#pragma once
#include "base/RandomSource.h"
#include <QList>

// Returns the scripted fractions in order, then repeats the last one (0 when none).
class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(QList<double> values = {}) : Values(std::move(values)) {}
    void Seed(quint32 seed) override { LastSeed = seed; ++SeedCount; }
    double Next() override
    {
        if (Values.isEmpty())
            return 0.0;
        const double v = Values[Index < Values.size() ? Index : Values.size() - 1];
        ++Index;
        return v;
    }
    QList<double> Values;
    qsizetype Index = 0;
    quint32 LastSeed = 0;
    int SeedCount = 0;
};
