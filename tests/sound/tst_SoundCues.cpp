#include "sound/SoundCues.h"
#include "support/RecordingPlayer.h"
#include "support/ScriptedRandom.h"
#include "support/TestInstallation.h"
#include <QtTest>
#include <sys/stat.h>
#include <memory>

namespace {
using Routine = void (SoundCues::*)();
struct NamedRoutine {
    const char* Name;
    Routine Play;
};
const NamedRoutine Routines[] = {
    {"correct", &SoundCues::Correct},           {"wrong", &SoundCues::Wrong},
    {"personal best", &SoundCues::PersonalBest}, {"ordinary finish", &SoundCues::OrdinaryFinish},
    {"school best", &SoundCues::SchoolBest},     {"pass", &SoundCues::Pass},
    {"warning", &SoundCues::Warning},
};
enum { CorrectRoutine, WrongRoutine, PersonalBestRoutine, OrdinaryFinishRoutine, SchoolBestRoutine, PassRoutine,
       WarningRoutine };

QString Names(int count, const QString& prefix)
{
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << prefix + QString::number(i);
    return names.join(',');
}
} // namespace

class TestSoundCues : public QObject {
    Q_OBJECT
    void LoadSoundTable() { Cues.Table = SoundCues::LoadSoundTable(Install->SoundFolder); }

private slots:
    void init()
    {
        Install = std::make_unique<TestInstallation>();
        Random = ScriptedRandom();
        Player = RecordingPlayer();
        Cues = SoundCues();
        Cues.Folder = Install->SoundFolder;
        Cues.Random = &Random;
        Cues.Player = &Player;
        HookCalls.clear();
        Cues.RepeatedFailure = [this](const QString& title, const QString& text) {
            HookCalls << QStringList{title, text};
        };
    }
    void cleanup() { Install.reset(); }

    void loadsTheAssignmentFile_data()
    {
        QTest::addColumn<QString>("fileText");
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("count");
        QTest::newRow("one group") << QStringLiteral("正解音2,a,b,c,*\n") << 2 << QStringList{"a", "b", "c"} << "3";
        QTest::newRow("stray items between groups skipped")
            << QStringLiteral("説明,正解音2,a,*,ここは飛ばす,間違い音2,\"x, y\",z,*,おわり\n") << 4
            << QStringList{"x, y", "z"} << "2";
        QTest::newRow("first group beside a stray item") << QStringLiteral("説明,正解音2,a,*,ここは飛ばす\n") << 2
            << QStringList{"a"} << "1";
        QTest::newRow("group over several lines") << QStringLiteral("不合格音1\n  owari1\nowari2  \n*\n") << 10
            << QStringList{"owari1", "owari2"} << "2";
        QTest::newRow("a cue name inside a group is a file name")
            << QStringLiteral("自己最高音2,正解音2,j,*\n") << 8 << QStringList{QStringLiteral("正解音2"), "j"} << "2";
        QTest::newRow("twenty names and *") << QStringLiteral("正解音2,") + Names(20, "s") + ",*\n" << 2
            << Names(20, "s").split(',') << "20";
        QTest::newRow("twenty names without *") << QStringLiteral("正解音2,") + Names(21, "s") + "\n" << 2
            << Names(20, "s").split(',') << "";
        QTest::newRow("the group after twenty names without *")
            << QStringLiteral("正解音2,") + Names(20, "s") + QStringLiteral(",間違い音2,m,*\n") << 4
            << QStringList{"m"} << "1";
        QTest::newRow("group cut off by the end of the file") << QStringLiteral("間違い音2,m1,m2\n") << 4
            << QStringList{"m1", "m2"} << "";
        QTest::newRow("empty group") << QStringLiteral("最高音1,*\n") << 5 << QStringList{} << "0";
    }
    void loadsTheAssignmentFile()
    {
        QFETCH(QString, fileText);
        QFETCH(int, column);
        QFETCH(QStringList, names);
        QFETCH(QString, count);
        TestInstallation::WriteText(Install->SoundFolder + QStringLiteral("新音ファイル.txt"), fileText);

        LoadSoundTable();

        const SoundTable& table = Cues.Table;
        for (int c = 1; c <= 10; ++c)
            QCOMPARE(table.Cell[c][0], QString::fromUtf16(SoundCues::CueNames[c]));
        QCOMPARE(table.Cell[column][21], count);
        for (int j = 1; j <= 20; ++j)
            QCOMPARE(table.Cell[column][j], j <= names.size() ? names[j - 1] : QString());
    }

    // Each correct problem plays one of the cue's files, drawn uniformly from the random fraction.
    void playsTheDrawnFile_data()
    {
        QTest::addColumn<int>("routine");
        QTest::addColumn<double>("draw");
        QTest::addColumn<QString>("file");
        QTest::newRow("correct, lowest draw") << int(CorrectRoutine) << 0.0 << "a.wav";
        QTest::newRow("correct, just below a third") << int(CorrectRoutine) << 0.3333 << "a.wav";
        QTest::newRow("correct, a third") << int(CorrectRoutine) << 1.0 / 3.0 + 1e-9 << "b.wav";
        QTest::newRow("correct, highest draw") << int(CorrectRoutine) << 0.999999 << "c.wav";
        QTest::newRow("wrong") << int(WrongRoutine) << 0.75 << "w2.wav";
        QTest::newRow("personal best") << int(PersonalBestRoutine) << 0.1 << QStringLiteral("自己.wav");
        QTest::newRow("ordinary finish") << int(OrdinaryFinishRoutine) << 0.9 << "o3.wav";
        QTest::newRow("school best") << int(SchoolBestRoutine) << 0.5 << QStringLiteral("最高1.wav");
        QTest::newRow("pass") << int(PassRoutine) << 0.5 << QStringLiteral("合格.wav");
        QTest::newRow("warning") << int(WarningRoutine) << 0.5 << QStringLiteral("警告1.wav");
    }
    void playsTheDrawnFile()
    {
        QFETCH(int, routine);
        QFETCH(double, draw);
        QFETCH(QString, file);
        TestInstallation::WriteText(Install->SoundFolder + QStringLiteral("新音ファイル.txt"),
            QStringLiteral("正解音1,x,*\n正解音2,a,b,c,*\n間違い音2,w1,w2,*\n自己最高音2,自己,*\n不合格音1,o1,o2,o3,*\n"));
        LoadSoundTable();
        Random.Values = {draw};

        (Cues.*Routines[routine].Play)();

        QCOMPARE(Player.Played, QStringList{Install->SoundFolder + file});
    }

    // A cue without a count plays nothing; that is no failure, however often it happens.
    void cueWithoutCountPlaysNothing_data()
    {
        QTest::addColumn<QString>("fileText");  // empty: no assignment file at all
        QTest::newRow("no assignment file") << QString();
        QTest::newRow("cues absent from the file") << QStringLiteral("正解音1,a,*\n");
        QTest::newRow("twenty names without *") << QStringLiteral("正解音2,") + Names(20, "c") + QStringLiteral(
            "\n間違い音2,") + Names(20, "w") + QStringLiteral("\n自己最高音2,") + Names(20, "p")
            + QStringLiteral("\n不合格音1,") + Names(20, "o") + "\n";
    }
    void cueWithoutCountPlaysNothing()
    {
        QFETCH(QString, fileText);
        if (!fileText.isEmpty())
            TestInstallation::WriteText(Install->SoundFolder + QStringLiteral("新音ファイル.txt"), fileText);
        LoadSoundTable();
        Player.Results = QList<int>(10, 7);

        for (int i = 0; i < 5; ++i) {
            Cues.Correct();
            Cues.Wrong();
        }
        Cues.PersonalBest();
        Cues.OrdinaryFinish();

        QCOMPARE(Player.Played, QStringList());
        QCOMPARE(Cues.Failures, 0);
        QCOMPARE(HookCalls.size(), 0);
    }

    // Results of the correct and wrong cues in turn ('c' correct, 'w' wrong; digit = result code):
    // the hook must come exactly after the fourth failure in a row.
    void failureRule_data()
    {
        QTest::addColumn<QString>("routines");
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<QList<int>>("failuresAfter");
        QTest::addColumn<int>("hookAfter");  // index of the play after which the hook ran once, -1 never
        QTest::newRow("three failures then a success") << "cccccc" << QList<int>{5, 5, 5, 0, 5, 5}
            << QList<int>{1, 2, 3, 0, 1, 2} << -1;
        QTest::newRow("four failures in a row") << "cccc" << QList<int>{5, 5, 5, 5}
            << QList<int>{1, 2, 3, 3} << 3;
        QTest::newRow("wrong cue counts the same") << "wwww" << QList<int>{263, 263, 263, 263}
            << QList<int>{1, 2, 3, 3} << 3;
        QTest::newRow("correct and wrong share the count") << "cwcw" << QList<int>{5, 5, 5, 5}
            << QList<int>{1, 2, 3, 3} << 3;
        QTest::newRow("reset in the middle") << "cwcwcwcw" << QList<int>{5, 5, 5, 0, 5, 5, 5, 5}
            << QList<int>{1, 2, 3, 0, 1, 2, 3, 3} << 7;
    }
    void failureRule()
    {
        QFETCH(QString, routines);
        QFETCH(QList<int>, results);
        QFETCH(QList<int>, failuresAfter);
        QFETCH(int, hookAfter);
        TestInstallation::WriteText(Install->SoundFolder + QStringLiteral("新音ファイル.txt"),
                                    QStringLiteral("正解音2,a,*\n間違い音2,b,*\n"));
        LoadSoundTable();
        Player.Results = results;

        for (int i = 0; i < routines.size(); ++i) {
            routines[i] == u'c' ? Cues.Correct() : Cues.Wrong();
            QCOMPARE(Cues.Failures, failuresAfter[i]);
            QCOMPARE(HookCalls.size(), i >= hookAfter && hookAfter >= 0 ? 1 : 0);
        }
        QCOMPARE(Player.Played.size(), routines.size());
        if (hookAfter >= 0) {
            QCOMPARE(HookCalls[0][0], QStringLiteral("音声エラー"));
            QCOMPARE(HookCalls[0][1], QStringLiteral("音声がでません。先生を呼びなさい。\r\nerror %1").arg(results[hookAfter]));
        }
    }

    // The other five routines neither count a failure nor reset the count.
    void otherRoutinesIgnoreTheirResult_data()
    {
        QTest::addColumn<int>("result");
        QTest::newRow("failing") << 5;
        QTest::newRow("playing") << 0;
    }
    void otherRoutinesIgnoreTheirResult()
    {
        QFETCH(int, result);
        TestInstallation::WriteText(Install->SoundFolder + QStringLiteral("新音ファイル.txt"),
                                    QStringLiteral("自己最高音2,p,*\n不合格音1,o,*\n"));
        LoadSoundTable();
        Cues.Failures = 3;
        Player.Results = QList<int>(20, result);

        for (int round = 0; round < 4; ++round)
            for (int r = PersonalBestRoutine; r <= WarningRoutine; ++r)
                (Cues.*Routines[r].Play)();

        QCOMPARE(Player.Played.size(), 20);
        QCOMPARE(Cues.Failures, 3);
        QCOMPARE(HookCalls.size(), 0);
    }

    // A pipe in place of the list would hang start-up: it is left alone and no cue has a file.
    void pipeInPlaceOfTheList()
    {
        QCOMPARE(::mkfifo(QFile::encodeName(Install->SoundFolder + QStringLiteral("新音ファイル.txt")).constData(), 0644), 0);
        LoadSoundTable();
        for (int c = 1; c <= 10; ++c)
            QCOMPARE(Cues.Table.Cell[c][21], QString());
    }

    // Without a player (the unit tests, the export) the cues are silent and never fail.
    void withoutPlayerNothingFails()
    {
        TestInstallation::WriteText(Install->SoundFolder + QStringLiteral("新音ファイル.txt"),
                                    QStringLiteral("正解音2,a,*\n"));
        LoadSoundTable();
        Cues.Player = nullptr;
        for (int i = 0; i < 6; ++i)
            Cues.Correct();
        QCOMPARE(Cues.Failures, 0);
        QCOMPARE(HookCalls.size(), 0);
    }

private:
    std::unique_ptr<TestInstallation> Install;
    SoundCues Cues;
    ScriptedRandom Random;
    RecordingPlayer Player;
    QList<QStringList> HookCalls;
};

QTEST_GUILESS_MAIN(TestSoundCues)
#include "tst_SoundCues.moc"
