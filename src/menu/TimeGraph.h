#pragma once
#include "menu/GraphBand.h"
#include "menu/ResultLists.h"
#include "records/ScoreRecord.h"
#include <QSizeF>
#include <QString>
#include <vector>

// The time graph of one pupil: for each chosen level a band with every attempt of the last ten
// years as a point (new personal bests red and joined by a line) and a table of counts, ranks,
// bests and averages against the whole school. Three bands to a page, on the screen and on A4.
class TimeGraph {
public:
    enum class Surface { Screen, Paper };

    struct Inputs {
        ResultLists::Inputs Lists;  // roster, tables, criteria, levels, grade selector, now
        ResultLists::PointsPeriod Period = ResultLists::AllTimeLead;
        QString ProgramTitle;
    };

    // A band's place: its page (from 0) and its top as a fraction of the page's height.
    struct Placement {
        int Level = 0;
        int Page = 0;
        double Top = 0;
    };

    // The pupil's standing on a level against the school.
    struct Standing {
        QString TimeRank;       // the rank by best time, "---" without an attempt, empty when not listed
        QString PointsRank;     // empty when not listed
        qint64 AllTimePoints = 0;
        int PupilsWithPoints = 0;
        qint64 PointsSum = 0;   // of the pupils with points
    };

    // A row of the pupil chooser and the pupil it stands for.
    struct PupilChoice {
        QString Row;
        int Pupil = 0;
    };

    // How many records the graph looks at, counted back from the end of the score file.
    static constexpr int Window = ResultLists::PeriodWindow;
    // Attempts from this many seconds on are left off the chart and out of the pupil's figures.
    static constexpr qint32 ChartedBelow = 1800;
    static constexpr qint32 YMaxCap = 1000;
    static constexpr int MaxRecordPoints = 10000;
    static constexpr int BandsPerPage = 3;

    // Where the bands of `levels` (in the order chosen) go; levels beyond the menu's end the plan.
    static std::vector<Placement> Plan(const std::vector<int>& levels, int levelCount);
    // The pupil's place in the level's rankings by time and by points, found by pupil number.
    static Standing StandingIn(const ResultLists::Ranking& times, const ResultLists::Ranking& points, int level,
                               int pupil, const Inputs& in);
    static ResultLists::Ranking TimeRanking(int level, const Inputs& in);
    static ResultLists::Ranking PointsRanking(int level, const Inputs& in);
    // The band of `level` for `pupil` on a page of `page` size; `records` as read from the score
    // file (the last Window records), oldest first.
    static GraphBand Band(const std::vector<ScoreRecord>& records, int level, int pupil, const Standing& standing,
                          const Inputs& in, const QSizeF& page, const Placement& where, Surface surface);
    // Every listed pupil of `roster`: grade label, " /  ", name, "/", number.
    static std::vector<PupilChoice> PupilChoices(const RosterTables& roster);

    // A whole number written with no leading zeros or separators, nearest whole; empty for 0.
    static QString Formatted(double value);
    // The last `width` characters of six blanks followed by `text`.
    static QString Padded(const QString& text, int width);
};
