#pragma once

// "タイム回数データ.txt" in the data folder: the pass criteria of every level.
class PassCriteriaFile {
public:
    // Reads the file into App().Criteria, row by row. A missing or damaged file throws FatalError
    // with a Japanese message naming the file and what is wrong.
    static void LoadPassCriteria();
};
