#include "support/TestScopes.h"
#include "setup/StartupInfo.h"
#include "support/ManualClock.h"
#include "support/ScriptedRandom.h"
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

class TestStartupInfo : public QObject {
    Q_OBJECT
private slots:
    void eraDate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("Reiwa, two-digit day") << QDate(2026, 12, 10) << QStringLiteral("令和8年 12月 10日（木）");
        QTest::newRow("last day of Heisei") << QDate(2019, 4, 30) << QStringLiteral("平成31年 4月 30日（火）");
        // The first year of an era is written "元年", as Japanese calendars print it.
        QTest::newRow("first day of Reiwa, day padded") << QDate(2019, 5, 1) << QStringLiteral("令和元年 5月 01日（水）");
        QTest::newRow("new year's day") << QDate(2027, 1, 1) << QStringLiteral("令和9年 1月 01日（金）");
        QTest::newRow("leap day") << QDate(2028, 2, 29) << QStringLiteral("令和10年 2月 29日（火）");
    }
    void eraDate()
    {
        QFETCH(QDate, date);
        QFETCH(QString, text);
        QCOMPARE(StartupInfo::EraDateText(date), text);
    }

    void seasonColour_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<QColor>("colour");
        const QColor orange(255, 128, 0), green(192, 255, 192), teal(0, 192, 192), brown(192, 64, 0);
        const QColor byMonth[12] = {orange, orange, green, green, green, teal,
                                    teal,   teal,   brown, brown, brown, green};
        for (int m = 1; m <= 12; ++m)
            QTest::addRow("month %d", m) << m << byMonth[m - 1];
    }
    void seasonColour()
    {
        QFETCH(int, month);
        QFETCH(QColor, colour);
        QCOMPARE(StartupInfo::SeasonColour(month), colour);
    }

    void developmentLayout_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("development");
        QTest::newRow("installed") << "/opt/school/prog/" << false;
        QTest::newRow("development tree") << "/home/t/KD0311/prog/" << true;
        QTest::newRow("release inside the tree") << "/home/t/KD0311/ZENDREL/prog/" << false;
        QTest::newRow("release marker before the tree") << "/ZENDREL/KD0311/prog/" << false;
        QTest::newRow("lower case is not the tree") << "/home/t/kd0311/prog/" << false;
        QTest::newRow("lower-case release marker does not count") << "/home/t/KD0311/zendrel/prog/" << true;
        QTest::newRow("part of a longer name") << "/x/AKD0311B/" << true;
    }
    void developmentLayout()
    {
        QFETCH(QString, folder);
        QFETCH(bool, development);
        QCOMPARE(StartupInfo::IsDevelopmentLayout(folder), development);
    }

    void versionText_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("patch");
        QTest::addColumn<QString>("text");
        QTest::newRow("2.3.0") << 2 << 3 << 0 << "Version2.3.0";
        QTest::newRow("1.0.14") << 1 << 0 << 14 << "Version1.0.14";
    }
    void versionText()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, patch);
        QFETCH(QString, text);
        QCOMPARE(StartupInfo::VersionText(major, minor, patch), text);
    }

    // The build's version is the project version CMake declares.
    void versionOfThisBuild()
    {
        const QString source = qEnvironmentVariable("ZOME2_SOURCE_DIR");
        if (source.isEmpty())
            QSKIP("ZOME2_SOURCE_DIR not set");
        QFile cmake(source + "/CMakeLists.txt");
        QVERIFY(cmake.open(QIODevice::ReadOnly));
        const auto match = QRegularExpression(R"(project\(\s*zome2\s+VERSION\s+(\d+)\.(\d+)\.(\d+))")
                               .match(QString::fromUtf8(cmake.readAll()));
        QVERIFY(match.hasMatch());
        QCOMPARE(StartupInfo::VersionText(),
                 QStringLiteral("Version%1.%2.%3").arg(match.captured(1).toInt())
                     .arg(match.captured(2).toInt()).arg(match.captured(3).toInt()));
    }

    void seedFromClock()
    {
        ResetTestScopes();
        ManualClock clock(QDateTime(QDate(2026, 3, 2), QTime(9, 30, 15, 250)));
        ScriptedRandom random;
        TestEnv().TheClock = &clock;
        TestEnv().Random = &random;
        StartupInfo::SeedRandomFromClock(*TestEnv().Random, *TestEnv().TheClock);
        QCOMPARE(random.SeedCount, 1);
        QCOMPARE(random.LastSeed, quint32((9 * 3600 + 30 * 60 + 15) * 1000 + 250));
        ResetTestScopes();
    }
};

QTEST_GUILESS_MAIN(TestStartupInfo)
#include "tst_StartupInfo.moc"
