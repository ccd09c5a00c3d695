#include "menu/ui/seisekitime1.h"
#include "base/Clock.h"
#include "base/FatalError.h"
#include "menu/LevelUnlock.h"
#include "menu/MenuTexts.h"
#include "menu/ui/GraphPanel.h"
#include "records/ResultExport.h"
#include "roster/RosterFile.h"
#include "state/AppState.h"
#include "state/StateViews.h"
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QCoreApplication>
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


QString Indexed(const char* control, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(control)).arg(index);
}
} // namespace

seisekitime1::seisekitime1(QWidget* parent) : ScaledForm(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    Form_Load();
}

void seisekitime1::BuildControls()
{
    const AppState& s = App();
    setObjectName(QStringLiteral("seisekitime1"));
    setWindowTitle(s.ProgramTitle);
    LevelCount = std::clamp<int>(s.Catalogue.LevelCount, 0, Limits::LastLevel);

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
        option->setObjectName(Indexed("Option2", i));
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
        option->setObjectName(Indexed("Option1", i));
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
    connect(BackButton, &QPushButton::clicked, this, &seisekitime1::GoBack);

    GraphButton = NewButton(this, QStringLiteral("Command17"), QStringLiteral("グラフ"));
    Place(GraphButton, 9600, 1260, 1200, 405, 10);
    GraphButton->hide();
    connect(GraphButton, &QPushButton::clicked, this, &seisekitime1::Command17_Click);

    PrintButton = NewButton(this, QStringLiteral("Command27"), QStringLiteral("印刷"));
    Place(PrintButton, 10920, 1260, 1200, 405, 10);
    PrintButton->hide();
    FirstViewButton = NewButton(this, QStringLiteral("Command26"), QStringLiteral("表示１"));
    Place(FirstViewButton, 10920, 840, 1200, 345, 9);
    FirstViewButton->hide();

    TeacherButton = NewButton(this, QStringLiteral("Command8"), QStringLiteral("データ処理"));
    Place(TeacherButton, 8370, 180, 1365, 585, 10);
    TeacherButton->hide();
    connect(TeacherButton, &QPushButton::clicked, this, &seisekitime1::Command8_Click);

    const QFont fixed = FixedFont();
    for (int i = 1; i <= LevelCount; ++i) {
        Column& c = Columns[std::size_t(i)];
        c.Number = NewLabel(this, Indexed("Label1", i), QString::number(i), Qt::AlignCenter);
        c.Number->setFrameShape(QFrame::Box);
        c.Name = NewLabel(this, Indexed("Label3", i), QString(), Qt::AlignCenter);
        c.Name->setFrameShape(QFrame::Box);
        c.Start = NewButton(this, Indexed("Command4", i), MenuTexts::StartCaption(i));
        c.Start->setToolTip(QStringLiteral("クリックしてスタートします。番号を押してもよろしい"));
        connect(c.Start, &QPushButton::clicked, this, [this, i] { StartLevel(i, true); });
        c.Mark = new QLineEdit(this);
        c.Mark->setObjectName(Indexed("Text1", i));
        c.Mark->setReadOnly(true);
        c.Mark->setAlignment(Qt::AlignCenter);
        c.Mark->setFocusPolicy(Qt::NoFocus);
        c.Mark->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0); background: rgb(255, 255, 230);"));
        c.Mark->hide();
        c.TodayHeader = NewLabel(this, Indexed("Label9", i), QString::number(i), Qt::AlignCenter);
        c.AllTimeHeader = NewLabel(this, Indexed("Label10", i), QString::number(i), Qt::AlignCenter);
        c.TodayTotals = NewLabel(this, Indexed("Label14", i), QString(), Qt::AlignCenter);
        c.AllTimeTotals = NewLabel(this, Indexed("Label15", i), QString(), Qt::AlignCenter);
        c.JudgeWindow = NewLabel(this, Indexed("Label8", i), QString(), Qt::AlignCenter);
        c.Rows = new QStringListModel(this);
        c.List = new QListView(this);
        c.List->setObjectName(Indexed("List5", i));
        c.List->setModel(c.Rows);
        c.List->setFont(fixed);
        c.List->setUniformItemSizes(true);
        c.List->setEditTriggers(QAbstractItemView::NoEditTriggers);
        c.List->setFocusPolicy(Qt::NoFocus);
        c.Targets = NewLabel(this, Indexed("Label7", i), QString(), Qt::AlignCenter);
        c.Ranking = NewButton(this, Indexed("Command3", i), QStringLiteral("成績表示"));
        c.Ranking->hide();
    }

    ListWaitPanel = NewWaitPanel({"Picture6", "Label6", "ProgressBar2", QRect(4800, 4800, 5760, 1440),
                                  QRect(0, 0, 5760, 960), 16, QRect(240, 1020, 5280, 300)}, &ListProgress);
    Graph = new GraphPanel(this, [this] {
        TimeGraph::Inputs in;
        in.Lists = ListInputs();
        in.Period = ResultLists::PointsPeriod(PointsPeriod == 0 ? ResultLists::AllTimeLead : PointsPeriod);
        in.ProgramTitle = App().ProgramTitle;
        return in;
    });
    connect(Graph, &GraphPanel::BandsDrawn, this, [this] { OrderPanel->setEnabled(true); });
    connect(Graph, &GraphPanel::FatalErrorRaised, this, &seisekitime1::FatalErrorRaised);

    TeacherPanel = new QWidget(this);
    TeacherPanel->setObjectName(QStringLiteral("Picture7"));
    TeacherPanel->setAutoFillBackground(true);
    Place(TeacherPanel, 5400, 3690, 6045, 3945);
    const QString teacherCaptions[2] = {QStringLiteral("データ変更"), QStringLiteral("合格タイムデータ変更")};
    for (int i = 0; i < 2; ++i) {
        QPushButton* open = NewButton(TeacherPanel, Indexed("Command10", i), teacherCaptions[i]);
        Place(open, 240, 240 + i * 900, 5565, 720, 12);
        connect(open, &QPushButton::clicked, this, [this, i] { Command10_Click(i); });
    }
    QPushButton* csv = NewButton(TeacherPanel, QStringLiteral("CsvButton"), QStringLiteral("CSV"));
    csv->setToolTip(QStringLiteral("成績を表計算ソフトで開けるCSVファイルに保存します"));
    Place(csv, 240, 2040, 5565, 720, 12);
    connect(csv, &QPushButton::clicked, this, &seisekitime1::SaveResultsForSpreadsheet);
    QPushButton* closePanel = NewButton(TeacherPanel, QStringLiteral("Command12"), QStringLiteral("戻る"));
    Place(closePanel, 240, 2940, 5565, 720, 12);
    connect(closePanel, &QPushButton::clicked, this, &seisekitime1::Command12_Click);
    TeacherPanel->hide();

    WaitPanel = NewWaitPanel({"Picture2", "Label2", "ProgressBar1", QRect(0, 0, DesignWidth, DesignHeight),
                              QRect(1680, 4860, 12000, 1200), 24, QRect(3840, 6240, 7680, 300)}, &WaitProgress);

    // The form sees keys before its controls.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void seisekitime1::Form_Load()
{
    AppState& s = App();
    SetBackColour(this, s.SeasonColour);
    SetBackColour(WaitPanel, s.SeasonColour);
    SetBackColour(ListWaitPanel, s.SeasonColour);
    s.ListPeriod = 3;

    GradeSelector->addItems(RosterFile::SelectorTexts());
    GradeSelector->setEditText(s.GradeFilterText);
    PeriodSelector->addItems({QStringLiteral("　　　今週の全成績"), QStringLiteral("　　先週からの全成績"),
                              QStringLiteral("　　１ヶ月間の全成績"), QStringLiteral("　　１年間の全成績"),
                              QStringLiteral("　　今までの全成績\"")});
    PeriodSelector->setEditText(QStringLiteral("　　１ヶ月間の全成績"));

    for (int i = 1; i <= LevelCount; ++i) {
        Column& c = Columns[std::size_t(i)];
        const QString name = s.Catalogue.LevelName[std::size_t(i)];
        c.Name->setText(name);
        c.Name->setToolTip(name);
        if (s.Catalogue.LevelInUse[std::size_t(i)]) {
            const PassCriteria& level = s.Criteria[std::size_t(i)];
            c.JudgeWindow->setText(MenuTexts::JudgeWindow(level, s.Results.JudgeCount(i, s.CurrentPupil),
                                                          s.Results.JudgePoints(i, s.CurrentPupil)));
            c.Targets->setText(MenuTexts::Targets(level));
        }
    }
    PlaceColumns();
}

void seisekitime1::PlaceColumns()
{
    if (LevelCount < 1)
        return;
    const int w = ColumnsWidth / LevelCount;
    const int gap = 90;
    const int top = ViewHeaderTop + int(std::lround(1.05 * ViewHeaderHeight));
    for (int i = 1; i <= LevelCount; ++i) {
        Column& c = Columns[std::size_t(i)];
        const int left = MarginLeft + (i - 1) * w;
        const int inner = w - gap;
        Place(c.Number, left, top, inner / 5, 600, 16);
        Place(c.Name, left + inner / 5, top, inner - inner / 5, 600, 16);
        Place(c.Start, left, top + 660, inner, 660, 16);
        Place(c.Mark, left, top + 660, inner, 660, 16);
        Place(c.TodayHeader, left, top + 1380, inner / 2, 330, 10);
        Place(c.AllTimeHeader, left + inner / 2, top + 1380, inner - inner / 2, 330, 10);
        Place(c.TodayTotals, left, top + 1710, inner / 2, 390, 11);
        Place(c.AllTimeTotals, left + inner / 2, top + 1710, inner - inner / 2, 390, 11);
        Place(c.JudgeWindow, left, top + 2130, inner, 390, 11);
        Place(c.List, left, top + 2580, inner, DesignHeight - top - 2580 - 510, 11);
        Place(c.Targets, left, DesignHeight - 480, inner, 390, 10);
    }
}

void seisekitime1::HideResults(Column& c)
{
    for (QWidget* w : std::initializer_list<QWidget*>{c.List, c.Targets, c.JudgeWindow, c.TodayTotals, c.AllTimeTotals,
                                                     c.TodayHeader, c.AllTimeHeader})
        w->hide();
}

QWidget* seisekitime1::NewWaitPanel(const WaitPanelPlace& place, QProgressBar** progress)
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

bool seisekitime1::IsPracticeLevel(int level) const
{
    return App().Catalogue.IsPractice(level);
}

void seisekitime1::PumpEvents()
{
    QCoreApplication::processEvents();
}

void seisekitime1::showEvent(QShowEvent* event)
{
    ScaledForm::showEvent(event);
    if (!Loaded) {
        Loaded = true;
        // After the event that shows the menu: the activation pumps events of its own.
        QMetaObject::invokeMethod(this, &seisekitime1::Form_Activate, Qt::QueuedConnection);
    }
}

void seisekitime1::changeEvent(QEvent* event)
{
    ScaledForm::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !Loaded)
        return;
    if (!isActiveWindow()) {
        WasInactive = true;
    } else if (WasInactive && !Running) {
        WasInactive = false;
        QMetaObject::invokeMethod(this, &seisekitime1::Form_Activate, Qt::QueuedConnection);
    }
}

void seisekitime1::Form_Activate()
{
    if (Running || !isVisible())
        return;
    Running = true;
    struct Done {
        seisekitime1* Menu;
        ~Done() { Menu->Running = false; }
    } done{this};
    AppState& s = App();
    const int p = s.CurrentPupil;

    PrintButton->setVisible(s.MenuPrintAllowed == 1 && s.CurrentPupilName.contains(QStringLiteral("先生")));
    Graph->SetPrintAllowed(s.CurrentPupilName.contains(QStringLiteral("先生")));
    TeacherButton->setVisible(RosterFile::TrimBlanks(s.CurrentPupilName) == QStringLiteral("先生"));
    MinutesLabel->setText(MenuTexts::MinutesSinceSignIn(s.TheClock->SecondsSinceMidnight(), s.LoginTime));

    MenuReady = false;
    WaitPanel->raise();
    WaitPanel->show();
    PumpEvents();

    OrderChoice[1]->setText(QStringLiteral("累計順"));
    OrderChoice[2]->setText(QStringLiteral("本日順"));

    try {
        StateViews::ComputeResultTables(s);
    } catch (const FatalError& e) {
        emit FatalErrorRaised(e.Message);
        return;
    }
    s.TodayTotal = s.Results.TodayTotal(p);
    TodayTotalLabel->setText(MenuTexts::TodayTotal(s.TodayTotal));
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
            s.Criteria[std::size_t(i)].TargetTime = 600;
            s.Criteria[std::size_t(i)].LowestTime = 600;
        } else {
            Columns[std::size_t(i)].List->show();
        }
    }
    ListWaitPanel->hide();

    PupilLabel->setText(MenuTexts::PupilHeading(s.CurrentGradeLabel, s.CurrentPupilName));
    SchoolLabel->setText(MenuTexts::SchoolHeading(s.SchoolName, p));
    TitleLabel->setText(s.ProgramTitle);
    SetPointSize(TitleLabel, s.ProgramTitle.size() > 9 ? 20 : 24);
    PlaceColumns();

    PumpEvents();
    for (int i = 1; i <= LevelCount; ++i) {
        Column& c = Columns[std::size_t(i)];
        SetBackColour(c.Targets, LightGrey);
        SetBackColour(c.JudgeWindow, LightGrey);
        if (IsPracticeLevel(i))
            HideResults(c);
        c.AllTimeTotals->setText(MenuTexts::AllTimeTotals(s.Results.AttemptCount(i, p), s.Results.TotalPoints(i, p)));
        c.TodayTotals->setText(MenuTexts::TodayTotals(s.Results.TodayCount(i, p), s.Results.TodayPoints(i, p)));
    }
    Command9_Click();

    WaitPanel->hide();
    WaitProgress->hide();
    FirstViewButton->hide();
    MenuReady = true;
}

// ---- result views

void seisekitime1::回数など表示()
{
    for (int i = 1; i <= LevelCount; ++i) {
        Column& c = Columns[std::size_t(i)];
        c.TodayHeader->setText(QStringLiteral("今日"));
        c.AllTimeHeader->setText(QStringLiteral("今まで"));
        c.Rows->setStringList({});
    }
}

void seisekitime1::成績リスト色表示()
{
    for (int i = 1; i <= LevelCount; ++i)
        成績リスト色表示単独(i);
}

void seisekitime1::成績リスト色表示単独(int level)
{
    if (level < 1 || level > LevelCount)
        return;
    Column& c = Columns[std::size_t(level)];
    if (c.Rows->rowCount() > 0)
        c.List->clearSelection();
}

ResultLists::Inputs seisekitime1::ListInputs() const
{
    const AppState& s = App();
    ResultLists::Inputs in;
    in.Roster = &s.Roster;
    in.Scores = &s.Scores;
    in.Results = &s.Results;
    in.Criteria = &s.Criteria;
    in.Catalogue = &s.Catalogue;
    in.LevelCount = LevelCount;
    in.CurrentPupil = s.CurrentPupil;
    in.GradeFilterText = GradeSelector->currentText();
    in.Now = s.TheClock->Now();
    return in;
}

bool seisekitime1::ReadRecords(int count, std::vector<ScoreRecord>* records)
{
    try {
        *records = StateViews::LastRecords(App(), count);
        return true;
    } catch (const FatalError& e) {
        emit FatalErrorRaised(e.Message);
        return false;
    }
}

void seisekitime1::SetRows(int level, const QStringList& rows)
{
    if (level >= 1 && level <= LevelCount)
        Columns[std::size_t(level)].Rows->setStringList(rows);
}

void seisekitime1::SetRows(const ResultLists::LevelRows& rows)
{
    for (int i = 1; i <= LevelCount; ++i)
        SetRows(i, rows[std::size_t(i)]);
}

void seisekitime1::Command5_Click()
{
    AppState& s = App();
    ViewHeader->setText(QStringLiteral("本日の成績"));
    s.ResultView = 2;
    回数など表示();
    std::vector<ScoreRecord> records;
    if (!ReadRecords(ResultLists::TodayWindow, &records))
        return;
    SetRows(ResultLists::TodayRows(records, ListInputs()));
    成績リスト色表示();
    OrderPanel->setEnabled(true);
}

void seisekitime1::Command7_Click()
{
    AppState& s = App();
    s.ResultView = 3;
    回数など表示();
    const int days = ResultLists::PeriodDays(s.ListPeriod, s.TheClock->Today(), s.ListPeriodDays);
    if (s.ListPeriod >= 1 && s.ListPeriod <= 5)
        ViewHeader->clear();
    s.ListPeriodDays = days;
    std::vector<ScoreRecord> records;
    if (!ReadRecords(ResultLists::PeriodWindow, &records))
        return;
    SetRows(ResultLists::PeriodRows(records, ResultLists::DisplayMode(DisplayMode), days, ListInputs()));
    成績リスト色表示();
    OrderPanel->setEnabled(true);
    PeriodSelector->show();
}

void seisekitime1::Command3_Click(int level)
{
    if (level < 1 || level > LevelCount)
        return;
    Column& c = Columns[std::size_t(level)];
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
    成績リスト色表示単独(level);
}

void seisekitime1::Command6_Click()
{
    AppState& s = App();
    ViewHeader->setText(QStringLiteral("ベスト成績"));
    s.ResultView = 1;
    回数など表示();
    ListProgress->setValue(0);
    ListProgress->setMaximum(std::max(1, LevelCount));
    for (int i = 1; i <= LevelCount; ++i) {
        ListProgress->setValue(i);
        Column& c = Columns[std::size_t(i)];
        if (c.Name->text().contains(u'練')) {
            HideResults(c);
        } else {
            Command3_Click(i);
        }
        c.List->clearSelection();
    }
    OrderPanel->setEnabled(true);
}

void seisekitime1::Command16_Click()
{
    AppState& s = App();
    Graph->Prepare(LevelCount);
    s.GraphLevel = 1;
    s.GraphPupil = s.CurrentPupil;
    s.ResultView = 3;
    回数など表示();
    s.ListPeriodDays = 3650;
    ViewHeader->setText(QStringLiteral("個人別ﾀｲﾑ"));
    std::vector<ScoreRecord> records;
    if (!ReadRecords(ResultLists::PeriodWindow, &records))
        return;
    SetRows(ResultLists::HistoryRows(records, ListInputs()));
    ListWaitPanel->hide();
    Command9_Click();
    ShowLists();
    BackButton->setEnabled(true);
}

void seisekitime1::Command9_Click()
{
    AppState& s = App();
    const LevelUnlock::Decision d = LevelUnlock::Decide(s.Catalogue, LevelCount, s.AllLevelsOpen == 1, s.Criteria,
                                                        s.Results, s.CurrentPupil);
    s.FinalLevelCleared = d.FinalLevelCleared ? 1 : 0;
    for (int i = 1; i <= LevelCount; ++i) {
        Column& c = Columns[std::size_t(i)];
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

void seisekitime1::Command17_Click()
{
    Graph->Command17_Click();
}

// ---- options and selectors

void seisekitime1::BeginBuilding()
{
    BackButton->setEnabled(false);
    for (int i = 1; i <= LevelCount; ++i) {
        Columns[std::size_t(i)].Start->setEnabled(false);
        Columns[std::size_t(i)].List->hide();
    }
    ListWaitPanel->raise();
    ListWaitPanel->show();
}

void seisekitime1::ShowLists()
{
    for (int i = 1; i <= LevelCount; ++i)
        if (!Columns[std::size_t(i)].Name->text().contains(u'練'))
            Columns[std::size_t(i)].List->show();
}

void seisekitime1::OnDisplayChosen(int index)
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
        Command16_Click();
        break;
    default:
        break;
    }
}

void seisekitime1::OnOrderChosen(int index)
{
    AppState& s = App();
    BeginBuilding();
    PeriodSelector->hide();
    OrderPanel->setEnabled(false);
    PumpEvents();
    if (DisplayMode == 0)
        DisplayMode = ResultLists::TimeDisplay;
    if (DisplayMode == ResultLists::TimeDisplay) {
        if (index == 1) {
            s.ResultView = 1;
            Command6_Click();
        } else if (index == 2) {
            s.ResultView = 2;
            Command5_Click();
        } else if (index == 3) {
            s.ResultView = 2;
            Command7_Click();
        }
    } else if (DisplayMode == ResultLists::PointsDisplay) {
        s.ResultView = 1;
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
                Command3_Click(i);
            }
        } else if (index == 2) {
            ViewHeader->setText(QStringLiteral("獲得ポイント（今日の順位）"));
            PointsPeriod = ResultLists::TodayLead;
            ListProgress->setValue(0);
            ListProgress->setMaximum(std::max(1, LevelCount));
            for (int i = 1; i <= LevelCount; ++i) {
                ListProgress->setValue(i);
                Command3_Click(i);
            }
        } else if (index == 3) {
            s.ResultView = 2;
            Command7_Click();
        }
        OrderPanel->setEnabled(true);
    }
    BackButton->setEnabled(true);
    Command9_Click();
    ShowLists();
    ListWaitPanel->hide();
}

void seisekitime1::OnGradeChosen()
{
    App().GradeFilterText = GradeSelector->currentText();
    if (DisplayChoice[0]->isChecked()) {
        OnDisplayChosen(0);
    } else {
        DisplayChoice[1]->setChecked(true);
        OnDisplayChosen(1);
    }
}

void seisekitime1::OnPeriodChosen()
{
    if (!OrderChoice[3]->isChecked())
        return;
    App().ListPeriod = qint16(PeriodSelector->currentIndex() + 1);
    OnOrderChosen(3);
}

// ---- starting a level, keys and the way back

void seisekitime1::StartLevel(int level, bool withWaitPanel)
{
    // No level starts while the teacher panel is open.
    if (level < 1 || level > LevelCount || !Columns[std::size_t(level)].Start->isEnabled() || TeacherPanel->isVisible())
        return;
    if (withWaitPanel) {
        WaitPanel->raise();
        WaitPanel->show();
    }
    PumpEvents();
    MenuReady = false;
    emit LevelChosen(level);
}

void seisekitime1::GoBack()
{
    WaitPanel->raise();
    WaitPanel->show();
    PumpEvents();
    emit BackChosen();
}

void seisekitime1::Command8_Click()
{
    TeacherPanel->raise();
    TeacherPanel->show();
}

void seisekitime1::Command10_Click(int index)
{
    if (index == 0)
        emit RecordBrowserChosen();
    else
        emit CriteriaEditorChosen();
}

void seisekitime1::Command12_Click()
{
    TeacherPanel->hide();
}

void seisekitime1::SaveResultsForSpreadsheet()
{
    AppState& s = App();
    const QString suggested = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                                  .filePath(QStringLiteral("成績_%1.csv").arg(s.TheClock->Today().toString(QStringLiteral("yyyyMMdd"))));
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("成績をCSVファイルに保存"), suggested,
                                                      QStringLiteral("CSVファイル (*.csv)"));
    if (file.isEmpty())
        return;
    try {
        StateViews::ComputeResultTables(s);
    } catch (const FatalError& e) {
        QMessageBox::warning(this, s.ProgramTitle, e.Message);
        return;
    }
    const QString error = ResultExport::Save(
        file, ResultExport::Build(s.Scores, s.Results, s.Criteria, s.Roster.PupilName, s.Roster.PupilGradeLabel));
    if (!error.isEmpty()) {
        QMessageBox::warning(this, s.ProgramTitle, error);
        return;
    }
    QMessageBox::information(this, s.ProgramTitle, QStringLiteral("成績を保存しました。\n") + QDir::toNativeSeparators(file));
}

bool seisekitime1::HandleFormKey(QKeyEvent* event)
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

bool seisekitime1::eventFilter(QObject* watched, QEvent* event)
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

void seisekitime1::keyPressEvent(QKeyEvent* event)
{
    if (!HandleFormKey(event))
        ScaledForm::keyPressEvent(event);
}
