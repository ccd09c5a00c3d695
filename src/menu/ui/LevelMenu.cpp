#include "menu/ui/LevelMenu.h"
#include "base/Clock.h"
#include "base/FatalError.h"
#include "menu/LevelUnlock.h"
#include "menu/MenuTexts.h"
#include "menu/ui/GraphPanel.h"
#include "menu/ui/LevelColumn.h"
#include "menu/ui/TeacherPanel.h"
#include "roster/RosterFile.h"
#include "state/School.h"
#include "state/Session.h"
#include "state/Environment.h"
#include "state/StateViews.h"
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QApplication>
#include <QCoreApplication>
#include <QWindow>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStringListModel>
#include <cmath>

namespace {
// Columns share this width in twips, a 2 % margin on the left.
constexpr int ColumnsWidth = 14592;
constexpr int MarginLeft = ScaledForm::DesignWidth * 2 / 100;
constexpr int ViewHeaderTop = 1260;
constexpr int ViewHeaderHeight = 405;
const QColor LightGrey(224, 224, 224);
const QString WaitText = QStringLiteral("Just a moment, please.");

} // namespace

LevelMenu::LevelMenu(School& school, Session& session, Environment& env, QWidget* parent)
    : ScaledForm(parent), TheSchool(school), TheSession(session), Env(env)
{
    Windowed = env.Windowed;
    setAttribute(Qt::WA_DeleteOnClose);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &LevelMenu::NoteActiveWindow);
    BuildControls();
    Prepare();
}

void LevelMenu::BuildControls()
{
    setObjectName(QStringLiteral("seisekitime1"));
    setWindowTitle(TheSchool.ProgramTitle);
    LevelCount = std::clamp<int>(TheSchool.Catalogue.LevelCount, 0, Limits::LastLevel);

    TitleLabel = NewLabel(this, QStringLiteral("Label11"));
    Place(TitleLabel, 240, 60, 3900, 720, 24);
    PupilLabel = NewLabel(this, QStringLiteral("Label12"));
    Place(PupilLabel, 4200, 90, 4080, 660, 16);
    SchoolLabel = NewLabel(this, QStringLiteral("Label13"));
    Place(SchoolLabel, 240, 840, 5700, 390, 11);
    MinutesLabel = NewLabel(this, QStringLiteral("Label17"));
    Place(MinutesLabel, 9840, 150, 2460, 345, 11);
    TodayTotalLabel = NewLabel(this, QStringLiteral("Label18"));
    Place(TodayTotalLabel, 9840, 480, 2460, 345, 11);
    ViewHeader = NewLabel(this, QStringLiteral("Label5"));
    Place(ViewHeader, 240, ViewHeaderTop, 5700, ViewHeaderHeight, 12);

    DisplayStrip = new QWidget(this);
    DisplayStrip->setObjectName(QStringLiteral("Picture5"));
    Place(DisplayStrip, 11400, 840, 3690, 345);
    const QString displayCaptions[3] = {QStringLiteral("ﾀｲﾑ表示"), QStringLiteral("ﾎﾟｲﾝﾄ表示"), QStringLiteral("個人ﾀｲﾑ")};
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(displayCaptions[i], DisplayStrip);
        option->setObjectName(IndexedName("Option2", i));
        option->setFocusPolicy(Qt::NoFocus);
        Place(option, i * 1230, 0, 1230, 345, 9);
        connect(option, &QRadioButton::clicked, this, [this, i] { OnDisplayChosen(i); });
        DisplayChoice[std::size_t(i)] = option;
    }

    OrderPanel = new QWidget(this);
    OrderPanel->setObjectName(QStringLiteral("Picture1"));
    Place(OrderPanel, 12420, 90, 1320, 735);
    for (int i = 1; i <= 3; ++i) {
        auto* option = new QRadioButton(i == 3 ? QStringLiteral("オール表示") : QString(), OrderPanel);
        option->setObjectName(IndexedName("Option1", i));
        option->setFocusPolicy(Qt::NoFocus);
        Place(option, 0, (i - 1) * 245, 1320, 245, 8);
        connect(option, &QRadioButton::clicked, this, [this, i] { OnOrderChosen(i); });
        OrderChoice[std::size_t(i)] = option;
    }

    GradeSelector = new QComboBox(this);
    GradeSelector->setObjectName(QStringLiteral("Combo1"));
    GradeSelector->setEditable(true);
    GradeSelector->setInsertPolicy(QComboBox::NoInsert);
    GradeSelector->setToolTip(QStringLiteral("表示する学年を選びます"));
    Place(GradeSelector, 13440, 1260, 1305, 405, 9);
    connect(GradeSelector, &QComboBox::textActivated, this, [this] { OnGradeChosen(); });

    PeriodSelector = new QComboBox(this);
    PeriodSelector->setObjectName(QStringLiteral("Combo2"));
    PeriodSelector->setEditable(true);
    PeriodSelector->setInsertPolicy(QComboBox::NoInsert);
    Place(PeriodSelector, 6150, 1260, 3345, 405, 10);
    PeriodSelector->hide();
    connect(PeriodSelector, &QComboBox::activated, this, [this] { OnPeriodChosen(); });

    BackButton = NewButton(this, QStringLiteral("Command1"), QStringLiteral("戻る(0)"));
    Place(BackButton, 13800, 90, 1305, 735, 12);
    connect(BackButton, &QPushButton::clicked, this, &LevelMenu::GoBack);

    GraphButton = NewButton(this, QStringLiteral("Command17"), QStringLiteral("グラフ"));
    Place(GraphButton, 9600, 1260, 1200, 405, 10);
    GraphButton->hide();
    connect(GraphButton, &QPushButton::clicked, this, &LevelMenu::OpenGraph);

    PrintButton = NewButton(this, QStringLiteral("Command27"), QStringLiteral("印刷"));
    Place(PrintButton, 10920, 1260, 1200, 405, 10);
    PrintButton->hide();
    FirstViewButton = NewButton(this, QStringLiteral("Command26"), QStringLiteral("表示１"));
    Place(FirstViewButton, 10920, 840, 1200, 345, 9);
    FirstViewButton->hide();

    TeacherButton = NewButton(this, QStringLiteral("Command8"), QStringLiteral("データ処理"));
    Place(TeacherButton, 8370, 180, 1365, 585, 10);
    TeacherButton->hide();
    connect(TeacherButton, &QPushButton::clicked, this, [this] { Teacher->Open(); });

    for (int i = 1; i <= LevelCount; ++i) {
        LevelColumn& c = Columns[std::size_t(i)];
        c = LevelColumn::Make(this, i);
        connect(c.Start, &QPushButton::clicked, this, [this, i] { StartLevel(i, true); });
    }

    ListWaitPanel = NewWaitPanel({"Picture6", "Label6", "ProgressBar2", QRect(4800, 4800, 5760, 1440),
                                  QRect(0, 0, 5760, 960), 16, QRect(240, 1020, 5280, 300)}, &ListProgress);
    Graph = new GraphPanel(TheSchool, TheSession, Env, this, [this] {
        TimeGraph::Inputs in;
        in.Lists = ListInputs();
        in.Period = ResultLists::PointsPeriod(PointsPeriod == 0 ? ResultLists::AllTimeLead : PointsPeriod);
        in.ProgramTitle = TheSchool.ProgramTitle;
        return in;
    });
    connect(Graph, &GraphPanel::BandsDrawn, this, [this] { OrderPanel->setEnabled(true); });
    connect(Graph, &GraphPanel::FatalErrorRaised, this, &LevelMenu::FatalErrorRaised);

    Teacher = new TeacherPanel(TheSchool, TheSession, Env, this);
    connect(Teacher, &TeacherPanel::RecordBrowserChosen, this, &LevelMenu::RecordBrowserChosen);
    connect(Teacher, &TeacherPanel::CriteriaEditorChosen, this, &LevelMenu::CriteriaEditorChosen);
    connect(Teacher, &TeacherPanel::ClassOverviewChosen, this,
            [this] { emit ClassOverviewChosen(GradeSelector->currentText()); });

    WaitPanel = NewWaitPanel({"Picture2", "Label2", "ProgressBar1", QRect(0, 0, DesignWidth, DesignHeight),
                              QRect(1680, 4860, 12000, 1200), 24, QRect(3840, 6240, 7680, 300)}, &WaitProgress);

    // The form sees keys before its controls.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void LevelMenu::Prepare()
{
    SetBackColour(this, TheSchool.SeasonColour);
    SetBackColour(WaitPanel, TheSchool.SeasonColour);
    SetBackColour(ListWaitPanel, TheSchool.SeasonColour);
    TheSession.ListPeriod = 3;

    GradeSelector->addItems(RosterFile::SelectorTexts());
    GradeSelector->setEditText(TheSession.GradeFilterText);
    PeriodSelector->addItems({QStringLiteral("　　　今週の全成績"), QStringLiteral("　　先週からの全成績"),
                              QStringLiteral("　　１ヶ月間の全成績"), QStringLiteral("　　１年間の全成績"),
                              QStringLiteral("　　今までの全成績\"")});
    PeriodSelector->setEditText(QStringLiteral("　　１ヶ月間の全成績"));

    for (int i = 1; i <= LevelCount; ++i) {
        LevelColumn& c = Columns[std::size_t(i)];
        const QString name = TheSchool.Catalogue.LevelName[std::size_t(i)];
        c.Name->setText(name);
        c.Name->setToolTip(name);
        if (TheSchool.Catalogue.LevelInUse[std::size_t(i)]) {
            const PassCriteria& level = TheSchool.Criteria[std::size_t(i)];
            c.JudgeWindow->setText(MenuTexts::JudgeWindow(level, TheSchool.Results.JudgeCount(i, TheSession.CurrentPupil),
                                                          TheSchool.Results.JudgePoints(i, TheSession.CurrentPupil)));
            c.Targets->setText(MenuTexts::Targets(level));
        }
    }
    PlaceColumns();
}

void LevelMenu::PlaceColumns()
{
    if (LevelCount < 1)
        return;
    const int w = ColumnsWidth / LevelCount;
    const int gap = 90;
    const int top = ViewHeaderTop + int(std::lround(1.05 * ViewHeaderHeight));
    for (int i = 1; i <= LevelCount; ++i)
        Columns[std::size_t(i)].Place(this, MarginLeft + (i - 1) * w, top, w - gap);
}

QWidget* LevelMenu::NewWaitPanel(const WaitPanelPlace& place, QProgressBar** progress)
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QLatin1String(place.Panel));
    Place(panel, place.Area.x(), place.Area.y(), place.Area.width(), place.Area.height());
    QLabel* label = NewLabel(panel, QLatin1String(place.Label), WaitText, Qt::AlignCenter);
    Place(label, place.Text.x(), place.Text.y(), place.Text.width(), place.Text.height(), place.PointSize);
    *progress = new QProgressBar(panel);
    (*progress)->setObjectName(QLatin1String(place.Bar));
    (*progress)->setTextVisible(false);
    Place(*progress, place.Progress.x(), place.Progress.y(), place.Progress.width(), place.Progress.height());
    panel->hide();
    return panel;
}

bool LevelMenu::IsPracticeLevel(int level) const
{
    return TheSchool.Catalogue.IsPractice(level);
}

void LevelMenu::PumpEvents()
{
    QCoreApplication::processEvents();
}

void LevelMenu::showEvent(QShowEvent* event)
{
    ScaledForm::showEvent(event);
    if (!Loaded) {
        Loaded = true;
        // After the event that shows the menu: the activation pumps events of its own.
        QMetaObject::invokeMethod(this, &LevelMenu::Refresh, Qt::QueuedConnection);
    }
}

void LevelMenu::changeEvent(QEvent* event)
{
    ScaledForm::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !Loaded)
        return;
    // Back from another of the program's screens, the menu shows what changed meanwhile. Its own
    // message boxes and dialogs, and other programs' windows, leave it as it stands: the graph
    // panel stays open, and a click after the box goes where it was aimed.
    if (isActiveWindow() && AnotherScreenWasActive && !Running) {
        AnotherScreenWasActive = false;
        QMetaObject::invokeMethod(this, &LevelMenu::Refresh, Qt::QueuedConnection);
    }
}

void LevelMenu::NoteActiveWindow(QWindow* window)
{
    if (!window || window == windowHandle())
        return;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != this && top->windowHandle() == window && qobject_cast<ScaledForm*>(top))
            AnotherScreenWasActive = true;
}

void LevelMenu::Refresh()
{
    if (Running || !isVisible())
        return;
    Running = true;
    struct Done {
        LevelMenu* Menu;
        ~Done() { Menu->Running = false; }
    } done{this};
    const int p = TheSession.CurrentPupil;

    PrintButton->setVisible(TheSchool.MenuPrintAllowed == 1 && TheSession.CurrentPupilName.contains(QStringLiteral("先生")));
    Graph->SetPrintAllowed(TheSession.CurrentPupilName.contains(QStringLiteral("先生")));
    TeacherButton->setVisible(RosterFile::TrimBlanks(TheSession.CurrentPupilName) == QStringLiteral("先生"));
    MinutesLabel->setText(MenuTexts::MinutesSinceSignIn(Env.TheClock->SecondsSinceMidnight(), TheSession.LoginTime));

    MenuReady = false;
    WaitPanel->raise();
    WaitPanel->show();
    PumpEvents();

    OrderChoice[1]->setText(QStringLiteral("累計順"));
    OrderChoice[2]->setText(QStringLiteral("本日順"));

    try {
        StateViews::ComputeResultTables(TheSchool, TheSession, Env);
    } catch (const FatalError& e) {
        emit FatalErrorRaised(e.Message);
        return;
    }
    TheSession.TodayTotal = TheSchool.Results.TodayTotal(p);
    TodayTotalLabel->setText(MenuTexts::TodayTotal(TheSession.TodayTotal));
    WaitProgress->setMaximum(std::max(1, LevelCount));

    // The opening view: every level's all-time points ranking.
    DisplayMode = ResultLists::PointsDisplay;
    Activating = true;
    OrderChoice[1]->setChecked(true);
    OnOrderChosen(1);
    DisplayChoice[1]->setChecked(true);
    OnDisplayChosen(1);
    BackButton->setEnabled(true);
    Activating = false;

    for (int i = 1; i <= LevelCount; ++i) {
        if (IsPracticeLevel(i)) {
            // Practice has no pass line to reach.
            TheSchool.Criteria[std::size_t(i)].TargetTime = 600;
            TheSchool.Criteria[std::size_t(i)].LowestTime = 600;
        } else {
            Columns[std::size_t(i)].List->show();
        }
    }
    ListWaitPanel->hide();

    PupilLabel->setText(MenuTexts::PupilHeading(TheSession.CurrentGradeLabel, TheSession.CurrentPupilName));
    SchoolLabel->setText(MenuTexts::SchoolHeading(TheSchool.SchoolName, p));
    TitleLabel->setText(TheSchool.ProgramTitle);
    SetPointSize(TitleLabel, TheSchool.ProgramTitle.size() > 9 ? 20 : 24);
    PlaceColumns();

    PumpEvents();
    for (int i = 1; i <= LevelCount; ++i) {
        LevelColumn& c = Columns[std::size_t(i)];
        SetBackColour(c.Targets, LightGrey);
        SetBackColour(c.JudgeWindow, LightGrey);
        if (IsPracticeLevel(i))
            c.HideResults();
        c.AllTimeTotals->setText(MenuTexts::AllTimeTotals(TheSchool.Results.AttemptCount(i, p), TheSchool.Results.TotalPoints(i, p)));
        c.TodayTotals->setText(MenuTexts::TodayTotals(TheSchool.Results.TodayCount(i, p), TheSchool.Results.TodayPoints(i, p)));
    }
    DecideLevelStarts();

    WaitPanel->hide();
    WaitProgress->hide();
    FirstViewButton->hide();
    MenuReady = true;
}

// ---- result views

void LevelMenu::ResetLevelLists()
{
    for (int i = 1; i <= LevelCount; ++i) {
        LevelColumn& c = Columns[std::size_t(i)];
        c.TodayHeader->setText(QStringLiteral("今日"));
        c.AllTimeHeader->setText(QStringLiteral("今まで"));
        c.Rows->setStringList({});
    }
}

void LevelMenu::ClearListSelections()
{
    for (int i = 1; i <= LevelCount; ++i)
        ClearListSelection(i);
}

void LevelMenu::ClearListSelection(int level)
{
    if (level < 1 || level > LevelCount)
        return;
    LevelColumn& c = Columns[std::size_t(level)];
    if (c.Rows->rowCount() > 0)
        c.List->clearSelection();
}

ResultLists::Inputs LevelMenu::ListInputs() const
{
    ResultLists::Inputs in = StateViews::ListInputs(TheSchool, TheSession, Env, TheSchool.Roster, GradeSelector->currentText());
    in.LevelCount = LevelCount;
    return in;
}

bool LevelMenu::ReadRecords(int count, std::vector<ScoreRecord>* records)
{
    try {
        *records = StateViews::LastRecords(TheSchool, TheSession, Env, count);
        return true;
    } catch (const FatalError& e) {
        emit FatalErrorRaised(e.Message);
        return false;
    }
}

void LevelMenu::SetRows(int level, const QStringList& rows)
{
    if (level >= 1 && level <= LevelCount)
        Columns[std::size_t(level)].Rows->setStringList(rows);
}

void LevelMenu::SetRows(const ResultLists::LevelRows& rows)
{
    for (int i = 1; i <= LevelCount; ++i)
        SetRows(i, rows[std::size_t(i)]);
}

void LevelMenu::RunListProgress(int records)
{
    ListProgress->setMaximum(std::max(1, int((records + 1) * 1.1)));
    ListProgress->setValue(0);
    ListProgress->setValue(records);
}

void LevelMenu::ShowTodaysAttempts()
{
    ViewHeader->setText(QStringLiteral("本日の成績"));
    TheSession.ResultView = 2;
    ResetLevelLists();
    std::vector<ScoreRecord> records;
    if (!ReadRecords(ResultLists::TodayWindow, &records))
        return;
    RunListProgress(int(records.size()));
    SetRows(ResultLists::TodayRows(records, ListInputs()));
    ClearListSelections();
    OrderPanel->setEnabled(true);
}

void LevelMenu::ShowPeriodAttempts()
{
    TheSession.ResultView = 3;
    ResetLevelLists();
    const int days = ResultLists::PeriodDays(TheSession.ListPeriod, Env.TheClock->Today(), TheSession.ListPeriodDays);
    if (TheSession.ListPeriod >= 1 && TheSession.ListPeriod <= 5)
        ViewHeader->clear();
    TheSession.ListPeriodDays = days;
    std::vector<ScoreRecord> records;
    if (!ReadRecords(ResultLists::PeriodWindow, &records))
        return;
    RunListProgress(int(records.size()));
    SetRows(ResultLists::PeriodRows(records, ResultLists::DisplayMode(DisplayMode), days, ListInputs()));
    ClearListSelections();
    OrderPanel->setEnabled(true);
    PeriodSelector->show();
}

void LevelMenu::ShowLevelRanking(int level)
{
    if (level < 1 || level > LevelCount)
        return;
    LevelColumn& c = Columns[std::size_t(level)];
    c.TodayHeader->setText(QStringLiteral("今日"));
    c.AllTimeHeader->setText(QStringLiteral("今まで"));
    const ResultLists::Ranking ranking = ResultLists::LevelRanking(
        level, ResultLists::DisplayMode(DisplayMode == 0 ? 1 : DisplayMode),
        ResultLists::PointsPeriod(PointsPeriod == 0 ? 1 : PointsPeriod), ListInputs());
    c.Rows->setStringList(ranking.Rows);
    if (ranking.SelectedRow >= 0) {
        const QModelIndex row = c.Rows->index(ranking.SelectedRow);
        c.List->setCurrentIndex(row);
        c.List->scrollTo(row, QAbstractItemView::PositionAtCenter);
    }
    ClearListSelection(level);
}

void LevelMenu::ShowBestTimeRankings()
{
    ViewHeader->setText(QStringLiteral("ベスト成績"));
    TheSession.ResultView = 1;
    ResetLevelLists();
    ListProgress->setValue(0);
    ListProgress->setMaximum(std::max(1, LevelCount));
    for (int i = 1; i <= LevelCount; ++i) {
        ListProgress->setValue(i);
        LevelColumn& c = Columns[std::size_t(i)];
        if (c.Name->text().contains(u'練')) {
            c.HideResults();
        } else {
            ShowLevelRanking(i);
        }
        c.List->clearSelection();
    }
    OrderPanel->setEnabled(true);
}

void LevelMenu::ShowTimeHistory()
{
    // The roster as it is now: a pupil added or renamed since sign-in shows in the graph's pupil
    // list and labels. The name screen's list of pupils stays as it was.
    RosterTables fresh;
    const int schoolYear = RosterFile::SchoolYear(Env.TheClock->Today(), TheSchool.SchoolYearStartMonth);
    if (RosterFile::LoadRoster(TheSchool.DataRoot, TheSchool.RosterOption, schoolYear, fresh)) {
        RosterFile::TakePupilTables(fresh, TheSchool.Roster);
        Graph->Prepare(LevelCount, fresh);
    } else {
        Graph->Prepare(LevelCount, TheSchool.Roster);
    }
    TheSession.GraphLevel = 1;
    TheSession.GraphPupil = TheSession.CurrentPupil;
    TheSession.ResultView = 3;
    ResetLevelLists();
    TheSession.ListPeriodDays = 3650;
    ViewHeader->setText(QStringLiteral("個人別ﾀｲﾑ"));
    std::vector<ScoreRecord> records;
    if (!ReadRecords(ResultLists::PeriodWindow, &records))
        return;
    RunListProgress(int(records.size()));
    SetRows(ResultLists::HistoryRows(records, ListInputs()));
    ListWaitPanel->hide();
    DecideLevelStarts();
    ShowLists();
    BackButton->setEnabled(true);
}

void LevelMenu::DecideLevelStarts()
{
    const LevelUnlock::Decision d = LevelUnlock::Decide(TheSchool.Catalogue, LevelCount, TheSchool.AllLevelsOpen == 1, TheSchool.Criteria,
                                                        TheSchool.Results, TheSession.CurrentPupil);
    TheSession.FinalLevelCleared = d.FinalLevelCleared ? 1 : 0;
    for (int i = 1; i <= LevelCount; ++i) {
        LevelColumn& c = Columns[std::size_t(i)];
        c.Start->setEnabled(d.Enabled[std::size_t(i)]);
        if (d.Barred[std::size_t(i)]) {
            c.Mark->setText(LevelUnlock::BarredText);
            c.Mark->raise();
            c.Mark->show();
        } else {
            c.Mark->hide();
        }
    }
    ListWaitPanel->raise();
}

void LevelMenu::OpenGraph()
{
    Graph->Open();
}

// ---- options and selectors

void LevelMenu::BeginBuilding()
{
    BackButton->setEnabled(false);
    for (int i = 1; i <= LevelCount; ++i) {
        Columns[std::size_t(i)].Start->setEnabled(false);
        Columns[std::size_t(i)].List->hide();
    }
    ListWaitPanel->raise();
    ListWaitPanel->show();
}

void LevelMenu::ShowLists()
{
    for (int i = 1; i <= LevelCount; ++i)
        if (!Columns[std::size_t(i)].Name->text().contains(u'練'))
            Columns[std::size_t(i)].List->show();
}

void LevelMenu::OnDisplayChosen(int index)
{
    GraphButton->hide();
    Graph->hide();
    BeginBuilding();
    PumpEvents();
    if (Activating)
        return;
    switch (index) {
    case 0:
        OrderChoice[1]->setText(QStringLiteral("BEST表示"));
        OrderChoice[2]->setText(QStringLiteral("本日のみ"));
        OrderChoice[3]->setEnabled(true);
        DisplayMode = ResultLists::TimeDisplay;
        for (int i = 1; i <= 3; ++i)
            if (OrderChoice[std::size_t(i)]->isChecked()) {
                OnOrderChosen(i);
                break;
            }
        break;
    case 1:
        PeriodSelector->hide();
        OrderChoice[1]->setText(QStringLiteral("合計累計"));
        OrderChoice[2]->setText(QStringLiteral("合計本日"));
        OrderChoice[3]->setText(QStringLiteral("すべて"));
        OrderChoice[3]->setEnabled(true);
        DisplayMode = ResultLists::PointsDisplay;
        PumpEvents();
        if (OrderChoice[1]->isChecked()) {
            PointsPeriod = ResultLists::AllTimeLead;
            OnOrderChosen(1);
        }
        if (OrderChoice[3]->isChecked())
            OnOrderChosen(3);
        if (OrderChoice[2]->isChecked()) {
            PointsPeriod = ResultLists::TodayLead;
            OnOrderChosen(2);
        }
        break;
    case 2:
        GraphButton->show();
        PeriodSelector->hide();
        ShowTimeHistory();
        break;
    default:
        break;
    }
}

void LevelMenu::OnOrderChosen(int index)
{
    BeginBuilding();
    PeriodSelector->hide();
    OrderPanel->setEnabled(false);
    PumpEvents();
    if (DisplayMode == 0)
        DisplayMode = ResultLists::TimeDisplay;
    if (DisplayMode == ResultLists::TimeDisplay) {
        if (index == 1) {
            TheSession.ResultView = 1;
            ShowBestTimeRankings();
        } else if (index == 2) {
            TheSession.ResultView = 2;
            ShowTodaysAttempts();
        } else if (index == 3) {
            TheSession.ResultView = 2;
            ShowPeriodAttempts();
        }
    } else if (DisplayMode == ResultLists::PointsDisplay) {
        TheSession.ResultView = 1;
        if (PointsPeriod == 0)
            PointsPeriod = ResultLists::AllTimeLead;
        if (index == 1) {
            PointsPeriod = ResultLists::AllTimeLead;
            ViewHeader->setText(QStringLiteral("獲得ポイント（今まで順位）"));
            WaitProgress->setValue(0);
            ListProgress->setValue(0);
            ListProgress->setMaximum(std::max(1, LevelCount));
            for (int i = 1; i <= LevelCount; ++i) {
                WaitProgress->setValue(i);
                ListProgress->setValue(i);
                ShowLevelRanking(i);
            }
        } else if (index == 2) {
            ViewHeader->setText(QStringLiteral("獲得ポイント（今日の順位）"));
            PointsPeriod = ResultLists::TodayLead;
            ListProgress->setValue(0);
            ListProgress->setMaximum(std::max(1, LevelCount));
            for (int i = 1; i <= LevelCount; ++i) {
                ListProgress->setValue(i);
                ShowLevelRanking(i);
            }
        } else if (index == 3) {
            TheSession.ResultView = 2;
            ShowPeriodAttempts();
        }
        OrderPanel->setEnabled(true);
    }
    BackButton->setEnabled(true);
    DecideLevelStarts();
    ShowLists();
    ListWaitPanel->hide();
}

void LevelMenu::OnGradeChosen()
{
    // The lists read the selector's text as they are built; the name screen's choice stays the
    // program's. The time history gives way to the points display, its option staying as it is.
    OnDisplayChosen(DisplayChoice[0]->isChecked() ? 0 : 1);
    // Away from the selector's text cursor, so that a pupil's space or Enter starts level 1 (or, with
    // level 1 barred, the first level that starts) and not the selector.
    for (int i = 1; i <= LevelCount; ++i)
        if (Columns[std::size_t(i)].Start->isEnabled()) {
            Columns[std::size_t(i)].Start->setFocus();
            return;
        }
    setFocus();
}

void LevelMenu::OnPeriodChosen()
{
    if (!OrderChoice[3]->isChecked())
        return;
    TheSession.ListPeriod = qint16(PeriodSelector->currentIndex() + 1);
    OnOrderChosen(3);
}

// ---- starting a level, keys and the way back

void LevelMenu::StartLevel(int level, bool withWaitPanel)
{
    // No level starts while the teacher panel is open.
    if (level < 1 || level > LevelCount || !Columns[std::size_t(level)].Start->isEnabled() || Teacher->isVisible())
        return;
    if (withWaitPanel) {
        WaitPanel->raise();
        WaitPanel->show();
    }
    PumpEvents();
    MenuReady = false;
    emit LevelChosen(level);
}

void LevelMenu::GoBack()
{
    WaitPanel->raise();
    WaitPanel->show();
    PumpEvents();
    emit BackChosen();
}

bool LevelMenu::HandleFormKey(QKeyEvent* event)
{
    const QString key = event->text();
    if (key.size() != 1)
        return false;
    if (!MenuReady)
        return true;
    const QChar c = key.at(0);
    int level = 0;
    if (c >= u'1' && c <= u'9')
        level = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'd')
        level = 10 + (c.unicode() - u'a');
    if (level >= 1) {
        if (level <= LevelCount)
            StartLevel(level, true);
        return true;
    }
    if (c == u'0') {
        if (BackButton->isEnabled())
            GoBack();
        return true;
    }
    return false;
}

bool LevelMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && HandleFormKey(static_cast<QKeyEvent*>(event)))
        return true;
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 1; i <= LevelCount; ++i)
            if (watched == Columns[std::size_t(i)].Name) {
                StartLevel(i, false);
                return true;
            }
    }
    return ScaledForm::eventFilter(watched, event);
}

void LevelMenu::keyPressEvent(QKeyEvent* event)
{
    if (!HandleFormKey(event))
        ScaledForm::keyPressEvent(event);
}
