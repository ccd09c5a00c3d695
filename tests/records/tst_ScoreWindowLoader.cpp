#include "base/Limits.h"
#include "records/LoadedScores.h"
#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include "records/ScoreWindowLoader.h"
#include <QtTest>
#include <memory>

namespace {
// Record n: pupil n % 1000 + 1 on level 1, n seconds.
QByteArray Numbered(int count)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(count) * ScoreRecordCodec::Size);
    for (int n = 1; n <= count; ++n) {
        ScoreRecord r;
        r.Date = 46366;
        r.TimeOfDay = 0.5;
        r.Pupil = qint16(n % 1000 + 1);
        r.Level = 1;
        r.Seconds = n;
        bytes += ScoreRecordCodec::Encode(r);
    }
    return bytes;
}
} // namespace

// The loaded window built from bytes alone, as the score file hands them over.
class TestScoreWindowLoader : public QObject {
    Q_OBJECT
private slots:
    void damagedLengths_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("loaded");
        QTest::addColumn<int>("firstSeconds");
        QTest::newRow("no bytes") << QByteArray() << 0 << 0;
        QTest::newRow("one byte short of a record") << Numbered(1).left(43) << 0 << 0;
        QTest::newRow("one record") << Numbered(1) << 1 << 1;
        QTest::newRow("a partial record at the end") << Numbered(3) + Numbered(4).right(20) << 3 << 1;
        QTest::newRow("all but one byte of a record at the end") << Numbered(3) + Numbered(1).left(43) << 3 << 1;
        QTest::newRow("more than the window") << Numbered(LoadedScores::Window + 3) << LoadedScores::Window << 4;
        QTest::newRow("more than the window and a partial record")
            << Numbered(LoadedScores::Window + 3) + QByteArray(7, '\x7f') << LoadedScores::Window << 4;
    }
    void damagedLengths()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, loaded);
        QFETCH(int, firstSeconds);
        const auto scores = std::make_unique<LoadedScores>();
        ScoreWindowLoader::Load(*scores, bytes.constData(), bytes.size());
        QCOMPARE(scores->LoadedCount, loaded);
        if (loaded == 0) {
            QCOMPARE(scores->SchoolBestSeconds[1], Limits::NoTime);
            return;
        }
        QCOMPARE(scores->LoadedSeconds[1], firstSeconds);
        QCOMPARE(scores->LoadedSeconds[loaded], firstSeconds + loaded - 1);
        QCOMPARE(scores->SchoolBestSeconds[1], firstSeconds);
        QCOMPARE(scores->BestSeconds(1, firstSeconds % 1000 + 1), firstSeconds);
    }

    // What one load set, the next one clears, whatever bytes it is given.
    void reloadStartsAfresh()
    {
        const auto scores = std::make_unique<LoadedScores>();
        const QByteArray first = Numbered(5);
        ScoreWindowLoader::Load(*scores, first.constData(), first.size());
        QCOMPARE(scores->BestSeconds(1, 3), 2);

        ScoreWindowLoader::Load(*scores, first.constData(), 0);
        QCOMPARE(scores->LoadedCount, 0);
        QCOMPARE(scores->BestSeconds(1, 3), Limits::NoTime);
        QCOMPARE(scores->SchoolBestSeconds[1], Limits::NoTime);
    }
};

QTEST_GUILESS_MAIN(TestScoreWindowLoader)
#include "tst_ScoreWindowLoader.moc"
