// The graph panel of the level menu on the offscreen platform, over a real installation and score
// file; its bands painted into a picture, and its sheets printed to real PDF files.
#include "base/OleDate.h"
#include "menu/TimeGraph.h"
#include "menu/ui/GraphPainter.h"
#include "menu/ui/GraphSurface.h"
#include "base/ui/SystemSheetPrinter.h"
#include "menu/ui/LevelMenu.h"
#include "records/ScoreRecord.h"
#include "support/TestScopes.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/MessageWatch.h"
#include "support/ScriptedRandom.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include "support/SheetPages.h"
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QtTest>

namespace {
// Thursday 10 December 2026, 10:00.
const QDateTime Now(QDate(2026, 12, 10), QTime(10, 0, 0));
const int Levels = 7;

ScoreRecord Record(int pupil, int level, int seconds, int daysAgo)
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(Now.date()) - daysAgo;
    r.TimeOfDay = 0.375;
    r.Pupil = qint16(pupil);
    r.Level = qint16(level);
    r.Seconds = seconds;
    return r;
}

bool IsRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; }
bool IsBlue(QRgb c) { return qBlue(c) > 200 && qRed(c) < 80 && qGreen(c) < 80; }
} // namespace

class TestGraphPanel : public QObject {
    Q_OBJECT
    ManualClock Clock{Now};
    ScriptedRandom Random;
    std::unique_ptr<TestInstallation> Inst;
    QPointer<LevelMenu> Menu;

    // The menu on the pupil's own times, with the graph open.
    void OpenGraph()
    {
        AppCalls::ComputeResultTables();
        Menu = new LevelMenu(TestSchool(), TestSession(), TestEnv());
        Menu->ShowScreen();
        QVERIFY(QTest::qWaitForWindowExposed(Menu));
        QTRY_VERIFY(Menu->IsReady());
        auto* graphButton = Button("Command17");
        QVERIFY(!graphButton->isVisible());
        Menu->findChild<QRadioButton*>(QStringLiteral("Option2_2"))->click();
        QTRY_VERIFY(graphButton->isVisible());
        graphButton->click();
        QVERIFY(Panel()->isVisible());
    }
    QWidget* Panel() const { return Menu->findChild<QWidget*>(QStringLiteral("Picture11")); }
    GraphSurface* Surface() const { return Menu->findChild<GraphSurface*>(QStringLiteral("Picture12")); }
    QPushButton* Button(const char* name) const { return Menu->findChild<QPushButton*>(QLatin1String(name)); }
    QListView* List(const char* name) const { return Menu->findChild<QListView*>(QLatin1String(name)); }
    void SelectRows(QListView* list, const QList<int>& rows)
    {
        list->clearSelection();
        for (int row : rows)
            list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
    }
    QList<int> BandLevels() const
    {
        QList<int> levels;
        for (const GraphBand& b : Surface()->Bands())
            levels << b.Level;
        return levels;
    }
    int PupilRow(int pupil) const
    {
        const QAbstractItemModel* m = List("List2")->model();
        for (int row = 0; row < m->rowCount(); ++row)
            if (m->index(row, 0).data().toString().endsWith(QStringLiteral("/%1").arg(pupil)))
                return row;
        return -1;
    }

private slots:
    // The menu's own message box closing leaves the graph open; the menu is built anew only when it
    // becomes the active screen again after another of the program's screens.
    void graphStaysOpenAfterTheMenusOwnBox()
    {
        OpenGraph();
        Menu->activateWindow();
        QTRY_VERIFY(Menu->isActiveWindow());
        {
            MessageWatch boxes;
            QTimer::singleShot(0, Menu, [this] { QMessageBox::information(Menu, QStringLiteral("ゾメ２"), QStringLiteral("印刷しました。")); });
            QTRY_COMPARE(boxes.Texts.size(), 1);
        }
        // Back to the menu, as a window manager (or a click) gives it.
        Menu->activateWindow();
        QTRY_VERIFY(Menu->isActiveWindow());
        QTest::qWait(100);
        QVERIFY(Panel()->isVisible());
        QCOMPARE(Menu->Presenter().View(), MenuView::TimeHistory);

        // Another screen of the program comes and goes: the opening view is built again.
        ScaledForm other;
        other.setObjectName(QStringLiteral("OtherScreen"));
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        other.hide();
        Menu->activateWindow();
        QTRY_VERIFY(!Panel()->isVisible());
        QTRY_VERIFY(Menu->IsReady());
        QCOMPARE(Menu->Presenter().Display(), ResultLists::PointsDisplay);
    }

    void init()
    {
        ResetTestScopes();
        TestEnv().TheClock = &Clock;
        TestEnv().Random = &Random;
        TestEnv().Wait = [](int) {};
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        Inst->ApplyTo(TestSchool());
        Inst->WriteUniformCriteria(Levels);
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n2,2015,0,0,佐藤花子,0,,\n3,2014,0,0,鈴木一郎,0,,\n"
                                         "4,1980,0,0,先生,0,,\n"));
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        TestSchool().Catalogue.Build();
        // A menu of seven levels, so that printing them all takes three pages.
        for (int l = 4; l <= Levels; ++l) {
            TestSchool().Catalogue.LevelName[l] = QStringLiteral("レベル%1").arg(l);
            TestSchool().Catalogue.LevelInUse[l] = true;
        }
        TestSchool().Catalogue.LevelCount = Levels;
        TestSchool().Catalogue.FinalLevel = Levels;
        AppCalls::LoadPassCriteria(Levels);
        QVERIFY(AppCalls::LoadRoster());
        TestSession().CurrentPupil = 1;
        TestSession().CurrentPupilName = QStringLiteral("山田太郎");
        TestSession().CurrentGradeLabel = QStringLiteral("小５");
        TestSession().GradeFilterText = QStringLiteral("全学年");
        TestSchool().SchoolName = QStringLiteral("テスト小学校");
        TestEnv().Windowed = true;
        AppCalls::WriteScoreRecords({Record(1, 1, 50, 3), Record(2, 1, 40, 3), Record(1, 1, 45, 2), Record(1, 1, 48, 1),
                     Record(1, 2, 70, 2), Record(2, 2, 30, 1), Record(3, 5, 20, 1)});
    }
    void cleanup()
    {
        DeleteAllScreens();
        TestEnv().Windowed = false;
        ResetTestScopes();
    }

    void opensOnTheFirstThreeLevels()
    {
        OpenGraph();
        QCOMPARE(BandLevels(), (QList<int>{1, 2, 3}));
        const GraphBand& first = Surface()->Bands().front();
        QCOMPARE(first.Pupil, 1);
        QCOMPARE(int(first.Dots.size()), 3);
        QCOMPARE(int(first.Records.size()), 2);
        QVERIFY(!List("List2")->isVisible());
        QVERIFY(Button("Command25")->isVisible());
        QVERIFY(!Button("Command24_1")->isVisible());
        QCOMPARE(Menu->Presenter().View(), MenuView::TimeHistory);
        // What the bands say is there for a screen reader.
        const QString description = Surface()->accessibleDescription();
        QVERIFY2(description.contains(QStringLiteral("回数　　　　　　　  3回")), qPrintable(description));
        QVERIFY(description.contains(QStringLiteral("山田太郎")));

        Button("Command18")->click();
        QVERIFY(!Panel()->isVisible());
    }

    // A fourth level starts a new page: only its band stays on the screen.
    void aFourthLevelClearsThePicture()
    {
        OpenGraph();
        SelectRows(List("List3"), {0, 1, 2, 3});
        QCOMPARE(BandLevels(), QList<int>{4});
        QCOMPARE(Surface()->Bands().front().Top, 0.05 * Surface()->height());
        SelectRows(List("List3"), {1, 4});
        QCOMPARE(BandLevels(), (QList<int>{2, 5}));
    }

    // The pupil list reads the roster when the time history is shown: a pupil added or renamed
    // since sign-in is there, and the graph names them.
    void pupilListReadsTheRoster()
    {
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n2,2015,0,0,佐藤春子,0,,\n3,2014,0,0,鈴木一郎,0,,\n"
                                         "4,1980,0,0,先生,0,,\n5,2016,0,0,高橋新,0,,\n"));
        OpenGraph();
        Button("Command25")->click();
        QListView* pupils = List("List2");
        QCOMPARE(pupils->model()->index(PupilRow(2), 0).data().toString(), QStringLiteral("小５ /  佐藤春子/2"));
        QCOMPARE(pupils->model()->index(PupilRow(5), 0).data().toString(), QStringLiteral("小４ /  高橋新/5"));
        const QModelIndex sato = pupils->model()->index(PupilRow(2), 0);
        QTest::mouseClick(pupils->viewport(), Qt::LeftButton, {}, pupils->visualRect(sato).center());
        QCOMPARE(Surface()->Bands().front().Pupil, 2);
        QVERIFY2(Surface()->accessibleDescription().contains(QStringLiteral("佐藤春子")),
                 qPrintable(Surface()->accessibleDescription()));
        // The name screen's list of pupils is the one of sign-in.
        QCOMPARE(TestSchool().Roster.ListedCount, 4);
    }

    void anotherPupilsGraph()
    {
        OpenGraph();
        Button("Command25")->click();
        QVERIFY(!Button("Command25")->isVisible());
        QListView* pupils = List("List2");
        QVERIFY(pupils->isVisible());
        QCOMPARE(pupils->model()->index(PupilRow(2), 0).data().toString(), QStringLiteral("小５ /  佐藤花子/2"));
        const QModelIndex sato = pupils->model()->index(PupilRow(2), 0);
        QTest::mouseClick(pupils->viewport(), Qt::LeftButton, {}, pupils->visualRect(sato).center());
        QCOMPARE(Surface()->Bands().front().Pupil, 2);
        QCOMPARE(int(Surface()->Bands().front().Dots.size()), 1);
        QCOMPARE(Menu->Presenter().Graph().Pupil(), 2);
    }

    void theBandAsPainted()
    {
        OpenGraph();
        QImage image(Surface()->size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            Surface()->PaintPage(painter);
        }
        const GraphBand& band = Surface()->Bands().front();
        // 50 s (a record), 45 s (a record), 48 s (not one).
        QVERIFY(band.Dots[0].Record && band.Dots[1].Record && !band.Dots[2].Record);
        QVERIFY(IsRed(image.pixel(band.Dots[0].At.toPoint())));
        QVERIFY(IsBlue(image.pixel(band.Dots[2].At.toPoint())));
        // Clear of the drawing, the picture is white.
        const QPoint empty(int(0.95 * image.width()), int(band.Top + 0.7 * image.height() / 3));
        QCOMPARE(image.pixel(empty), qRgb(255, 255, 255));
    }

    // A teacher prints seven levels for three pupils: three documents of three pages each, every
    // page headed by its pupil's name; with no printer they are PDF files.
    void teacherPrintsSheets()
    {
        QTemporaryDir pdfs;
        SystemSheetPrinter printer(SystemSheetPrinter::Output::PdfFiles);
        printer.SetPdfFolder(pdfs.path());
        TestEnv().Printer = &printer;
        TestSession().CurrentPupil = 4;
        TestSession().CurrentPupilName = QStringLiteral("先生");
        OpenGraph();
        QVERIFY(Button("Command24_1")->isVisible());
        Button("Command25")->click();
        SelectRows(List("List3"), {0, 1, 2, 3, 4, 5, 6});
        SelectRows(List("List2"), {PupilRow(1), PupilRow(2), PupilRow(3)});
        MessageWatch watch;
        Button("Command24_1")->click();
        QCOMPARE(watch.Texts.size(), 1);
        QVERIFY2(watch.Texts[0].contains(QStringLiteral("PDF")), qPrintable(watch.Texts[0]));

        const QStringList files = QDir(pdfs.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 3);
        const QString names[] = {QStringLiteral("山田太郎"), QStringLiteral("佐藤花子"), QStringLiteral("鈴木一郎")};
        for (int i = 0; i < 3; ++i) {
            const QString file = QStringLiteral("20261210_%1_%2.pdf").arg(i + 1).arg(names[i]);
            QVERIFY2(files.contains(file), qPrintable(files.join(u' ')));
            QVERIFY(watch.Texts[0].contains(file));
            QString problem;
            const QStringList pages = SheetPages::Read(QDir(pdfs.path()).filePath(file), &problem);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            QCOMPARE(pages.size(), 3);
            for (int p = 0; p < 3; ++p) {
                const QString page = SheetPages::Squeezed(pages[p]);
                QVERIFY2(page.contains(names[i]), qPrintable(pages[p]));
                for (int level = 1; level <= Levels; ++level) {
                    const bool here = (level - 1) / 3 == p;
                    const QString title = SheetPages::Squeezed(
                        QStringLiteral("ゾメ２ ") + TestSchool().Catalogue.LevelName[std::size_t(level)]);
                    QVERIFY2(page.contains(title) == here, qPrintable(QStringLiteral("level %1 on page %2:\n%3")
                                                                         .arg(level).arg(p + 1).arg(pages[p])));
                }
                QVERIFY(page.contains(QStringLiteral("本人/塾全体")));
            }
        }
    }

    void printingFailsAloud()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file.txt")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SystemSheetPrinter printer(SystemSheetPrinter::Output::PdfFiles);
        printer.SetPdfFolder(dir.filePath(QStringLiteral("file.txt/sub")));
        TestEnv().Printer = &printer;
        TestSession().CurrentPupilName = QStringLiteral("先生");
        OpenGraph();
        MessageWatch watch;
        Button("Command24_1")->click();
        QCOMPARE(watch.Texts.size(), 1);
        QVERIFY2(watch.Texts[0].contains(QStringLiteral("file.txt/sub")), qPrintable(watch.Texts[0]));
    }
};

QTEST_MAIN(TestGraphPanel)
#include "tst_GraphPanel.moc"
