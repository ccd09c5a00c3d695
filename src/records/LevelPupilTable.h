#pragma once
#include "base/Limits.h"
#include <algorithm>
#include <vector>

// A table indexed [level][pupil], levels 0–35 and pupils 0–5000, stored flat so that clearing
// it is one fill.
template <typename T>
class LevelPupilTable {
public:
    static constexpr int Levels = Limits::LevelSlots;
    static constexpr int Pupils = Limits::PupilSlots;

    LevelPupilTable() : Cells(std::size_t(Levels) * Pupils, T{}) {}
    T& operator()(int level, int pupil) { return Cells[std::size_t(level) * Pupils + pupil]; }
    const T& operator()(int level, int pupil) const { return Cells[std::size_t(level) * Pupils + pupil]; }
    void Fill(const T& value) { std::fill(Cells.begin(), Cells.end(), value); }
    T* Row(int level) { return Cells.data() + std::size_t(level) * Pupils; }
    const T* Row(int level) const { return Cells.data() + std::size_t(level) * Pupils; }

private:
    std::vector<T> Cells;
};
