#include "menu/ResultLists.h"
#include "base/OleDate.h"
#include "records/LoadedScores.h"
#include "records/Points.h"
#include "records/ResultEvaluation.h"
#include "records/ResultTables.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The lists show 90000 s or more as a failed attempt, without a time or points.
constexpr qint32 ListedAsFailed = 90000;
constexpr int HistoryDays = 3650;
// A best time that only failed attempts left.
constexpr qint32 FailedBest = Limits::FailedAbove + 1;
// OLE dates of 1 January 100 and 1 January 10000: outside them a stored date is damage, and the
// date texts could not be formed.
constexpr double FirstOleDate = -657434;
constexpr double PastLastOleDate = 2958466;

const QString CurrentMark = QStringLiteral("●");
const QString FailedStart = QStringLiteral("　　× ");

QString TimeText(qint32 seconds) { return QString::number(seconds) + QStringLiteral("秒"); }

// The last `width` characters of blanks followed by `text`.
QString RightColumn(const QString& text, int width)
{
    if (text.size() >= width)
        return text.right(width);
    return QString(width - text.size(), u' ') + text;
}

QString TimeColumn(qint32 seconds) { return RightColumn(TimeText(seconds), 5); }

QString ClockColumn(double timeOfDay) { return OleDate::ToTime(timeOfDay).toString(QStringLiteral("hh:mm")); }

QString FullDate(double date) { return OleDate::ToDate(date).toString(QStringLiteral("yyyy/MM/dd")).right(10); }

QString DateColumn(double date) { return FullDate(date).right(5); }

QString RankColumn(int rank) { return (QStringLiteral(" ") + QString::number(rank)).right(2); }

QString TrimEndBlanks(const QString& text)
{
    qsizetype e = text.size();
    while (e > 0 && text[e - 1] == u' ')
        --e;
    return text.left(e);
}

QString AttemptNameField(const QString& name)
{
    return (RosterFile::TrimBlanks(name) + QStringLiteral("　　　　")).left(5);
}

QString RankingNameField(const QString& name)
{
    return (TrimEndBlanks(name) + QStringLiteral("　　　　　　")).left(5);
}

QString NameOf(int pupil, const ResultLists::Inputs& in)
{
    return Limits::IsPupilSlot(pupil) ? in.Roster->PupilName[std::size_t(pupil)] : QString();
}

int GradeOf(int pupil, const ResultLists::Inputs& in)
{
    const int refYear = Limits::IsPupilSlot(pupil) ? in.Roster->PupilRefYear[std::size_t(pupil)] : 0;
    return RosterFile::GradeIndex(refYear, in.Roster->SchoolYear);
}

QString MarkOf(int pupil, const ResultLists::Inputs& in)
{
    return pupil == in.CurrentPupil ? CurrentMark : ResultEvaluation::GradeMark(GradeOf(pupil, in));
}

bool Shown(int pupil, const ResultLists::Inputs& in) { return ResultLists::PupilShown(pupil, in); }

int MenuLevels(const ResultLists::Inputs& in) { return std::clamp(in.LevelCount, 0, Limits::LastLevel); }


// The moment `days` days ago; a record is in the period when its day is later: a period of k days
// is today and the k − 1 days before it, whatever the time of day (this week begins on Monday).
double PeriodStart(const QDateTime& now, int days)
{
    return OleDate::FromDateTime(now) - days;
}

// What the lists of attempts show of a pupil and of a day, worked out once per pupil and per day:
// a window holds thousands of records of a few hundred pupils and days.
class RowParts {
public:
    explicit RowParts(const ResultLists::Inputs& in) : In(in), Pupils(std::size_t(Limits::PupilSlots)) {}

    struct Pupil {
        bool Known = false;
        bool Shown = false;
        QString Mark;
        QString Name; // the name field of the lists of attempts
    };
    const Pupil& Of(int pupil)
    {
        Pupil& p = Pupils[std::size_t(pupil)];
        if (!p.Known) {
            p.Known = true;
            p.Shown = Shown(pupil, In);
            p.Mark = MarkOf(pupil, In);
            p.Name = AttemptNameField(NameOf(pupil, In));
        }
        return p;
    }
    // The date column of a period's list.
    const QString& DateColumnOf(double date)
    {
        if (date != LastDate || LastDateText.isNull()) {
            LastDate = date;
            LastDateText = DateColumn(date);
        }
        return LastDateText;
    }

private:
    const ResultLists::Inputs& In;
    std::vector<Pupil> Pupils;
    double LastDate = 0;
    QString LastDateText;
};

qint32 RecordPoints(const ScoreRecord& r, const ResultLists::Inputs& in)
{
    return ResultLists::ListPoints((*in.Criteria)[std::size_t(r.Level)].TargetTime, r.Seconds);
}

// `when`: the clock column (today) or the date column (a period).
QString AttemptRow(const ScoreRecord& r, const QString& when, ResultLists::DisplayMode mode,
                   const ResultLists::Inputs& in, const RowParts::Pupil& pupil)
{
    // Appended piece by piece: a period's list makes twenty thousand of these.
    QString row;
    row.reserve(32);
    if (r.Seconds >= ListedAsFailed) {
        row.append(FailedStart).append(when).append(pupil.Mark).append(pupil.Name).append(pupil.Mark);
        return row;
    }
    const QString points = QString::number(RecordPoints(r, in));
    if (mode == ResultLists::PointsDisplay)
        row.append(RightColumn(points, 5)).append(u' ');
    else
        row.append(TimeColumn(r.Seconds)).append(u' ');
    row.append(when).append(pupil.Mark).append(pupil.Name).append(pupil.Mark);
    if (mode == ResultLists::PointsDisplay)
        row.append(TimeText(r.Seconds));
    else
        row.append(points);
    return row;
}

void MergeSort(int lo, int hi, qint32* keys, qint16* payload, qint32* tempKeys, qint16* tempPayload)
{
    if (lo >= hi)
        return;
    const int mid = lo + (hi - lo) / 2;
    MergeSort(lo, mid, keys, payload, tempKeys, tempPayload);
    MergeSort(mid + 1, hi, keys, payload, tempKeys, tempPayload);
    const int left = mid - lo + 1;
    std::copy(keys + lo, keys + mid + 1, tempKeys);
    std::copy(payload + lo, payload + mid + 1, tempPayload);
    int i = 0;
    int j = mid + 1;
    int out = lo;
    // Only a strictly smaller key of the left half goes first: equal keys come from the right.
    while (i < left && j <= hi) {
        if (tempKeys[i] < keys[j]) {
            keys[out] = tempKeys[i];
            payload[out] = tempPayload[i];
            ++i;
        } else {
            keys[out] = keys[j];
            payload[out] = payload[j];
            ++j;
        }
        ++out;
    }
    for (; i < left; ++i, ++out) {
        keys[out] = tempKeys[i];
        payload[out] = tempPayload[i];
    }
}

qint32 Clamped32(qint64 value)
{
    return qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

} // namespace

// Damaged records and those of pupil 0 are left out.
bool ResultLists::Listable(const ScoreRecord& r, const Inputs& in)
{
    return r.Pupil >= 1 && OnMenuLevel(r, in);
}

bool ResultLists::OnMenuLevel(const ScoreRecord& r, const Inputs& in)
{
    return Limits::IsPupilSlot(r.Pupil) && r.Level >= Limits::FirstLevel && r.Level <= MenuLevels(in)
        && r.Date >= FirstOleDate && r.Date < PastLastOleDate && std::isfinite(r.TimeOfDay);
}

bool ResultLists::PupilShown(int pupil, const Inputs& in)
{
    return PassesGradeFilter(in.GradeFilterText, GradeOf(pupil, in));
}

QString ResultLists::DateText(double date) { return FullDate(date); }

bool ResultLists::PassesGradeFilter(const QString& selectorText, int gradeIndex)
{
    return selectorText == QStringLiteral("家族") || RosterFile::SelectorPasses(selectorText, gradeIndex);
}

int ResultLists::PeriodDays(int listPeriod, const QDate& today, int previous)
{
    // QDate counts Monday 1 … Sunday 7, so a weekday other than Sunday is already the days of
    // this week up to today.
    const int weekday = today.dayOfWeek();
    const bool sunday = weekday == Qt::Sunday;
    switch (listPeriod) {
    case 1: return sunday ? 7 : weekday;
    case 2: return sunday ? 14 : weekday + 7;
    case 3: return 30;
    case 4: return 365;
    case 5: return HistoryDays;
    default: return previous;
    }
}

qint32 ResultLists::ListPoints(qint32 targetTime, qint32 seconds)
{
    return Points::RawPoints(targetTime, seconds, Points::Reading::FirstThreeDigits);
}

void ResultLists::SortByKey(int n, std::vector<qint32>& keys, std::vector<qint16>& payload)
{
    const qint64 last = qint64(std::min(keys.size(), payload.size())) - 1;
    n = int(std::min<qint64>(n, last));
    if (n < 2)
        return;
    std::vector<qint32> tempKeys(std::size_t(n / 2 + 1));
    std::vector<qint16> tempPayload(std::size_t(n / 2 + 1));
    MergeSort(1, n, keys.data(), payload.data(), tempKeys.data(), tempPayload.data());
}

ResultLists::LevelRows ResultLists::TodayRows(const std::vector<ScoreRecord>& records, const Inputs& in)
{
    LevelRows rows;
    RowParts parts(in);
    const double today = OleDate::FromDate(in.Now.date());
    for (const ScoreRecord& r : records) {
        if (!Listable(r, in) || std::floor(r.Date) != today)
            continue;
        const RowParts::Pupil& pupil = parts.Of(r.Pupil);
        if (pupil.Shown)
            rows[std::size_t(r.Level)] << AttemptRow(r, ClockColumn(r.TimeOfDay), TimeDisplay, in, pupil);
    }
    return rows;
}

ResultLists::LevelRows ResultLists::PeriodRows(const std::vector<ScoreRecord>& records, DisplayMode mode,
                                               int periodDays, const Inputs& in)
{
    LevelRows rows;
    RowParts parts(in);
    const double start = PeriodStart(in.Now, periodDays);
    for (const ScoreRecord& r : records) {
        if (!Listable(r, in) || !(r.Date > start))
            continue;
        const RowParts::Pupil& pupil = parts.Of(r.Pupil);
        if (pupil.Shown)
            rows[std::size_t(r.Level)] << AttemptRow(r, parts.DateColumnOf(r.Date), mode, in, pupil);
    }
    return rows;
}

ResultLists::Ranking ResultLists::LevelRanking(int level, DisplayMode mode, PointsPeriod period, const Inputs& in)
{
    Ranking ranking;
    if (!Limits::IsLevel(level))
        return ranking;
    const RosterTables& roster = *in.Roster;
    const int n = std::clamp(roster.ListedCount, 0, std::min(Limits::MaxPupil, int(roster.ListedPupils.size()) - 1));
    const bool byPoints = mode == PointsDisplay;
    const bool todayLead = period == TodayLead;

    const auto best = [&](int p) { return Limits::IsPupilSlot(p) ? in.Scores->BestSeconds(level, p) : Limits::NoTime; };
    const auto allTime = [&](int p) { return Limits::IsPupilSlot(p) ? in.Results->TotalPoints(level, p) : 0; };
    const auto today = [&](int p) { return Limits::IsPupilSlot(p) ? in.Results->TodayPoints(level, p) : 0; };
    const auto lead = [&](int p) { return todayLead ? today(p) : allTime(p); };

    // key(0) stays 0: the first row shares "rank 0" when its key is 0.
    std::vector<qint32> keys(std::size_t(n) + 1, 0);
    std::vector<qint16> payload(std::size_t(n) + 1, 0);
    for (int k = 1; k <= n; ++k) {
        const int p = roster.ListedPupils[std::size_t(k)];
        payload[std::size_t(k)] = qint16(p);
        if (!byPoints) {
            keys[std::size_t(k)] = best(p);
        } else {
            // Descending by the leading points, then the other ones; points beyond what the key holds
            // stay at its end rather than wrap round.
            const qint64 other = todayLead ? allTime(p) : today(p);
            keys[std::size_t(k)] = Clamped32(1000000 - qint64(lead(p)) * 1000 - other);
        }
    }
    SortByKey(n, keys, payload);
    SortByKey(n, keys, payload);

    int rank = 0;
    for (int k = 1; k <= n; ++k) {
        const int p = payload[std::size_t(k)];
        const bool current = p == in.CurrentPupil;
        const QString mark = MarkOf(p, in);
        const QString name = RankingNameField(NameOf(p, in));
        if (!byPoints) {
            if (keys[std::size_t(k)] != keys[std::size_t(k) - 1])
                rank = k;
            if (!Shown(p, in))
                continue;
            ranking.Pupils.push_back(p);
            ranking.Ranks.push_back(keys[std::size_t(k)] == Limits::NoTime ? Ranking::NoRank : rank);
            const QString second = current ? CurrentMark : QStringLiteral("　");
            const qint32 time = keys[std::size_t(k)];
            if (time == FailedBest)
                ranking.Rows << RankColumn(rank) + mark + name + QStringLiteral("*失敗*") + QStringLiteral(" ") + second;
            else if (time == Limits::NoTime)
                ranking.Rows << QStringLiteral("--") + mark + name + QStringLiteral("------") + QStringLiteral(" ") + second;
            else
                ranking.Rows << RankColumn(rank) + mark + name
                        + (QStringLiteral("     ") + QString::number(time)).right(6) + QStringLiteral(" ") + second;
        } else {
            if (k == 1 || lead(p) != lead(payload[std::size_t(k) - 1]))
                rank = k;
            if (!Shown(p, in) || (todayLead && today(p) == 0))
                continue;
            ranking.Pupils.push_back(p);
            ranking.Ranks.push_back(rank);
            ranking.Rows << RankColumn(rank) + mark + name + (QStringLiteral("    ") + QString::number(today(p))).right(3)
                    + QStringLiteral("/") + (QStringLiteral("    ") + QString::number(allTime(p))).right(5);
        }
    }

    // The last row carrying "●" decides, and the row above it is selected so that the pupil's own
    // row comes into view; a "●" on the first row selects nothing.
    for (int row = 0; row < ranking.Rows.size(); ++row)
        if (ranking.Rows[row].contains(CurrentMark))
            ranking.SelectedRow = row - 1;
    return ranking;
}

ResultLists::LevelRows ResultLists::HistoryRows(const std::vector<ScoreRecord>& records, const Inputs& in)
{
    LevelRows rows;
    if (!Shown(in.CurrentPupil, in))
        return rows;
    const double start = PeriodStart(in.Now, HistoryDays);
    for (const ScoreRecord& r : records) {
        if (r.Pupil != in.CurrentPupil || !Listable(r, in) || !(r.Date > start))
            continue;
        QString row = FullDate(r.Date) + QStringLiteral(" ")
            + OleDate::ToTime(r.TimeOfDay).toString(QStringLiteral("h:mm:ss")).right(10);
        if (r.Seconds < ListedAsFailed)
            row += TimeColumn(r.Seconds);
        rows[std::size_t(r.Level)] << row;
    }
    return rows;
}
