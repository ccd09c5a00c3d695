#include "teacher/ClassOverview.h"
#include "base/OleDate.h"
#include "drill/LevelCatalogue.h"
#include "records/ResultEvaluation.h"
#include "records/ResultTables.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include <algorithm>
#include <cmath>

namespace {
// The lists take an attempt at 90000 s or more for a failed one.
constexpr qint32 FailedFrom = 90000;

int LevelsOf(const ResultLists::Inputs& in) { return std::clamp(in.LevelCount, 0, Limits::LastLevel); }

// The first day of the period as an OLE date (records of later days count), or -inf for all.
double Start(ClassOverview::Period period, const QDateTime& now)
{
    const QDate today = now.date();
    const double day = OleDate::FromDate(today);
    switch (period) {
    case ClassOverview::Period::Today: return day;
    case ClassOverview::Period::ThisWeek: return day - ResultLists::PeriodDays(1, today, 0) + 1;
    case ClassOverview::Period::SinceLastWeek: return day - ResultLists::PeriodDays(2, today, 0) + 1;
    case ClassOverview::Period::Month: return day - ResultLists::PeriodDays(3, today, 0) + 1;
    case ClassOverview::Period::Year: return day - ResultLists::PeriodDays(4, today, 0) + 1;
    case ClassOverview::Period::All: break;
    }
    return -HUGE_VAL;
}

QString Number(qint64 n) { return n == 0 ? QString() : QString::number(n); }
QString Seconds(qint32 s) { return s >= Limits::NoTime ? QString() : QString::number(s); }
QString Average(double v) { return v > 0 ? QString::number(qint64(std::llround(v))) : QString(); }

// A CSV field: quoted when it holds a separator, a quote or a line end.
QString Field(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}
} // namespace

QStringList ClassOverview::PeriodTexts()
{
    return {QStringLiteral("今日"), QStringLiteral("今週"), QStringLiteral("先週から"), QStringLiteral("１ヶ月間"),
            QStringLiteral("１年間"), QStringLiteral("今まで")};
}

QString ClassOverview::PeriodText(Period period) { return PeriodTexts().value(int(period)); }

QString ClassOverview::MarkText(Mark mark)
{
    switch (mark) {
    case Mark::Passed: return QStringLiteral("◎");
    case Mark::Barred: return QStringLiteral("禁");
    case Mark::PassedAndBarred: return QStringLiteral("◎禁");
    case Mark::None: break;
    }
    return QString();
}

ClassOverview::Table ClassOverview::Compute(const std::vector<ScoreRecord>& records, const ResultLists::Inputs& in,
                                            Period period)
{
    Table table;
    const int levels = LevelsOf(in);
    table.LevelCount = levels;
    for (int l = 1; l <= levels; ++l)
        table.LevelNames << (in.Catalogue ? in.Catalogue->LevelName[std::size_t(l)] : QStringLiteral("レベル%1").arg(l));

    // The row of each pupil shown, by pupil number.
    std::vector<int> rowOf(std::size_t(Limits::PupilSlots), -1);
    const RosterTables& roster = *in.Roster;
    const int listed = std::clamp(roster.ListedCount, 0, int(roster.ListedPupils.size()) - 1);
    for (int k = 1; k <= listed; ++k) {
        const int p = roster.ListedPupils[std::size_t(k)];
        if (!Limits::IsPupilSlot(p) || p == 0 || rowOf[std::size_t(p)] >= 0 || !ResultLists::PupilShown(p, in))
            continue;
        Row row;
        row.Pupil = p;
        row.Name = RosterFile::TrimBlanks(roster.PupilName[std::size_t(p)]);
        row.Grade = roster.PupilGradeLabel[std::size_t(p)];
        row.Levels.resize(std::size_t(levels));
        for (int l = 1; l <= levels; ++l) {
            Cell& c = row.Levels[std::size_t(l - 1)];
            c.Points = in.Results->TotalPoints(l, p);
            const bool passed = ResultEvaluation::Passed(*in.Criteria, *in.Results, l, p);
            const bool barred = ResultEvaluation::Overdoing(*in.Criteria, *in.Results, l, p);
            c.Marked = passed && barred ? Mark::PassedAndBarred : passed ? Mark::Passed : barred ? Mark::Barred : Mark::None;
            row.Points += c.Points;
        }
        rowOf[std::size_t(p)] = int(table.Rows.size());
        table.Rows.push_back(std::move(row));
    }

    const double start = Start(period, in.Now);
    for (const ScoreRecord& r : records) {
        if (!ResultLists::Listable(r, in) || r.Level > levels || !(r.Date >= start))
            continue;
        const int at = rowOf[std::size_t(r.Pupil)];
        if (at < 0)
            continue;
        Row& row = table.Rows[std::size_t(at)];
        Cell& c = row.Levels[std::size_t(r.Level - 1)];
        if (r.Seconds < Limits::CountedBelow) {
            ++c.Attempts;
            ++row.Attempts;
        }
        if (r.Seconds < FailedFrom)
            c.Best = std::min(c.Best, r.Seconds);
    }

    Summary& s = table.Class;
    s.Passed.assign(std::size_t(levels), 0);
    s.LevelAttempts.assign(std::size_t(levels), 0);
    s.AverageBest.assign(std::size_t(levels), 0);
    for (int l = 0; l < levels; ++l) {
        qint64 bestSum = 0;
        int withBest = 0;
        for (const Row& row : table.Rows) {
            const Cell& c = row.Levels[std::size_t(l)];
            s.Passed[std::size_t(l)] += c.Marked == Mark::Passed || c.Marked == Mark::PassedAndBarred;
            s.LevelAttempts[std::size_t(l)] += c.Attempts;
            if (c.Best < Limits::NoTime) {
                bestSum += c.Best;
                ++withBest;
            }
        }
        s.AverageBest[std::size_t(l)] = withBest > 0 ? double(bestSum) / withBest : 0;
        s.Attempts += s.LevelAttempts[std::size_t(l)];
    }
    for (const Row& row : table.Rows)
        s.Points += row.Points;
    return table;
}

QStringList ClassOverview::Headings(const Table& table)
{
    QStringList h{QStringLiteral("番号"), QStringLiteral("名前")};
    for (const QString& name : table.LevelNames)
        h << name + QStringLiteral(" 回数") << name + QStringLiteral(" 最高") << name + QStringLiteral(" 点")
          << name + QStringLiteral(" 合否");
    h << QStringLiteral("合計回数") << QStringLiteral("合計点");
    return h;
}

QStringList ClassOverview::RowTexts(const Row& row)
{
    QStringList t;
    const int columns = 2 + 4 * int(row.Levels.size()) + 2;
    for (int c = 0; c < columns; ++c)
        t << CellText(row, c);
    return t;
}

QString ClassOverview::CellText(const Row& row, int column)
{
    if (column == 0)
        return QString::number(row.Pupil);
    if (column == 1)
        return row.Name;
    const int levelColumns = 4 * int(row.Levels.size());
    const int c = column - 2;
    if (c >= 0 && c < levelColumns) {
        const Cell& cell = row.Levels[std::size_t(c / 4)];
        switch (c % 4) {
        case 0: return Number(cell.Attempts);
        case 1: return Seconds(cell.Best);
        case 2: return Number(cell.Points);
        default: return MarkText(cell.Marked);
        }
    }
    if (c == levelColumns)
        return Number(row.Attempts);
    return c == levelColumns + 1 ? Number(row.Points) : QString();
}

int ClassOverview::ColumnChars(const Table& table, int column)
{
    if (column == 1) {
        int longest = 6;
        for (const Row& row : table.Rows)
            longest = std::max(longest, int(row.Name.size()) * 2);
        return longest;
    }
    const int c = column - 2;
    if (c >= 0 && c < 4 * table.LevelCount)
        return 6;
    return 7;
}

QStringList ClassOverview::SummaryTexts(const Table& table)
{
    const Summary& s = table.Class;
    QStringList t{QString(), QStringLiteral("クラス（%1人）").arg(table.Rows.size())};
    for (int l = 0; l < table.LevelCount; ++l)
        t << Number(s.LevelAttempts[std::size_t(l)]) << Average(s.AverageBest[std::size_t(l)]) << QString()
          << QStringLiteral("◎%1").arg(s.Passed[std::size_t(l)]);
    t << Number(s.Attempts) << Number(s.Points);
    return t;
}

QByteArray ClassOverview::Csv(const Table& table)
{
    QString text;
    const auto line = [&text](const QStringList& fields) {
        QStringList quoted;
        for (const QString& f : fields)
            quoted << Field(f);
        text += quoted.join(u',') + QStringLiteral("\r\n");
    };
    line(Headings(table));
    for (const Row& row : table.Rows)
        line(RowTexts(row));
    line(SummaryTexts(table));
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}
