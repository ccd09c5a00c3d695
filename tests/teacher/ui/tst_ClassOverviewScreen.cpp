// The class overview screen on the offscreen platform over a real installation: its table, the
// frozen number and name, sorting by a header, the legend and the periods in the headings, its
// sheets printed to a real PDF and read back, and its CSV file.
#include "base/OleDate.h"
#include "base/ui/FrozenColumnsTable.h"
#include "base/ui/SystemSheetPrinter.h"
#include "support/TestScopes.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/MessageWatch.h"
#include "support/Screens.h"
#include "support/SheetPages.h"
#include "support/TestInstallation.h"
#include "teacher/ClassOverviewModel.h"
#include "teacher/ui/ClassOverviewScreen.h"
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QDateTime Now(QDate(2026, 12, 10), QTime(15, 0, 0));
constexpr int Pupils = 90;

// pdftotext lays blanks out as it sees fit, ideographic ones too.
QString Unspaced(QString text)
{
    text.removeIf([](QChar c) { return c.isSpace(); });
    return text;
}
} // namespace

class TestClassOverviewScreen : public QObject {
    Q_OBJECT
    ManualClock Clock{Now};
    std::unique_ptr<TestInstallation> Inst;
    std::unique_ptr<QTemporaryDir> PdfDir;
    std::unique_ptr<SystemSheetPrinter> Pdf;
    QPointer<ClassOverviewScreen> Screen;

    void Open()
    {
        Screen = new ClassOverviewScreen(TestSchool(), TestSession(), TestEnv(), QStringLiteral("全学年"));
        Screen->ShowScreen();
        QVERIFY(QTest::qWaitForWindowExposed(Screen));
    }
    FrozenColumnsTable* View() const { return Screen->findChild<FrozenColumnsTable*>(QStringLiteral("OverviewTable")); }
    QString HeaderText(int column) const { return Screen->Model()->headerData(column, Qt::Horizontal).toString(); }

private slots:
    void initTestCase() { TestEnv().Windowed = true; }
    void init()
    {
        ResetTestScopes();
        TestEnv().TheClock = &Clock;
        TestEnv().Wait = [](int) {};
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        Inst->ApplyTo(TestSchool());
        TestSchool().SchoolName = QStringLiteral("テスト小学校");
        TestSchool().Catalogue.Build();
        AppCalls::LoadPassCriteria();
        Inst->WriteNumberedRoster(Pupils);
        // Pupil p did p % 7 attempts on level 1 this week, each of 40 + p seconds.
        QList<ScoreRecord> records;
        for (int p = 1; p <= Pupils; ++p)
            for (int k = 0; k < p % 7; ++k) {
                ScoreRecord r;
                r.Date = OleDate::FromDate(Now.date());
                r.TimeOfDay = OleDate::FromTime(QTime(9, k, p % 60));
                r.Pupil = qint16(p);
                r.Level = 1;
                r.Seconds = 40 + p;
                records << r;
            }
        AppCalls::WriteScoreRecords(records);
        PdfDir = std::make_unique<QTemporaryDir>();
        Pdf = std::make_unique<SystemSheetPrinter>(SystemSheetPrinter::Output::PdfFiles);
        Pdf->SetPdfFolder(PdfDir->path());
        TestEnv().Printer = Pdf.get();
    }
    void cleanup()
    {
        DeleteAllScreens();
        ResetTestScopes();
    }

    // Every pupil a row, the class's row last; the number and name stay in view; a click on a
    // heading sorts by it.
    void tableAndSort()
    {
        Open();
        const ClassOverviewModel* model = Screen->Model();
        QCOMPARE(model->rowCount(), Pupils + 1);
        QCOMPARE(model->data(model->index(0, 1)).toString(), QStringLiteral("生徒1"));
        QVERIFY(model->data(model->index(Pupils, 1)).toString().startsWith(QStringLiteral("クラス（90人）")));
        QTableView* frozen = View()->Frozen();
        QVERIFY(frozen->isVisible());
        QVERIFY(!frozen->isColumnHidden(0) && !frozen->isColumnHidden(1) && frozen->isColumnHidden(2));

        // Level 1's attempts, most first: pupils with six attempts (6, 13, 20 …) lead.
        QHeaderView* header = View()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(2) + header->sectionSize(2) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        if (header->sortIndicatorOrder() == Qt::AscendingOrder)
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(header->sortIndicatorSection(), 2);
        QCOMPARE(model->data(model->index(0, 2)).toString(), QStringLiteral("6"));
        QCOMPARE(model->PupilAt(0), 6);
        QVERIFY(model->data(model->index(Pupils, 1)).toString().startsWith(QStringLiteral("クラス")));
    }

    // What the marks mean stands whole above the table; every heading names its period, follows
    // the period chosen and is not cut by its column; a level never tried and one tried apart.
    void legendAndPeriodHeadings()
    {
        Open();
        const QLabel* legend = Screen->findChild<QLabel*>(QStringLiteral("LegendLabel"));
        QVERIFY(legend && legend->isVisible());
        QCOMPARE(legend->text(), ClassOverview::Legend());
        QVERIFY(legend->fontMetrics().horizontalAdvance(legend->text()) <= legend->contentsRect().width());
        QVERIFY(!legend->geometry().intersects(View()->geometry()));

        QCOMPARE(HeaderText(2), QStringLiteral("レベル１\n回数（今週）"));
        QCOMPARE(HeaderText(4), QStringLiteral("レベル１\n点（今まで）"));
        QCOMPARE(HeaderText(5), QStringLiteral("レベル１\n合否（最近7日）"));
        auto* period = Screen->findChild<QComboBox*>(QStringLiteral("PeriodSelector"));
        period->setCurrentIndex(int(ClassOverview::Period::SinceLastWeek));
        emit period->activated(period->currentIndex());
        QCOMPARE(HeaderText(3), QStringLiteral("レベル１\n最高（先週から）"));
        QCOMPARE(HeaderText(15), QStringLiteral("合計\n点（今まで）"));
        const QHeaderView* header = View()->horizontalHeader();
        for (int c = 0; c < Screen->Model()->columnCount(); ++c)
            for (const QString& line : HeaderText(c).split(u'\n'))
                QVERIFY2(header->fontMetrics().horizontalAdvance(line) < header->sectionSize(c), qPrintable(line));

        // Pupil 7 has no attempt, pupil 13 six, too few to pass.
        const ClassOverviewModel* model = Screen->Model();
        QCOMPARE(model->data(model->index(6, 5)).toString(), QStringLiteral("－"));
        QCOMPARE(model->data(model->index(12, 5)).toString(), QStringLiteral("△"));
    }

    // Ninety pupils on three A4 landscape pages, each headed by the school, the period, the grade
    // filter, the date and what the marks mean, with the column headings and their periods again;
    // a pupil's figures and marks as the table shows them.
    void printedToPdf()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed (poppler-utils)");
        Open();
        MessageWatch boxes;
        Screen->findChild<QPushButton*>(QStringLiteral("PrintButton"))->click();
        QTRY_COMPARE(boxes.Texts.size(), 1);
        QVERIFY2(boxes.Texts[0].contains(QStringLiteral("PDF")), qPrintable(boxes.Texts[0]));
        const QStringList files = QDir(PdfDir->path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QString problem;
        const QStringList pages = SheetPages::Read(PdfDir->path() + "/" + files[0], &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(pages.size(), 3);
        for (int p = 0; p < pages.size(); ++p) {
            // pdftotext lays blanks out as it sees fit.
            QVERIFY2(pages[p].simplified().contains(
                         QStringLiteral("学級一覧 テスト小学校 期間：今週 学年：全学年 2026/12/10 （%1/3）").arg(p + 1)),
                     qPrintable(pages[p]));
            QVERIFY(pages[p].contains(QStringLiteral("レベル１")) && pages[p].contains(QStringLiteral("合否"))
                    && pages[p].contains(QStringLiteral("合計")));
            QVERIFY2(Unspaced(pages[p]).contains(Unspaced(ClassOverview::Legend())), qPrintable(pages[p]));
            for (const QString& period : {QStringLiteral("（今週）"), QStringLiteral("（今まで）"), QStringLiteral("（最近7日）")})
                QVERIFY2(pages[p].contains(period), qPrintable(period));
        }
        QVERIFY(pages[0].contains(QStringLiteral("生徒40")) && !pages[0].contains(QStringLiteral("生徒41")));
        QVERIFY(pages[2].contains(QStringLiteral("クラス（90人）")));
        // Pupil 13: six attempts of 53 s, 30 points, not passed; levels 2 and 3 never tried.
        QVERIFY2(pages[0].contains(QRegularExpression(QStringLiteral("13\\s+生徒13\\s+6\\s+53\\s+30\\s+△\\s+－\\s+－\\s+6\\s+30"))),
                 qPrintable(pages[0]));
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {PdfDir->path() + "/" + files[0]});
        QVERIFY(info.waitForFinished(30000));
        const QString said = QString::fromUtf8(info.readAll());
        const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+)")).match(said);
        QVERIFY2(size.hasMatch(), qPrintable(said));
        // A4 landscape: 842 x 595 points.
        QVERIFY2(qAbs(size.captured(1).toDouble() - 842) < 1 && qAbs(size.captured(2).toDouble() - 595) < 1, qPrintable(said));
    }

    // "CSV" saves the table as the screen shows it: the headings, the pupils in the order sorted,
    // the class's row.
    void savedAsShown()
    {
        Open();
        Screen->Model()->sort(3, Qt::AscendingOrder);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("学級一覧.csv"));
        MessageWatch boxes(file);
        const QStringList& messages = boxes.Texts;
        Screen->findChild<QPushButton*>(QStringLiteral("CsvButton"))->click();
        QTRY_COMPARE(messages.size(), 1);
        QFile csv(file);
        QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(messages[0]));
        const QStringList lines = QString::fromUtf8(csv.readAll().mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        const ClassOverviewModel* model = Screen->Model();
        QCOMPARE(lines.size(), model->rowCount() + 1);
        QStringList headings;
        for (int c = 0; c < model->columnCount(); ++c)
            headings << HeaderText(c).replace(u'\n', u' ');
        QCOMPARE(lines[0], headings.join(u','));
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList shown;
            for (int c = 0; c < model->columnCount(); ++c)
                shown << model->data(model->index(r, c)).toString();
            QCOMPARE(lines[r + 1], shown.join(u','));
        }
        QVERIFY(lines[1].startsWith(QStringLiteral("1,生徒1,1,41,"))); // the fastest first
    }
};

QTEST_MAIN(TestClassOverviewScreen)
#include "tst_ClassOverviewScreen.moc"
