#pragma once
#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

struct RosterEntry;
struct RosterTables;

// "新名簿.txt" in the data root and the grade rule.
class RosterFile {
public:
    // The roster load of the name screen: fills `roster` (per-number tables for every readable
    // line, RosterTable / ListedPupils for listed pupils) from the roster of `dataRoot`, with the
    // common file's roster option and the school year of today. Unreadable lines are skipped and
    // noted in SkippedLines; a missing file gives an empty roster and throws nothing.
    // Returns false when the file is missing.
    static bool LoadRoster(const QString& dataRoot, int rosterOption, int schoolYear, RosterTables& roster);
    // `dataRoot` ends with "/".
    static QString Path(const QString& dataRoot);
    // School year of `today` when the school year starts in `startMonth`.
    static int SchoolYear(const QDate& today, int startMonth);
    static int GradeIndex(int refYear, int schoolYear);
    static QString RowGradeText(int gradeIndex);
    // Full-width label, empty where none is assigned.
    static QString GradeLabel(int gradeIndex);
    // Whether a grade selector text passes a grade index ("全学年", "小学生全体", "中１", …).
    static bool SelectorPasses(const QString& selectorText, int gradeIndex);
    // The grade selector's list, in its order.
    static QStringList SelectorTexts();

    // What a later read of the roster (`fresh`) says of each pupil number it read — the name
    // without surrounding blanks, reference year and grade label — taken into `roster`, whose list
    // of pupils stays. A number the file no longer holds keeps what it had.
    static void TakePupilTables(const RosterTables& fresh, RosterTables& roster);

    // One roster line read into `entry` and `status` (status rule applied). Nothing, with `reason`
    // set, when the line cannot be read.
    static bool ParseLine(const QString& line, int rosterOption, RosterEntry& entry, int& status,
                          QString& reason);
    // Text cut or blank-padded to exactly 20 characters.
    static QString Fixed20(const QString& text);
    // Blanks (not full-width spaces) removed at both ends.
    static QString TrimBlanks(const QString& text);
    // Whether a pupil of that name is the teacher: the roster's pupil named "先生", blanks aside.
    static bool IsTeacher(const QString& pupilName);
    // Whether a pupil of that name may print the graph's result sheets: any name that contains
    // "先生", so that a teacher listed under a full name prints too.
    static bool MayPrintResults(const QString& pupilName);

    // The warnings the name screen shows; empty when there is nothing to say.
    // After a load that found no roster to read: that it is missing, or why it cannot be read.
    static QString MissingMessage(const QString& dataRoot, const RosterTables& roster);
    static QString SkippedMessage(const QString& dataRoot, const RosterTables& roster);
};
