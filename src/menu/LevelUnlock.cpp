#include "menu/LevelUnlock.h"
#include "drill/LevelCatalogue.h"
#include "records/ResultEvaluation.h"
#include <algorithm>

const QString LevelUnlock::BarredText = QStringLiteral("やりすぎ禁止");

LevelUnlock::Decision LevelUnlock::Decide(const LevelCatalogue& catalogue, int levelCount, bool allLevelsOpen,
                                          const CriteriaTable& criteria, const ResultTables& results, int pupil)
{
    Decision d;
    d.FinalLevelCleared = ResultEvaluation::Passed(criteria, results, catalogue.FinalLevel, pupil);
    const int n = std::clamp(levelCount, 0, Limits::LastLevel);
    if (n >= 1)
        d.Enabled[1] = true;
    for (int i = 1; i <= n; ++i) {
        const bool practice = catalogue.IsPractice(i);
        if (practice)
            d.Enabled[i] = true;
        // The last level is only ever opened by the one before it: it is never barred.
        if (!allLevelsOpen || i >= n)
            continue;
        d.Enabled[i + 1] = true;
        const bool barred = !d.FinalLevelCleared && !practice
            && ResultEvaluation::Overdoing(criteria, results, i, pupil);
        if (barred)
            d.Enabled[i] = false;
        d.Barred[i] = barred;
    }
    return d;
}
