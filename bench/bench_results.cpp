// Rebuilding the result tables from score files of 20000 and 1,000,000 records in the page cache,
// beside one plain read of the same file. Prints figures only.
#include "support/AppCalls.h"
#include "records/ResultEvaluation.h"
#include "records/ScoreFile.h"
#include "support/TestScopes.h"
#include "records/ScoreRecordCodec.h"
#include "support/ManualClock.h"
#include "support/TestInstallation.h"
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
const QDateTime Now(QDate(2026, 12, 10), QTime(11, 0, 0));
constexpr double Today = 46366;

struct Figures { double Median, Min, Max; };

template <typename F>
Figures Measure(int runs, F f)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

// A school's use: `pupils` pupils on levels 1–3 over the last 90 days, a few timed-out attempts;
// `spread` scatters the records over every pupil and level instead.
void WriteScoreFile(qint64 records, int pupils, bool spread)
{
    QFile f(AppCalls::File().Path());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the score file");
    quint32 seed = 2024;
    const auto next = [&seed](quint32 range) { seed = seed * 1664525u + 1013904223u; return (seed >> 8) % range; };
    QByteArray chunk;
    for (qint64 n = 0; n < records; ++n) {
        ScoreRecord r;
        r.Date = Today - double(next(90));
        r.TimeOfDay = double(next(86400)) / 86400.0;
        r.Pupil = qint16(spread ? 1 + next(5000) : 1 + next(quint32(pupils)));
        r.Level = qint16(spread ? 1 + next(35) : 1 + next(3));
        r.Seconds = next(50) == 0 ? 99999 : qint32(15 + next(300));
        chunk += ScoreRecordCodec::Encode(r);
        if (chunk.size() > (1 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
}

double PlainRead(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    static std::vector<char> buffer;
    buffer.resize(size_t(size));
    const auto start = Clock::now();
    ssize_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, buffer.data() + done, size_t(size - done), done);
        if (got <= 0)
            break;
        done += got;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    ::close(fd);
    return ms;
}

void Run(const char* name, qint64 records, int pupils, bool spread, int runs)
{
    WriteScoreFile(records, pupils, spread);
    AppCalls::ComputeResultTables(); // warms the page cache and the tables
    const Figures rebuild = Measure(runs, [] { AppCalls::ComputeResultTables(); });
    const Figures load = Measure(runs, [] { AppCalls::LoadScoreRecords(); });
    const Figures open = Measure(runs, [] { AppCalls::File().OpenScoreFile(); });
    std::vector<double> reads;
    for (int i = 0; i < std::min(runs, 50); ++i)
        reads.push_back(PlainRead(AppCalls::File().Path()));
    std::sort(reads.begin(), reads.end());
    std::printf("%-44s ComputeResultTables median %7.3f ms (min %7.3f, max %7.3f, %d runs); "
                "one plain read of the whole file (%.1f MB) median %7.3f ms\n",
                name, rebuild.Median, rebuild.Min, rebuild.Max, runs, double(records) * 44 / 1e6,
                reads[reads.size() / 2]);
    std::printf("%-44s   of which LoadScoreRecords median %7.3f ms, opening and closing alone %7.3f ms\n", "",
                load.Median, open.Median);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TestInstallation install;
    install.ApplyTo(TestSchool());
    ManualClock clock(Now);
    TestEnv().TheClock = &clock;
    for (int level = 1; level <= 35; ++level) {
        PassCriteria& c = TestSchool().Criteria[level];
        c.TargetTime = 60 + level;
        c.LowestTime = 120;
        c.ClearPoints = 100;
        c.ClearCount = 10;
        c.PointRate = level % 2 ? 1.0f : 1.5f;
        c.JudgeDays = CriteriaValue::FromNumber(7);
        c.BanDays = CriteriaValue::FromNumber(3);
    }
    std::printf("== bench_results: result tables from the score file (page cache warm) ==\n");
    Run("20000 records, 600 pupils x 3 levels", 20000, 600, false, 200);
    Run("1000000 records, 600 pupils x 3 levels", 1000000, 600, false, 200);
    Run("20000 records spread over 5000 pupils x 35", 20000, 5000, true, 200);
    return 0;
}
