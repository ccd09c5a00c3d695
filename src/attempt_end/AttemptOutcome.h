#pragma once
#include "records/PassCriteria.h"
#include <QString>
#include <QtGlobal>

class SoundCues;
struct LevelCatalogue;
struct ResultTables;

// What the attempt end screen tells the pupil about the attempt just recorded: its own points
// (the seconds as they are, unlike the points the result tables count), the texts of its lines,
// the record message with its sound, the pass line, the final-level picture and what the buttons
// offer once the pause is over.
class AttemptOutcome {
public:
    enum class Message { None, TimeOut, NewSchoolBest, NewPersonalBest };
    enum class Cue { None, SchoolBest, PersonalBest, OrdinaryFinish };
    enum class AfterPause {
        OfferRetry,                 // "もう一度" shown
        OfferRetryWithoutPassLine,  // the pass line emptied and hidden, "もう一度" shown
        SuggestNextLevel,           // the pass line reads NextLevelText, "もう一度" stays hidden
    };

    static const QString PassText;       // "このレベルクリア"
    static const QString NextLevelText;  // "次のレベルへ進みましょう"
    static const QString FinalLevelText; // "目標レベルクリア。おめでとう！"

    // What the outcome is worked out from: the attempt just recorded and the tables as rebuilt after it.
    struct Facts {
        int Level = 0;
        int Pupil = 0;
        QString PupilName;
        QString ProgramTitle;
        qint32 RecordedSeconds = 0;
        bool TimedOut = false;
        bool AlreadyPassed = false;
        bool NewPersonalBest = false;
        bool NewSchoolBest = false;
        qint16 FinalLevelCleared = 0;
        const LevelCatalogue* Catalogue = nullptr;
        const CriteriaTable* Criteria = nullptr;
        const ResultTables* Results = nullptr;
    };

    // Points before the level's rate, of the seconds as they are; 0 after a time-out and on a level
    // without a target time.
    static qint32 RawPoints(qint32 targetTime, qint32 seconds);
    // Integer part of rate × raw points (single precision, as the rate is stored).
    static qint32 ShownPoints(qint32 rawPoints, float pointRate);
    // Plain decimal without trailing zeros: 1, 1.5, 0.7.
    static QString RateText(float pointRate);

    static QString TimeLine(qint32 seconds);
    static QString PointsLine(qint32 rawPoints, float pointRate, qint32 shownPoints);
    static QString TodayTotalLine(qint32 todayTotal);
    static QString TodayLevelLine(qint32 todayCount);

    static Message ChooseMessage(bool timedOut, bool newSchoolBest, bool newPersonalBest);
    static QString MessageText(Message message);
    static Cue ChooseCue(Message message, qint32 seconds, qint32 lowestTime);
    static void Play(Cue cue, SoundCues& cues);

    static AfterPause DecideAfterPause(bool overdoing, bool passed, bool finalLevel, bool finalLevelCleared);

    // Everything the activation shows.
    static AttemptOutcome Evaluate(const Facts& facts);
    // The timer's decision for the pupil and level of `facts`.
    static AfterPause DecideAfterPause(const Facts& facts);

    qint32 Raw = 0;
    qint32 Shown = 0;
    QString TitleText;
    QString LevelText;
    QString PupilText;
    QString TimeText;
    QString PointsText;
    qint16 TodayTotal = 0;
    QString TodayTotalText;
    QString TodayLevelText;
    Message Record = Message::None;
    Cue RecordCue = Cue::None;
    bool Passed = false;
    bool FinalLevel = false;
    bool ShowFinalPicture = false;
    bool PlayPassCue = false;
};
