#include "drill/DrillScript.h"
#include "drill/ProblemDrawing.h"
#include "support/ScriptedRandom.h"
#include <QtTest>

class TestProblemDrawing : public QObject {
    Q_OBJECT
private slots:
    void greatestCommonDivisor_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("expected");
        QTest::newRow("12,18") << 12 << 18 << 6;
        QTest::newRow("18,12") << 18 << 12 << 6;
        QTest::newRow("coprime") << 8 << 15 << 1;
        QTest::newRow("divides") << 4 << 8 << 4;
        QTest::newRow("equal") << 25 << 25 << 25;
    }
    void greatestCommonDivisor()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(int, expected);
        QCOMPARE(ProblemDrawing::GreatestCommonDivisor(first, second), expected);
    }

    void drawDigit_data()
    {
        QTest::addColumn<double>("fraction");
        QTest::addColumn<int>("digit");
        QTest::newRow("0") << 0.0 << 2;
        QTest::newRow("just under a quarter") << 0.2499 << 2;
        QTest::newRow("a quarter") << 0.25 << 3;
        QTest::newRow("a half") << 0.5 << 4;
        QTest::newRow("three quarters") << 0.75 << 5;
        QTest::newRow("just under 1") << 0.9999 << 5;
        QTest::newRow("1 from a broken source") << 1.0 << 5;
        QTest::newRow("negative from a broken source") << -0.5 << 2;
    }
    void drawDigit()
    {
        QFETCH(double, fraction);
        ScriptedRandom random({fraction});
        QTEST(ProblemDrawing::DrawDigit(random), "digit");
        QCOMPARE(random.Index, qsizetype(1));
    }

    void drawNumerator_data()
    {
        QTest::addColumn<int>("denominator");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<int>("numerator");
        QTest::newRow("6 at 0") << 6 << 0.0 << 1;
        QTest::newRow("6 just under 1") << 6 << 0.9999 << 5;
        QTest::newRow("6 at a half") << 6 << 0.5 << 3;
        QTest::newRow("25 at 0.96") << 25 << 0.96 << 24;
        QTest::newRow("4 at 1 from a broken source") << 4 << 1.0 << 3;
    }
    void drawNumerator()
    {
        QFETCH(int, denominator);
        QFETCH(double, fraction);
        ScriptedRandom random({fraction});
        QTEST(ProblemDrawing::DrawNumerator(random, denominator), "numerator");
    }

    void draw_data()
    {
        QTest::addColumn<QList<double>>("script");
        QTest::addColumn<bool>("stepsSkipped");
        QTest::addColumn<QStringList>("expected"); // cells 1–11
        QTest::addColumn<qsizetype>("draws");
        const QStringList example{"6", "5", "15", "4", "3", "2", "5", "30", "25", "", "8"};
        QTest::newRow("5/6 and 4/15") << Example() << false << example << qsizetype(5);
        QTest::newRow("steps skipped") << Example() << true << example << qsizetype(5);
        QTest::newRow("1/8 and 3/12")
            << Second() << false << QStringList{"8", "1", "12", "3", "4", "2", "3", "24", "3", "", "6"} << qsizetype(5);
        QTest::newRow("equal denominators drawn again") << Draws(4, 3, 3, 5, 7) + Example() << false << example
                                                        << qsizetype(10);
        QTest::newRow("one denominator dividing the other drawn again")
            << Draws(2, 2, 4, 1, 1) + Draws(2, 4, 2, 3, 1) + Example() << false << example << qsizetype(15);
        // Always 0: a = b = c = 2 every time; after a thousand rejected draws b and c become 2 and 3.
        QTest::newRow("stuck source")
            << QList<double>{0.0} << false << QStringList{"4", "1", "6", "1", "2", "2", "3", "12", "3", "", "2"}
            << qsizetype(1001 * 5);
    }
    void draw()
    {
        QFETCH(QList<double>, script);
        QFETCH(bool, stepsSkipped);
        QFETCH(QStringList, expected);
        QFETCH(qsizetype, draws);
        ScriptedRandom random(script);
        const FractionProblem p = ProblemDrawing::Draw(random, stepsSkipped);
        QCOMPARE(random.Index, draws);
        for (int cell = 1; cell <= 11; ++cell) {
            const auto i = std::size_t(cell);
            QCOMPARE(p.Expected[i], expected[cell - 1]);
            const bool given = cell <= 4 || cell == 10;
            const bool skipped = stepsSkipped && cell >= 5 && cell <= 7;
            QCOMPARE(p.Given[i], given);
            QCOMPARE(p.Skipped[i], skipped);
            QCOMPARE(p.IsAsked(cell), !given && !skipped);
        }
    }
};

QTEST_APPLESS_MAIN(TestProblemDrawing)
#include "tst_ProblemDrawing.moc"
