#include "teacher/ui/ClassOverviewScreen.h"
#include "base/Clock.h"
#include "base/FatalError.h"
#include "base/SheetPrinter.h"
#include "base/ui/FrozenColumnsTable.h"
#include "records/ResultExport.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include "state/School.h"
#include "state/Session.h"
#include "state/Environment.h"
#include "state/StateViews.h"
#include "teacher/ClassOverviewModel.h"
#include "teacher/ui/ClassOverviewSheet.h"
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

ClassOverviewScreen::ClassOverviewScreen(School& school, Session& session, Environment& env, const QString& gradeFilter, QWidget* parent)
    : ScaledForm(parent), TheSchool(school), TheSession(session), Env(env), Roster(std::make_unique<RosterTables>())
{
    Windowed = env.Windowed;
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    const int grade = GradeSelector->findText(gradeFilter);
    GradeSelector->setCurrentIndex(grade >= 0 ? grade : 0);
}

ClassOverviewScreen::~ClassOverviewScreen() = default;

void ClassOverviewScreen::BuildControls()
{
    setObjectName(QStringLiteral("ClassOverview"));
    setWindowTitle(TheSchool.ProgramTitle + QStringLiteral(" 学級一覧"));
    SetBackColour(this, TheSchool.SeasonColour);

    HeadingLabel = NewLabel(this, QStringLiteral("HeadingLabel"), QStringLiteral("学級一覧　") + TheSchool.SchoolName);
    Place(HeadingLabel, 240, 120, 6600, 450, 14);

    QLabel* periodCaption = NewLabel(this, QStringLiteral("PeriodCaption"), QStringLiteral("期間"));
    Place(periodCaption, 7080, 120, 600, 450, 11);
    PeriodSelector = new QComboBox(this);
    PeriodSelector->setObjectName(QStringLiteral("PeriodSelector"));
    PeriodSelector->addItems(ClassOverview::PeriodTexts());
    PeriodSelector->setCurrentIndex(int(ClassOverview::Period::ThisWeek));
    Place(PeriodSelector, 7680, 120, 2160, 450, 11);
    connect(PeriodSelector, &QComboBox::activated, this, [this] { Rebuild(); });

    QLabel* gradeCaption = NewLabel(this, QStringLiteral("GradeCaption"), QStringLiteral("学年"));
    Place(gradeCaption, 10080, 120, 600, 450, 11);
    GradeSelector = new QComboBox(this);
    GradeSelector->setObjectName(QStringLiteral("GradeSelector"));
    GradeSelector->addItems(RosterFile::SelectorTexts());
    Place(GradeSelector, 10680, 120, 2040, 450, 11);
    connect(GradeSelector, &QComboBox::activated, this, [this] { Rebuild(); });

    QLabel* legend = NewLabel(this, QStringLiteral("LegendLabel"), ClassOverview::Legend());
    Place(legend, 240, 630, 14880, 360, 10);

    Table = new ClassOverviewModel(this);
    View = new FrozenColumnsTable(2, this);
    View->setObjectName(QStringLiteral("OverviewTable"));
    View->setFont(FixedFont());
    View->setModel(Table);
    View->setEditTriggers(QAbstractItemView::NoEditTriggers);
    View->setSelectionBehavior(QAbstractItemView::SelectRows);
    View->verticalHeader()->hide();
    View->Frozen()->setFont(FixedFont());
    View->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    View->setSortingEnabled(true);
    Place(View, 240, 1050, 14880, 9540, 10);

    QPushButton* print = NewButton(this, QStringLiteral("PrintButton"), QStringLiteral("印刷"));
    Place(print, 240, 10740, 3000, 600, 12);
    connect(print, &QPushButton::clicked, this, &ClassOverviewScreen::Print);
    QPushButton* csv = NewButton(this, QStringLiteral("CsvButton"), QStringLiteral("CSV"));
    csv->setToolTip(QStringLiteral("この表を表計算ソフトで開けるCSVファイルに保存します"));
    Place(csv, 3480, 10740, 3000, 600, 12);
    connect(csv, &QPushButton::clicked, this, &ClassOverviewScreen::SaveCsv);
    QPushButton* back = NewButton(this, QStringLiteral("BackButton"), QStringLiteral("戻る"));
    Place(back, 12120, 10740, 3000, 600, 12);
    connect(back, &QPushButton::clicked, this, &ClassOverviewScreen::BackChosen);
}

void ClassOverviewScreen::showEvent(QShowEvent* event)
{
    ScaledForm::showEvent(event);
    // Filled before the first paint.
    if (!Loaded) {
        Loaded = true;
        Rebuild();
    }
}

ClassOverview::Period ClassOverviewScreen::ChosenPeriod() const
{
    return ClassOverview::Period(std::clamp(PeriodSelector->currentIndex(), 0, int(ClassOverview::Period::All)));
}

const ClassOverview::Table& ClassOverviewScreen::Shown() const { return Table->Table(); }

bool ClassOverviewScreen::Rebuild()
{
    if (Closing)
        return false;
    Roster->SchoolYear = RosterFile::SchoolYear(Env.TheClock->Today(), TheSchool.SchoolYearStartMonth);
    if (!RosterFile::LoadRoster(TheSchool.DataRoot, TheSchool.RosterOption, Roster->SchoolYear, *Roster)) {
        CloseWith(RosterFile::MissingMessage(TheSchool.DataRoot, *Roster));
        return false;
    }
    std::vector<ScoreRecord> records;
    try {
        StateViews::ComputeResultTables(TheSchool, TheSession, Env);
        records = StateViews::LastRecords(TheSchool, TheSession, Env, ResultLists::PeriodWindow);
    } catch (const FatalError& e) {
        CloseWith(e.Message);
        return false;
    }
    const ResultLists::Inputs in = StateViews::ListInputs(TheSchool, TheSession, Env, *Roster, GradeSelector->currentText());
    Table->SetTable(ClassOverview::Compute(records, in, ChosenPeriod()));
    const QHeaderView* header = View->horizontalHeader();
    Table->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    // Widths from the longest text a column can hold: measuring every cell of a school would take long.
    // The headings, which name the periods, are few enough to measure.
    const int charWidth = View->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const QFontMetrics headingFont = header->fontMetrics();
    const ClassOverview::Table& shown = Table->Table();
    for (int c = 0; c < Table->columnCount(); ++c) {
        int width = (ClassOverview::ColumnChars(shown, c) + 2) * charWidth;
        for (const QString& line : Table->headerData(c, Qt::Horizontal).toString().split(u'\n'))
            width = std::max(width, headingFont.horizontalAdvance(line) + 2 * charWidth);
        View->setColumnWidth(c, width);
    }
    return true;
}

void ClassOverviewScreen::Print()
{
    if (!Env.Printer) {
        QMessageBox::warning(this, TheSchool.ProgramTitle, QStringLiteral("この機械では印刷できません（印刷先が設定されていません）。"));
        return;
    }
    SheetPrinter::Document doc;
    doc.Title = TheSchool.ProgramTitle + QStringLiteral(" 学級一覧");
    doc.Day = Env.TheClock->Today();
    doc.PupilName = QStringLiteral("学級一覧");
    doc.Landscape = true;
    QString error;
    QPagedPaintDevice* device = Env.Printer->Begin(doc, &error);
    if (!device) {
        QMessageBox::warning(this, TheSchool.ProgramTitle, error);
        return;
    }
    ClassOverviewSheet::Heading heading;
    heading.SchoolName = TheSchool.SchoolName;
    heading.Period = ClassOverview::PeriodText(ChosenPeriod());
    heading.GradeFilter = GradeSelector->currentText();
    heading.Date = doc.Day.toString(QStringLiteral("yyyy/MM/dd"));
    QPainter painter;
    bool painted = painter.begin(device);
    if (painted)
        painted = ClassOverviewSheet::Paint(painter, *device, heading, Shown());
    if (painter.isActive() && !painter.end())
        painted = false;
    QString where;
    if (!Env.Printer->Finish(painted, &where, &error)) {
        QMessageBox::warning(this, TheSchool.ProgramTitle, error.isEmpty() ? QStringLiteral("印刷できませんでした。") : error);
        return;
    }
    QMessageBox::information(this, TheSchool.ProgramTitle,
                             Env.Printer->WritesFiles()
                                 ? QStringLiteral("プリンターがないため、学級一覧をPDFファイルに保存しました。\n%1").arg(where)
                                 : QStringLiteral("学級一覧を「%1」に印刷しました。").arg(where));
}

void ClassOverviewScreen::SaveCsv()
{
    const QString suggested = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                                  .filePath(QStringLiteral("学級一覧_%1.csv").arg(Env.TheClock->Today().toString(QStringLiteral("yyyyMMdd"))));
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("学級一覧をCSVファイルに保存"), suggested,
                                                      QStringLiteral("CSVファイル (*.csv)"));
    if (file.isEmpty())
        return;
    const QString error = ResultExport::Save(file, ClassOverview::Csv(Shown()));
    if (!error.isEmpty()) {
        QMessageBox::warning(this, TheSchool.ProgramTitle, error);
        return;
    }
    QMessageBox::information(this, TheSchool.ProgramTitle, QStringLiteral("学級一覧を保存しました。\n") + QDir::toNativeSeparators(file));
}

void ClassOverviewScreen::CloseWith(const QString& message)
{
    if (Closing)
        return;
    Closing = true;
    QTimer::singleShot(0, this, [this, message] {
        QMessageBox::warning(this, TheSchool.ProgramTitle, message + QStringLiteral("\nメニューに戻ります。"));
        emit BackChosen();
    });
}
