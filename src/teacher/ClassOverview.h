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

    enum class Mark { None, Passed, Barred, PassedAndBarred };
    static QString MarkText(Mark mark); // "", "◎", "禁", "◎禁"

    struct Cell {
        int Attempts = 0;                // in the period, under 6000 s as the menu counts them
        qint32 Best = Limits::NoTime;    // fastest finished attempt in the period; NoTime: none
        qint64 Points = 0;               // all time, as the menu's totals
        Mark Marked = Mark::None;
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
        std::vector<Row> Rows;
        Summary Class;
    };

    // `in` as for the menu's lists (roster with its school year, result tables, criteria, the
    // grade filter's text, now); `records` the last records of the score file.
    static Table Compute(const std::vector<ScoreRecord>& records, const ResultLists::Inputs& in, Period period);

    // The column headings, the rows' texts and the class row, as the screen, paper and the CSV
    // file show them: number, name, then per level attempts, best, points and mark, then the
    // pupil's attempts and points over all levels.
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
