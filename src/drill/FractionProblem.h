#pragma once
#include <QString>
#include <array>

// One problem: the eleven answer cells with the value each must hold and whether the pupil fills
// it. Cells are numbered 1–11; entry 0 and the entries beyond cell 11 stay unused.
struct FractionProblem {
    static constexpr int CellCount = 11;

    // Decimal text of the value each cell must hold; for a given cell the value shown
    // (cell 10 is empty: it mirrors cell 8).
    std::array<QString, 21> Expected;
    std::array<bool, 21> Given{};     // shown, not asked
    std::array<bool, 21> Skipped{};   // hidden, neither shown nor asked

    bool IsAsked(int cell) const
    {
        return cell >= 1 && cell <= CellCount && !Given[std::size_t(cell)] && !Skipped[std::size_t(cell)];
    }
};
