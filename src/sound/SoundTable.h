#pragma once
#include <QString>

// Cue names in row 0 (columns 1–10), assigned wave file names in rows 1–20, the count in row 21.
struct SoundTable {
    QString Cell[11][22];
};
