#include "drill/ProblemDrawing.h"
#include "base/RandomSource.h"
#include <algorithm>
#include <utility>

namespace {
// A random source that keeps giving rejected draws must not hang the screen; a uniform one
// needs more than a few dozen tries with vanishing chance.
constexpr int MaxDraws = 1000;
} // namespace

int ProblemDrawing::DrawDigit(RandomSource& random)
{
    const double r = random.Next();
    return std::clamp(int(r * 4 + 2), 2, 5);
}

int ProblemDrawing::DrawNumerator(RandomSource& random, int denominator)
{
    const double r = random.Next();
    return std::clamp(int((denominator - 1) * r + 1), 1, denominator - 1);
}

int ProblemDrawing::GreatestCommonDivisor(int first, int second)
{
    int x = first;
    int y = second;
    if (first < second)
        std::swap(x, y);
    if (y <= 0)
        return x;
    for (;;) {
        const int t = y;
        y = x % y;
        if (y == 0)
            return t;
        x = t;
    }
}

FractionProblem ProblemDrawing::Draw(RandomSource& random, bool stepsSkipped)
{
    int a = 0, b = 0, c = 0, d1 = 0, n1 = 0, d2 = 0, n2 = 0, g = 0;
    for (int draw = 0;; ++draw) {
        a = DrawDigit(random);
        b = DrawDigit(random);
        c = DrawDigit(random);
        if (draw >= MaxDraws) {
            b = 2;
            c = 3;
        }
        d1 = a * b;
        n1 = DrawNumerator(random, d1);
        d2 = a * c;
        n2 = DrawNumerator(random, d2);
        g = GreatestCommonDivisor(d1, d2);
        if (d1 != d2 && g != d1 && g != d2)
            break;
    }

    FractionProblem p;
    const int q1 = d1 / g;
    const int q2 = d2 / g;
    const int values[12] = {0, d1, n1, d2, n2, g, q1, q2, g * q1 * q2, n1 * q2, 0, n2 * q1};
    for (int cell = 1; cell <= FractionProblem::CellCount; ++cell)
        p.Expected[std::size_t(cell)] = cell == 10 ? QString() : QString::number(values[cell]);
    for (int cell : {1, 2, 3, 4, 10})
        p.Given[std::size_t(cell)] = true;
    if (stepsSkipped)
        for (int cell : {5, 6, 7})
            p.Skipped[std::size_t(cell)] = true;
    return p;
}
