#pragma once
#include "base/RandomSource.h"
#include <random>

class SystemRandom : public RandomSource {
public:
    void Seed(quint32 seed) override;
    double Next() override;

private:
    std::mt19937 Engine{12345u};
};
