#include "drill/AnswerCells.h"
#include <QtTest>

Q_DECLARE_METATYPE(Direction)

namespace {
// 5/6 and 4/15: g 3, quotients 2 and 5, 25/30 and 8/30. With the steps skipped only 8, 9 and 11
// are asked.
FractionProblem Example(bool stepsSkipped)
{
    FractionProblem p;
    const QStringList values{"", "6", "5", "15", "4", "3", "2", "5", "30", "25", "", "8"};
    for (int cell = 1; cell <= 11; ++cell)
        p.Expected[std::size_t(cell)] = values[cell];
    for (int cell : {1, 2, 3, 4, 10})
        p.Given[std::size_t(cell)] = true;
    if (stepsSkipped)
        for (int cell : {5, 6, 7})
            p.Skipped[std::size_t(cell)] = true;
    return p;
}

// Edits written as characters: < and > move the cursor, \b takes back a character, v empties the
// cursor cell, ^ empties every asked cell; anything else is appended.
void Edit(AnswerCells& cells, const QString& edits)
{
    for (QChar c : edits) {
        switch (c.unicode()) {
        case u'<': cells.Move(Direction::Left); break;
        case u'>': cells.Move(Direction::Right); break;
        case u'\b': cells.EraseLast(); break;
        case u'v': cells.ClearCursorCell(); break;
        case u'^': cells.ClearAnswers(); break;
        default: cells.Append(c);
        }
    }
}

// The texts of cells 5–11.
QStringList Answers(const AnswerCells& cells)
{
    QStringList texts;
    for (int cell = 5; cell <= 11; ++cell)
        texts << cells.Text(cell);
    return texts;
}
} // namespace

class TestAnswerCells : public QObject {
    Q_OBJECT
private slots:
    void numericValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("12") << "12" << 12.0;
        QTest::newRow("1.5") << "1.5" << 1.5;
        QTest::newRow("-3") << "-3" << -3.0;
        QTest::newRow("1/2") << "1/2" << 1.0;
        QTest::newRow("1,2") << "1,2" << 1.0;
        QTest::newRow("*5") << "*5" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("minus alone") << "-" << 0.0;
        QTest::newRow("dot alone") << "." << 0.0;
        QTest::newRow("1.") << "1." << 1.0;
        QTest::newRow(".5") << ".5" << 0.5;
        QTest::newRow("3-") << "3-" << 3.0;
    }
    void numericValue()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(AnswerCells::NumericValue(text), value);
    }

    void start_data()
    {
        QTest::addColumn<bool>("stepsSkipped");
        QTest::addColumn<int>("cursor");
        QTest::newRow("all steps") << false << 5;
        QTest::newRow("steps skipped") << true << 8;
    }
    void start()
    {
        QFETCH(bool, stepsSkipped);
        QFETCH(int, cursor);
        AnswerCells cells;
        // Left over from the problem before: typed text, wrong marks and shown twins.
        cells.Start(Example(false));
        Edit(cells, "12");
        cells.MarkWrong();
        cells.Start(Example(stepsSkipped));
        QCOMPARE(cells.Cursor(), cursor);
        QVERIFY(cells.CurrentText().isEmpty());
        const QStringList given{"", "6", "5", "15", "4"};
        for (int cell = 1; cell <= 11; ++cell) {
            const bool skipped = stepsSkipped && cell >= 5 && cell <= 7;
            QCOMPARE(cells.Text(cell), cell <= 4 ? given[cell] : QString());
            QCOMPARE(cells.Shown(cell), !skipped);
            QVERIFY(!cells.TwinShown(cell));
            const AnswerCells::Role role = cell == 10       ? AnswerCells::Role::Mirror
                                           : cell == cursor ? AnswerCells::Role::Cursor
                                           : cell <= 4      ? AnswerCells::Role::Given
                                                            : AnswerCells::Role::Input;
            QCOMPARE(cells.RoleOf(cell), role);
        }
    }

    void navigation_data()
    {
        QTest::addColumn<bool>("stepsSkipped");
        QTest::addColumn<QList<Direction>>("moves");
        QTest::addColumn<int>("cursor");
        const Direction L = Direction::Left, R = Direction::Right;
        QTest::newRow("right through the steps") << false << QList<Direction>{R, R, R} << 8;
        QTest::newRow("right over the mirror") << false << QList<Direction>{R, R, R, R, R} << 11;
        QTest::newRow("right from 11 wraps to 5") << false << QList<Direction>{L, R} << 5;
        QTest::newRow("left from 5 wraps to 11") << false << QList<Direction>{L} << 11;
        QTest::newRow("left from 11 skips 10") << false << QList<Direction>{L, L} << 9;
        QTest::newRow("skipped steps: right from 11 wraps to 8") << true << QList<Direction>{R, R, R} << 8;
        QTest::newRow("skipped steps: left from 8 wraps to 11") << true << QList<Direction>{L} << 11;
    }
    void navigation()
    {
        QFETCH(bool, stepsSkipped);
        QFETCH(QList<Direction>, moves);
        QFETCH(int, cursor);
        AnswerCells cells;
        cells.Start(Example(stepsSkipped));
        for (Direction d : moves)
            cells.Move(d);
        QCOMPARE(cells.Cursor(), cursor);
        QCOMPARE(cells.OnLastCell(), cursor == 11);
        for (int cell = 1; cell <= 11; ++cell)
            QCOMPARE(cells.RoleOf(cell) == AnswerCells::Role::Cursor, cell == cursor);
    }

    void editing_data()
    {
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QStringList>("answers"); // cells 5–11
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("full");
        QTest::newRow("typed") << "12" << QStringList{"12", "", "", "", "", "", ""} << 5 << "12" << false;
        QTest::newRow("full at three characters") << "123" << QStringList{"123", "", "", "", "", "", ""} << 5 << "123" << true;
        QTest::newRow("full on moving back") << "123>4<" << QStringList{"123", "4", "", "", "", "", ""} << 5 << "123" << true;
        QTest::newRow("erased") << "12\b3" << QStringList{"13", "", "", "", "", "", ""} << 5 << "13" << false;
        QTest::newRow("erasing nothing") << "\b\b7" << QStringList{"7", "", "", "", "", "", ""} << 5 << "7" << false;
        QTest::newRow("moved on") << "3>2>5>" << QStringList{"3", "2", "5", "", "", "", ""} << 8 << "" << false;
        QTest::newRow("cell 10 mirrors cell 8") << ">>>30" << QStringList{"", "", "", "30", "", "30", ""} << 8 << "30" << false;
        QTest::newRow("moving back takes up the cell's text")
            << "3>2>5><" << QStringList{"3", "2", "5", "", "", "", ""} << 7 << "5" << false;
        QTest::newRow("erasing after moving back") << "3>21<\b" << QStringList{"", "21", "", "", "", "", ""} << 5 << "" << false;
        QTest::newRow("cursor cell emptied") << "3>2v" << QStringList{"3", "", "", "", "", "", ""} << 6 << "" << false;
        QTest::newRow("cell 8 emptied with its mirror")
            << ">>>30v" << QStringList{"", "", "", "", "", "", ""} << 8 << "" << false;
        QTest::newRow("all emptied") << "3>2>5>30>25>8^" << QStringList{"", "", "", "", "", "", ""} << 5 << "" << false;
    }
    void editing()
    {
        QFETCH(QString, edits);
        QFETCH(QStringList, answers);
        QFETCH(int, cursor);
        QFETCH(QString, current);
        AnswerCells cells;
        cells.Start(Example(false));
        Edit(cells, edits);
        QCOMPARE(cells.Cursor(), cursor);
        QCOMPARE(cells.CurrentText(), current);
        QTEST(cells.IsFull(), "full");
        QCOMPARE(Answers(cells), answers);
        for (int cell = 1; cell <= 4; ++cell)
            QVERIFY(!cells.Text(cell).isEmpty());
    }

    void takes_data()
    {
        QTest::addColumn<QChar>("character");
        QTest::addColumn<bool>("taken");
        for (char c : QByteArray("0123456789*-./,"))
            QTest::addRow("%c", c) << QChar(c) << true;
        for (char c : QByteArray("+ aZ()=\b"))
            QTest::addRow("0x%02x", c) << QChar(c) << false;
        QTest::newRow("full-width 7") << QChar(0xFF17) << false;
    }
    void takes()
    {
        QFETCH(QChar, character);
        QTEST(AnswerCells::Takes(character), "taken");
    }

    void judging_data()
    {
        QTest::addColumn<bool>("stepsSkipped");
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QList<int>>("wrong");
        QTest::newRow("all correct") << false << "3>2>5>30>25>8" << QList<int>{};
        QTest::newRow("cell 8 wrong") << false << "3>2>5>60>25>8" << QList<int>{8};
        QTest::newRow("numerators wrong") << false << "3>2>5>30>50>16" << QList<int>{9, 11};
        QTest::newRow("all empty") << false << "" << QList<int>{5, 6, 7, 8, 9, 11};
        QTest::newRow("3.5 is not 3") << false << "3.5>2>5>30>25>8" << QList<int>{5};
        QTest::newRow("30.0 is 30, 8/ is 8") << false << "3>2>5>30.>25>8/" << QList<int>{};
        QTest::newRow("skipped steps are not judged") << true << "30>25>8" << QList<int>{};
        QTest::newRow("skipped steps, cell 9 wrong") << true << "30>24>8" << QList<int>{9};
    }
    void judging()
    {
        QFETCH(bool, stepsSkipped);
        QFETCH(QString, edits);
        QFETCH(QList<int>, wrong);
        AnswerCells cells;
        cells.Start(Example(stepsSkipped));
        Edit(cells, edits);
        QCOMPARE(cells.AnyAskedWrong(), !wrong.isEmpty());
        cells.ClearMarks();
        cells.MarkWrong();
        for (int cell = 1; cell <= 11; ++cell) {
            if (cell == 10)
                continue;
            QCOMPARE(cells.RoleOf(cell) == AnswerCells::Role::Wrong, wrong.contains(cell));
            QCOMPARE(cells.TwinShown(cell), wrong.contains(cell));
        }
        // Cell 10 shows the common denominator that cell 8 should have held.
        QCOMPARE(cells.TwinShown(10), wrong.contains(8));
        QCOMPARE(cells.TwinText(10), wrong.contains(8) ? QStringLiteral("30") : QString());
        QCOMPARE(cells.RoleOf(10), AnswerCells::Role::Mirror);

        // Moving on takes the marks away; the correct values stay in view.
        cells.Move(Direction::Right);
        for (int cell = 1; cell <= 11; ++cell) {
            QVERIFY(cells.RoleOf(cell) != AnswerCells::Role::Wrong);
            QCOMPARE(cells.TwinShown(cell), wrong.contains(cell) || (cell == 10 && wrong.contains(8)));
        }
    }
};

QTEST_APPLESS_MAIN(TestAnswerCells)
#include "tst_AnswerCells.moc"
