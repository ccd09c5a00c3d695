#include "base/SystemRandom.h"

void SystemRandom::Seed(quint32 seed) { Engine.seed(seed); }

double SystemRandom::Next()
{
    return std::generate_canonical<double, 53>(Engine);
}
