// Removing a record from a score file of 100 000 records (in the page cache, on the disk the
// temporary folder lies on): the new file written and forced to the disk, the backup, the rename and
// the folder forced to the disk. One append and one rewrite in place beside it. Prints figures only.
#include "BenchFigures.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecord.h"
#include "support/ManualClock.h"
#include "support/TestInstallation.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace BenchFigures;

namespace {
constexpr int Records = 100000;

ScoreRecord Numbered(qint32 n)
{
    ScoreRecord r;
    r.Date = 46366 - (Records - n) / 400;
    r.TimeOfDay = 0.3 + (n % 400) / 2000.0;
    r.Pupil = qint16(1 + n % 600);
    r.Level = qint16(1 + n % 9);
    r.Seconds = 40 + n % 300;
    return r;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TestInstallation inst;
    ManualClock clock;
    ScoreFile file(inst.DataFolder, [](int) {});
    file.DateBackupsBy(clock);

    QByteArray full;
    full.reserve(qint64(Records) * ScoreRecord::Size);
    for (qint32 n = 1; n <= Records; ++n)
        full += Numbered(n).ToBytes();
    const auto writeFull = [&] {
        QFile f(file.Path());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(full) != full.size())
            qFatal("cannot write the score file");
        clock.AdvanceMs(1000);
    };

    std::printf("bench_scorefile: %d records (%.1f MB) in %s\n", Records, full.size() / 1e6, qPrintable(inst.DataFolder));
    Print("a record in the middle removed", Measure(11, [&] { file.RemoveRecord(Records / 2); }, writeFull),
          "200 ms");
    Print("the first record removed", Measure(11, [&] { file.RemoveRecord(1); }, writeFull), "200 ms");
    writeFull();
    const ScoreRecord record = Numbered(7);
    Print("one record appended", Measure(201, [&] { file.AppendScoreRecord(record); }), "none");
    Print("one record rewritten in place (with fsync)", Measure(21, [&] { file.WriteRecord(Records / 2, record); }),
          "none");
    return 0;
}
