#include "roster/RosterTables.h"
#include "roster/SignIn.h"
#include <QtTest>

// Who signs in on the name screen: the chosen pupil, taken from the roster, never from what a row shows.
class TestSignIn : public QObject {
    Q_OBJECT
private slots:
    void confirm_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<bool>("signsIn");
        QTest::newRow("nobody chosen") << -1 << false;
        QTest::newRow("a roster pupil") << 7 << true;
        QTest::newRow("pupil 0 of the roster") << 0 << true;
        QTest::newRow("the last number") << 5000 << true;
        QTest::newRow("beyond the roster") << 5001 << false;
    }
    void confirm()
    {
        QFETCH(int, chosen);
        QFETCH(bool, signsIn);
        RosterTables roster;
        roster.PupilName[7] = QStringLiteral("山田太郎            ");
        roster.PupilGradeLabel[7] = QStringLiteral("小５");
        SignIn choice;
        choice.Choose(chosen);
        const std::optional<SignIn::Pupil> pupil = choice.Confirm(roster, 36000.6);
        QCOMPARE(pupil.has_value(), signsIn);
        if (!pupil)
            return;
        QCOMPARE(pupil->Number, qint16(chosen));
        QCOMPARE(pupil->Name, roster.PupilName[std::size_t(chosen)]);
        QCOMPARE(pupil->GradeLabel, roster.PupilGradeLabel[std::size_t(chosen)]);
        QCOMPARE(pupil->LoginTime, 36001);
    }

    // A name that holds "/" or "*" of its own is shown whole up to the totals.
    void shownName_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<QString>("doubleClicked");
        QTest::newRow("plain") << QStringLiteral("小5 山田太郎　　  42/   5678") << QStringLiteral("小5 山田太郎　　")
                               << QStringLiteral("小5 山田太郎　　  42");
        QTest::newRow("slash in the name") << QStringLiteral("中1 A/B　　　　  42/   5678")
                                           << QStringLiteral("中1 A/B　　　　") << QStringLiteral("中1 A/B　　　　  42");
    }
    void shownName()
    {
        QFETCH(QString, row);
        QTEST(SignIn::ClickedName(row), "clicked");
        QTEST(SignIn::DoubleClickedName(row), "doubleClicked");
    }
};

QTEST_APPLESS_MAIN(TestSignIn)
#include "tst_SignIn.moc"
