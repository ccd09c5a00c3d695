#pragma once
#include "drill/FractionProblem.h"

class RandomSource;

// Draws the problems: 1…d1−1 over d1 = a·b and 1…d2−1 over d2 = a·c, with the digits a, b, c in
// 2–5, so that the two denominators share a factor without one dividing the other; every cell's
// value follows from them.
class ProblemDrawing {
public:
    // Draws until the denominators differ and neither divides the other. `stepsSkipped`: cells 5–7
    // (the greatest common divisor and the two quotients) are neither shown nor asked.
    static FractionProblem Draw(RandomSource& random, bool stepsSkipped);
    // One of 2, 3, 4, 5.
    static int DrawDigit(RandomSource& random);
    // One of 1 … denominator − 1.
    static int DrawNumerator(RandomSource& random, int denominator);
    static int GreatestCommonDivisor(int first, int second);
};
