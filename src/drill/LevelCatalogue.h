#pragma once
#include "base/Limits.h"
#include <QString>
#include <array>

// The level names and which slots carry a level; the level menu offers the first LevelCount.
struct LevelCatalogue {
    std::array<QString, Limits::LevelSlots> LevelName;
    std::array<bool, Limits::LevelSlots> LevelInUse{};
    qint16 LevelCount = 0;
    qint16 FinalLevel = 0;

    // Fills the names and flags (the level menu is shown by the screen flow).
    void Build();
    // A level whose name contains "練" is practised, not recorded.
    bool IsPractice(int level) const;
};
