// The time graph's bands: where every attempt, record point and label goes, and the table's lines.
#include "menu/TimeGraph.h"
#include "base/OleDate.h"
#include "drill/LevelCatalogue.h"
#include "records/LoadedScores.h"
#include "records/ResultTables.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include <QtTest>
#include <memory>

namespace {
// Thursday 10 December 2026, 18:00.
const QDate Today(2026, 12, 10);
const QDateTime Now(Today, QTime(18, 0));
// W2 = 500, H3 = 300: positions read as fractions of them.
const QSizeF Page(1000, 900);
const TimeGraph::Placement FirstBand{1, 0, 0.05};
const double Top = 45;

ScoreRecord Record(int pupil, int level, qint32 seconds, const QDate& date = Today.addDays(-1))
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(date);
    r.TimeOfDay = OleDate::FromTime(QTime(10, 0));
    r.Pupil = qint16(pupil);
    r.Level = qint16(level);
    r.Seconds = seconds;
    return r;
}

double X(int n, int count) { return (0.2 + 0.7 * n / count) * 500; }
double Y(double seconds, double ymax) { return Top + (0.8 - 0.7 * seconds / ymax) * 300; }

QStringList Contents(const GraphBand& band)
{
    QStringList texts;
    for (const GraphBand::Text& t : band.Texts)
        texts << t.Content;
    return texts;
}

const GraphBand::Text* FindText(const GraphBand& band, const QString& content)
{
    for (const GraphBand::Text& t : band.Texts)
        if (t.Content == content)
            return &t;
    return nullptr;
}
} // namespace

class TestTimeGraph : public QObject {
    Q_OBJECT

    // 1 山田太郎 小３ (working), 2 山田太 小３ (a name inside another's), 3 佐藤花子 小４.
    std::unique_ptr<RosterTables> Roster;
    std::unique_ptr<LoadedScores> Scores;
    std::unique_ptr<ResultTables> Results;
    CriteriaTable Criteria{};
    LevelCatalogue Catalogue;
    TimeGraph::Inputs In;

    void AddPupil(int k, int n, const QString& name, int refYear)
    {
        Roster->PupilName[n] = RosterFile::Fixed20(name);
        Roster->PupilRefYear[n] = qint16(refYear);
        Roster->PupilGradeLabel[n] = RosterFile::GradeLabel(RosterFile::GradeIndex(refYear, 2026));
        Roster->ListedPupils[k] = qint16(n);
        Roster->ListedCount = k;
    }

    GraphBand Band(const std::vector<ScoreRecord>& records, int pupil = 1, int level = 1)
    {
        const TimeGraph::Standing standing = TimeGraph::StandingIn(
            TimeGraph::TimeRanking(level, In), TimeGraph::PointsRanking(level, In), level, pupil, In);
        return TimeGraph::Band(records, level, pupil, standing, In, Page, {level, 0, 0.05},
                               TimeGraph::Surface::Screen);
    }

private slots:
    void init()
    {
        Roster = std::make_unique<RosterTables>();
        Roster->SchoolYear = 2026;
        AddPupil(1, 1, QStringLiteral("山田太郎"), 2017);
        AddPupil(2, 2, QStringLiteral("山田太"), 2017);
        AddPupil(3, 3, QStringLiteral("佐藤花子"), 2016);
        Scores = std::make_unique<LoadedScores>();
        Results = std::make_unique<ResultTables>();
        Criteria = CriteriaTable{};
        Catalogue = LevelCatalogue();
        Catalogue.Build();
        In = TimeGraph::Inputs();
        In.Lists.Roster = Roster.get();
        In.Lists.Scores = Scores.get();
        In.Lists.Results = Results.get();
        In.Lists.Criteria = &Criteria;
        In.Lists.Catalogue = &Catalogue;
        In.Lists.LevelCount = Catalogue.LevelCount;
        In.Lists.CurrentPupil = 1;
        In.Lists.GradeFilterText = QStringLiteral("全学年");
        In.Lists.Now = Now;
        In.ProgramTitle = QStringLiteral("ゾメ２");
    }

    void attemptsRecordPointsAndTable()
    {
        const std::vector<ScoreRecord> records = {
            Record(1, 1, 50), Record(2, 1, 20), Record(1, 1, 40), Record(1, 1, 40), Record(1, 2, 5),
            Record(1, 1, 2000), Record(1, 1, 60), Record(2, 1, 99998), Record(1, 1, 30)};
        Scores->BestSeconds(1, 1) = 30;
        Scores->BestSeconds(1, 2) = 20;
        Results->TotalPoints(1, 1) = 120;
        Results->TotalPoints(1, 2) = 200;
        const GraphBand band = Band(records);

        // Five charted attempts: the 2000 s one and the other level's are left out.
        QCOMPARE(band.YMax, 70);
        QCOMPARE(int(band.Dots.size()), 5);
        const qint32 times[] = {50, 40, 40, 60, 30};
        const bool red[] = {true, true, false, false, true};
        for (int n = 1; n <= 5; ++n) {
            QCOMPARE(band.Dots[n - 1].At.x(), X(n, 5));
            QCOMPARE(band.Dots[n - 1].At.y(), Y(times[n - 1], 70));
            QCOMPARE(band.Dots[n - 1].Record, red[n - 1]);
        }
        QCOMPARE(int(band.Records.size()), 3);
        QCOMPARE(band.Records.back(), band.Dots.back().At);

        QCOMPARE(band.TableLines, QStringList({
            QStringLiteral("回数　　　　　　　  5回"),
            QStringLiteral("タイム  　　 　    本人 / 塾全体"),
            QStringLiteral("　　順位　　　　    2位"),
            QStringLiteral("　　最高　　　　   30秒 /   20秒"),
            QStringLiteral("　　平均　　　　   44秒 /   40秒"),
            QStringLiteral("ポイント  　　　"),
            QStringLiteral("　　順位　　　　    2位"),
            QStringLiteral("　　獲得ポイント  120点"),
            QStringLiteral("　　　　　　　　　　　　/  160点"),
            QStringLiteral("　　　　　　　　　　　　 (塾平均)")}));

        // Axes, separators, the name of the first band and the title.
        const QStringList texts = Contents(band);
        QVERIFY(texts.contains(QStringLiteral("山田太郎")));
        QVERIFY(texts.contains(QStringLiteral("ゾメ２ ") + Catalogue.LevelName[1]));
        QVERIFY(texts.contains(QStringLiteral("0秒")));
        QVERIFY(texts.contains(QStringLiteral("70秒")));
        const GraphBand::Text* name = FindText(band, QStringLiteral("山田太郎"));
        QCOMPARE(name->At, QPointF(5, 2 * 3.0));
        QCOMPARE(name->Size, 3.0);
        int separators = 0;
        for (const GraphBand::Line& l : band.Lines)
            if (l.Width == GraphBand::Pen::Separator)
                ++separators;
        QCOMPARE(separators, 2);
        QCOMPARE(band.Lines[2].At, QLineF(100, Top + 240, 450, Top + 240));
        QCOMPARE(band.Lines[3].At, QLineF(100, Top + 240, 100, Top + 30));
    }

    // The table finds a pupil by number: 山田太 is not taken for 山田太郎, who ranks above.
    void standingByPupilNumber()
    {
        Scores->BestSeconds(1, 1) = 30;
        Scores->BestSeconds(1, 2) = 45;
        Results->TotalPoints(1, 1) = 300;
        Results->TotalPoints(1, 2) = 100;
        const TimeGraph::Standing second = TimeGraph::StandingIn(
            TimeGraph::TimeRanking(1, In), TimeGraph::PointsRanking(1, In), 1, 2, In);
        QCOMPARE(second.TimeRank, QStringLiteral("2"));
        QCOMPARE(second.PointsRank, QStringLiteral("2"));
        QCOMPARE(second.AllTimePoints, qint64(100));
        QCOMPARE(second.PupilsWithPoints, 2);
        QCOMPARE(second.PointsSum, qint64(400));

        // Without an attempt the time rank reads "---"; a pupil the grade selector hides has none.
        const TimeGraph::Standing third = TimeGraph::StandingIn(
            TimeGraph::TimeRanking(1, In), TimeGraph::PointsRanking(1, In), 1, 3, In);
        QCOMPARE(third.TimeRank, QStringLiteral("---"));
        In.Lists.GradeFilterText = QStringLiteral("小３");
        const TimeGraph::Standing hidden = TimeGraph::StandingIn(
            TimeGraph::TimeRanking(1, In), TimeGraph::PointsRanking(1, In), 1, 3, In);
        QCOMPARE(hidden.TimeRank, QString());
        QCOMPARE(hidden.PointsRank, QString());
    }

    void ymax_data()
    {
        QTest::addColumn<QList<int>>("times");
        QTest::addColumn<int>("ymax");
        QTest::addColumn<int>("dots");
        QTest::newRow("no attempt") << QList<int>{} << 10 << 0;
        QTest::newRow("9 s") << QList<int>{9} << 10 << 1;
        QTest::newRow("10 s") << QList<int>{10} << 20 << 1;
        QTest::newRow("995 s") << QList<int>{995} << 1000 << 1;
        QTest::newRow("1500 s capped") << QList<int>{1500, 20} << 1000 << 2;
        QTest::newRow("1800 s and a failure left out") << QList<int>{1800, 99998, 30} << 40 << 1;
    }
    void ymax()
    {
        QFETCH(QList<int>, times);
        QFETCH(int, ymax);
        QFETCH(int, dots);
        std::vector<ScoreRecord> records;
        for (int t : times)
            records.push_back(Record(1, 1, t));
        const GraphBand band = Band(records);
        QCOMPARE(band.YMax, ymax);
        QCOMPARE(int(band.Dots.size()), dots);
        // Nothing is drawn above the value axis's top.
        for (const GraphBand::Dot& d : band.Dots)
            QVERIFY(d.At.y() >= Top + 0.1 * 300 - 1e-9);
    }

    // An empty chart: no points, no average line, no axis labels.
    void withoutAttempts()
    {
        const GraphBand band = Band({Record(2, 1, 40)});
        QVERIFY(band.Dots.empty());
        QVERIFY(band.Records.empty());
        QCOMPARE(band.YMax, 10);
        QCOMPARE(band.TableLines.size(), 7);
        QCOMPARE(band.TableLines[0], QStringLiteral("回数　　　　　　　   回"));
        QCOMPARE(band.TableLines[2], QStringLiteral("　　順位　　　　  ---位"));
        QCOMPARE(band.TableLines[3], QStringLiteral("　　最高　　　　       /   40秒"));
        QVERIFY(!Contents(band).contains(QStringLiteral("0秒")));
        QVERIFY(!Contents(band).contains(QStringLiteral("10秒")));
        // An empty score file draws the frame and nothing more.
        const GraphBand empty = Band({});
        QVERIFY(empty.Dots.empty());
        QCOMPARE(empty.TableLines[3], QStringLiteral("　　最高　　　　       /99999秒"));
    }

    // Record points 1 and N are labelled, and every third from 3 to N - 2 when there are more than
    // five; a date is shortened to MM/DD when the point before it is of the same year.
    void recordLabels_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<QList<int>>("labelled");
        QTest::newRow("one") << 1 << QList<int>{1};
        QTest::newRow("five") << 5 << QList<int>{1, 5};
        QTest::newRow("six") << 6 << QList<int>{1, 3, 6};
        QTest::newRow("eight") << 8 << QList<int>{1, 3, 6, 8};
        QTest::newRow("nine") << 9 << QList<int>{1, 3, 6, 9};
    }
    void recordLabels()
    {
        QFETCH(int, points);
        QFETCH(QList<int>, labelled);
        std::vector<ScoreRecord> records;
        for (int i = 1; i <= points; ++i)
            records.push_back(Record(1, 1, 100 - i));
        const GraphBand band = Band(records);
        QCOMPARE(int(band.Records.size()), points);
        QList<int> found;
        for (int i = 1; i <= points; ++i)
            if (FindText(band, QString::number(100 - i) + QStringLiteral("秒")))
                found << i;
        QCOMPARE(found, labelled);
    }

    void shortDates()
    {
        const std::vector<ScoreRecord> records = {Record(1, 1, 50, QDate(2025, 12, 30)),
                                                  Record(1, 1, 40, QDate(2026, 1, 5)),
                                                  Record(1, 1, 45, QDate(2026, 1, 6)),
                                                  Record(1, 1, 30, QDate(2026, 1, 7))};
        const GraphBand band = Band(records);
        const QStringList texts = Contents(band);
        QVERIFY(texts.contains(QStringLiteral("2025/12/30")));
        QVERIFY(texts.contains(QStringLiteral("01/07")));
        // The newest attempt's date stands in full under the last point.
        const GraphBand::Text* newest = FindText(band, QStringLiteral("2026/01/07"));
        QVERIFY(newest);
        QCOMPARE(newest->At.x(), band.Dots.back().At.x() - 0.025 * 500);
    }

    // The last ten years only, on levels of the menu; the grade selector hides the points but not
    // the counts. The school's figures count every record of the level, nobody's (pupil 0) too.
    void recordsTaken()
    {
        const std::vector<ScoreRecord> records = {Record(1, 1, 20, Today.addDays(-3651)), Record(1, 1, 50),
                                                  Record(1, 9, 10), Record(0, 1, 5)};
        GraphBand band = Band(records);
        QCOMPARE(int(band.Dots.size()), 1);
        QCOMPARE(band.TableLines[3], QStringLiteral("　　最高　　　　   50秒 /    5秒"));
        QCOMPARE(band.TableLines[4], QStringLiteral("　　平均　　　　   50秒 /   28秒"));
        In.Lists.GradeFilterText = QStringLiteral("小４");
        band = Band(records);
        QVERIFY(band.Dots.empty());
        QCOMPARE(band.TableLines[0], QStringLiteral("回数　　　　　　　  1回"));
    }

    void paperTable()
    {
        const TimeGraph::Standing none;
        const GraphBand screen = TimeGraph::Band({}, 1, 1, none, In, Page, FirstBand, TimeGraph::Surface::Screen);
        const GraphBand paper = TimeGraph::Band({}, 1, 1, none, In, Page, FirstBand, TimeGraph::Surface::Paper);
        const QString title = QStringLiteral("ゾメ２ ") + Catalogue.LevelName[1];
        QCOMPARE(FindText(screen, title)->Size, 2.0);
        QCOMPARE(FindText(paper, title)->Size, 3.0);
        const auto step = [](const GraphBand& b) {
            return FindText(b, b.TableLines[1])->At.y() - FindText(b, b.TableLines[0])->At.y();
        };
        QCOMPARE(step(screen), 0.08 * 300);
        QCOMPARE(step(paper), 0.06 * 300);
        // Only the first band of a page carries the name.
        const GraphBand second = TimeGraph::Band({}, 1, 1, none, In, Page, {1, 0, 0.35}, TimeGraph::Surface::Paper);
        QVERIFY(!FindText(second, QStringLiteral("山田太郎")));
    }

    void plan_data()
    {
        QTest::addColumn<QList<int>>("levels");
        QTest::addColumn<int>("levelCount");
        QTest::addColumn<QList<int>>("pages");
        QTest::newRow("three levels, one page") << QList<int>{1, 2, 3} << 3 << QList<int>{0, 0, 0};
        QTest::newRow("seven levels, three pages") << QList<int>{1, 2, 3, 4, 5, 6, 7} << 7
                                                   << QList<int>{0, 0, 0, 1, 1, 1, 2};
        QTest::newRow("beyond the menu ends it") << QList<int>{1, 2, 5, 3} << 3 << QList<int>{0, 0};
    }
    void plan()
    {
        QFETCH(QList<int>, levels);
        QFETCH(int, levelCount);
        QFETCH(QList<int>, pages);
        const auto placements = TimeGraph::Plan(std::vector<int>(levels.begin(), levels.end()), levelCount);
        QList<int> got;
        for (std::size_t i = 0; i < placements.size(); ++i) {
            got << placements[i].Page;
            QCOMPARE(placements[i].Level, levels[int(i)]);
            QCOMPARE(placements[i].Top, 0.05 + 0.3 * (int(i) % 3));
        }
        QCOMPARE(got, pages);
    }

    void numbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero is empty") << 0.0 << "";
        QTest::newRow("a fraction rounds") << 44.5 << "45";
        QTest::newRow("below a half") << 0.4 << "";
        QTest::newRow("five digits") << 99999.0 << "99999";
    }
    void numbers()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(TimeGraph::Formatted(value), text);
    }

    void pupilChoices()
    {
        const auto choices = TimeGraph::PupilChoices(*In.Lists.Roster);
        QCOMPARE(int(choices.size()), 3);
        QCOMPARE(choices[0].Row, QStringLiteral("小３ /  山田太郎/1"));
        QCOMPARE(choices[2].Pupil, 3);
    }
};

QTEST_GUILESS_MAIN(TestTimeGraph)
#include "tst_TimeGraph.moc"
