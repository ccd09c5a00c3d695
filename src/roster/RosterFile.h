#pragma once
#include <QString>

// "新名簿.txt" in the data root and the grade rule.
class RosterFile {
public:
    // The roster load of the name screen: fills App().Roster (per-number tables for every readable
    // line, RosterTable / ListedPupils for listed pupils). Unreadable lines are skipped and noted in
    // Roster.SkippedLines; a missing file gives an empty roster and throws nothing.
    // Returns false when the file is missing.
    static bool LoadRoster();
    // School year of `today` with the configured start month.
    static int SchoolYear();
    static int GradeIndex(int refYear);
    static QString RowGradeText(int gradeIndex);
    // Full-width label, empty where none is assigned.
    static QString GradeLabel(int gradeIndex);
    // Whether a grade selector text passes a grade index ("全学年", "小学生全体", "中１", …).
    static bool SelectorPasses(const QString& selectorText, int gradeIndex);
};
