// Removing a record from a score file of 100 000 records (in the page cache, on the disk the
// temporary folder lies on): the backup written and forced to the disk, the journal, the records
// moved down in place, the file cut and forced to the disk. Finishing such a delete that was cut
// off before it moved anything. A delete taken back. Writing 100 attempts queued on the PC. One append and one rewrite in
// place beside it. Prints figures only.
#include "BenchFigures.h"
#include "records/PendingAttempts.h"
#include "records/ScoreBackups.h"
#include "records/ScoreFile.h"
#include "records/ScoreJournal.h"
#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
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
    full.reserve(qint64(Records) * ScoreRecordCodec::Size);
    for (qint32 n = 1; n <= Records; ++n)
        full += ScoreRecordCodec::Encode(Numbered(n));
    const auto writeFull = [&] {
        QFile f(file.Path());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(full) != full.size())
            qFatal("cannot write the score file");
        clock.AdvanceMs(1000);
    };

    std::printf("bench_scorefile: %d records (%.1f MB) in %s\n", Records, full.size() / 1e6, qPrintable(inst.DataFolder));
    Print("a record in the middle removed",
          Measure(11, [&] { file.RemoveRecord(Records / 2, Numbered(Records / 2)); }, writeFull), "200 ms");
    Print("the first record removed", Measure(11, [&] { file.RemoveRecord(1, Numbered(1)); }, writeFull), "200 ms");

    // As a delete of the first record leaves things when it is killed right after its journal.
    const auto cutOffDelete = [&] {
        writeFull();
        const QString backup = ScoreBackups(inst.DataFolder).Write(full, 0644, clock.Now());
        ScoreJournal journal;
        journal.Backup = backup;
        journal.BackupSize = full.size();
        journal.Record = 1;
        journal.Removed = ScoreRecordCodec::Encode(Numbered(1));
        journal.NoteStart(full.mid(ScoreRecordCodec::Size), full);
        QFile f(inst.DataFolder + ScoreJournal::FileName());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(journal.Encode()) <= 0)
            qFatal("cannot write the journal");
    };
    Print("a cut-off delete of the first record finished", Measure(11, [&] { file.RecordCount(); }, cutOffDelete),
          "300 ms");

    // A delete of the first record taken back: the backup of 100 000 records over the 99 999 left.
    const auto deleteFirst = [&] {
        writeFull();
        file.RemoveRecord(1, Numbered(1));
    };
    Print("a delete taken back (restore of the backup)",
          Measure(11, [&] { file.RestoreBackup(file.BackupNames().last()); }, deleteFirst), "300 ms");

    writeFull();
    const PendingAttempts queue(inst.Root + "queue", inst.DataFolder);
    int round = 0;
    const auto queueHundred = [&] {
        ++round;
        for (int i = 0; i < 100; ++i) {
            ScoreRecord r = Numbered(Records + 1 + i);
            r.Seconds = round * 1000 + i; // new attempts each round, none of them in the file yet
            queue.Add(r);
        }
    };
    Print("100 queued attempts written", Measure(11, [&] { queue.Flush(file); }, queueHundred), "50 ms");

    writeFull();
    const ScoreRecord record = Numbered(7);
    Print("one record appended", Measure(201, [&] { file.AppendScoreRecord(record); }), "none");
    Print("one record rewritten in place (with fsync)",
          Measure(21, [&] { file.WriteRecord(Records / 2, record, file.ReadRecord(Records / 2)); }), "none");
    return 0;
}
