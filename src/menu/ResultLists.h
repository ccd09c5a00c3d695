#pragma once
#include "base/Limits.h"
#include "records/PassCriteria.h"
#include "records/ScoreRecord.h"
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

struct LevelCatalogue;
struct LoadedScores;
struct ResultTables;
struct RosterTables;

// The rows of the level menu's per-level result lists: today's attempts, a period's attempts, the
// level rankings by best time or by points, and the working pupil's time history. Built without
// widgets from the score records and the tables; the menu only shows them.
class ResultLists {
public:
    enum DisplayMode { TimeDisplay = 1, PointsDisplay = 2 };
    enum PointsPeriod { AllTimeLead = 1, TodayLead = 2 };

    // What every list reads.
    struct Inputs {
        const RosterTables* Roster = nullptr;
        const LoadedScores* Scores = nullptr;   // BestSeconds
        const ResultTables* Results = nullptr;  // TotalPoints, TodayPoints
        const CriteriaTable* Criteria = nullptr;
        const LevelCatalogue* Catalogue = nullptr;
        int LevelCount = 0;
        bool AllLevelsOpen = false; // the installation's choice, as the menu's start buttons follow it
        int CurrentPupil = 0;
        QString GradeFilterText; // the menu's grade selector
        QDateTime Now;
    };

    // Rows per level (index = level number; 0 unused).
    using LevelRows = std::array<QStringList, Limits::LevelSlots>;

    // One level's ranking and the row to bring into view (-1: none); per row, the pupil and the
    // rank (NoRank for a pupil without an attempt).
    struct Ranking {
        static constexpr int NoRank = -1;
        QStringList Rows;
        int SelectedRow = -1;
        std::vector<int> Pupils;
        std::vector<int> Ranks;
    };

    // How many records each list looks at, counted back from the end of the score file.
    static constexpr int TodayWindow = 1000;
    static constexpr int PeriodWindow = 20000;

    // A record the lists may show: a pupil's attempt on a level of the menu, with a date and time
    // that can be written.
    static bool Listable(const ScoreRecord& record, const Inputs& in);
    // A record on a level of the menu with a date and time that can be written, of any pupil
    // number 0–5000 (0: nobody's, as a teacher may set it to take a record out of the lists).
    static bool OnMenuLevel(const ScoreRecord& record, const Inputs& in);
    // Whether the grade selector lets `pupil` be listed.
    static bool PupilShown(int pupil, const Inputs& in);
    // The date of a record as yyyy/MM/dd.
    static QString DateText(double date);
    // The grade selector's verdict for a grade index; "家族" passes everyone.
    static bool PassesGradeFilter(const QString& selectorText, int gradeIndex);
    // The days of ListPeriod 1–5 (this week … ten years) on `today`; `previous` for any other value.
    static int PeriodDays(int listPeriod, const QDate& today, int previous);
    // Points of a listed attempt: before the level's rate, 0 at 99998 s or more.
    static qint32 ListPoints(qint32 targetTime, qint32 seconds);
    // Top-down merge sort of elements 1…n of keys and payload (index 0 unused). Equal keys come out
    // in the reverse of their order before the sort, so two passes in a row leave them in it.
    static void SortByKey(int n, std::vector<qint32>& keys, std::vector<qint16>& payload);

    // Today's attempts among `records` (the last TodayWindow records, oldest first).
    static LevelRows TodayRows(const std::vector<ScoreRecord>& records, const Inputs& in);
    // The attempts of the last `periodDays` days among `records` (the last PeriodWindow records).
    static LevelRows PeriodRows(const std::vector<ScoreRecord>& records, DisplayMode mode, int periodDays,
                                const Inputs& in);
    // Level `level`'s ranking of every listed pupil.
    static Ranking LevelRanking(int level, DisplayMode mode, PointsPeriod period, const Inputs& in);
    // CurrentPupil's attempts of the last ten years among `records` (the last PeriodWindow records).
    static LevelRows HistoryRows(const std::vector<ScoreRecord>& records, const Inputs& in);
};
