#pragma once
#include "base/Limits.h"
#include "records/PassCriteria.h"
#include <QString>
#include <array>

struct LevelCatalogue;
struct ResultTables;

// Which start buttons of the level menu are enabled and which levels carry "やりすぎ禁止".
class LevelUnlock {
public:
    struct Decision {
        std::array<bool, Limits::LevelSlots> Enabled{};  // start button of level i
        std::array<bool, Limits::LevelSlots> Barred{};   // mark box "やりすぎ禁止" shown
        bool FinalLevelCleared = false;
    };
    static const QString BarredText; // "やりすぎ禁止"

    static Decision Decide(const LevelCatalogue& catalogue, int levelCount, bool allLevelsOpen,
                           const CriteriaTable& criteria, const ResultTables& results, int pupil);
};
