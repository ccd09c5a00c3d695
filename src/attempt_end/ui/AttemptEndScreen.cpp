#include "attempt_end/ui/AttemptEndScreen.h"
#include "attempt_end/AttemptOutcome.h"
#include "attempt_end/ui/AttemptEndBackground.h"
#include "attempt_end/ui/FinalLevelPicture.h"
#include "base/FatalError.h"
#include "sound/SoundCues.h"
#include "state/School.h"
#include "state/Session.h"
#include "state/Environment.h"
#include "state/StateViews.h"
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {
constexpr int PauseMs = 500;

void SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, colour);
    widget->setPalette(pal);
}

void Bold(QWidget* widget)
{
    QFont f = widget->font();
    f.setBold(true);
    widget->setFont(f);
}
} // namespace

AttemptEndScreen::AttemptEndScreen(School& school, Session& session, Environment& env, QWidget* parent)
    : ScaledForm(parent), TheSchool(school), TheSession(session), Env(env)
{
    Windowed = env.Windowed;
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
}

QLabel* AttemptEndScreen::AddLine(const char* name, int left, int top, int width, int height, double pointSize,
                             Qt::Alignment alignment)
{
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(alignment);
    SetTextColour(label, QColor(40, 60, 90));
    Place(label, left, top, width, height, pointSize);
    return label;
}

void AttemptEndScreen::BuildControls()
{
    setObjectName(QStringLiteral("FrmSyuuryou"));
    setWindowTitle(QStringLiteral("終了"));
    // Outside the 4:3 design area (wide screens) the sky colour goes on.
    SetBackColour(this, QColor(216, 236, 248));

    Background = new AttemptEndBackground(this);
    Background->setObjectName(QStringLiteral("Background"));
    Place(Background, 0, 0, DesignWidth, DesignHeight);

    TitleLine = AddLine("TitleLine", 600, 300, 9000, 1200, 36);
    Bold(TitleLine);
    TodayTotalLine = AddLine("TodayTotalLine", 9720, 300, 5280, 750, 18, Qt::AlignRight | Qt::AlignVCenter);
    TodayLevelLine = AddLine("TodayLevelLine", 9720, 1050, 5280, 750, 18, Qt::AlignRight | Qt::AlignVCenter);

    // Where the attempt went when it is not in the score file (the share away).
    RecordingNote = AddLine("RecordingNote", 900, 1500, 13560, 750, 11, Qt::AlignLeft | Qt::AlignVCenter);
    RecordingNote->setWordWrap(true);
    SetTextColour(RecordingNote, QColor(200, 40, 40));
    RecordingNote->hide();

    LevelLine = AddLine("LevelLine", 900, 2250, 13560, 1050, 28);
    PupilLine = AddLine("PupilLine", 900, 3300, 13560, 1050, 28);
    TimeLine = AddLine("TimeLine", 900, 4500, 13560, 1200, 36);
    Bold(TimeLine);
    PointsLine = AddLine("PointsLine", 900, 5850, 13560, 1050, 28);

    MessageLine = AddLine("MessageLine", 900, 7050, 13560, 1200, 36, Qt::AlignCenter);
    Bold(MessageLine);
    SetTextColour(MessageLine, QColor(210, 60, 40));
    MessageLine->hide();

    PassLine = AddLine("PassLine", 900, 8400, 13560, 1050, 32, Qt::AlignCenter);
    Bold(PassLine);
    SetTextColour(PassLine, QColor(30, 130, 60));
    PassLine->setText(AttemptOutcome::PassText);
    PassLine->hide();

    MenuButton = new QPushButton(QStringLiteral("メニューへ"), this);
    MenuButton->setObjectName(QStringLiteral("MenuButton"));
    Place(MenuButton, 2880, 9900, 4320, 1260, 24);
    MenuButton->hide();
    connect(MenuButton, &QPushButton::clicked, this, [this] { OnMenuChosen(); });

    RetryButton = new QPushButton(QStringLiteral("もう一度"), this);
    RetryButton->setObjectName(QStringLiteral("RetryButton"));
    Place(RetryButton, 8160, 9900, 4320, 1260, 24);
    RetryButton->hide();
    connect(RetryButton, &QPushButton::clicked, this, [this] { OnRetryChosen(); });

    // Over the result lines while it is shown.
    FinalPicture = new FinalLevelPicture(AttemptOutcome::FinalLevelText, this);
    FinalPicture->setObjectName(QStringLiteral("FinalLevelPicture"));
    Place(FinalPicture, 1920, 3000, 11520, 4800, 32);
    Bold(FinalPicture);
    FinalPicture->hide();

    HalfSecondTimer = new QTimer(this);
    HalfSecondTimer->setObjectName(QStringLiteral("Timer1"));
    HalfSecondTimer->setSingleShot(true);
    connect(HalfSecondTimer, &QTimer::timeout, this, [this] { OfferWaysOn(); });
}

void AttemptEndScreen::showEvent(QShowEvent* event)
{
    ScaledForm::showEvent(event);
    if (!Shown) {
        Shown = true;
        QTimer::singleShot(0, this, [this] { ShowOutcome(); });
    }
}

void AttemptEndScreen::changeEvent(QEvent* event)
{
    ScaledForm::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !HasRun)
        return;
    if (!isActiveWindow()) {
        LeftActive = true;
    } else if (LeftActive && !Running) {
        LeftActive = false;
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                ShowOutcome();
        });
    }
}

void AttemptEndScreen::keyPressEvent(QKeyEvent* event)
{
    // Enter presses the button that has the focus, as space does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* button = qobject_cast<QPushButton*>(focusWidget());
        if (button && (button == MenuButton || button == RetryButton)) {
            if (button->isVisible() && button->isEnabled() && !event->isAutoRepeat())
                button->click();
            return;
        }
    }
    ScaledForm::keyPressEvent(event);
}

void AttemptEndScreen::ShowOutcome()
{
    if (Running)
        return;
    Running = true;
    HasRun = true;
    QPointer<AttemptEndScreen> self(this);
    // Pending events may close the screen (a fatal error elsewhere); then the rest is left undone.
    auto processEvents = [&self] {
        QCoreApplication::processEvents();
        return self && self->isVisible();
    };
    auto finish = [&self] {
        if (self) {
            self->Running = false;
            emit self->Activated();
        }
    };

    try {
        StateViews::ComputeResultTables(TheSchool, TheSession, Env);
    } catch (const FatalError& e) {
        emit FatalErrorRaised(e.Message);
        finish();
        return;
    }
    const AttemptOutcome outcome = AttemptOutcome::Evaluate(StateViews::OutcomeFacts(TheSchool, TheSession));
    RecordingNote->setText(TheSession.RecordingNote);
    RecordingNote->setVisible(!TheSession.RecordingNote.isEmpty());

    if (outcome.Passed) {
        PassLine->setText(AttemptOutcome::PassText);
        PassLine->show();
        if (outcome.ShowFinalPicture) {
            FinalPicture->show();
            FinalPicture->raise();
        }
    }
    if (!processEvents())
        return finish();
    HalfSecondTimer->start(PauseMs);

    PointsLine->setText(outcome.PointsText);
    TimeLine->setText(outcome.TimeText);
    PupilLine->setText(outcome.PupilText);
    TitleLine->setText(outcome.TitleText);
    LevelLine->setText(outcome.LevelText);
    TodayLevelLine->setText(outcome.TodayLevelText);
    TheSession.TodayTotal = outcome.TodayTotal;
    TodayTotalLine->setText(outcome.TodayTotalText);

    if (!processEvents())
        return finish();
    const QString message = AttemptOutcome::MessageText(outcome.Record);
    MessageLine->setText(message);
    MessageLine->setVisible(!message.isEmpty());
    const auto play = [this](AttemptOutcome::Cue cue) {
        if (Env.Cues)
            AttemptOutcome::Play(cue, *Env.Cues);
    };
    if (outcome.Record == AttemptOutcome::Message::None) {
        play(outcome.RecordCue);
    } else if (outcome.RecordCue != AttemptOutcome::Cue::None) {
        if (!processEvents())
            return finish();
        play(outcome.RecordCue);
        if (!processEvents())
            return finish();
    }

    if (outcome.FinalLevel && outcome.Passed) {
        if (outcome.PlayPassCue && Env.Cues)
            Env.Cues->Pass();
    } else {
        FinalPicture->hide();
    }

    TheSession.NewPersonalBest = false;
    TheSession.NewSchoolBest = false;
    if (!processEvents())
        return finish();
    finish();
}

void AttemptEndScreen::OfferWaysOn()
{
    FinalPicture->hide();
    MenuButton->show();
    MenuButton->setFocus();
    HalfSecondTimer->stop();
    switch (AttemptOutcome::DecideAfterPause(StateViews::OutcomeFacts(TheSchool, TheSession))) {
    case AttemptOutcome::AfterPause::OfferRetry:
        RetryButton->show();
        break;
    case AttemptOutcome::AfterPause::OfferRetryWithoutPassLine:
        PassLine->clear();
        PassLine->hide();
        RetryButton->show();
        break;
    case AttemptOutcome::AfterPause::SuggestNextLevel:
        PassLine->setText(AttemptOutcome::NextLevelText);
        PassLine->show();
        RetryButton->hide();
        break;
    }
}

void AttemptEndScreen::OnMenuChosen()
{
    MenuButton->setEnabled(false);
    emit MenuChosen();
}

void AttemptEndScreen::OnRetryChosen()
{
    MenuButton->setEnabled(false);
    emit RetryChosen();
}
