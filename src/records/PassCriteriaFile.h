#pragma once
#include "records/PassCriteria.h"
#include <QString>

// "タイム回数データ.txt" in the data folder: the pass criteria of every level.
class PassCriteriaFile {
public:
    static constexpr int Rows = Limits::LevelSlots;  // row 0 is the header, rows 1–35 the levels
    static constexpr int ItemsPerRow = 12;

    // `dataFolder` ends with "/".
    static QString Path(const QString& dataFolder);
    // Reads the file of `dataFolder` into `table`, one row a line: the header, then levels 1, 2, …
    // each with exactly twelve items, at least up to `requiredLevels` (the levels the menu offers).
    // A missing or damaged file throws FatalError with a Japanese message naming the file, the line
    // and what is wrong; the table is then left as it was.
    static void LoadPassCriteria(const QString& dataFolder, CriteriaTable& table, int requiredLevels);
};
