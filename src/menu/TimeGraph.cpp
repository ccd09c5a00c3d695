#include "menu/TimeGraph.h"
#include "base/OleDate.h"
#include "drill/LevelCatalogue.h"
#include "records/ResultTables.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include <algorithm>
#include <cmath>

namespace {

constexpr int HistoryDays = 3650;
constexpr double FirstTop = 0.05;
constexpr double BandStep = 0.3;

using Text = GraphBand::Text;
using Anchor = GraphBand::Anchor;

QString PupilName(int pupil, const ResultLists::Inputs& in)
{
    return Limits::IsPupilSlot(pupil) ? RosterFile::TrimBlanks(in.Roster->PupilName[std::size_t(pupil)]) : QString();
}

QString LevelName(int level, const ResultLists::Inputs& in)
{
    return in.Catalogue && Limits::IsLevelSlot(level) ? in.Catalogue->LevelName[std::size_t(level)] : QString();
}

// A date as written under the axis: MM/DD when the year is that of the record point before it.
QString ShortDate(const QString& date, const QString& previous)
{
    return date.left(5) == previous.left(5) ? date.right(5) : date;
}

// The time text of the lists: the seconds followed by "秒".
QString TimeText(qint32 seconds) { return QString::number(seconds) + QStringLiteral("秒"); }

// Record points 1 and N carry their time and date, and when there are more than five, every
// third from 3 to N - 2 as well.
bool Labelled(int point, int count)
{
    if (point == 1 || point == count)
        return true;
    return count > 5 && point % 3 == 0 && point <= count - 2;
}

} // namespace

QString TimeGraph::Formatted(double value)
{
    if (!std::isfinite(value))
        return QString();
    const double whole = std::round(value);
    if (whole == 0)
        return QString();
    return QString::number(qint64(whole));
}

QString TimeGraph::Padded(const QString& text, int width)
{
    return (QStringLiteral("      ") + text).right(width);
}

std::vector<TimeGraph::Placement> TimeGraph::Plan(const std::vector<int>& levels, int levelCount)
{
    std::vector<Placement> plan;
    int page = 0;
    int slot = -1;
    for (const int level : levels) {
        if (level < Limits::FirstLevel || level > std::min(levelCount, Limits::LastLevel))
            break;
        if (++slot == BandsPerPage) {
            ++page;
            slot = 0;
        }
        plan.push_back({level, page, FirstTop + BandStep * slot});
    }
    return plan;
}

ResultLists::Ranking TimeGraph::TimeRanking(int level, const Inputs& in)
{
    return ResultLists::LevelRanking(level, ResultLists::TimeDisplay, in.Period, in.Lists);
}

ResultLists::Ranking TimeGraph::PointsRanking(int level, const Inputs& in)
{
    return ResultLists::LevelRanking(level, ResultLists::PointsDisplay, in.Period, in.Lists);
}

TimeGraph::Standing TimeGraph::StandingIn(const ResultLists::Ranking& times, const ResultLists::Ranking& points,
                                          int level, int pupil, const Inputs& in)
{
    Standing standing;
    if (!Limits::IsLevel(level) || !Limits::IsPupilSlot(pupil))
        return standing;
    for (std::size_t row = 0; row < times.Pupils.size(); ++row)
        if (times.Pupils[row] == pupil) {
            standing.TimeRank = times.Ranks[row] == ResultLists::Ranking::NoRank ? QStringLiteral("---")
                                                                                 : Formatted(times.Ranks[row]);
            break;
        }
    for (std::size_t row = 0; row < points.Pupils.size(); ++row) {
        const int p = points.Pupils[row];
        const qint64 total = in.Lists.Results->TotalPoints(level, p);
        if (total > 0) {
            ++standing.PupilsWithPoints;
            standing.PointsSum += total;
        }
        if (p == pupil) {
            standing.PointsRank = Formatted(points.Ranks[row]);
            standing.AllTimePoints = total;
        }
    }
    return standing;
}

GraphBand TimeGraph::Band(const std::vector<ScoreRecord>& records, int level, int pupil, const Standing& standing,
                          const Inputs& in, const QSizeF& page, const Placement& where, Surface surface)
{
    GraphBand band;
    band.Level = level;
    band.Pupil = pupil;
    const double w = page.width();
    const double w2 = w / 2;
    const double h3 = page.height() / 3;
    const double y = where.Top * page.height();
    band.Top = y;
    const bool paper = surface == Surface::Paper;

    if (where.Top < 0.08)
        band.Texts.push_back({PupilName(pupil, in.Lists), QPointF(0.01 * w2, 0.02 * h3), 3});
    band.Lines.push_back({QLineF(0, y, w, y), GraphBand::Pen::Separator});
    band.Lines.push_back({QLineF(0, y + 0.09 * h3, w, y + 0.09 * h3), GraphBand::Pen::Separator});
    band.Texts.push_back({in.ProgramTitle + QStringLiteral(" ") + LevelName(level, in.Lists),
                          QPointF(0.7 * w2, y + 0.01 * h3), paper ? 3.0 : 2.0});

    const double start = OleDate::FromDateTime(in.Lists.Now) - HistoryDays;
    // Every record of the level in the window counts for the school, whoever its pupil is (pupil 0,
    // a record a teacher took out of the lists, included); the pupil's own are among them.
    const auto taken = [&](const ScoreRecord& r) {
        return r.Level == level && ResultLists::OnMenuLevel(r, in.Lists) && r.Date > start;
    };

    // The pupil's attempts that the chart shows.
    int count = 0;
    qint64 sum = 0;
    qint32 longest = 0;
    for (const ScoreRecord& r : records)
        if (taken(r) && r.Pupil == pupil && r.Seconds < ChartedBelow) {
            ++count;
            sum += r.Seconds;
            longest = std::max(longest, r.Seconds);
        }
    const qint32 ymax = std::min((longest / 10 + 1) * 10, YMaxCap);
    band.YMax = ymax;

    const double axisY = y + 0.8 * h3;
    const double axisX = 0.2 * w2;
    band.Lines.push_back({QLineF(axisX, axisY, 0.9 * w2, axisY), GraphBand::Pen::Axis});
    band.Lines.push_back({QLineF(axisX, axisY, axisX, y + 0.1 * h3), GraphBand::Pen::Axis});

    struct RecordPoint {
        QPointF At;
        qint32 Seconds = 0;
        QString Date;
    };
    std::vector<RecordPoint> recordPoints;
    int n = 0;
    qint64 schoolCount = 0;
    qint64 schoolSum = 0;
    qint32 schoolBest = Limits::NoTime;
    double newestDate = 0;
    const bool shown = ResultLists::PupilShown(pupil, in.Lists);
    for (const ScoreRecord& r : records) {
        if (!taken(r))
            continue;
        newestDate = r.Date;
        if (r.Seconds < ChartedBelow) {
            ++schoolCount;
            schoolSum += r.Seconds;
        }
        schoolBest = std::min(schoolBest, r.Seconds);
        if (r.Pupil != pupil || r.Seconds >= ChartedBelow)
            continue;
        ++n;
        if (!shown)
            continue;
        // Times beyond the capped axis stay on its top rather than climb into the band above.
        const double x = (0.2 + 0.7 * n / count) * w2;
        const double dotY = y + (0.8 - 0.7 * std::min(r.Seconds, ymax) / ymax) * h3;
        const bool record = (recordPoints.empty() || r.Seconds < recordPoints.back().Seconds)
            && int(recordPoints.size()) < MaxRecordPoints;
        if (record)
            recordPoints.push_back({QPointF(x, dotY), r.Seconds, ResultLists::DateText(r.Date)});
        band.Dots.push_back({QPointF(x, dotY), record});
    }

    const double step = (paper ? 0.06 : 0.08) * h3;
    const QPointF tableAt(1.05 * w2, y + 0.05 * h3);
    const auto line = [&](int index, const QString& text, double extra = 0) {
        band.Texts.push_back({text, tableAt + QPointF(0, (index + extra) * step), 1.5});
        band.TableLines << text;
    };
    line(0, QStringLiteral("回数　　　　　　　") + Padded(Formatted(count), 3) + QStringLiteral("回"));
    line(1, QStringLiteral("タイム  　　 　    本人 / 塾全体"));
    line(2, QStringLiteral("　　順位　　　　") + Padded(standing.TimeRank, 5) + QStringLiteral("位"));
    line(3, QStringLiteral("　　最高　　　　") + Padded(recordPoints.empty() ? QString() : TimeText(recordPoints.back().Seconds), 6)
                + QStringLiteral(" /") + Padded(Formatted(schoolBest), 5) + QStringLiteral("秒"));
    if (count != 0)
        line(4, QStringLiteral("　　平均　　　　") + Padded(Formatted(std::floor(double(sum) / count)), 5)
                    + QStringLiteral("秒") + QStringLiteral(" /")
                    + Padded(Formatted(double(schoolSum) / double(schoolCount)), 5) + QStringLiteral("秒"));
    line(5, QStringLiteral("ポイント  　　　"));
    line(6, QStringLiteral("　　順位　　　　") + Padded(standing.PointsRank, 5) + QStringLiteral("位"));
    line(7, QStringLiteral("　　獲得ポイント") + Padded(Formatted(double(standing.AllTimePoints)), 5)
                + QStringLiteral("点"));
    if (standing.PupilsWithPoints != 0) {
        line(8, QStringLiteral("　　　　　　　　　　　　/")
                    + Padded(Formatted(double(standing.PointsSum) / standing.PupilsWithPoints), 5)
                    + QStringLiteral("点"));
        // Half a line lower on paper; on the screen the lines stand closer than the font is high.
        line(8, QStringLiteral("　　　　　　　　　　　　 (塾平均)"), paper ? 0.5 : 1.0);
    }

    if (recordPoints.empty())
        return band;
    band.Texts.push_back({ResultLists::DateText(newestDate),
                          QPointF(band.Dots.back().At.x() - 0.025 * w2, axisY + 0.05 * h3), 1});
    for (std::size_t i = 0; i < recordPoints.size(); ++i) {
        band.Records.push_back(recordPoints[i].At);
        if (i > 0)
            band.Lines.push_back({QLineF(recordPoints[i - 1].At, recordPoints[i].At), GraphBand::Pen::RecordLine});
    }
    band.Texts.push_back({QStringLiteral("0秒"), QPointF(axisX - 0.01 * w2, axisY), 1, Anchor::BottomRight});
    band.Texts.push_back({QString::number(ymax) + QStringLiteral("秒"), QPointF(axisX - 0.01 * w2, y + 0.1 * h3), 1,
                          Anchor::TopRight});
    const int total = int(recordPoints.size());
    for (int i = 1; i <= total; ++i) {
        if (!Labelled(i, total))
            continue;
        const RecordPoint& p = recordPoints[std::size_t(i - 1)];
        const QString previous = i > 1 ? recordPoints[std::size_t(i - 2)].Date : QString();
        band.Texts.push_back({TimeText(p.Seconds), p.At - QPointF(0, 0.01 * h3), 1, Anchor::BottomCentre});
        band.Texts.push_back({ShortDate(p.Date, previous), QPointF(p.At.x(), axisY + 0.01 * h3), 1, Anchor::TopCentre});
    }
    return band;
}

std::vector<TimeGraph::PupilChoice> TimeGraph::PupilChoices(const RosterTables& roster)
{
    std::vector<PupilChoice> choices;
    const int n = std::clamp(roster.ListedCount, 0, int(roster.ListedPupils.size()) - 1);
    for (int k = 1; k <= n; ++k) {
        const int p = roster.ListedPupils[std::size_t(k)];
        if (!Limits::IsPupilSlot(p))
            continue;
        choices.push_back({roster.PupilGradeLabel[std::size_t(p)] + QStringLiteral(" /  ")
                               + RosterFile::TrimBlanks(roster.PupilName[std::size_t(p)]) + QStringLiteral("/")
                               + QString::number(p),
                           p});
    }
    return choices;
}
