#include "teacher/ClassOverview.h"
#include "base/OleDate.h"
#include "drill/LevelCatalogue.h"
#include "menu/LevelUnlock.h"
#include "records/ResultEvaluation.h"
#include "records/ResultTables.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include <algorithm>
#include <cmath>

namespace {
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

QString ClassOverview::MarkText(Progress progress, bool barred)
{
    QString text;
    switch (progress) {
    case Progress::NotStarted: text = QStringLiteral("\uFF0D"); break;
    case Progress::Started: text = QStringLiteral("△"); break;
    case Progress::Passed: text = QStringLiteral("◎"); break;
    }
    return barred ? text + QStringLiteral("禁") : text;
}

QString ClassOverview::Legend()
{
    return QStringLiteral("◎ 合格　△ 挑戦中（まだ合格していない）　\uFF0D まだやっていない　禁 やりすぎ禁止");
}

ClassOverview::Table ClassOverview::Compute(const std::vector<ScoreRecord>& records, const ResultLists::Inputs& in,
                                            Period period)
{
    Table table;
    const int levels = LevelsOf(in);
    table.LevelCount = levels;
    table.Chosen = period;
    for (int l = 1; l <= levels; ++l) {
        table.LevelNames << (in.Catalogue ? in.Catalogue->LevelName[std::size_t(l)] : QStringLiteral("レベル%1").arg(l));
        table.JudgeWindows << QStringLiteral("最近") + (*in.Criteria)[std::size_t(l)].JudgeDays.ToText() + QStringLiteral("日");
    }
    static const LevelCatalogue NoCatalogue;
    const LevelCatalogue& catalogue = in.Catalogue ? *in.Catalogue : NoCatalogue;

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
        // 禁 where the pupil's menu refuses to start the level, not wherever the limits are reached.
        const LevelUnlock::Decision menu = LevelUnlock::Decide(catalogue, levels, in.AllLevelsOpen, *in.Criteria,
                                                               *in.Results, p);
        for (int l = 1; l <= levels; ++l) {
            Cell& c = row.Levels[std::size_t(l - 1)];
            c.Points = in.Results->TotalPoints(l, p);
            c.Barred = menu.Barred[std::size_t(l)];
            // The records given are only the end of the score file; the tables have seen all of it.
            if (ResultEvaluation::Passed(*in.Criteria, *in.Results, l, p))
                c.Reached = Progress::Passed;
            else if (in.Results->AttemptCount(l, p) > 0 || c.Points > 0)
                c.Reached = Progress::Started;
            row.Points += c.Points;
        }
        rowOf[std::size_t(p)] = int(table.Rows.size());
        table.Rows.push_back(std::move(row));
    }

    const double start = Start(period, in.Now);
    for (const ScoreRecord& r : records) {
        if (!ResultLists::Listable(r, in) || r.Level > levels)
            continue;
        const int at = rowOf[std::size_t(r.Pupil)];
        if (at < 0)
            continue;
        Row& row = table.Rows[std::size_t(at)];
        Cell& c = row.Levels[std::size_t(r.Level - 1)];
        // Any attempt, whenever made and however it ended, means the pupil has begun the level.
        if (c.Reached == Progress::NotStarted)
            c.Reached = Progress::Started;
        // Attempts and best time count the same attempts as the menu does.
        if (!(r.Date >= start) || r.Seconds >= Limits::CountedBelow)
            continue;
        ++c.Attempts;
        ++row.Attempts;
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
            s.Passed[std::size_t(l)] += c.Reached == Progress::Passed;
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

QString ClassOverview::Heading::Text() const
{
    QString text = Group.isEmpty() ? Content : Group + u' ' + Content;
    return Period.isEmpty() ? text : text + QStringLiteral("（") + Period + QStringLiteral("）");
}

std::vector<ClassOverview::Heading> ClassOverview::HeadingParts(const Table& table)
{
    const QString chosen = PeriodText(table.Chosen);
    const QString allTime = PeriodText(Period::All);
    std::vector<Heading> h{{QString(), QStringLiteral("番号"), QString()}, {QString(), QStringLiteral("名前"), QString()}};
    for (int l = 0; l < table.LevelCount; ++l) {
        const QString name = table.LevelNames.value(l);
        h.push_back({name, QStringLiteral("回数"), chosen});
        h.push_back({name, QStringLiteral("最高"), chosen});
        h.push_back({name, QStringLiteral("点"), allTime});
        h.push_back({name, QStringLiteral("合否"), table.JudgeWindows.value(l)});
    }
    h.push_back({QStringLiteral("合計"), QStringLiteral("回数"), chosen});
    h.push_back({QStringLiteral("合計"), QStringLiteral("点"), allTime});
    return h;
}

QStringList ClassOverview::Headings(const Table& table)
{
    QStringList texts;
    for (const Heading& h : HeadingParts(table))
        texts << h.Text();
    return texts;
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
        default: return MarkText(cell.Reached, cell.Barred);
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
