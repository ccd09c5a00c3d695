#pragma once
#include "menu/ResultLists.h"
#include "records/ScoreRecord.h"
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// The teacher's class overview (学級一覧): one row per listed pupil that the grade filter passes,
// and for each level of the menu the pupil's attempts and best time in a period, the all-time
// points and the pass or bar mark; a last row with the class's figures.
class ClassOverview {
public:
    // The menu's period choices, and today.
    enum class Period { Today, ThisWeek, SinceLastWeek, Month, Year, All };
    static QStringList PeriodTexts(); // in the order of Period
    static QString PeriodText(Period period);

    // How far a pupil has come on a level, in the order the mark column sorts.
    enum class Progress {
        NotStarted, // no attempt at all
        Started,    // attempted (time-outs too), not passed in the judgement window
        Passed,     // passed in the judgement window
    };
    // "－", "△" or "◎", followed by "禁" when the level menu bars the level.
    static QString MarkText(Progress progress, bool barred);
    // What the marks mean, for the screen and the paper.
    static QString Legend();

    struct Cell {
        int Attempts = 0;                // in the period, under 6000 s as the menu counts them
        qint32 Best = Limits::NoTime;    // fastest of those attempts; NoTime: none
        qint64 Points = 0;               // all time, as the menu's totals
        Progress Reached = Progress::NotStarted;
        bool Barred = false;             // the level menu does not start the level for the pupil
    };
    struct Row {
        int Pupil = 0;
        QString Name;   // without surrounding blanks
        QString Grade;  // the roster's grade label
        std::vector<Cell> Levels; // index 0 is level 1
        int Attempts = 0;
        qint64 Points = 0;
    };
    struct Summary {
        std::vector<int> Passed;          // pupils who passed, per level
        std::vector<int> LevelAttempts;   // per level
        std::vector<double> AverageBest;  // of the pupils with a best time; 0: none
        int Attempts = 0;
        qint64 Points = 0;
    };
    struct Table {
        int LevelCount = 0;
        QStringList LevelNames;
        Period Chosen = Period::ThisWeek;  // the period of the attempts and best times
        QStringList JudgeWindows;          // per level, "最近7日": the window its mark judges
        std::vector<Row> Rows;
        Summary Class;
    };

    // `in` as for the menu's lists (roster with its school year, result tables, criteria, levels
    // and whether all are open, the grade filter's text, now); `records` the last records of the
    // score file.
    static Table Compute(const std::vector<ScoreRecord>& records, const ResultLists::Inputs& in, Period period);

    // A column heading in its parts: the group it belongs to (a level's name, "合計" or nothing),
    // what the column holds, and the period it covers (nothing for the number and name).
    struct Heading {
        QString Group;
        QString Content;
        QString Period;
        // "レベル１ 回数（今週）"
        QString Text() const;
    };
    // The column headings, the rows' texts and the class row, as the screen, paper and the CSV
    // file show them: number, name, then per level attempts, best, points and mark, then the
    // pupil's attempts and points over all levels.
    static std::vector<Heading> HeadingParts(const Table& table);
    static QStringList Headings(const Table& table);
    static QStringList RowTexts(const Row& row);
    // One text of RowTexts, made alone (a view asks for the cells it shows).
    static QString CellText(const Row& row, int column);
    // How many characters of the fixed-pitch font a column's texts take at most.
    static int ColumnChars(const Table& table, int column);
    static QStringList SummaryTexts(const Table& table);
    // The table as a spreadsheet file: UTF-8 with a byte order mark, CR LF, as the results export.
    static QByteArray Csv(const Table& table);
};
