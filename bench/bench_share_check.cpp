// The look at the share that every start takes, side by side with a start that skips it: from the
// screen flow reading the configuration to the name screen's first paint (1000 pupils, 20000
// records); the look alone. Then zome2 --check-data-root on a score file of 1,000,000 records (in
// the page cache). Figures only.
#include "BenchFigures.h"
#include "app/DataRootCheckCommand.h"
#include "app/ScreenFlow.h"
#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include "setup/ShareSafety.h"
#include "support/TestScopes.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include <QApplication>
#include <QFile>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace BenchFigures;

namespace {
const QDateTime Now(QDate(2026, 12, 10), QTime(15, 0, 0));

void WriteRecords(const QString& path, int count)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray chunk;
    for (int i = 0; i < count; ++i) {
        ScoreRecord r;
        r.Date = 46366 - (count - i) / 400;
        r.TimeOfDay = 0.5;
        r.Pupil = qint16(1 + i % 1000);
        r.Level = qint16(1 + i % 3);
        r.Seconds = 40 + i % 200;
        chunk += ScoreRecordCodec::Encode(r);
        if (chunk.size() > (1 << 20) || i + 1 == count) {
            if (f.write(chunk) != chunk.size())
                qFatal("cannot write %s", qPrintable(path));
            chunk.clear();
        }
    }
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ManualClock clock(Now);
    TestInstallation inst;
    inst.WriteAll();
    inst.WriteNumberedRoster(1000);
    WriteRecords(inst.DataFolder + QStringLiteral("成績累積データ.dat"), 20000);

    std::printf("bench_share_check\n");
    // Alternating, so that both see the same caches and the same machine.
    std::vector<double> with, without;
    for (int run = 0; run < 21; ++run) {
        for (const bool check : {true, false}) {
            ResetTestScopes();
            TestEnv().TheClock = &clock;
            TestSchool().ProgramFolderOverride = inst.ProgramFolder;
            TestSchool().CheckShareAtStart = check;
            ScreenFlow flow(TestSchool(), TestSession(), TestEnv());
            const double ms = Timed([&] {
                flow.OpenNameSelection();
                QCoreApplication::processEvents(); // the first paint
            });
            (check ? with : without).push_back(ms);
            DeleteAllScreens();
        }
    }
    const auto figures = [](std::vector<double> ms) {
        std::sort(ms.begin(), ms.end());
        return Figures{ms[ms.size() / 2], ms.front(), ms.back()};
    };
    const Figures on = figures(with);
    const Figures off = figures(without);
    Print("name screen's first paint, with the share check", on, "-");
    Print("name screen's first paint, without it", off, "-");
    std::printf("  %-58s %7.2f ms (target 5 ms)\n", "added by the check (difference of the medians)", on.Median - off.Median);
    Print("the share check alone", Measure(51, [&] { ShareSafety::StartupWarning(inst.DataFolder, QStringLiteral("/proc/self/mountinfo")); }),
          "5 ms");

    // The report goes to standard output; only the figures are wanted here.
    WriteRecords(inst.DataFolder + QStringLiteral("成績累積データ.dat"), 1000000);
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    int status = -1;
    ::dup2(null, STDOUT_FILENO);
    const Figures doctor = Measure(7, [&] { status = DataRootCheckCommand::Run(inst.ProgramFolder); });
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(null);
    ::close(saved);
    if (status != 0) {
        std::fprintf(stderr, "--check-data-root found a problem (status %d)\n", status);
        return 1;
    }
    Print("--check-data-root, 1,000,000 records", doctor, "1000 ms");
    return 0;
}
