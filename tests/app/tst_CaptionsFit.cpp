// Every caption a pupil reads must stand whole inside its control, at every window size: a caption
// cut at the control's edge loses characters.
#include "app/ScreenFlow.h"
#include "attempt_end/ui/AttemptEndScreen.h"
#include "drill/DrillModel.h"
#include "drill/ui/DrillScreen.h"
#include "menu/ui/LevelMenu.h"
#include "roster/ui/NameScreen.h"
#include "setup/ui/WaitScreen.h"
#include "setup/ui/SplashScreen.h"
#include "support/TestScopes.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/MessageWatch.h"
#include "support/ScriptedRandom.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QtTest>

namespace {
// The width the style leaves for the text of `w`; -1 for a control whose text may wrap.
int TextRoom(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->wordWrap())
            return -1;
        return label->contentsRect().width() - 2 * label->margin() - std::max(0, label->indent());
    }
    if (const auto* button = qobject_cast<const QPushButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    }
    if (const auto* radio = qobject_cast<const QRadioButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(radio);
        option.text = radio->text();
        return radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio).width();
    }
    return -1;
}

QString Text(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text().remove(QLatin1Char('&'));
    return {};
}

// "Command7: 「…」 needs 130 px, has 120" for every visible control of `screen` whose text does not fit.
QStringList CutCaptions(QWidget* screen)
{
    QStringList cut;
    for (QWidget* w : screen->findChildren<QWidget*>()) {
        const QString text = Text(w);
        if (text.isEmpty() || text.contains(QLatin1Char('\n')) || !w->isVisibleTo(screen))
            continue;
        const int room = TextRoom(w);
        if (room < 0)
            continue;
        const int needed = w->fontMetrics().horizontalAdvance(text);
        if (needed > room)
            cut << QStringLiteral("%1: 「%2」 needs %3 px, has %4").arg(w->objectName(), text).arg(needed).arg(room);
    }
    return cut;
}
} // namespace

class TestCaptionsFit : public QObject {
    Q_OBJECT
    ManualClock Clock;
    ScriptedRandom Random{{0.3}};
    std::unique_ptr<TestInstallation> Inst;
    std::unique_ptr<ScreenFlow> Flow;
    std::unique_ptr<MessageWatch> Watch;

    void Check(QWidget* screen, const QSize& size)
    {
        QVERIFY(screen);
        screen->showNormal();
        screen->resize(size);
        QVERIFY(QTest::qWaitForWindowExposed(screen));
        QTRY_COMPARE(screen->size(), size);
        const QStringList cut = CutCaptions(screen);
        QVERIFY2(cut.isEmpty(), qPrintable(screen->objectName() + QStringLiteral(": ") + cut.join(QStringLiteral("; "))));
    }
    template <class T> static T* Visible() { return ::Visible<T>().value(0); }

private slots:
    void init()
    {
        ResetTestScopes();
        TestEnv().TheClock = &Clock;
        TestEnv().Random = &Random;
        TestEnv().Wait = [](int) {};
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        Inst->ApplyTo(TestSchool());
        AppCalls::LoadPassCriteria();
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSchool().SchoolName = QStringLiteral("ひまわり学習塾　本校");
        TestSchool().Catalogue.Build();
        TestSession().CurrentPupil = 1;
        TestSession().CurrentPupilName = QStringLiteral("山田太郎");
        TestSession().CurrentLevel = 1;
        TestSession().LoginTime = 9 * 3600;
        TestEnv().Windowed = true;
        Watch = std::make_unique<MessageWatch>();
        Flow = std::make_unique<ScreenFlow>(TestSchool(), TestSession(), TestEnv());
    }
    void cleanup()
    {
        DeleteAllScreens();
        Flow.reset();
        Watch.reset();
        TestEnv().Windowed = false;
        ResetTestScopes();
    }

    void everyScreen_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("800x600") << QSize(800, 600);
        QTest::newRow("1024x768") << QSize(1024, 768);
        QTest::newRow("1280x1024") << QSize(1280, 1024);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
    }
    void everyScreen()
    {
        QFETCH(QSize, size);
        Flow->Start();
        Check(Visible<SplashScreen>(), size);
        DeleteAllScreens();

        Flow->ShowNameSelection();
        Check(Visible<NameScreen>(), size);

        Flow->ShowLevelMenu();
        QVERIFY(Visible<LevelMenu>());
        QTRY_VERIFY(Visible<LevelMenu>()->IsReady());
        Check(Visible<LevelMenu>(), size);
        // The graph panel, with the teacher's print button and the pupil list.
        TestSession().CurrentPupilName = QStringLiteral("先生");
        Visible<LevelMenu>()->Refresh();
        Visible<LevelMenu>()->findChild<QRadioButton*>(QStringLiteral("Option2_2"))->click();
        Visible<LevelMenu>()->OpenGraph();
        Visible<LevelMenu>()->findChild<QPushButton*>(QStringLiteral("Command25"))->click();
        Check(Visible<LevelMenu>(), size);

        Flow->StartDrill();
        DrillScreen* drill = Visible<DrillScreen>();
        Check(drill, size);
        drill->ShowEndOverlay(false);
        Check(drill, size);
        drill->ShowEndOverlay(true);
        Check(drill, size);

        TestSession().RecordedSeconds = 40;
        Flow->WaitSeconds(0);
        AttemptEndScreen* end = Visible<AttemptEndScreen>();
        QVERIFY(end);
        QSignalSpy shown(end, &AttemptEndScreen::Activated);
        QVERIFY(shown.wait(10000));
        QTRY_VERIFY(end->findChild<QPushButton*>("MenuButton")->isVisible());
        Check(end, size);
    }
};

QTEST_MAIN(TestCaptionsFit)
#include "tst_CaptionsFit.moc"
