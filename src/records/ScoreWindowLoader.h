#pragma once
#include <QtGlobal>

struct LoadedScores;

// Turns the last records of the score file into the window the program counts from (LoadedScores),
// from their bytes alone.
class ScoreWindowLoader {
public:
    // Rebuilds the slots and best times of `scores` from the whole records of the `size` bytes at
    // `records` (oldest first; a partial record at the end counts for nothing), the last
    // LoadedScores::Window of them. Records whose pupil lies outside 0–5000 or whose level lies
    // outside 0–35 are damaged and left out entirely; pupil 0, level 0 and dates before 1899 count
    // for the best time only, and the school best over pupils 1–1000 only. Only the best times the
    // last load or NoteBest set are cleared first; ReadBuffer and WindowRecords stay as they are.
    static void Load(LoadedScores& scores, const char* records, qint64 size);
};
