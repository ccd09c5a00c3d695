#include "support/AppCalls.h"
#include "app/ScreenFlow.h"
#include "base/OleDate.h"
#include "attempt_end/ui/AttemptEndScreen.h"
#include "drill/ui/DrillScreen.h"
#include "menu/ui/LevelMenu.h"
#include "records/PendingAttempts.h"
#include "records/ScoreRecordCodec.h"
#include "sound/SoundCues.h"
#include "roster/ui/NameScreen.h"
#include "support/TestScopes.h"
#include "support/ManualClock.h"
#include "support/MessageWatch.h"
#include "support/RecordingPlayer.h"
#include "support/ScriptedRandom.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include "support/TestMount.h"
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <unistd.h>

// The share drops away in the middle of a lesson (made read-only, then unmounted, by the test as
// root) and comes back: every attempt that ended meanwhile waits on the PC, the program goes on to
// the end screen each time, and once the share is back every attempt stands in the score file
// once, in order, with its own date.
class TestShareAway : public QObject {
    Q_OBJECT
    ManualClock Clock;
    ScriptedRandom Random;
    RecordingPlayer Player;
    std::unique_ptr<TestInstallation> Inst;
    std::unique_ptr<ScreenFlow> Flow;
    std::unique_ptr<TestMount> Share;
    QString Backing;
    QStringList Fatals;

    template <typename T>
    static T* Screen()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<T*>(w); s && s->isVisible())
                return s;
        return nullptr;
    }
    static QString Text(QWidget* screen, const char* name)
    {
        auto* l = screen->findChild<QLabel*>(QString::fromLatin1(name));
        return l && l->isVisible() ? l->text() : QString();
    }

    // A timed-out attempt on level 1 ending on `day`, through the drill and the end screen.
    void Attempt(const QDate& day)
    {
        DeleteAllScreens();
        Clock.Set(QDateTime(day, QTime(10, 0)));
        TestSession().CurrentLevel = 1;
        Flow->StartDrill();
        DrillScreen* drill = Screen<DrillScreen>();
        QVERIFY(drill);
        Clock.AdvanceMs(450000);
        drill->OneSecondTick();
        // The ways on are offered once the end screen has done its work.
        const auto offered = [] {
            AttemptEndScreen* end = Screen<AttemptEndScreen>();
            return end && end->findChild<QWidget*>("MenuButton")->isVisible();
        };
        QTRY_VERIFY2(offered() || !Fatals.isEmpty(), "no end screen");
        QVERIFY2(Fatals.isEmpty(), qPrintable(Fatals.join(u'\n')));
    }

    // The dates of the records in the score file, read straight from the backing folder.
    QList<QDate> RecordedDays() const
    {
        QFile f(Backing + "/prog/" + QStringLiteral("成績累積データ.dat"));
        QList<QDate> days;
        if (!f.open(QIODevice::ReadOnly))
            return days;
        const QByteArray bytes = f.readAll();
        for (qsizetype at = 0; at + 44 <= bytes.size(); at += 44)
            days << OleDate::ToDate(ScoreRecordCodec::Decode(bytes.constData() + at).Date);
        return days;
    }

    void MountShare(bool readOnly)
    {
        Share = std::make_unique<TestMount>(QStringList{"mount", "--bind", Backing, Inst->DataRoot}, Inst->DataRoot);
        QVERIFY2(Share->Error.isEmpty(), qPrintable(Share->Error));
        if (readOnly)
            QVERIFY(Share->RemountReadOnly());
    }

private slots:
    void init()
    {
        if (::geteuid() != 0)
            QSKIP("taking the share away needs root (mount)");
        ResetTestScopes();
        Random = ScriptedRandom({0.3});
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        // The installation's data root becomes a share mounted from a folder beside it.
        Backing = Inst->Root + "backing";
        QVERIFY(QDir().rename(QDir::cleanPath(Inst->DataRoot), Backing));
        QVERIFY(QDir().mkpath(Inst->DataRoot));
        MountShare(false);
        Inst->ApplyTo(TestSchool());
        TestEnv().TheClock = &Clock;
        TestEnv().Random = &Random;
        TestEnv().Player = &Player;
        TestEnv().Wait = [](int) {}; // a lost share is tried again at once
        TestSchool().QueueFolder = Inst->Root + "queue";
        Flow = std::make_unique<ScreenFlow>(TestSchool(), TestSession(), TestEnv());
        Fatals.clear();
        connect(Flow.get(), &ScreenFlow::Stopped, this, [this](const QString& m) { Fatals << m; });
        Flow->Cues().Player = &Player;
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSchool().Catalogue.Build();
        TestSession().CurrentPupil = 1;
        TestSession().CurrentPupilName = QStringLiteral("山田太郎");
        TestSession().LoginTime = 9 * 3600;
        AppCalls::LoadPassCriteria();
    }
    void cleanup()
    {
        DeleteAllScreens();
        Flow.reset();
        Share.reset();
        Inst.reset();
        ResetTestScopes();
    }

    void attemptsWaitOnThePcUntilTheShareIsBack()
    {
        const QDate first(2026, 12, 7);
        Attempt(first);
        QCOMPARE(RecordedDays(), QList<QDate>{first});
        QCOMPARE(Text(Screen<AttemptEndScreen>(), "RecordingNote"), QString());

        // Read-only: the attempt waits on the PC, and the end screen says so and why.
        Share.reset();
        MountShare(true);
        Attempt(first.addDays(1));
        const QString note = Text(Screen<AttemptEndScreen>(), "RecordingNote");
        QVERIFY2(note.startsWith(QStringLiteral("成績はこのパソコンに一時保存しました。共有フォルダに戻ったら書き込みます。")),
                 qPrintable(note));
        QVERIFY2(note.contains(QStringLiteral("書き込みできない場所です")), qPrintable(note));
        // The end screen's tables hold it.
        QCOMPARE(TestSchool().Scores.LoadedCount, 2);

        // Gone altogether: the same, and a try to write the queue meanwhile changes nothing.
        Share.reset();
        Attempt(first.addDays(2));
        QVERIFY2(Text(Screen<AttemptEndScreen>(), "RecordingNote").contains(QStringLiteral("一時保存")),
                 qPrintable(Text(Screen<AttemptEndScreen>(), "RecordingNote")));
        QCOMPARE(TestSchool().Scores.LoadedCount, 3);
        // On to the menu, which counts them too.
        QTest::mouseClick(Screen<AttemptEndScreen>()->findChild<QPushButton*>("MenuButton"), Qt::LeftButton);
        QTRY_VERIFY(Screen<LevelMenu>() && Screen<LevelMenu>()->IsReady());
        QVERIFY2(Fatals.isEmpty(), qPrintable(Fatals.join(u'\n')));
        QCOMPARE(TestSchool().Scores.LoadedCount, 3);
        Flow->FlushPendingAttempts();
        const PendingAttempts queue(TestSchool().QueueFolder, TestSchool().DataFolder);
        QCOMPARE(int(queue.Load().size()), 2);

        // The name screen tells how many wait (with the share away, it also says it finds no roster).
        DeleteAllScreens();
        MessageWatch boxes;
        Flow->ShowNameSelection();
        QVERIFY(Screen<NameScreen>());
        QVERIFY2(Text(Screen<NameScreen>(), "PendingAttempts").contains(QStringLiteral("2 回分")),
                 qPrintable(Text(Screen<NameScreen>(), "PendingAttempts")));

        // Back: the next attempt writes the waiting ones first, in order, each once.
        MountShare(false);
        Attempt(first.addDays(3));
        QCOMPARE(Text(Screen<AttemptEndScreen>(), "RecordingNote"), QString());
        QCOMPARE(RecordedDays(), (QList<QDate>{first, first.addDays(1), first.addDays(2), first.addDays(3)}));
        QVERIFY(queue.Load().empty());
        DeleteAllScreens();
        Flow->ShowNameSelection();
        QCOMPARE(Text(Screen<NameScreen>(), "PendingAttempts"), QString());
    }

    // Back without a further attempt: the flow's own round (start, sign-in, every minute) writes
    // them, and the name screen's count goes.
    void waitingAttemptsWrittenByTheFlow()
    {
        Share.reset();
        MountShare(true);
        const QDate day(2026, 12, 8);
        Attempt(day);
        Attempt(day.addDays(1));
        DeleteAllScreens();
        Flow->ShowNameSelection();
        QVERIFY(Text(Screen<NameScreen>(), "PendingAttempts").contains(QStringLiteral("2 回分")));
        Share.reset();
        MountShare(false);
        Flow->FlushPendingAttempts();
        QCOMPARE(RecordedDays(), (QList<QDate>{day, day.addDays(1)}));
        QCOMPARE(Text(Screen<NameScreen>(), "PendingAttempts"), QString());
    }

    // The PC's own disk is full too: the end screen says the attempt is lost and why, nothing is
    // half-written to the queue, and the program goes on.
    void queueOnAFullDisk()
    {
        QVERIFY(QDir().mkpath(TestSchool().QueueFolder));
        TestMount small({"mount", "-t", "tmpfs", "-o", "size=4k", "zome2queue", TestSchool().QueueFolder}, TestSchool().QueueFolder);
        QVERIFY2(small.Error.isEmpty(), qPrintable(small.Error));
        QFile filler(TestSchool().QueueFolder + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(512, 'x')) == 512) {
        }
        filler.close();
        Share.reset();
        MountShare(true);
        Attempt(QDate(2026, 12, 9));
        const QString note = Text(Screen<AttemptEndScreen>(), "RecordingNote");
        QVERIFY2(note.startsWith(QStringLiteral("この回の成績は記録できませんでした。")), qPrintable(note));
        QVERIFY2(note.contains(QStringLiteral("ディスクの空き領域が足りません")), qPrintable(note));
        const PendingAttempts queue(TestSchool().QueueFolder, TestSchool().DataFolder);
        QCOMPARE(QFileInfo(queue.Path()).size() % 44, 0);
        QVERIFY(queue.Load().empty());
        QVERIFY(RecordedDays().isEmpty());
    }
};

QTEST_MAIN(TestShareAway)
#include "tst_ShareAway.moc"
