#include "drill/TimeBar.h"
#include "records/PassCriteria.h"
#include <QtTest>

namespace {
PassCriteria Criteria(int target, int lowest)
{
    PassCriteria c;
    c.TargetTime = target;
    c.LowestTime = lowest;
    return c;
}

QList<int> HiddenMarkers(const TimeBar& bar)
{
    QList<int> hidden;
    for (int marker = TimeBar::FirstMarker; marker <= TimeBar::LastMarker; ++marker)
        if (!bar.MarkerShown(marker))
            hidden << marker;
    return hidden;
}

QList<int> Range(int first, int last)
{
    QList<int> list;
    for (int n = first; n <= last; ++n)
        list << n;
    return list;
}
} // namespace

class TestTimeBar : public QObject {
    Q_OBJECT
private slots:
    void elapsedSeconds_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<int>("seconds");
        QTest::newRow("0") << qint64(0) << 0;
        QTest::newRow("0.499") << qint64(499) << 0;
        QTest::newRow("0.6") << qint64(600) << 1;
        QTest::newRow("2.5 to even") << qint64(2500) << 2;
        QTest::newRow("3.5 to even") << qint64(3500) << 4;
        QTest::newRow("3.499") << qint64(3499) << 3;
        QTest::newRow("450") << qint64(450000) << 450;
        QTest::newRow("before the start") << qint64(-2000) << 0;
    }
    void elapsedSeconds()
    {
        QFETCH(qint64, ms);
        QTEST(TimeBar::ElapsedSeconds(ms), "seconds");
    }

    void setUp_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("limit");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("targetWidth");
        QTest::addColumn<double>("lowestWidth");
        QTest::newRow("60 and 90") << 60 << 90 << 450 << 20.0 << 1200.0 << 1800.0;
        QTest::newRow("target beyond the track") << 600 << 90 << 450 << 20.0 << 9000.0 << 1800.0;
        QTest::newRow("no lowest time") << 60 << 0 << 0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("negative target") << -5 << 100 << 500 << 18.0 << 0.0 << 1800.0;
    }
    void setUp()
    {
        QFETCH(int, target);
        QFETCH(int, lowest);
        TimeBar bar;
        bar.SetUpWithoutLevel(300); // an attempt before on a level not in use
        bar.SetUp(Criteria(target, lowest));
        QTEST(bar.TimeLimit(), "limit");
        QTEST(bar.Scale(), "scale");
        QTEST(bar.TargetZoneWidth(), "targetWidth");
        QTEST(bar.LowestZoneWidth(), "lowestWidth");
        QVERIFY(bar.LowestZoneShown());
        QCOMPARE(bar.ElapsedWidth(), 0.0);
        QCOMPARE(bar.SecondsFigure(), QStringLiteral("0"));
    }

    void setUpWithoutLevel_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<double>("scale");
        QTest::newRow("300 s") << 300 << 30.0;
        QTest::newRow("none") << 0 << 0.0;
    }
    void setUpWithoutLevel()
    {
        QFETCH(int, limit);
        TimeBar bar;
        bar.SetUp(Criteria(60, 90));
        bar.SetUpWithoutLevel(limit);
        QCOMPARE(bar.TimeLimit(), limit);
        QTEST(bar.Scale(), "scale");
        QCOMPARE(bar.SecondsFigure(), QString::number(limit));
        QCOMPARE(bar.TargetZoneWidth(), 9000.0);
        QVERIFY(!bar.LowestZoneShown());
        QCOMPARE(bar.LowestZoneWidth(), 0.0);
    }

    void elapsedWidth_data()
    {
        QTest::addColumn<double>("track");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<double>("width");
        QTest::addColumn<bool>("timeUp");
        QTest::newRow("start") << 9000.0 << 90 << 0 << 0.0 << false;
        QTest::newRow("1 s") << 9000.0 << 90 << 1 << 20.0 << false;
        QTest::newRow("a second before the limit") << 9000.0 << 90 << 449 << 8980.0 << false;
        QTest::newRow("at the limit") << 9000.0 << 90 << 450 << 9000.0 << true;
        QTest::newRow("past the limit") << 9000.0 << 90 << 500 << 9000.0 << true;
        QTest::newRow("shorter track") << 4500.0 << 90 << 45 << 450.0 << false;
        QTest::newRow("no lowest time: up at once") << 9000.0 << 0 << 0 << 9000.0 << true;
    }
    void elapsedWidth()
    {
        QFETCH(double, track);
        QFETCH(int, lowest);
        QFETCH(int, elapsed);
        TimeBar bar;
        bar.TrackWidth = track;
        bar.SetUp(Criteria(60, lowest));
        QTEST(bar.Reach(elapsed), "timeUp");
        QTEST(bar.ElapsedWidth(), "width");
    }

    void shownAtATick_data()
    {
        QTest::addColumn<bool>("inUse");
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<double>("width");
        QTest::newRow("in use") << true << 30 << "30" << 600.0;
        // At the limit only Reach fills the bar.
        QTest::newRow("in use at the limit") << true << 450 << "450" << 0.0;
        QTest::newRow("not in use") << false << 30 << "450" << 0.0;
    }
    void shownAtATick()
    {
        QFETCH(bool, inUse);
        QFETCH(int, elapsed);
        TimeBar bar;
        if (inUse)
            bar.SetUp(Criteria(60, 90));
        else
            bar.SetUpWithoutLevel(450);
        bar.Show(elapsed, Criteria(60, 90), inUse);
        QTEST(bar.SecondsFigure(), "seconds");
        QTEST(bar.ElapsedWidth(), "width");
    }

    void markers_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<QList<int>>("ticks");
        QTest::addColumn<QList<int>>("hidden");
        QTest::newRow("before the last ten seconds") << 60 << 90 << QList<int>{1, 50} << QList<int>{};
        QTest::newRow("51 s: one Pass marker") << 60 << 90 << QList<int>{51} << QList<int>{30};
        QTest::newRow("55 s") << 60 << 90 << QList<int>{55} << Range(30, 34);
        QTest::newRow("at the target") << 60 << 90 << QList<int>{60} << Range(30, 39);
        QTest::newRow("ticks skipped: hidden all the same") << 60 << 90 << QList<int>{52, 59} << Range(30, 38);
        QTest::newRow("past the target: they stay hidden") << 60 << 90 << QList<int>{55, 61} << Range(30, 34);
        QTest::newRow("the lowest time from the far end") << 200 << 90 << QList<int>{81} << QList<int>{30};
        QTest::newRow("the lowest time reached") << 200 << 90 << QList<int>{90} << QList<int>{39};
        QTest::newRow("the lowest time, seconds before it") << 200 << 90 << QList<int>{83, 85, 88}
                                                             << QList<int>{32, 34, 37};
        // Best and YourBest have no time of their own: only a tick at 0 s counts them down.
        QTest::newRow("a tick at 0 s") << 60 << 90 << QList<int>{0} << Range(10, 29);
    }
    void markers()
    {
        QFETCH(int, target);
        QFETCH(int, lowest);
        QFETCH(QList<int>, ticks);
        TimeBar bar;
        bar.SetUp(Criteria(target, lowest));
        for (int elapsed : ticks)
            bar.Show(elapsed, Criteria(target, lowest), true);
        QTEST(HiddenMarkers(bar), "hidden");
    }
};

QTEST_APPLESS_MAIN(TestTimeBar)
#include "tst_TimeBar.moc"
