#include "attempt_end/AttemptOutcome.h"
#include "base/Limits.h"
#include "drill/LevelCatalogue.h"
#include "records/Points.h"
#include "records/ResultEvaluation.h"
#include "records/ResultTables.h"
#include "sound/SoundCues.h"
#include <QLocale>
#include <algorithm>
#include <cmath>

const QString AttemptOutcome::PassText = QStringLiteral("このレベルクリア");
const QString AttemptOutcome::NextLevelText = QStringLiteral("次のレベルへ進みましょう");
const QString AttemptOutcome::FinalLevelText = QStringLiteral("目標レベルクリア。おめでとう！");

namespace {
// A ClearCount of 9999 on any level means the course has no reachable end: no final picture.
constexpr qint16 UnreachableClearCount = 9999;
} // namespace

qint32 AttemptOutcome::RawPoints(qint32 targetTime, qint32 seconds)
{
    return Points::RawPoints(targetTime, seconds, Points::Reading::AsTheyAre);
}

qint32 AttemptOutcome::ShownPoints(qint32 rawPoints, float pointRate)
{
    return Points::RatedPoints(rawPoints, pointRate);
}

QString AttemptOutcome::RateText(float pointRate)
{
    if (!std::isfinite(pointRate))
        return QStringLiteral("0");
    // Seven significant digits, as much as a single-precision rate holds, in plain decimal.
    const double value = pointRate;
    const int integerDigits = std::abs(value) < 1 ? 1 : int(std::floor(std::log10(std::abs(value)))) + 1;
    QString text = QLocale::c().toString(value, 'f', std::max(0, 7 - integerDigits));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QStringLiteral("-0"))
        text = QStringLiteral("0");
    return text;
}

QString AttemptOutcome::TimeLine(qint32 seconds)
{
    if (seconds > Limits::FailedAbove)
        return QStringLiteral("記録なし");
    return QStringLiteral("今の成績：") + QString::number(seconds) + QStringLiteral("秒");
}

QString AttemptOutcome::PointsLine(qint32 rawPoints, float pointRate, qint32 shownPoints)
{
    return QStringLiteral("獲得ポイント：") + QString::number(rawPoints) + QStringLiteral("点×") + RateText(pointRate)
        + QStringLiteral("→") + QString::number(shownPoints) + QStringLiteral("点");
}

QString AttemptOutcome::TodayTotalLine(qint32 todayTotal)
{
    return QStringLiteral("（") + QString::number(todayTotal) + QStringLiteral("回目)");
}

QString AttemptOutcome::TodayLevelLine(qint32 todayCount)
{
    return QStringLiteral(" (このレベル　") + QString::number(todayCount) + QStringLiteral("回目)");
}

AttemptOutcome::Message AttemptOutcome::ChooseMessage(bool timedOut, bool newSchoolBest, bool newPersonalBest)
{
    if (timedOut)
        return Message::TimeOut;
    if (newSchoolBest)
        return Message::NewSchoolBest;
    if (newPersonalBest)
        return Message::NewPersonalBest;
    return Message::None;
}

QString AttemptOutcome::MessageText(Message message)
{
    switch (message) {
    case Message::TimeOut:
        return QStringLiteral("時間切れ");
    case Message::NewSchoolBest:
        return QStringLiteral("！！！最高新記録！！！");
    case Message::NewPersonalBest:
        return QStringLiteral("新記録おめでとう");
    case Message::None:
        break;
    }
    return QString();
}

AttemptOutcome::Cue AttemptOutcome::ChooseCue(Message message, qint32 seconds, qint32 lowestTime)
{
    switch (message) {
    case Message::TimeOut:
        return Cue::None;
    case Message::NewSchoolBest:
        return Cue::SchoolBest;
    case Message::NewPersonalBest:
        return Cue::PersonalBest;
    case Message::None:
        break;
    }
    return seconds <= lowestTime ? Cue::OrdinaryFinish : Cue::None;
}

void AttemptOutcome::Play(Cue cue, SoundCues& cues)
{
    switch (cue) {
    case Cue::SchoolBest:
        cues.SchoolBest();
        break;
    case Cue::PersonalBest:
        cues.PersonalBest();
        break;
    case Cue::OrdinaryFinish:
        cues.OrdinaryFinish();
        break;
    case Cue::None:
        break;
    }
}

AttemptOutcome::AfterPause AttemptOutcome::DecideAfterPause(bool overdoing, bool passed, bool finalLevel,
                                                            bool finalLevelCleared)
{
    if (!overdoing || !passed)
        return AfterPause::OfferRetry;
    if (finalLevel)
        return AfterPause::OfferRetryWithoutPassLine;
    if (!finalLevelCleared)
        return AfterPause::SuggestNextLevel;
    return AfterPause::OfferRetry;
}

AttemptOutcome AttemptOutcome::Evaluate(const Facts& f)
{
    const int level = f.Level;
    const int pupil = f.Pupil;
    const bool valid = Limits::IsLevel(level) && Limits::IsPupilSlot(pupil);
    const PassCriteria none;
    const PassCriteria& c = valid ? (*f.Criteria)[std::size_t(level)] : none;

    AttemptOutcome o;
    const qint32 s = f.RecordedSeconds;
    o.Raw = RawPoints(c.TargetTime, s);
    o.Shown = ShownPoints(o.Raw, c.PointRate);
    o.PointsText = PointsLine(o.Raw, c.PointRate, o.Shown);
    o.TimeText = TimeLine(s);
    o.TitleText = f.ProgramTitle;
    o.LevelText = valid ? f.Catalogue->LevelName[std::size_t(level)] : QString();
    o.PupilText = f.PupilName.trimmed();

    o.TodayTotal = valid ? f.Results->TodayTotal(pupil) : qint16(0);
    const double todayLevel = valid ? f.Results->TodayCount(level, pupil) : 0.0;
    o.TodayTotalText = TodayTotalLine(o.TodayTotal);
    o.TodayLevelText = TodayLevelLine(qint32(std::clamp(todayLevel, -1e9, 1e9)));

    o.Record = ChooseMessage(f.TimedOut, f.NewSchoolBest, f.NewPersonalBest);
    o.RecordCue = ChooseCue(o.Record, s, c.LowestTime);

    o.Passed = valid && ResultEvaluation::Passed(*f.Criteria, *f.Results, level, pupil);
    o.FinalLevel = valid && level == f.Catalogue->FinalLevel;
    bool courseHasEnd = true;
    for (int l = Limits::FirstLevel; l <= Limits::LastLevel; ++l)
        if ((*f.Criteria)[std::size_t(l)].ClearCount == UnreachableClearCount)
            courseHasEnd = false;
    o.ShowFinalPicture = o.FinalLevel && o.Passed && courseHasEnd;
    o.PlayPassCue = o.FinalLevel && o.Passed && !f.AlreadyPassed;
    return o;
}

AttemptOutcome::AfterPause AttemptOutcome::DecideAfterPause(const Facts& f)
{
    const int level = f.Level;
    const int pupil = f.Pupil;
    return DecideAfterPause(ResultEvaluation::Overdoing(*f.Criteria, *f.Results, level, pupil),
                            ResultEvaluation::Passed(*f.Criteria, *f.Results, level, pupil),
                            Limits::IsLevel(level) && level == f.Catalogue->FinalLevel, f.FinalLevelCleared != 0);
}
