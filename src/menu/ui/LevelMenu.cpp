#include "menu/ui/LevelMenu.h"
#include "menu/ui/GraphPanel.h"
#include "menu/ui/LevelColumn.h"
#include "menu/ui/TeacherPanel.h"
#include "state/Environment.h"
#include "state/School.h"
#include "state/Session.h"
#include "state/StateViews.h"
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>
#include <cmath>

namespace {
// Columns share this width in twips, a 2 % margin on the left.
constexpr int ColumnsWidth = 14592;
constexpr int MarginLeft = ScaledForm::DesignWidth * 2 / 100;
constexpr int ViewHeaderTop = 1260;
constexpr int ViewHeaderHeight = 405;
const QColor LightGrey(224, 224, 224);
const QString WaitText = QStringLiteral("Just a moment, please.");
// The display strip's options, left to right.
constexpr MenuDisplay StripOptions[3] = {MenuDisplay::Times, MenuDisplay::Points, MenuDisplay::TimeHistory};
} // namespace

LevelMenu::LevelMenu(School& school, Session& session, Environment& env, QWidget* parent)
    : ScaledForm(parent), TheSchool(school), TheSession(session), Env(env),
      ThePresenter([&school, &session, &env] { return StateViews::MenuInputs(school, session, env); })
{
    Windowed = env.Windowed;
    setAttribute(Qt::WA_DeleteOnClose);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &LevelMenu::NoteActiveWindow);
    BuildControls();
    connect(&ThePresenter, &LevelMenuPresenter::Changed, this, &LevelMenu::Render);
    connect(&ThePresenter, &LevelMenuPresenter::ShowNow, this, [this] {
        Render();
        PumpEvents();
    });
    connect(&ThePresenter, &LevelMenuPresenter::ProgressMoved, this, &LevelMenu::RenderProgress);
    connect(&ThePresenter, &LevelMenuPresenter::LevelChosen, this, &LevelMenu::LevelChosen);
    connect(&ThePresenter, &LevelMenuPresenter::BackChosen, this, &LevelMenu::BackChosen);
    connect(&ThePresenter, &LevelMenuPresenter::FatalErrorRaised, this, &LevelMenu::FatalErrorRaised);
    Render();
    RenderProgress();
}

void LevelMenu::BuildControls()
{
    setObjectName(QStringLiteral("seisekitime1"));
    setWindowTitle(TheSchool.ProgramTitle);
    SetBackColour(this, TheSchool.SeasonColour);
    LevelCount = ThePresenter.LevelCount();

    TitleLabel = NewLabel(this, QStringLiteral("Label11"));
    Place(TitleLabel, 240, 60, 3900, 720, TitlePointSize);
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
        connect(option, &QRadioButton::clicked, this, [this, i] { ThePresenter.ChooseDisplay(StripOptions[i]); });
        DisplayChoice[std::size_t(i)] = option;
    }

    OrderPanel = new QWidget(this);
    OrderPanel->setObjectName(QStringLiteral("Picture1"));
    Place(OrderPanel, 12420, 90, 1320, 735);
    for (std::size_t k = 0; k < OrderChoice.size(); ++k) {
        auto* option = new QRadioButton(OrderPanel);
        option->setObjectName(IndexedName("Option1", int(k) + 1));
        option->setFocusPolicy(Qt::NoFocus);
        Place(option, 0, int(k) * 245, 1320, 245, 8);
        connect(option, &QRadioButton::clicked, this,
                [this, k] { ThePresenter.ChooseView(ThePresenter.Shown().Orders[k].View); });
        OrderChoice[k] = option;
    }

    GradeSelector = new QComboBox(this);
    GradeSelector->setObjectName(QStringLiteral("Combo1"));
    GradeSelector->setEditable(true);
    GradeSelector->setInsertPolicy(QComboBox::NoInsert);
    GradeSelector->setToolTip(QStringLiteral("表示する学年を選びます"));
    Place(GradeSelector, 13440, 1260, 1305, 405, 9);
    GradeSelector->addItems(LevelMenuPresenter::GradeChoices());
    GradeSelector->setEditText(ThePresenter.GradeFilter());
    connect(GradeSelector, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { ThePresenter.EditGradeFilter(text); });
    connect(GradeSelector, &QComboBox::textActivated, this, [this](const QString& text) {
        ThePresenter.ChooseGrade(text);
        // Away from the selector's text cursor, so that a pupil's space or Enter starts a level
        // and not the selector.
        FocusFirstStart();
    });

    PeriodSelector = new QComboBox(this);
    PeriodSelector->setObjectName(QStringLiteral("Combo2"));
    PeriodSelector->setEditable(true);
    PeriodSelector->setInsertPolicy(QComboBox::NoInsert);
    Place(PeriodSelector, 6150, 1260, 3345, 405, 10);
    for (const LevelMenuPresenter::PeriodChoice& choice : LevelMenuPresenter::PeriodChoices())
        PeriodSelector->addItem(choice.Text);
    PeriodSelector->setEditText(LevelMenuPresenter::OpeningPeriodText());
    PeriodSelector->hide();
    connect(PeriodSelector, &QComboBox::activated, this, [this](int index) {
        const std::vector<LevelMenuPresenter::PeriodChoice> choices = LevelMenuPresenter::PeriodChoices();
        if (index >= 0 && index < int(choices.size()))
            ThePresenter.ChoosePeriod(choices[std::size_t(index)].Period);
    });

    BackButton = NewButton(this, QStringLiteral("Command1"), QStringLiteral("戻る(0)"));
    Place(BackButton, 13800, 90, 1305, 735, 12);
    connect(BackButton, &QPushButton::clicked, this, [this] { ThePresenter.GoBack(); });

    GraphButton = NewButton(this, QStringLiteral("Command17"), QStringLiteral("グラフ"));
    Place(GraphButton, 9600, 1260, 1200, 405, 10);
    GraphButton->hide();
    connect(GraphButton, &QPushButton::clicked, this, &LevelMenu::OpenGraph);

    TeacherButton = NewButton(this, QStringLiteral("Command8"), QStringLiteral("データ処理"));
    Place(TeacherButton, 8370, 180, 1365, 585, 10);
    TeacherButton->hide();
    connect(TeacherButton, &QPushButton::clicked, this, [this] { ThePresenter.OpenTeacherPanel(); });

    for (int i = 1; i <= LevelCount; ++i) {
        LevelColumn& c = Columns[std::size_t(i)];
        c = LevelColumn::Make(this, i);
        SetBackColour(c.Targets, LightGrey);
        SetBackColour(c.JudgeWindow, LightGrey);
        connect(c.Start, &QPushButton::clicked, this, [this, i] { ThePresenter.StartLevel(i); });
    }
    PlaceColumns();

    ListWaitPanel = NewWaitPanel({"Picture6", "Label6", "ProgressBar2", QRect(4800, 4800, 5760, 1440),
                                  QRect(0, 0, 5760, 960), 16, QRect(240, 1020, 5280, 300)}, &ListProgress);
    Graph = new GraphPanel(TheSchool, this, ThePresenter.Graph());

    Teacher = new TeacherPanel(TheSchool, this, ThePresenter);
    connect(Teacher, &TeacherPanel::RecordBrowserChosen, this, &LevelMenu::RecordBrowserChosen);
    connect(Teacher, &TeacherPanel::CriteriaEditorChosen, this, &LevelMenu::CriteriaEditorChosen);
    connect(Teacher, &TeacherPanel::ClassOverviewChosen, this,
            [this] { emit ClassOverviewChosen(ThePresenter.GradeFilter()); });
    connect(Teacher, &TeacherPanel::CloseChosen, this, [this] { ThePresenter.CloseTeacherPanel(); });

    WaitPanel = NewWaitPanel({"Picture2", "Label2", "ProgressBar1", QRect(0, 0, DesignWidth, DesignHeight),
                              QRect(1680, 4860, 12000, 1200), 24, QRect(3840, 6240, 7680, 300)}, &WaitProgress);
    SetBackColour(WaitPanel, TheSchool.SeasonColour);
    SetBackColour(ListWaitPanel, TheSchool.SeasonColour);

    // The form sees keys before its controls.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
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

void LevelMenu::PumpEvents()
{
    QCoreApplication::processEvents();
}

// ---- showing the presenter's state

void LevelMenu::Render()
{
    const LevelMenuPresenter::Screen& s = ThePresenter.Shown();
    TitleLabel->setText(s.Title);
    if (s.TitlePointSize != TitlePointSize) {
        TitlePointSize = s.TitlePointSize;
        SetPointSize(TitleLabel, TitlePointSize);
    }
    PupilLabel->setText(s.PupilHeading);
    SchoolLabel->setText(s.SchoolHeading);
    MinutesLabel->setText(s.MinutesSinceSignIn);
    TodayTotalLabel->setText(s.TodayTotal);
    ViewHeader->setText(s.ViewHeading);

    for (std::size_t i = 0; i < DisplayChoice.size(); ++i)
        if (s.DisplayChecked == StripOptions[i])
            DisplayChoice[i]->setChecked(true);
    for (std::size_t k = 0; k < OrderChoice.size(); ++k) {
        OrderChoice[k]->setText(s.Orders[k].Text);
        if (s.Orders[k].Checked)
            OrderChoice[k]->setChecked(true);
    }
    OrderPanel->setEnabled(s.OrderPanelEnabled);
    if (GradeSelector->currentText() != s.GradeFilter)
        GradeSelector->setEditText(s.GradeFilter);
    PeriodSelector->setVisible(s.PeriodSelectorShown);
    BackButton->setEnabled(s.BackEnabled);
    GraphButton->setVisible(s.GraphButtonShown);
    TeacherButton->setVisible(s.TeacherButtonShown);
    if (s.TeacherPanelOpen != TeacherPanelUp) {
        TeacherPanelUp = s.TeacherPanelOpen;
        if (TeacherPanelUp)
            Teacher->raise();
        Teacher->setVisible(TeacherPanelUp);
    }

    // Each decision of the starts brings the marks, and the list wait panel, to the front.
    const bool decided = s.StartsDecided != StartsDecidedShown;
    StartsDecidedShown = s.StartsDecided;
    for (int i = 1; i <= LevelCount; ++i)
        Columns[std::size_t(i)].Render(s.Columns[std::size_t(i)], decided);

    if (s.WaitPanelShown && !WaitPanelUp)
        WaitPanel->raise();
    WaitPanelUp = s.WaitPanelShown;
    WaitPanel->setVisible(WaitPanelUp);
    WaitProgress->setVisible(s.WaitProgressShown);
    if ((s.ListWaitPanelShown && !ListWaitPanelUp) || decided)
        ListWaitPanel->raise();
    ListWaitPanelUp = s.ListWaitPanelShown;
    ListWaitPanel->setVisible(ListWaitPanelUp);
}

void LevelMenu::RenderProgress()
{
    const LevelMenuPresenter::Screen& s = ThePresenter.Shown();
    WaitProgress->setMaximum(s.WaitProgress.Maximum);
    WaitProgress->setValue(s.WaitProgress.Value);
    ListProgress->setMaximum(s.ListProgress.Maximum);
    ListProgress->setValue(s.ListProgress.Value);
}

void LevelMenu::FocusFirstStart()
{
    const int level = ThePresenter.FirstStartingLevel();
    if (level >= 1 && level <= LevelCount)
        Columns[std::size_t(level)].Start->setFocus();
    else
        setFocus();
}

// ---- activation

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
    if (isActiveWindow() && AnotherScreenWasActive && !ThePresenter.IsRefreshing()) {
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
    if (isVisible())
        ThePresenter.Refresh();
}

void LevelMenu::OpenGraph()
{
    Graph->Open();
}

// ---- keys and clicks

bool LevelMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && ThePresenter.TakeKey(static_cast<QKeyEvent*>(event)->text()))
        return true;
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 1; i <= LevelCount; ++i)
            if (watched == Columns[std::size_t(i)].Name) {
                ThePresenter.StartLevelFromName(i);
                return true;
            }
    }
    return ScaledForm::eventFilter(watched, event);
}

void LevelMenu::keyPressEvent(QKeyEvent* event)
{
    if (!ThePresenter.TakeKey(event->text()))
        ScaledForm::keyPressEvent(event);
}
