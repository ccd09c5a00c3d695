#include "attempt_end/AttemptOutcome.h"
#include "drill/SoundCues.h"
#include "records/ResultEvaluation.h"
#include "shell/AppState.h"
#include <QLocale>
#include <algorithm>
#include <cmath>

const QString AttemptOutcome::PassText = QStringLiteral("このレベルクリア");
const QString AttemptOutcome::NextLevelText = QStringLiteral("次のレベルへ進みましょう");
const QString AttemptOutcome::FinalLevelText = QStringLiteral("目標レベルクリア。おめでとう！");

namespace {
constexpr qint32 TimedOutAbove = 99997;
// A ClearCount of 9999 on any level means the course has no reachable end: no final picture.
constexpr qint16 UnreachableClearCount = 9999;
constexpr int Levels = 36;

bool ValidLevel(int level) { return level >= 1 && level < Levels; }
} // namespace

qint32 AttemptOutcome::RawPoints(qint32 targetTime, qint32 seconds)
{
    if (seconds > TimedOutAbove)
        return 0;
    const qint64 t = targetTime;
    const qint64 s = seconds;
    if (s > t)
        return s < 2 * t ? 4 : (s < 10 * t ? 1 : 0);
    // s ≤ T, so a level without a target reaches here only with 0 s (or a negative time); it earns
    // nothing rather than dividing by zero.
    if (t <= 0)
        return 0;
    const double ratio = double(t - s) / double(t);
    const double points = std::floor(ratio * ratio * ratio * 50.0 + 5.0);
    return qint32(std::clamp(points, -1e9, 1e9));
}

qint32 AttemptOutcome::ShownPoints(qint32 rawPoints, float pointRate)
{
    const float product = float(rawPoints) * pointRate;
    if (std::isnan(product))
        return 0;
    return qint32(std::clamp(double(std::floor(product)), -1e9, 1e9));
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
    if (seconds > TimedOutAbove)
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

void AttemptOutcome::Play(Cue cue)
{
    switch (cue) {
    case Cue::SchoolBest:
        SoundCues::SchoolBest();
        break;
    case Cue::PersonalBest:
        SoundCues::PersonalBest();
        break;
    case Cue::OrdinaryFinish:
        SoundCues::OrdinaryFinish();
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

AttemptOutcome AttemptOutcome::Evaluate()
{
    const AppState& app = App();
    const int level = app.CurrentLevel;
    const int pupil = app.CurrentPupil;
    const bool valid = ValidLevel(level) && pupil >= 0 && pupil < LevelPupilTable<float>::Pupils;
    const PassCriteria none;
    const PassCriteria& c = valid ? app.Criteria[level] : none;

    AttemptOutcome o;
    const qint32 s = app.RecordedSeconds;
    o.Raw = RawPoints(c.TargetTime, s);
    o.Shown = ShownPoints(o.Raw, c.PointRate);
    o.PointsText = PointsLine(o.Raw, c.PointRate, o.Shown);
    o.TimeText = TimeLine(s);
    o.TitleText = app.ProgramTitle;
    o.LevelText = valid ? app.Catalogue.LevelName[level] : QString();
    o.PupilText = app.CurrentPupilName.trimmed();

    double todayTotal = 0;
    double todayLevel = 0;
    if (valid) {
        for (int l = 1; l < Levels; ++l)
            todayTotal += app.Results.TodayCount(l, pupil);
        todayLevel = app.Results.TodayCount(level, pupil);
    }
    o.TodayTotal = qint16(std::clamp(todayTotal, -32768.0, 32767.0));
    o.TodayTotalText = TodayTotalLine(o.TodayTotal);
    o.TodayLevelText = TodayLevelLine(qint32(std::clamp(todayLevel, -1e9, 1e9)));

    o.Record = ChooseMessage(app.TimedOut, app.NewSchoolBest, app.NewPersonalBest);
    o.RecordCue = ChooseCue(o.Record, s, c.LowestTime);

    o.Passed = valid && ResultEvaluation::Passed(level, pupil);
    o.FinalLevel = valid && level == app.Catalogue.FinalLevel;
    bool courseHasEnd = true;
    for (int l = 1; l < Levels; ++l)
        if (app.Criteria[l].ClearCount == UnreachableClearCount)
            courseHasEnd = false;
    o.ShowFinalPicture = o.FinalLevel && o.Passed && courseHasEnd;
    o.PlayPassCue = o.FinalLevel && o.Passed && !app.AlreadyPassed;
    return o;
}

AttemptOutcome::AfterPause AttemptOutcome::DecideAfterPause()
{
    const AppState& app = App();
    const int level = app.CurrentLevel;
    const int pupil = app.CurrentPupil;
    return DecideAfterPause(ResultEvaluation::Overdoing(level, pupil), ResultEvaluation::Passed(level, pupil),
                            ValidLevel(level) && level == app.Catalogue.FinalLevel, app.FinalLevelCleared != 0);
}
