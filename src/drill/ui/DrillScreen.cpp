#include "drill/ui/DrillScreen.h"
#include "base/Clock.h"
#include "drill/ui/DrillBackground.h"
#include "drill/ui/GuideLine.h"
#include "setup/StartupInfo.h"
#include "state/School.h"
#include "state/Session.h"
#include "state/Environment.h"
#include "state/StateViews.h"
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <cmath>

namespace {
// Cell rectangles in twips inside the problem area, by cell number.
struct CellPlace {
    int Left, Top, Width, Height;
};
constexpr CellPlace CellPlaces[12] = {
    {0, 0, 0, 0},
    {2160, 3960, 2040, 1440}, {2160, 2250, 2040, 1440},   // 1, 2
    {5355, 3960, 2040, 1440}, {5355, 2250, 2040, 1440},   // 3, 4
    {1080, 5400, 870, 765},   {2160, 5400, 2040, 765},    // 5, 6
    {5355, 5400, 2040, 765},                              // 7
    {8820, 3960, 2040, 1440}, {8820, 2250, 2040, 1440},   // 8, 9
    {11790, 3960, 2040, 1440}, {11790, 2250, 2040, 1440}, // 10, 11
};
// Twins: above the numerators, below the denominators and the step row.
constexpr CellPlace TwinPlaces[12] = {
    {0, 0, 0, 0},
    {2160, 5355, 2040, 765},  {2160, 810, 2040, 1440},
    {5355, 5355, 2040, 765},  {5355, 810, 2040, 1440},
    {1080, 6210, 870, 765},   {2160, 6225, 2040, 765},
    {5355, 6255, 2040, 765},
    {8820, 5355, 2040, 765},  {8820, 810, 2040, 1440},
    {11790, 5400, 2040, 765}, {11790, 810, 2040, 1440},
};
constexpr double FractionPoints = 36;
constexpr double StepPoints = 22;
constexpr int MarkerLeft = 11940;
constexpr int MarkerPitch = 330;
constexpr int MarkerSize = 270;
constexpr int MarkerRowTop = 1140;
constexpr int MarkerRowPitch = 400;
constexpr int TrackLeft = 360;
constexpr int TrackTop = 1380;
constexpr int TrackHeight = 600;

void SetColour(QWidget* w, const QColor& colour, QPalette::ColorRole role = QPalette::Window)
{
    if (w->palette().color(role) == colour && (role != QPalette::Window || w->autoFillBackground()))
        return;
    QPalette pal = w->palette();
    pal.setColor(role, colour);
    w->setPalette(pal);
    if (role == QPalette::Window)
        w->setAutoFillBackground(true);
}

void SetText(QLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
}

void SetShown(QWidget* w, bool shown)
{
    if (w->isHidden() == shown)
        w->setVisible(shown);
}

QFrame* NewBox(QWidget* parent, const QString& name, const QColor& colour)
{
    auto* box = new QFrame(parent);
    box->setObjectName(name);
    box->setFocusPolicy(Qt::NoFocus);
    SetColour(box, colour);
    return box;
}
} // namespace

DrillScreen::DrillScreen(School& school, Session& session, Environment& env, QWidget* parent)
    : ScaledForm(parent), TheSchool(school), TheSession(session), Env(env), Drill(session)
{
    Windowed = env.Windowed;
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    BuildControls();

    Drill.SetTrackWidth(TrackWidth);
    Drill.EndAttempt = [this] { emit AttemptEnded(); };
    Drill.StartClock = [this] { OneSecondTimer->start(); };
    Drill.StopClock = [this] { StopClock(); };
    Drill.ProcessEvents = [] { QCoreApplication::processEvents(); };
    Drill.Changed = [this] { Refresh(); };

    Prepare();
}

void DrillScreen::BuildControls()
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(TheSchool.ProgramTitle);

    HeaderStrip = new QWidget(this);
    HeaderStrip->setObjectName(QStringLiteral("HeaderStrip"));
    Place(HeaderStrip, 0, 0, DesignWidth, HeaderHeight);
    ProblemArea = new QWidget(this);
    ProblemArea->setObjectName(QStringLiteral("ProblemArea"));
    Place(ProblemArea, 0, HeaderHeight, DesignWidth, DesignHeight - HeaderHeight);

    // Header strip
    QWidget* h = HeaderStrip;
    TitleLabel = NewLabel(h, QStringLiteral("TitleLabel"));
    Place(TitleLabel, 120, 60, 2700, 600, 16.8);
    PupilLabel = NewLabel(h, QStringLiteral("PupilLabel"));
    Place(PupilLabel, 2940, 60, 3300, 600, 16);
    LevelLabel = NewLabel(h, QStringLiteral("LevelLabel"));
    Place(LevelLabel, 6360, 60, 2100, 600, 15);
    SchoolLabel = NewLabel(h, QStringLiteral("SchoolLabel"));
    Place(SchoolLabel, 8580, 60, 4000, 600, 12);
    MinutesLabel = NewLabel(h, QStringLiteral("MinutesLabel"));
    Place(MinutesLabel, 12700, 60, 2500, 600, 12);
    TodayLabel = NewLabel(h, QStringLiteral("TodayLabel"));
    Place(TodayLabel, 120, 720, 2400, 480, 12);
    ThisLevelLabel = NewLabel(h, QStringLiteral("ThisLevelLabel"));
    Place(ThisLevelLabel, 2640, 720, 3000, 480, 12);
    RemainingLabel = NewLabel(h, QStringLiteral("RemainingLabel"));
    Place(RemainingLabel, 5760, 720, 2200, 480, 14);
    TimeCaption = NewLabel(h, QStringLiteral("TimeCaption"), QStringLiteral("タイム"));
    Place(TimeCaption, 8100, 720, 1100, 480, 14);
    SecondsLabel = NewLabel(h, QStringLiteral("SecondsLabel"), QString(), Qt::AlignRight | Qt::AlignVCenter);
    Place(SecondsLabel, 9200, 720, 1000, 480, 16);

    TimeTrack = NewBox(h, QStringLiteral("TimeTrack"), QColor(228, 232, 236));
    TimeTrack->setFrameShape(QFrame::Box);
    SetColour(TimeTrack, QColor(160, 170, 180), QPalette::WindowText);
    Place(TimeTrack, TrackLeft, TrackTop, TrackWidth, TrackHeight);
    LowestZone = NewBox(TimeTrack, QStringLiteral("LowestZone"), QColor(255, 236, 170));
    Place(LowestZone, 0, 0, 1, TrackHeight);
    TargetZone = NewBox(TimeTrack, QStringLiteral("TargetZone"), QColor(190, 235, 190));
    Place(TargetZone, 0, 0, 1, TrackHeight);
    ElapsedBar = NewBox(TimeTrack, QStringLiteral("ElapsedBar"), QColor(70, 130, 200));
    Place(ElapsedBar, 0, 150, 1, TrackHeight - 300);
    ElapsedBar->hide();

    const QString rowNames[3] = {QStringLiteral("Best"), QStringLiteral("YourBest"), QStringLiteral("Pass")};
    const QColor rowColours[3] = {QColor(240, 190, 40), QColor(80, 150, 230), QColor(230, 40, 40)};
    for (int row = 0; row < 3; ++row) {
        QLabel* l = NewLabel(h, QStringLiteral("%1Label").arg(rowNames[row]), rowNames[row],
                             Qt::AlignRight | Qt::AlignVCenter);
        Place(l, 10400, MarkerRowTop + row * MarkerRowPitch, 1400, 360, 10);
        MarkerRowLabels[std::size_t(row)] = l;
        for (int i = 0; i < 10; ++i) {
            const int n = 10 * (row + 1) + i;
            QFrame* m = NewBox(h, QStringLiteral("Marker_%1").arg(n), rowColours[row]);
            m->setFrameShape(QFrame::Box);
            SetColour(m, rowColours[row].darker(140), QPalette::WindowText);
            Place(m, MarkerLeft + i * MarkerPitch, MarkerRowTop + row * MarkerRowPitch + 45, MarkerSize, MarkerSize);
            Markers[std::size_t(n)] = m;
        }
    }

    // Problem area
    QWidget* p = ProblemArea;
    InstructionLabel = NewLabel(p, QStringLiteral("InstructionLabel"), QStringLiteral("通分しなさい"));
    Place(InstructionLabel, 1080, 300, 5400, 900, 26);

    for (int cell = 1; cell <= DrillModel::CellCount; ++cell) {
        const CellPlace& c = CellPlaces[cell];
        const bool stepRow = c.Top == 5400;
        QLabel* label = NewLabel(p, QStringLiteral("Cell_%1").arg(cell), QString(), Qt::AlignCenter);
        label->setFrameShape(QFrame::Box);
        label->setLineWidth(2);
        SetColour(label, DrillModel::DigitColour, QPalette::WindowText);
        SetColour(label, DrillModel::InputColour);
        Place(label, c.Left, c.Top, c.Width, c.Height, stepRow ? StepPoints : FractionPoints);
        Cells[std::size_t(cell)] = label;

        const CellPlace& t = TwinPlaces[cell];
        QLabel* twin = NewLabel(p, QStringLiteral("Twin_%1").arg(cell), QString(), Qt::AlignCenter);
        SetColour(twin, QColor(200, 0, 0), QPalette::WindowText);
        Place(twin, t.Left, t.Top, t.Width, t.Height, t.Height > 800 ? 30 : 20);
        twin->hide();
        Twins[std::size_t(cell)] = twin;
    }
    const int barLefts[4] = {2160, 5355, 8820, 11790};
    for (int i = 0; i < 4; ++i) {
        QFrame* bar = NewBox(p, QStringLiteral("FractionBar_%1").arg(i + 1), QColor(40, 40, 40));
        Place(bar, barLefts[i], 3790, 2040, 75);
        FractionBars[std::size_t(i)] = bar;
    }
    EqualsSign = NewLabel(p, QStringLiteral("EqualsSign"), QStringLiteral("＝"), Qt::AlignCenter);
    Place(EqualsSign, 7605, 3375, 1000, 900, 36);

    // Guide lines between the edges of the two cells each multiplication takes.
    struct LinePlace {
        int Left, Top, Right, Bottom;
        bool Rising;
    };
    const LinePlace lines[5] = {
        {0, 0, 0, 0, false},
        {4200, 2970, 5355, 5782, true},  // 1: cell 4 (left edge) to cell 6 (right edge)
        {4200, 2970, 5355, 5782, false}, // 2: cell 2 (right edge) to cell 7 (left edge)
        {4200, 4680, 5355, 5782, false}, // 3: cell 1 (right edge) to cell 7 (left edge)
        {4200, 4680, 5355, 5782, true},  // 4: cell 3 (left edge) to cell 6 (right edge)
    };
    for (int i = 1; i <= 4; ++i) {
        auto* line = new GuideLine(lines[i].Rising, p);
        line->setObjectName(QStringLiteral("GuideLine_%1").arg(i));
        Place(line, lines[i].Left, lines[i].Top, lines[i].Right - lines[i].Left, lines[i].Bottom - lines[i].Top);
        line->hide();
        GuideLines[std::size_t(i)] = line;
    }

    HintLabel = NewLabel(p, QStringLiteral("HintLabel"), QStringLiteral("通分しなさい"));
    SetColour(HintLabel, QColor(20, 70, 150), QPalette::WindowText);
    Place(HintLabel, 1080, 7200, 13200, 800, 22);
    HintLabel->hide();

    ConfirmPrompt = NewLabel(p, QStringLiteral("ConfirmPrompt"), QStringLiteral("＋を２回押しなさい"), Qt::AlignCenter);
    SetColour(ConfirmPrompt, QColor(200, 0, 0), QPalette::WindowText);
    Place(ConfirmPrompt, 8220, 6360, 6300, 800, 24);
    ConfirmPrompt->hide();

    // Part of the form but never shown: the pupil confirms with "+" twice.
    ConfirmButton = new QPushButton(QStringLiteral("確認"), p);
    ConfirmButton->setObjectName(QStringLiteral("ConfirmButton"));
    ConfirmButton->setFocusPolicy(Qt::NoFocus);
    Place(ConfirmButton, 13200, 8280, 1500, 600, 12);
    ConfirmButton->hide();

    KeyGuideLabel = NewLabel(p, QStringLiteral("KeyGuideLabel"),
                             QStringLiteral("スペース=決定 　→次へ移動　↓消す　↑すべて消す"));
    SetColour(KeyGuideLabel, QColor(70, 70, 70), QPalette::WindowText);
    Place(KeyGuideLabel, 1080, 8280, 12000, 600, 16);

    // End overlay at the top-left corner, above the header.
    EndOverlay = NewBox(this, QStringLiteral("EndOverlay"), QColor(255, 250, 230));
    EndOverlay->setFrameShape(QFrame::Box);
    EndOverlay->setLineWidth(3);
    Place(EndOverlay, 0, 0, 7200, 2400);
    RecordingLabel = NewLabel(EndOverlay, QStringLiteral("RecordingLabel"), QStringLiteral("成績記録中"), Qt::AlignCenter);
    Place(RecordingLabel, 0, 0, 7200, 2400, 36);
    RecordingLabel->hide();
    TimeUpLabel = NewLabel(EndOverlay, QStringLiteral("TimeUpLabel"), QStringLiteral("時間切れ"), Qt::AlignCenter);
    SetColour(TimeUpLabel, QColor(200, 0, 0), QPalette::WindowText);
    Place(TimeUpLabel, 0, 0, 7200, 2400, 36);
    TimeUpLabel->hide();
    EndOverlay->hide();

    OneSecondTimer = new QTimer(this);
    OneSecondTimer->setObjectName(QStringLiteral("OneSecondTimer"));
    OneSecondTimer->setInterval(1000);
    connect(OneSecondTimer, &QTimer::timeout, this, &DrillScreen::OneSecondTick);
    TenSecondTimer = new QTimer(this);
    TenSecondTimer->setObjectName(QStringLiteral("TenSecondTimer"));
    TenSecondTimer->setInterval(10000);
    connect(TenSecondTimer, &QTimer::timeout, this, &DrillScreen::MinuteTick);
}

void DrillScreen::Prepare()
{
    // A fresh seed for every attempt's problems.
    StartupInfo::SeedRandomFromClock(*Env.Random, *Env.TheClock);
    TenSecondTimer->start();
}

void DrillScreen::BeginAttempt()
{
    if (!Drill.Activate())
        return;
    emit AttemptStarted();
    Drill.In = StateViews::DrillSetting(TheSchool, TheSession);
    Drill.TheClock = Env.TheClock;
    Drill.Random = Env.Random;
    Drill.Cues = Env.Cues;
    Drill.Begin();
}

void DrillScreen::showEvent(QShowEvent* event)
{
    ScaledForm::showEvent(event);
    if (Drill.BeginsWhenShown())
        BeginAttempt();
}

void DrillScreen::changeEvent(QEvent* event)
{
    ScaledForm::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (!isActiveWindow())
        Drill.FrontLost();
    else if (Drill.BeginsOnReturn())
        BeginAttempt();
}

void DrillScreen::closeEvent(QCloseEvent* event)
{
    OneSecondTimer->stop();
    TenSecondTimer->stop();
    ScaledForm::closeEvent(event);
}

bool DrillScreen::focusNextPrevChild(bool)
{
    return false; // Tab is a key like any other here
}

void DrillScreen::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(214, 236, 250));
    const QRectF area = ToPixels(QRect(0, 0, DesignWidth, DesignHeight))
                            .translated(HeaderStrip->geometry().topLeft());
    DrillBackground::Paint(painter, area, HeaderStrip->height());
}

void DrillScreen::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left: Drill.Move(Direction::Left); return;
    case Qt::Key_Right: Drill.Move(Direction::Right); return;
    case Qt::Key_Up: Drill.ClearAll(); return;
    case Qt::Key_Down: Drill.ClearCell(); return;
    case Qt::Key_Backspace: Drill.Erase(); return;
    case Qt::Key_Space: Drill.Accept(); return;
    default: Drill.TypeText(event->text()); return;
    }
}

void DrillScreen::StopClock()
{
    OneSecondTimer->stop();
}

void DrillScreen::ShowEndOverlay(bool timedOut)
{
    RecordingLabel->setVisible(!timedOut);
    TimeUpLabel->setVisible(timedOut);
    EndOverlay->show();
    EndOverlay->raise();
}

void DrillScreen::OneSecondTick()
{
    Drill.Tick();
}

void DrillScreen::MinuteTick()
{
    Drill.MinuteTick();
}

void DrillScreen::PlaceWidth(QWidget* widget, int left, int top, double width, int height)
{
    const int w = int(std::lround(width));
    SetShown(widget, w >= 1);
    if (w >= 1)
        Place(widget, left, top, w, height);
}

void DrillScreen::Refresh()
{
    const DrillModel& d = Drill;
    SetText(TitleLabel, d.Title());
    SetPointSize(TitleLabel, d.TitlePointSize());
    SetText(PupilLabel, d.PupilText());
    SetText(LevelLabel, d.LevelText());
    SetText(SchoolLabel, d.SchoolText());
    SetText(MinutesLabel, d.MinutesText());
    SetText(TodayLabel, d.TodayText());
    SetText(ThisLevelLabel, d.ThisLevelText());
    SetText(RemainingLabel, d.RemainingText());
    SetText(SecondsLabel, d.SecondsFigure());

    const std::array<double, 3> widths{d.ElapsedBarWidth(), d.TargetZoneWidth(), d.LowestZoneWidth()};
    if (widths != PlacedWidths) {
        PlacedWidths = widths;
        PlaceWidth(ElapsedBar, 0, 150, widths[0], TrackHeight - 300);
        PlaceWidth(TargetZone, 0, 0, widths[1], TrackHeight);
        PlaceWidth(LowestZone, 0, 0, widths[2], TrackHeight);
    }
    for (int n = TimeBar::FirstMarker; n <= TimeBar::LastMarker; ++n)
        SetShown(Markers[std::size_t(n)], d.MarkerShown(n));

    for (int cell = 1; cell <= DrillModel::CellCount; ++cell) {
        const auto i = std::size_t(cell);
        SetText(Cells[i], d.CellText(cell));
        SetColour(Cells[i], d.CellColour(cell));
        SetColour(Cells[i], d.CellDigitColour(cell), QPalette::WindowText);
        SetShown(Cells[i], d.CellShown(cell));
        SetText(Twins[i], d.TwinText(cell));
        SetShown(Twins[i], d.TwinShown(cell));
    }
    SetText(HintLabel, d.HintLabelText());
    SetShown(HintLabel, d.HintShown());
    for (int line = 1; line <= AnswerCells::GuideLineCount; ++line)
        SetShown(GuideLines[std::size_t(line)], d.GuideLineShown(line));
    SetShown(ConfirmPrompt, d.ConfirmPromptShown());
}
