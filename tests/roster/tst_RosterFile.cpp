#include "support/AppCalls.h"
#include "roster/RosterFile.h"
#include "support/TestScopes.h"
#include "support/ManualClock.h"
#include "support/TestInstallation.h"
#include <QtTest>
#include <sys/stat.h>

class TestRosterFile : public QObject {
    Q_OBJECT
    ManualClock Clock{QDateTime(QDate(2026, 12, 10), QTime(10, 0))};
    std::unique_ptr<TestInstallation> Inst;

    QList<int> Listed() const
    {
        QList<int> numbers;
        const RosterTables& r = TestSchool().Roster;
        for (int p = 1; p <= r.ListedCount; ++p) {
            numbers << r.ListedPupils[p];
            if (r.RosterTable[p].Number != r.ListedPupils[p])
                numbers << -1; // position and number disagree
        }
        return numbers;
    }

private slots:
    void init()
    {
        ResetTestScopes();
        Clock.Set(QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
        TestEnv().TheClock = &Clock;
        Inst = std::make_unique<TestInstallation>();
        Inst->ApplyTo(TestSchool());
    }

    void readsTable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("option");
        QTest::addColumn<QList<int>>("listed");
        QTest::addColumn<QList<int>>("skipped");
        const QString line = QStringLiteral("%1,2015,0,0,名前%1,%2,,\n");
        QTest::newRow("one listed") << line.arg(1).arg(0) << 0 << QList<int>{1} << QList<int>{};
        QTest::newRow("empty file") << QString() << 0 << QList<int>{} << QList<int>{};
        QTest::newRow("status 2 listed with option 1") << line.arg(4).arg(2) << 1 << QList<int>{4} << QList<int>{};
        QTest::newRow("status 2 hidden with option 0") << line.arg(4).arg(2) << 0 << QList<int>{} << QList<int>{};
        QTest::newRow("status 1 hidden with option 1") << line.arg(4).arg(1) << 1 << QList<int>{} << QList<int>{};
        QTest::newRow("hidden pupil leaves no gap")
            << line.arg(1).arg(0) + line.arg(2).arg(1) + line.arg(3).arg(0) << 0 << QList<int>{1, 3} << QList<int>{};
        QTest::newRow("duplicate numbers both listed")
            << line.arg(5).arg(0) + line.arg(5).arg(0) << 0 << QList<int>{5, 5} << QList<int>{};
        QTest::newRow("empty spare and status fields read as 0")
            << QStringLiteral("7,2015,,,名前,,,\n") << 0 << QList<int>{7} << QList<int>{};
        QTest::newRow("quoted name with a comma")
            << QStringLiteral("8,2015,0,0,\"山田,太郎\",0,,\n") << 0 << QList<int>{8} << QList<int>{};
        QTest::newRow("bad lines skipped with their line numbers")
            << line.arg(1).arg(0)                           // 1
                   + QStringLiteral("x,2015,0,0,B,0,,\n")   // 2: number not a number
                   + QStringLiteral("2,2015,0,0,C\n")       // 3: five values
                   + QStringLiteral("\n")                   // 4: blank, ignored
                   + QStringLiteral("5001,2015,0,0,D,0,,\n") // 5: beyond 5000
                   + QStringLiteral("-1,2015,0,0,D,0,,\n")  // 6: below 0
                   + QStringLiteral("3,abc,0,0,E,0,,\n")    // 7: year not a number
                   + QStringLiteral("9,2015,0,0,F,99999,,\n") // 8: beyond 16 bits
                   + QStringLiteral(",2015,0,0,G,0,,\n")    // 9: empty number
                   + line.arg(4).arg(0)                     // 10
            << 0 << QList<int>{1, 4} << QList<int>{2, 3, 5, 6, 7, 8, 9};
    }
    void readsTable()
    {
        QFETCH(QString, text);
        QFETCH(int, option);
        QFETCH(QList<int>, listed);
        QFETCH(QList<int>, skipped);
        TestSchool().RosterOption = option;
        Inst->WriteRoster(text);
        QVERIFY(AppCalls::LoadRoster());
        QCOMPARE(Listed(), listed);
        QCOMPARE(QList<int>(TestSchool().Roster.SkippedLineNumbers.begin(), TestSchool().Roster.SkippedLineNumbers.end()), skipped);
        const QString message = RosterFile::SkippedMessage(TestSchool().DataRoot, TestSchool().Roster);
        QCOMPARE(message.isEmpty(), skipped.isEmpty());
        for (int n : skipped)
            QVERIFY2(message.contains(QStringLiteral("\n%1行目：").arg(n)), qPrintable(message));
        if (!skipped.isEmpty())
            QVERIFY(message.contains(QStringLiteral("新名簿.txt")));
    }

    void perNumberTables()
    {
        // Hidden pupils fill the per-number tables; the later of two equal numbers wins there.
        Inst->WriteRoster(QStringLiteral("5,2015,0,0,最初,0,,\n6,2017,0,0,隠れ,1,,\n5,2016,0,0,後,0,,\n"));
        QVERIFY(AppCalls::LoadRoster());
        const RosterTables& r = TestSchool().Roster;
        QCOMPARE(r.ListedCount, 2);
        QCOMPARE(r.PupilName[5], RosterFile::Fixed20(QStringLiteral("後")));
        QCOMPARE(r.PupilRefYear[5], qint16(2016));
        QCOMPARE(r.PupilName[6], RosterFile::Fixed20(QStringLiteral("隠れ")));
        QCOMPARE(r.PupilGradeLabel[6], QStringLiteral("小３")); // 2026 − 2017 − 6 = 3
        QCOMPARE(r.RosterTable[1].Name.trimmed(), QStringLiteral("最初"));
        QCOMPARE(r.RosterTable[2].Name.trimmed(), QStringLiteral("後"));
        QCOMPARE(r.SchoolYear, 2026);

        // A grade without a label leaves the earlier label of that number in place.
        Inst->WriteRoster(QStringLiteral("6,2004,0,0,隠れ,0,,\n")); // grade 16
        QVERIFY(AppCalls::LoadRoster());
        QCOMPARE(r.PupilGradeLabel[6], QStringLiteral("小３"));
        QCOMPARE(r.PupilRefYear[6], qint16(2004));
    }

    void fixedTexts()
    {
        Inst->WriteRoster(QStringLiteral("1,2015,3,4,\"あいうえおかきくけこさしすせそたちつてとなにぬ\",0,短い,  前の空白\n"));
        QVERIFY(AppCalls::LoadRoster());
        const RosterEntry& e = TestSchool().Roster.RosterTable[1];
        QCOMPARE(e.Name, QStringLiteral("あいうえおかきくけこさしすせそたちつてと"));
        QCOMPARE(e.SpareText7, QStringLiteral("短い") + QString(18, u' '));
        QCOMPARE(e.SpareText8, QStringLiteral("前の空白") + QString(16, u' '));
        QCOMPARE(e.Spare3, qint16(3));
        QCOMPARE(e.Spare4, qint16(4));
        QCOMPARE(TestSchool().Roster.PupilName[1].size(), 20);
    }

    void missingFile()
    {
        TestSchool().Roster.ListedCount = 3;
        QVERIFY(!AppCalls::LoadRoster());
        QCOMPARE(TestSchool().Roster.ListedCount, 0);
        const QString message = RosterFile::MissingMessage(TestSchool().DataRoot, TestSchool().Roster);
        QVERIFY(message.contains(QDir::toNativeSeparators(Inst->DataRoot + QStringLiteral("新名簿.txt"))));
        QVERIFY(message.contains(QStringLiteral("見つかりません")));
    }

    // A roster that is there but cannot be read says so, not that it is missing; a pipe in its
    // place is refused at once instead of hanging the name screen.
    void rosterThatCannotBeRead_data()
    {
        QTest::addColumn<bool>("pipe");
        QTest::addColumn<QString>("words");
        QTest::newRow("a pipe") << true << QStringLiteral("普通のファイルではありません");
        QTest::newRow("no read permission") << false << QStringLiteral("読めません");
    }
    void rosterThatCannotBeRead()
    {
        QFETCH(bool, pipe);
        const QString path = Inst->DataRoot + QStringLiteral("新名簿.txt");
        QFile::remove(path);
        if (pipe) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        } else {
            Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n"));
            QFile::setPermissions(path, QFileDevice::Permissions());
            if (QFile(path).open(QIODevice::ReadOnly))
                QSKIP("this process reads files whatever their permissions (root)");
        }
        QVERIFY(!AppCalls::LoadRoster());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        const QString message = RosterFile::MissingMessage(TestSchool().DataRoot, TestSchool().Roster);
        QFETCH(QString, words);
        QVERIFY2(message.contains(words), qPrintable(message));
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
    }

    void moreThan5000Listed()
    {
        QString text;
        for (int n = 0; n <= 5002; ++n)
            text += QStringLiteral("%1,2015,0,0,N%1,0,,\n").arg(n % 5001);
        Inst->WriteRoster(text);
        QVERIFY(AppCalls::LoadRoster());
        QCOMPARE(TestSchool().Roster.ListedCount, 5000);
        QCOMPARE(TestSchool().Roster.OverflowCount, 3);
        QCOMPARE(TestSchool().Roster.ListedPupils[5000], qint16(4999));
        QVERIFY(RosterFile::SkippedMessage(TestSchool().DataRoot, TestSchool().Roster).contains(QStringLiteral("5000人")));
    }

    void gradeIndex_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("startMonth");
        QTest::addColumn<int>("refYear");
        QTest::addColumn<int>("index");
        QTest::newRow("1 April 2010") << QDate(2010, 4, 1) << 4 << 2003 << 1;
        QTest::newRow("31 March 2010 still kindergarten") << QDate(2010, 3, 31) << 4 << 2003 << 0;
        QTest::newRow("15 March 2011") << QDate(2011, 3, 15) << 4 << 2003 << 1;
        QTest::newRow("31 March 2011") << QDate(2011, 3, 31) << 4 << 2003 << 1;
        QTest::newRow("1 April 2011") << QDate(2011, 4, 1) << 4 << 2003 << 2;
        QTest::newRow("start month 1") << QDate(2011, 1, 1) << 1 << 2003 << 2;
        QTest::newRow("start month 9, August") << QDate(2011, 8, 31) << 9 << 2003 << 1;
    }
    void gradeIndex()
    {
        QFETCH(QDate, today);
        QFETCH(int, startMonth);
        QFETCH(int, refYear);
        QFETCH(int, index);
        Clock.Set(QDateTime(today, QTime(12, 0)));
        TestSchool().SchoolYearStartMonth = startMonth;
        QCOMPARE(RosterFile::GradeIndex(refYear, AppCalls::SchoolYear()), index);
    }

    void gradeTexts_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("label");
        QTest::newRow("-4") << -4 << "幼-" << "";
        QTest::newRow("-3") << -3 << "幼-" << "";
        QTest::newRow("-2") << -2 << "幼1" << "";
        QTest::newRow("-1") << -1 << "幼2" << "";
        QTest::newRow("0") << 0 << "幼3" << "幼３";
        QTest::newRow("1") << 1 << "小1" << "小１";
        QTest::newRow("4") << 4 << "小4" << "小４";
        QTest::newRow("6") << 6 << "小6" << "小６";
        QTest::newRow("7") << 7 << "中1" << "中１";
        QTest::newRow("9") << 9 << "中3" << "中３";
        QTest::newRow("10") << 10 << "高1" << "高１";
        QTest::newRow("11") << 11 << "高2" << "";
        QTest::newRow("12") << 12 << "高3" << "";
        QTest::newRow("13") << 13 << "大+" << "";
        QTest::newRow("40") << 40 << "大+" << "";
    }
    void gradeTexts()
    {
        QFETCH(int, index);
        QFETCH(QString, row);
        QFETCH(QString, label);
        QCOMPARE(RosterFile::RowGradeText(index), row);
        QCOMPARE(RosterFile::GradeLabel(index), label);
    }

    void olderPupilsGetNoLabel()
    {
        // School year 2026: 2009 → grade 11, 2008 → 12, 2007 → 13.
        Inst->WriteRoster(QStringLiteral("11,2009,0,0,A,0,,\n12,2008,0,0,B,0,,\n13,2007,0,0,C,0,,\n10,2010,0,0,D,0,,\n"));
        QVERIFY(AppCalls::LoadRoster());
        QCOMPARE(TestSchool().Roster.ListedCount, 4);
        QCOMPARE(TestSchool().Roster.PupilGradeLabel[11], QString());
        QCOMPARE(TestSchool().Roster.PupilGradeLabel[12], QString());
        QCOMPARE(TestSchool().Roster.PupilGradeLabel[13], QString());
        QCOMPARE(TestSchool().Roster.PupilGradeLabel[10], QStringLiteral("高１"));
    }

    void selector_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("passes");
        QList<int> all;
        for (int g = -4; g <= 14; ++g)
            all << g;
        QTest::newRow("全学年") << "全学年" << all;
        QTest::newRow("小学生全体") << "小学生全体" << QList<int>{1, 2, 3, 4, 5, 6};
        QTest::newRow("中学生全体") << "中学生全体" << QList<int>{7, 8, 9};
        QTest::newRow("小１") << "小１" << QList<int>{1};
        QTest::newRow("小６") << "小６" << QList<int>{6};
        QTest::newRow("中１") << "中１" << QList<int>{7};
        QTest::newRow("中３") << "中３" << QList<int>{9};
        QTest::newRow("高１ is not offered") << "高１" << QList<int>{};
        QTest::newRow("幼３ is not offered") << "幼３" << QList<int>{};
        QTest::newRow("half-width digit") << "小1" << QList<int>{};
        QTest::newRow("家族 lists nobody here") << "家族" << QList<int>{};
        QTest::newRow("empty") << "" << QList<int>{};
    }
    void selector()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, passes);
        QList<int> got;
        for (int g = -4; g <= 14; ++g)
            if (RosterFile::SelectorPasses(text, g))
                got << g;
        QCOMPARE(got, passes);
    }

    void selectorTexts()
    {
        const QStringList texts = RosterFile::SelectorTexts();
        QCOMPARE(texts.join(u','), QStringLiteral("全学年,中学生全体,小学生全体,中３,中２,中１,小６,小５,小４,小３,小２,小１"));
    }
};

QTEST_GUILESS_MAIN(TestRosterFile)
#include "tst_RosterFile.moc"
