#pragma once
#include <QList>

// Random fractions that make ProblemDrawing draw the given a, b, c and numerators.
inline QList<double> Draws(int a, int b, int c, int n1, int n2)
{
    auto digit = [](int v) { return (v - 2 + 0.5) / 4.0; };
    return {digit(a), digit(b), digit(c), (n1 - 0.5) / (a * b - 1), (n2 - 0.5) / (a * c - 1)};
}

// The example problem: 5/6 and 4/15 → g 3, quotients 2 and 5, 25/30 and 8/30.
inline QList<double> Example() { return Draws(3, 2, 5, 5, 4); }
// Another accepted problem: 1/8 and 3/12 → g 4, quotients 2 and 3, 3/24 and 6/24.
inline QList<double> Second() { return Draws(4, 2, 3, 1, 3); }

// Keys that fill the example's asked cells and judge it.
inline const char* ExampleAnswer(int level) { return level == 3 ? "30 25 8 " : "3 2 5 30 25 8 "; }
