// Time from constructing the name screen (what start-up does after reading the configuration)
// until its list is filled and shown: 1000 pupils in the roster, 20000 score records.
#include "support/AppCalls.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include "roster/ui/NameScreen.h"
#include "support/TestScopes.h"
#include "base/Clock.h"
#include "base/OleDate.h"
#include "support/TestInstallation.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ResetTestScopes();

    TestInstallation inst;
    inst.WritePathFile();
    inst.WriteCommonFile();
    inst.WriteCriteria();
    inst.ApplyTo(TestSchool());
    TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
    TestSchool().SeasonColour = QColor(192, 255, 192);

    constexpr int Pupils = 1000;
    constexpr int Records = 20000;
    const QStringList family{"山田", "佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "中村"};
    const QStringList given{"太郎", "花子", "一郎", "さくら", "翔", "美咲", "大輝", "陽菜"};
    QString roster;
    for (int n = 1; n <= Pupils; ++n)
        roster += QStringLiteral("%1,%2,0,0,%3%4,%5,,\n")
                      .arg(n)
                      .arg(2008 + n % 14)
                      .arg(family[n % family.size()], given[(n / 8) % given.size()])
                      .arg(n % 50 == 0 ? 1 : 0);
    inst.WriteRoster(roster);

    QFile scores(AppCalls::File().Path());
    if (!scores.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the score file");
    const QDate today = TestEnv().TheClock->Today();
    for (int i = 0; i < Records; ++i) {
        ScoreRecord r;
        r.Date = OleDate::FromDate(today.addDays(-(i % 400)));
        r.TimeOfDay = OleDate::FromTime(QTime(9 + i % 8, i % 60));
        r.Pupil = qint16(1 + i % Pupils);
        r.Level = qint16(1 + i % 3);
        r.Seconds = 40 + i % 200;
        r.SchoolCode = QByteArray("12345");
        scores.write(ScoreRecordCodec::Encode(r));
    }
    scores.close();

    constexpr int Runs = 9;
    std::vector<double> ms;
    int rows = 0;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        auto* screen = new NameScreen(TestSchool(), TestSession(), TestEnv());
        QCoreApplication::processEvents(); // the first paint
        ms.push_back(timer.nsecsElapsed() / 1e6);
        rows = screen->findChild<QListWidget*>(QStringLiteral("List1"))->count();
        delete screen;
    }
    const double first = ms.front();
    std::sort(ms.begin(), ms.end());
    std::printf("bench_name_screen: %d pupils, %d score records, %d rows listed\n", Pupils, Records, rows);
    std::printf("  first run %.1f ms, median of %d runs %.1f ms, fastest %.1f ms, slowest %.1f ms (target 50 ms)\n",
                first, Runs, ms[Runs / 2], ms.front(), ms.back());
    return 0;
}
