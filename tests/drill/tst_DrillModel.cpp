#include "drill/DrillModel.h"
#include "drill/DrillScript.h"
#include "drill/ProblemDrawing.h"
#include "sound/SoundCues.h"
#include "support/TestScopes.h"
#include "state/StateViews.h"
#include "support/ManualClock.h"
#include "support/RecordingPlayer.h"
#include "support/ScriptedRandom.h"
#include <QtTest>

using Cells = QList<int>;

Q_DECLARE_METATYPE(Direction)
Q_DECLARE_METATYPE(ConfirmStep)

namespace {
// A key as the pupil presses it: \b backspace, space, "+", any other character typed.
void Press(DrillModel& m, char key)
{
    switch (key) {
    case '\b': m.Erase(); break;
    case ' ': m.Accept(); break;
    case '+': m.Acknowledge(); break;
    default: m.Type(QChar(key)); break;
    }
}

QStringList CellTexts(const DrillModel& m)
{
    QStringList texts;
    for (int cell = 0; cell <= DrillModel::CellCount; ++cell)
        texts << m.CellText(cell);
    return texts;
}
} // namespace

class TestDrillModel : public QObject {
    Q_OBJECT
    ManualClock Clock;
    ScriptedRandom Random;
    RecordingPlayer Player;
    SoundCues Cues;
    std::unique_ptr<DrillModel> Model;
    int EndCalls = 0;
    int StopCalls = 0;
    int StartCalls = 0;

    // A model as the screen makes it, before the screen is shown.
    DrillModel& Make(int level, QList<double> script)
    {
        TestSession().CurrentLevel = qint16(level);
        Random.Values = std::move(script);
        Model = std::make_unique<DrillModel>(TestSession());
        DrillModel& m = *Model;
        m.In = StateViews::DrillSetting(TestSchool(), TestSession());
        m.TheClock = &Clock;
        m.Random = &Random;
        m.Cues = &Cues;
        m.EndAttempt = [this] { ++EndCalls; };
        m.StopClock = [this] { ++StopCalls; };
        m.StartClock = [this] { ++StartCalls; };
        m.ProcessEvents = [] {};
        return m;
    }
    DrillModel& Open(int level, QList<double> script)
    {
        DrillModel& m = Make(level, std::move(script));
        m.SetUpAttempt();
        m.SetProblemCount();
        m.StartTiming();
        m.MakeProblem();
        return m;
    }
    void Type(const QByteArray& keys)
    {
        for (char k : keys)
            Press(*Model, k);
    }
    int Played(const QString& file) const { return int(Player.Played.count(TestSchool().SoundFolder + file)); }
    void TickAt(int seconds)
    {
        Clock.AdvanceMs(qint64(seconds) * 1000 - (Clock.MonotonicMs() - TestSession().StartMonotonicMs));
        Model->Tick();
    }
    int PassMarkersShown() const
    {
        int n = 0;
        for (int i = 30; i <= 39; ++i)
            n += Model->MarkerShown(i);
        return n;
    }

private slots:
    void init()
    {
        ResetTestScopes();
        Clock = ManualClock();
        Random = ScriptedRandom();
        Player = RecordingPlayer();
        TestEnv().TheClock = &Clock;
        TestEnv().Random = &Random;
        TestEnv().Player = &Player;
        TestSchool().SoundFolder = QStringLiteral("/sounds/");
        Cues = SoundCues();
        Cues.Folder = TestSchool().SoundFolder;
        Cues.Player = &Player;
        Cues.Random = &Random;
        // One file each for the correct and the wrong cue; picking it takes one random draw.
        Cues.Table.Cell[2][1] = QStringLiteral("正解");
        Cues.Table.Cell[2][21] = QStringLiteral("1");
        Cues.Table.Cell[4][1] = QStringLiteral("間違い");
        Cues.Table.Cell[4][21] = QStringLiteral("1");
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSchool().Catalogue.Build();
        for (int level = 1; level <= 7; ++level) {
            TestSchool().Criteria[std::size_t(level)].TargetTime = 60;
            TestSchool().Criteria[std::size_t(level)].LowestTime = 90;
        }
        TestSession().CurrentPupil = 7;
        TestSession().CurrentPupilName = QStringLiteral("  山田太郎 ");
        TestSchool().SchoolName = QStringLiteral("ひまわり塾");
        EndCalls = StopCalls = StartCalls = 0;
    }
    void cleanup() { Model.reset(); }

    void problemByLevel_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<bool>("stepsSkipped");
        QTest::addColumn<bool>("hint");
        QTest::newRow("level 1") << 1 << 5 << false << true;
        QTest::newRow("level 2") << 2 << 5 << false << false;
        QTest::newRow("level 3") << 3 << 8 << true << false;
        QTest::newRow("level 7 as level 2") << 7 << 5 << false << false;
    }
    void problemByLevel()
    {
        QFETCH(int, level);
        QFETCH(int, cursor);
        QFETCH(bool, stepsSkipped);
        QFETCH(bool, hint);
        DrillModel& m = Open(level, Example());
        const FractionProblem& p = m.Problem();
        const QStringList expected{"", "6", "5", "15", "4", "3", "2", "5", "30", "25", "", "8"};
        for (int cell = 1; cell <= 11; ++cell) {
            QCOMPARE(p.Expected[std::size_t(cell)], expected[cell]);
            const bool given = cell <= 4 || cell == 10;
            const bool skipped = stepsSkipped && cell >= 5 && cell <= 7;
            QCOMPARE(p.Given[std::size_t(cell)], qint16(given));
            QCOMPARE(p.Skipped[std::size_t(cell)], qint16(skipped));
            QCOMPARE(m.CellShown(cell), !skipped);
            QCOMPARE(m.TwinShown(cell), false);
            QCOMPARE(m.TwinText(cell), expected[cell]);
            QCOMPARE(m.CellText(cell), given ? expected[cell] : QString());
            const QColor colour = cell == 10       ? QColor(255, 255, 255)
                                  : cell == cursor ? QColor(0, 192, 0)
                                  : given          ? QColor(255, 255, 192)
                                                   : QColor(128, 255, 128);
            QCOMPARE(m.CellColour(cell), colour);
        }
        QCOMPARE(m.CursorCell(), cursor);
        QCOMPARE(m.HintShown(), hint);
        if (hint)
            QCOMPARE(m.HintLabelText(), QStringLiteral("①分母の最大公約数を求める"));
        QCOMPARE(Random.Index, qsizetype(5));
    }

    void rejectedDrawsAreDrawnAgain_data()
    {
        QTest::addColumn<QList<double>>("rejected");
        QTest::newRow("4 divides 8") << Draws(2, 2, 4, 1, 1);
        QTest::newRow("8 divided by 4") << Draws(2, 4, 2, 3, 1);
        QTest::newRow("b = c") << Draws(4, 3, 3, 5, 7);
        QTest::newRow("both") << Draws(5, 2, 2, 1, 1) + Draws(3, 2, 4, 1, 1);
    }
    void rejectedDrawsAreDrawnAgain()
    {
        QFETCH(QList<double>, rejected);
        DrillModel& m = Open(2, rejected + Example());
        QCOMPARE(Random.Index, rejected.size() + 5);
        QCOMPARE(m.Problem().Expected[8], QStringLiteral("30"));
        QCOMPARE(m.Problem().Expected[9], QStringLiteral("25"));
        QCOMPARE(m.Problem().Expected[11], QStringLiteral("8"));
    }

    void stuckRandomSourceDoesNotHang()
    {
        // Always 0: a = b = c = 2, rejected every time.
        DrillModel& m = Open(2, {0.0});
        const int d1 = m.Problem().Expected[1].toInt();
        const int d2 = m.Problem().Expected[3].toInt();
        QVERIFY(d1 != d2);
        QVERIFY(ProblemDrawing::GreatestCommonDivisor(d1, d2) != d1 && ProblemDrawing::GreatestCommonDivisor(d1, d2) != d2);
    }

    void characterKeys_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("warnings");
        QTest::newRow("three digits and one more") << QByteArray("1234") << "123" << 1;
        QTest::newRow("signs") << QByteArray("*-.") << "*-." << 0;
        QTest::newRow("slash comma") << QByteArray("1/,") << "1/," << 0;
        QTest::newRow("letters and plus dropped") << QByteArray("a+2(B") << "2" << 0;
        QTest::newRow("backspace") << QByteArray("12\b3") << "13" << 0;
        QTest::newRow("backspace on empty") << QByteArray("\b\b7") << "7" << 0;
        QTest::newRow("full cell drops any key") << QByteArray("999a+\b") << "99" << 2;
    }
    void characterKeys()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QString, text);
        QFETCH(int, warnings);
        DrillModel& m = Open(1, Example());
        Type(keys);
        QCOMPARE(m.CellText(5), text);
        QCOMPARE(m.CurrentText(), text);
        QCOMPARE(Played("警告1.wav"), warnings);
        QCOMPARE(TestSession().ConfirmState, ConfirmStep::Normal);
        QCOMPARE(m.CursorCell(), 5);
    }

    void typedText_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("cell5");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("warnings");
        QTest::newRow("digits") << QStringList{"1", "2"} << "12" << 5 << 0;
        QTest::newRow("full-width digits and signs") << QStringList{"１", "．", "５"} << "1.5" << 5 << 0;
        QTest::newRow("the first character counts") << QStringList{"12"} << "1" << 5 << 0;
        QTest::newRow("space") << QStringList{"3", " "} << "3" << 6 << 0;
        QTest::newRow("full-width space") << QStringList{"3", "\u3000"} << "3" << 6 << 0;
        QTest::newRow("backspace") << QStringList{"1", "2", "\b"} << "1" << 5 << 0;
        QTest::newRow("plus is not typed") << QStringList{"+", "＋"} << "" << 5 << 0;
        QTest::newRow("beyond ASCII dropped") << QStringList{"é", "あ", "７"} << "7" << 5 << 0;
        QTest::newRow("no text") << QStringList{""} << "" << 5 << 0;
        QTest::newRow("full cell warns") << QStringList{"1", "2", "3", "a", "＋", "é"} << "123" << 5 << 2;
    }
    void typedText()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, cell5);
        QFETCH(int, cursor);
        QFETCH(int, warnings);
        DrillModel& m = Open(1, Example());
        for (const QString& text : texts)
            m.TypeText(text);
        QCOMPARE(m.CellText(5), cell5);
        QCOMPARE(m.CursorCell(), cursor);
        QCOMPARE(Played("警告1.wav"), warnings);
    }

    void typedTextAfterAWrongAnswer_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<ConfirmStep>("step");
        QTest::newRow("plus") << QStringList{"+"} << ConfirmStep::AfterFirstPlus;
        QTest::newRow("full-width plus twice") << QStringList{"＋", "＋"} << ConfirmStep::Normal;
        QTest::newRow("a digit between") << QStringList{"+", "5"} << ConfirmStep::AfterWrongAnswer;
        QTest::newRow("a full-width space between") << QStringList{"+", "\u3000"} << ConfirmStep::AfterWrongAnswer;
        QTest::newRow("a backspace between") << QStringList{"+", "\b"} << ConfirmStep::AfterWrongAnswer;
        QTest::newRow("beyond ASCII between") << QStringList{"+", "é", ""} << ConfirmStep::AfterFirstPlus;
    }
    void typedTextAfterAWrongAnswer()
    {
        QFETCH(QStringList, texts);
        DrillModel& m = Open(1, Example() + QList<double>{0.0} + Second());
        Type("3 2 5 60 25 8 ");
        for (const QString& text : texts)
            m.TypeText(text);
        QTEST(TestSession().ConfirmState, "step");
        QCOMPARE(m.Problem().Expected[8], QString::fromLatin1(TestSession().ConfirmState == ConfirmStep::Normal ? "24" : "30"));
    }

    void spaceMovesToTheNextAskedCell()
    {
        DrillModel& m = Open(1, Example());
        const Cells expected{6, 7, 8, 9, 11};
        for (int cell : expected) {
            Type(" ");
            QCOMPARE(m.CursorCell(), cell);
            QCOMPARE(m.CellColour(cell), DrillModel::CursorColour);
        }
        QCOMPARE(m.CellColour(9), DrillModel::InputColour);
        QCOMPARE(TestSession().Verdict, Verdict::Unjudged);
        QVERIFY(m.CellText(11).isEmpty()); // the space itself is not typed
    }

    void navigation_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QList<Direction>>("moves");
        QTest::addColumn<int>("cursor");
        const Direction L = Direction::Left, R = Direction::Right;
        QTest::newRow("level 3 right from 11 wraps to 8") << 3 << QList<Direction>{R, R, R} << 8;
        QTest::newRow("level 3 left from 8 wraps to 11") << 3 << QList<Direction>{L} << 11;
        QTest::newRow("level 3 right over given 10") << 3 << QList<Direction>{R, R} << 11;
        QTest::newRow("level 1 left from 5 wraps to 11") << 1 << QList<Direction>{L} << 11;
        QTest::newRow("level 1 right from 11 wraps to 5") << 1 << QList<Direction>{L, R} << 5;
        QTest::newRow("level 1 left from 11 skips 10") << 1 << QList<Direction>{L, L} << 9;
    }
    void navigation()
    {
        QFETCH(int, level);
        QFETCH(QList<Direction>, moves);
        QFETCH(int, cursor);
        DrillModel& m = Open(level, Example());
        for (Direction d : moves)
            m.Move(d);
        QCOMPARE(m.CursorCell(), cursor);
        for (int cell = 1; cell <= 11; ++cell)
            QCOMPARE(m.CellColour(cell) == DrillModel::CursorColour, cell == cursor);
    }

    void activation_data()
    {
        // s the screen is shown, l it loses the front, r it is back in front, e the attempt ends.
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("begun");
        QTest::newRow("shown") << "s" << 1;
        QTest::newRow("shown again") << "ss" << 1;
        QTest::newRow("back after leaving") << "slr" << 2;
        QTest::newRow("back without having left") << "sr" << 1;
        QTest::newRow("back twice after leaving once") << "slrr" << 2;
        QTest::newRow("left and back twice") << "slrlr" << 3;
        QTest::newRow("left before it was shown") << "lrs" << 1;
        QTest::newRow("back after the end") << "selr" << 1;
        QTest::newRow("ended before it was shown") << "es" << 0;
        QTest::newRow("shown after an end before it was") << "esss" << 0;
    }
    void activation()
    {
        QFETCH(QString, events);
        QFETCH(int, begun);
        DrillModel& m = Make(2, Example());
        // What the screen does when the attempt is to begin.
        auto begin = [&m] {
            if (m.Activate())
                m.Begin();
        };
        for (QChar event : events) {
            switch (event.unicode()) {
            case u's':
                if (m.BeginsWhenShown())
                    begin();
                break;
            case u'l': m.FrontLost(); break;
            case u'r':
                if (m.BeginsOnReturn())
                    begin();
                break;
            case u'e': TestSession().TimedOut = true; break;
            }
        }
        QCOMPARE(StartCalls, begun);
    }

    void upAndDownClear()
    {
        DrillModel& m = Open(1, Example());
        Type("3 2 5 30 25");
        QCOMPARE(m.CursorCell(), 9);
        m.ClearCell();
        QVERIFY(m.CellText(9).isEmpty());
        QVERIFY(m.CurrentText().isEmpty());
        QCOMPARE(m.CellText(8), QStringLiteral("30"));
        QCOMPARE(m.CursorCell(), 9);
        Type("7");
        QCOMPARE(m.CellText(9), QStringLiteral("7"));

        m.ClearAll();
        for (int cell : {5, 6, 7, 8, 9, 10, 11})
            QVERIFY(m.CellText(cell).isEmpty());
        for (int cell : {1, 2, 3, 4})
            QVERIFY(!m.CellText(cell).isEmpty());
        QCOMPARE(m.CursorCell(), 5);
        QVERIFY(m.CurrentText().isEmpty());
        m.TypeText(QStringLiteral("A")); // any other key: nothing
        QCOMPARE(m.CursorCell(), 5);
        QVERIFY(m.CellText(5).isEmpty());
    }

    void cell10MirrorsCell8()
    {
        DrillModel& m = Open(3, Example());
        QCOMPARE(m.CursorCell(), 8);
        Type("24");
        QCOMPARE(m.CellText(10), QStringLiteral("24"));
        Type("\b");
        QCOMPARE(m.CellText(8), QStringLiteral("2"));
        QCOMPARE(m.CellText(10), QStringLiteral("2"));
        m.ClearCell();
        QVERIFY(m.CellText(10).isEmpty());
        Type("30");
        m.ClearAll();
        QVERIFY(m.CellText(10).isEmpty());
    }

    void hintsAndGuideLines_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("rights");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QList<int>>("lines");
        QTest::newRow("5") << 1 << 0 << "①分母の最大公約数を求める" << QList<int>{};
        QTest::newRow("6") << 1 << 1 << "②分母を最大公約数でわる" << QList<int>{};
        QTest::newRow("7") << 1 << 2 << "③分母を最大公約数でわる" << QList<int>{};
        QTest::newRow("8") << 1 << 3 << "④２つをかける（どちらでもよい）" << QList<int>{3, 4};
        QTest::newRow("9") << 1 << 4 << "⑤２つをかける" << QList<int>{2};
        QTest::newRow("11") << 1 << 5 << "⑥２つをかける" << QList<int>{1};
        QTest::newRow("level 2 on 9") << 2 << 4 << "通分しなさい" << QList<int>{};
        QTest::newRow("level 3 on 9") << 3 << 1 << "通分しなさい" << QList<int>{};
    }
    void hintsAndGuideLines()
    {
        QFETCH(int, level);
        QFETCH(int, rights);
        QFETCH(QString, hint);
        QFETCH(QList<int>, lines);
        DrillModel& m = Open(level, Example());
        for (int i = 0; i < rights; ++i)
            m.Move(Direction::Right);
        QCOMPARE(m.HintShown(), level == 1);
        QCOMPARE(m.HintLabelText(), hint);
        for (int line = 1; line <= 4; ++line)
            QCOMPARE(m.GuideLineShown(line), lines.contains(line));
        // The space bar refreshes the hint too.
        if (level == 1 && rights == 3) {
            Type(" ");
            QCOMPARE(m.HintLabelText(), QStringLiteral("⑤２つをかける"));
        }
    }

    void correctAnswerDrawsTheNextProblem_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("level 1") << 1;
        QTest::newRow("level 3") << 3;
    }
    void correctAnswerDrawsTheNextProblem()
    {
        QFETCH(int, level);
        DrillModel& m = Open(level, Example() + QList<double>{0.0} + Second());
        Type(ExampleAnswer(level));
        QCOMPARE(TestSession().SolvedCount, 1);
        QCOMPARE(TestSession().Verdict, Verdict::Unjudged);
        QCOMPARE(TestSession().Judging, false);
        QCOMPARE(m.RemainingFigure(), QStringLiteral("9"));
        QCOMPARE(Played("正解.wav"), 1);
        QCOMPARE(m.Problem().Expected[8], QStringLiteral("24"));
        QCOMPARE(m.CellText(1), QStringLiteral("8"));
        QCOMPARE(m.CursorCell(), level == 3 ? 8 : 5);
        QVERIFY(m.CurrentText().isEmpty());
        for (int cell : {5, 6, 7, 8, 9, 10, 11})
            QVERIFY(m.CellText(cell).isEmpty());
        QCOMPARE(EndCalls, 0);
    }

    void wrongAnswer_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QList<int>>("wrong");
        QTest::newRow("cell 8 wrong") << QByteArray("3 2 5 60 25 8 ") << QList<int>{8};
        QTest::newRow("numerators wrong") << QByteArray("3 2 5 30 50 16 ") << QList<int>{9, 11};
        QTest::newRow("all empty") << QByteArray("      ") << QList<int>{5, 6, 7, 8, 9, 11};
        QTest::newRow("half 3.5 is not 3") << QByteArray("3.5 2 5 30 25 8 ") << QList<int>{5};
    }
    void wrongAnswer()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QList<int>, wrong);
        DrillModel& m = Open(1, Example() + QList<double>{0.0} + Second());
        Type(keys);
        QCOMPARE(TestSession().Verdict, Verdict::Wrong);
        QCOMPARE(TestSession().ConfirmState, ConfirmStep::AfterWrongAnswer);
        QCOMPARE(TestSession().Judging, false);
        QCOMPARE(TestSession().SolvedCount, 0);
        QCOMPARE(m.RemainingFigure(), QStringLiteral("10"));
        QCOMPARE(Played("間違い.wav"), 1);
        QVERIFY(m.ConfirmPromptShown());
        QVERIFY(!m.HintShown());
        for (int cell = 5; cell <= 11; ++cell) {
            if (cell == 10)
                continue;
            QCOMPARE(m.TwinShown(cell), wrong.contains(cell));
            QCOMPARE(m.CellColour(cell) == DrillModel::WrongColour, wrong.contains(cell));
        }
        QCOMPARE(m.TwinShown(10), wrong.contains(8));
        if (wrong.contains(8))
            QCOMPARE(m.TwinText(10), QStringLiteral("30"));

        // Characters do not reach the cells; "+", a digit, "+" does not confirm.
        const QString cell11 = m.CellText(11);
        Type("+5+");
        QCOMPARE(TestSession().ConfirmState, ConfirmStep::AfterFirstPlus);
        QCOMPARE(m.CellText(11), cell11);
        QCOMPARE(m.Problem().Expected[8], QStringLiteral("30"));
        Type("+");
        QCOMPARE(TestSession().ConfirmState, ConfirmStep::Normal);
        QVERIFY(!m.ConfirmPromptShown());
        QCOMPARE(m.Problem().Expected[8], QStringLiteral("24"));
        QCOMPARE(m.CursorCell(), 5);
        QVERIFY(m.HintShown());
        for (int cell = 1; cell <= 11; ++cell)
            QVERIFY(!m.TwinShown(cell));
        for (int cell : {5, 6, 7, 8, 9, 10, 11})
            QVERIFY(m.CellText(cell).isEmpty());
        QCOMPARE(m.CellColour(5), DrillModel::CursorColour);
        QCOMPARE(m.CellColour(6), DrillModel::InputColour);
        QCOMPARE(TestSession().SolvedCount, 0);
    }

    void arrowsStillWorkAfterAWrongAnswer()
    {
        DrillModel& m = Open(1, Example() + QList<double>{0.0});
        Type("3 2 5 60 25 8 ");
        m.Move(Direction::Right);
        QCOMPARE(m.CursorCell(), 5);
        QCOMPARE(m.CellColour(8), DrillModel::InputColour); // recoloured, the salmon mark is gone
        QVERIFY(m.TwinShown(8));                             // the correct value stays shown
        QCOMPARE(TestSession().ConfirmState, ConfirmStep::AfterWrongAnswer);
    }

    void solvedCount_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<bool>("correct");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("endCalls");
        QTest::newRow("wrong at 0 stays 0") << 0 << false << 0 << 0;
        QTest::newRow("wrong at 3") << 3 << false << 2 << 0;
        QTest::newRow("correct at 8") << 8 << true << 9 << 0;
        QTest::newRow("tenth correct ends") << 9 << true << 10 << 1;
    }
    void solvedCount()
    {
        QFETCH(int, before);
        QFETCH(bool, correct);
        QFETCH(int, after);
        QFETCH(int, endCalls);
        DrillModel& m = Open(2, Example() + QList<double>{0.0} + Second());
        TestSession().SolvedCount = before;
        Type(correct ? ExampleAnswer(2) : "3 2 5 30 25 9 ");
        QCOMPARE(TestSession().SolvedCount, after);
        QCOMPARE(m.RemainingFigure(), QString::number(10 - after));
        QCOMPARE(EndCalls, endCalls);
        QCOMPARE(TestSession().AttemptFinished, endCalls == 1);
        QCOMPARE(StopCalls, endCalls);
        if (endCalls) {
            // No new problem, and nothing more happens.
            QCOMPARE(m.Problem().Expected[8], QStringLiteral("30"));
            const QStringList cells = CellTexts(m);
            Type("12 ");
            m.MakeProblem();
            QCOMPARE(CellTexts(m), cells);
            TickAt(450);
            QCOMPARE(TestSession().TimedOut, false);
            QCOMPARE(EndCalls, 1);
        }
    }

    void keysIgnoredWhileBlocked_data()
    {
        QTest::addColumn<int>("flag");
        QTest::newRow("timed out") << 0;
        QTest::newRow("finished") << 1;
        QTest::newRow("judging") << 2;
    }
    void keysIgnoredWhileBlocked()
    {
        QFETCH(int, flag);
        DrillModel& m = Open(1, Example());
        (flag == 0 ? TestSession().TimedOut : flag == 1 ? TestSession().AttemptFinished : TestSession().Judging) = true;
        Type("12 ");
        QVERIFY(m.CellText(5).isEmpty());
        QCOMPARE(m.CursorCell(), 5);
        // Navigation keys do not look at the flags.
        m.Move(Direction::Right);
        QCOMPARE(m.CursorCell(), 6);
        const qsizetype drawn = Random.Index;
        m.MakeProblem();
        QCOMPARE(Random.Index, drawn);
    }

    void endAttemptMayCloseTheScreen()
    {
        // The attempt's end closes the drill screen, which owns the model.
        Open(2, Example() + QList<double>{0.0});
        TestSession().SolvedCount = 9;
        DrillModel* m = Model.release();
        bool deleted = false;
        m->EndAttempt = [m, &deleted] { deleted = true; delete m; };
        for (char k : QByteArray(ExampleAnswer(2)))
            if (!deleted)
                Press(*m, k);
        QVERIFY(deleted);
        QVERIFY(TestSession().AttemptFinished);
        QCOMPARE(TestSession().Judging, false);

        init();
        Open(2, Example());
        m = Model.release();
        deleted = false;
        m->EndAttempt = [m, &deleted] { deleted = true; delete m; };
        Clock.AdvanceMs(450000);
        m->Tick();
        QVERIFY(deleted);
        QVERIFY(TestSession().TimedOut);
    }

    void setup_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("titleSize");
        QTest::addColumn<QString>("today");
        QTest::addColumn<QString>("thisLevel");
        QTest::newRow("first of the day") << 1 << "ゾメ２" << 16.8 << "1" << "1";
        QTest::newRow("after others") << 2 << "ゾメ２" << 16.8 << "6" << "4";
        QTest::newRow("practice") << 7 << "ゾメ２" << 16.8 << "－" << "－";
        QTest::newRow("long title") << 1 << "とても長いドリルの名前です" << 14.0 << "1" << "1";
        QTest::newRow("nine characters") << 1 << "１２３４５６７８９" << 16.8 << "1" << "1";
    }
    void setup()
    {
        QFETCH(int, level);
        QFETCH(QString, title);
        QFETCH(double, titleSize);
        QFETCH(QString, today);
        QFETCH(QString, thisLevel);
        TestSchool().ProgramTitle = title;
        if (level != 1) {
            TestSchool().Results.TodayCount(2, 7) = 3;
            TestSchool().Results.TodayCount(3, 7) = 2;
            TestSchool().Results.TodayCount(2, 8) = 9; // another pupil
        }
        TestSession().LoginTime = 10 * 3600 - 754; // 12 minutes 34 seconds ago
        TestSession().SolvedCount = 4;
        TestSession().EndingStarted = true;
        TestSession().AttemptFinished = true;
        TestSession().Verdict = Verdict::Wrong;
        DrillModel& m = Open(level, Example());
        QCOMPARE(m.Title(), title);
        QCOMPARE(m.TitlePointSize(), titleSize);
        QCOMPARE(m.PupilText(), QStringLiteral("山田太郎"));
        QCOMPARE(m.LevelText(), TestSchool().Catalogue.LevelName[std::size_t(level)]);
        QCOMPARE(m.SchoolText(), QStringLiteral("ひまわり塾"));
        QCOMPARE(m.MinutesFigure(), QStringLiteral("12"));
        QCOMPARE(m.TodayFigure(), today);
        QCOMPARE(m.ThisLevelFigure(), thisLevel);
        QCOMPARE(TestSession().TodayTotal, qint16(level == 1 ? 0 : 5));
        QCOMPARE(m.SecondsFigure(), QStringLiteral("0"));
        QCOMPARE(TestSession().ProblemsPerAttempt, qint16(10));
        QCOMPARE(m.RemainingFigure(), QStringLiteral("6"));
        QCOMPARE(TestSession().AttemptFinished, false);
        QCOMPARE(TestSession().EndingStarted, false);
        QCOMPARE(TestSession().Verdict, Verdict::Unjudged);
        QCOMPARE(StartCalls, 1);
        QCOMPARE(TestSession().StartTime, 36000.0f);
    }

    void minutesSinceSignIn_data()
    {
        QTest::addColumn<QTime>("login");
        QTest::addColumn<QTime>("now");
        QTest::addColumn<QString>("minutes");
        QTest::newRow("same hour") << QTime(10, 0) << QTime(10, 9, 59) << "9";
        QTest::newRow("just signed in") << QTime(10, 0) << QTime(10, 0, 30) << "0";
        QTest::newRow("across midnight") << QTime(23, 50) << QTime(0, 10, 5) << "20";
    }
    void minutesSinceSignIn()
    {
        QFETCH(QTime, login);
        QFETCH(QTime, now);
        QFETCH(QString, minutes);
        TestSession().LoginTime = login.msecsSinceStartOfDay() / 1000;
        DrillModel& m = Open(1, Example());
        Clock.Set(QDateTime(QDate(2026, 12, 11), now));
        m.MinuteTick();
        QCOMPARE(m.MinutesFigure(), minutes);
    }

    void timeBarAndLimit()
    {
        DrillModel& m = Open(1, Example());
        QCOMPARE(TestSession().TimeLimit, 450);
        QCOMPARE(TestSession().BarScale, 20.0);
        QCOMPARE(m.TargetZoneWidth(), 1200.0);
        QCOMPARE(m.LowestZoneWidth(), 1800.0);
        QVERIFY(m.LowestZoneShown());
        QCOMPARE(m.ElapsedBarWidth(), 0.0);

        TickAt(1);
        QCOMPARE(m.SecondsFigure(), QStringLiteral("1"));
        QCOMPARE(m.ElapsedBarWidth(), 20.0);
        for (int second = 50; second <= 61; ++second) {
            TickAt(second);
            QCOMPARE(PassMarkersShown(), std::clamp(60 - second, 0, 10));
        }
        for (int i = 10; i <= 29; ++i)
            QVERIFY(m.MarkerShown(i));

        TickAt(449);
        QCOMPARE(TestSession().TimedOut, false);
        QCOMPARE(m.ElapsedBarWidth(), 8980.0);
        TickAt(450);
        QCOMPARE(TestSession().ElapsedSeconds, 450);
        QCOMPARE(TestSession().TimedOut, true);
        QCOMPARE(StopCalls, 1);
        QCOMPARE(EndCalls, 1);
        QCOMPARE(m.ElapsedBarWidth(), 9000.0);
        TickAt(451); // a tick queued before the clock stopped
        QCOMPARE(EndCalls, 1);
        Type("1");
        QVERIFY(m.CellText(5).isEmpty());
    }

    void elapsedRoundsHalvesToEven_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("seconds");
        QTest::newRow("2.5") << 2500 << 2;
        QTest::newRow("3.5") << 3500 << 4;
        QTest::newRow("3.499") << 3499 << 3;
        QTest::newRow("0.6") << 600 << 1;
    }
    void elapsedRoundsHalvesToEven()
    {
        QFETCH(int, ms);
        QFETCH(int, seconds);
        DrillModel& m = Open(1, Example());
        Clock.AdvanceMs(ms);
        m.Tick();
        QCOMPARE(TestSession().ElapsedSeconds, seconds);
    }

    void timeOutWaitsWhileJudging()
    {
        DrillModel& m = Open(1, Example());
        TestSession().Judging = true;
        TickAt(450);
        QCOMPARE(TestSession().TimedOut, false);
        QCOMPARE(EndCalls, 0);
        QCOMPARE(m.ElapsedBarWidth(), 9000.0);
        TestSession().Judging = false;
        TickAt(451);
        QCOMPARE(TestSession().TimedOut, true);
        QCOMPARE(EndCalls, 1);
    }

    void wallClockJumps_data()
    {
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QDateTime>("wallAfter");
        QTest::addColumn<int>("realSeconds");
        QTest::newRow("across midnight") << QTime(23, 59, 30) << QDateTime(QDate(2026, 12, 11), QTime(0, 0, 20)) << 50;
        QTest::newRow("clock set back an hour") << QTime(10, 0) << QDateTime(QDate(2026, 12, 10), QTime(9, 0, 5)) << 5;
        QTest::newRow("clock set forward a day") << QTime(10, 0) << QDateTime(QDate(2026, 12, 11), QTime(10, 0, 7)) << 7;
    }
    void wallClockJumps()
    {
        QFETCH(QTime, start);
        QFETCH(QDateTime, wallAfter);
        QFETCH(int, realSeconds);
        Clock.Set(QDateTime(QDate(2026, 12, 10), start));
        DrillModel& m = Open(1, Example());
        QCOMPARE(TestSession().StartTime, float(start.msecsSinceStartOfDay() / 1000.0));
        Clock.AdvanceMs(realSeconds * 1000);
        Clock.Set(wallAfter);
        m.Tick();
        QCOMPARE(TestSession().ElapsedSeconds, realSeconds);
        QCOMPARE(TestSession().TimedOut, false);
        QCOMPARE(m.SecondsFigure(), QString::number(realSeconds));
    }

    void noLowestTimeEndsAtTheFirstTick()
    {
        TestSchool().Criteria[1].LowestTime = 0;
        DrillModel& m = Open(1, Example());
        QCOMPARE(TestSession().TimeLimit, 0);
        QVERIFY(std::isfinite(TestSession().BarScale));
        QCOMPARE(m.TargetZoneWidth(), 0.0);
        QCOMPARE(EndCalls, 0);
        Clock.AdvanceMs(1000);
        m.Tick();
        QCOMPARE(TestSession().TimedOut, true);
        QCOMPARE(EndCalls, 1);
        QCOMPARE(m.ElapsedBarWidth(), m.TrackWidth());
    }
};

QTEST_GUILESS_MAIN(TestDrillModel)
#include "tst_DrillModel.moc"
