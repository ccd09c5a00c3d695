#include "support/TestScopes.h"
#include "setup/StartupInfo.h"
#include "base/ui/ScaledForm.h"
#include "setup/ui/VersionDialog.h"
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestVersionDialog : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ResetTestScopes(); }

    void showsTitleVersionAndCredits()
    {
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        ScaledForm owner;
        owner.show();
        VersionDialog dialog(TestSchool(), &owner);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.objectName(), QStringLiteral("frmver"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.findChild<QLabel*>("Label1")->text(), QStringLiteral("ゾメ２"));
        const QString version = dialog.findChild<QLabel*>("Label2")->text();
        QCOMPARE(version, StartupInfo::VersionText());
        QVERIFY2(QRegularExpression(R"(^Version\d+\.\d+\.\d+$)").match(version).hasMatch(), qPrintable(version));
        QVERIFY(!dialog.findChild<QLabel*>("Label3")->text().isEmpty());
        QVERIFY(!dialog.findChild<QLabel*>("Label4")->text().isEmpty());
        auto* ok = dialog.findChild<QPushButton*>("Command1");
        QCOMPARE(ok->text(), QStringLiteral("O.K."));
        QVERIFY(ok->isVisible());
        QVERIFY(!dialog.findChild<QPushButton*>("Command2")->isVisible());
    }

    void okClosesTheModalDialog()
    {
        ScaledForm owner;
        owner.show();
        VersionDialog dialog(TestSchool(), &owner);
        QTimer::singleShot(50, &dialog, [&dialog] {
            QTest::mouseClick(dialog.findChild<QPushButton*>("Command1"), Qt::LeftButton);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    // The hidden button does nothing even when pressed.
    void hiddenButtonHasNoAction()
    {
        VersionDialog dialog(TestSchool());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.findChild<QPushButton*>("Command2")->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
    }
};

QTEST_MAIN(TestVersionDialog)
#include "tst_VersionDialog.moc"
