#include "roster/ui/NameScreen.h"
#include "base/Clock.h"
#include "base/FatalError.h"
#include "roster/RosterFile.h"
#include "setup/StartupInfo.h"
#include "sound/SoundCues.h"
#include "state/School.h"
#include "state/Session.h"
#include "state/Environment.h"
#include "state/StateViews.h"
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

namespace {
constexpr double ListPointSize = 14.25;
} // namespace

NameScreen::NameScreen(School& school, Session& session, Environment& env, QWidget* parent)
    : ScaledForm(parent), TheSchool(school), TheSession(session), Env(env)
{
    Windowed = env.Windowed;
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    Prepare();
    Refresh();
    Activated = true;
}

void NameScreen::BuildControls()
{
    setObjectName(QStringLiteral("namesel"));
    setWindowTitle(TheSchool.ProgramTitle);

    TitleLabel = new QLabel(this);
    TitleLabel->setObjectName(QStringLiteral("Label4"));
    Place(TitleLabel, 90, 45, 13140, 1245);

    DevelopmentMark = new QLabel(QStringLiteral("開発中"), this);
    DevelopmentMark->setObjectName(QStringLiteral("Picture8"));
    DevelopmentMark->setAlignment(Qt::AlignCenter);
    DevelopmentMark->setStyleSheet(QStringLiteral("color: red; background: white;"));
    Place(DevelopmentMark, 9600, 300, 3400, 700, 20);

    ChosenNameLabel = new QLabel(this);
    ChosenNameLabel->setObjectName(QStringLiteral("Label1"));
    Place(ChosenNameLabel, 90, 1410, 13830, 990, 26);

    TotalsStrip = new QWidget(this);
    TotalsStrip->setObjectName(QStringLiteral("OptionStrip"));
    Place(TotalsStrip, 90, 2430, 15060, 375);
    const QString captions[4] = {QStringLiteral("回数(今日／今まで）"), QStringLiteral("ポイント（今日／今まで）"),
                                 QStringLiteral("本日（ポイント／回数）"), QStringLiteral("今まで（ポイント／回数）")};
    for (int i = 0; i < 4; ++i) {
        TotalsChoice[i] = new QRadioButton(captions[i], TotalsStrip);
        TotalsChoice[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        Place(TotalsChoice[i], i * 3390, 0, 3390, 375, 10.5);
        connect(TotalsChoice[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                OnTotalsChosen(i);
        });
    }

    GradeSelector = new QComboBox(this);
    GradeSelector->setObjectName(QStringLiteral("Combo1"));
    GradeSelector->setEditable(true);
    GradeSelector->setInsertPolicy(QComboBox::NoInsert);
    GradeSelector->setToolTip(QStringLiteral("表示する学年を選びなさい"));
    GradeSelector->setEditText(QStringLiteral("全学年"));
    Place(GradeSelector, 14070, 2460, 1005, 300, 9);
    connect(GradeSelector, &QComboBox::textActivated, this, [this] { OnGradeChosen(); });
    // Typed text outside the list is not "activated" by the combo box; Enter applies it all the same.
    connect(GradeSelector->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        if (GradeSelector->findText(GradeSelector->currentText()) < 0)
            OnGradeChosen();
    });

    NameListBox = new QListWidget(this);
    NameListBox->setObjectName(QStringLiteral("List1"));
    NameListBox->setFont(FixedFont());
    NameListBox->setUniformItemSizes(true);
    Place(NameListBox, 90, 2790, 15090, 8295, ListPointSize);
    connect(NameListBox, &QListWidget::currentRowChanged, this, [this] { OnRowClicked(); });
    connect(NameListBox, &QListWidget::itemClicked, this, [this] { OnRowClicked(); });
    connect(NameListBox, &QListWidget::itemDoubleClicked, this, [this] { OnRowDoubleClicked(); });

    OkButton = new QPushButton(QStringLiteral("O.K."), this);
    OkButton->setObjectName(QStringLiteral("Command14"));
    Place(OkButton, 13950, 1395, 1140, 1005, 14);
    connect(OkButton, &QPushButton::clicked, this, [this] { ConfirmSignIn(); });

    ProgramMenuButton = new QPushButton(QStringLiteral("ﾌﾟﾟﾛｸﾞﾗﾑメニューへ(0)"), this);
    ProgramMenuButton->setObjectName(QStringLiteral("Command7"));
    Place(ProgramMenuButton, 13320, 45, 1860, 1245, 9);
    connect(ProgramMenuButton, &QPushButton::clicked, this, [this] { LeaveForProgramMenu(); });

    WaitPanel = new QLabel(QStringLiteral("Just a moment, please."), this);
    WaitPanel->setObjectName(QStringLiteral("Picture5"));
    WaitPanel->setAlignment(Qt::AlignCenter);
    Place(WaitPanel, 0, 0, 6000, 1500, 20);

    PendingLabel = new QLabel(this);
    PendingLabel->setObjectName(QStringLiteral("PendingAttempts"));
    PendingLabel->setStyleSheet(QStringLiteral("color: rgb(200, 40, 40);"));
    Place(PendingLabel, 90, 11115, 15090, 375, 10.5);
    PendingLabel->hide();

    // The form sees keys before its controls; TitleLabel answers clicks.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void NameScreen::Prepare()
{
    SetBackColour(this, TheSchool.SeasonColour);
    SetBackColour(WaitPanel, TheSchool.SeasonColour);
    WaitPanel->raise();
    WaitPanel->show();
    // The drill's problems depend on this seed.
    StartupInfo::SeedRandomFromClock(*Env.Random, *Env.TheClock);
    ShowScreen();
    // The list itself is built on activation, in the mode the screen opens with.
    TitleLabel->setText(TheSchool.ProgramTitle);
    SetPointSize(TitleLabel, 48);
    NameListBox->setCurrentRow(0);
}

void NameScreen::Refresh()
{
    DevelopmentMark->setVisible(TheSchool.DevelopmentLayout);
    GradeSelector->blockSignals(true);
    GradeSelector->clear();
    GradeSelector->addItems(RosterFile::SelectorTexts());
    GradeSelector->setCurrentIndex(0);
    GradeSelector->blockSignals(false);
    TheSession.GradeFilterText = QStringLiteral("全学年");

    TotalsChoice[1]->blockSignals(true);
    TotalsChoice[1]->setChecked(true);
    TotalsChoice[1]->blockSignals(false);
    OnTotalsChosen(1);

    ChosenNameLabel->setText(SignIn::ChooseName);
    ChosenNameLabel->hide();
    ChosenNameLabel->show();
    WaitPanel->hide();
    NameListBox->setFocus();
}

void NameScreen::changeEvent(QEvent* event)
{
    ScaledForm::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !Activated)
        return;
    // Coming back to the front (after the version dialog, say) runs the activation again.
    if (!isActiveWindow()) {
        WasInactive = true;
    } else if (WasInactive) {
        WasInactive = false;
        Refresh();
    }
}

void NameScreen::ShowNames()
{
    TheSchool.Roster.SchoolYear = RosterFile::SchoolYear(Env.TheClock->Today(), TheSchool.SchoolYearStartMonth);
    try {
        StateViews::ComputeResultTables(TheSchool, TheSession, Env);
    } catch (const FatalError& e) {
        emit FatalErrorRaised(e.Message);
        return;
    }
    const bool found = RosterFile::LoadRoster(TheSchool.DataRoot, TheSchool.RosterOption, TheSchool.Roster.SchoolYear, TheSchool.Roster);
    Rows.Build(TheSchool.Roster, TheSchool.Results, NameListMode);
    Rows.Select(GradeSelector->currentText());

    NameListBox->setUpdatesEnabled(false);
    NameListBox->clear();
    NameListBox->addItems(Rows.VisibleRows());
    NameListBox->setUpdatesEnabled(true);
    PupilRowTexts = Rows.PupilRows();
    NameListBox->setCurrentRow(0);

    if (!found) {
        if (!MissingReported) {
            MissingReported = true;
            ShowMessage(RosterFile::MissingMessage(TheSchool.DataRoot, TheSchool.Roster));
        }
    } else if (!TheSchool.Roster.SkippedLinesReported) {
        const QString skipped = RosterFile::SkippedMessage(TheSchool.DataRoot, TheSchool.Roster);
        if (!skipped.isEmpty()) {
            TheSchool.Roster.SkippedLinesReported = true;
            ShowMessage(skipped);
        }
    }
}

void NameScreen::OnTotalsChosen(int mode)
{
    NameListMode = mode;
    ShowNames();
}

void NameScreen::OnGradeChosen()
{
    TheSession.GradeFilterText = GradeSelector->currentText();
    ShowNames();
    NameListBox->setFocus();
}

void NameScreen::OnRowClicked()
{
    const int r = NameListBox->currentRow();
    if (r <= 0) {
        Choice.Choose(-1);
        ChosenNameLabel->setText(SignIn::ChooseName);
        return;
    }
    ChosenNameLabel->setText(SignIn::ClickedName(NameListBox->item(r)->text()));
    Choice.Choose(NameList::PupilNumber(PupilRowTexts.value(r - 1)));
}

void NameScreen::OnRowDoubleClicked()
{
    const int r = NameListBox->currentRow();
    if (r <= 0) {
        Choice.Choose(-1);
        ChosenNameLabel->setText(SignIn::ChooseName);
        return;
    }
    ChosenNameLabel->setText(SignIn::DoubleClickedName(NameListBox->item(r)->text()));
    Choice.Choose(NameList::PupilNumber(PupilRowTexts.value(r - 1)));
    ConfirmSignIn();
}

void NameScreen::ConfirmSignIn()
{
    const std::optional<SignIn::Pupil> pupil = Choice.Confirm(TheSchool.Roster, Env.TheClock->SecondsSinceMidnight());
    if (!pupil) {
        if (Env.Cues)
            Env.Cues->Wrong();
        return;
    }
    TheSession.LoginTime = pupil->LoginTime;
    TheSession.CurrentPupil = pupil->Number;
    TheSession.CurrentPupilName = pupil->Name;
    TheSession.CurrentGradeLabel = pupil->GradeLabel;

    OkButton->hide();
    WaitPanel->raise();
    WaitPanel->show();
    WaitPanel->repaint();

    QPointer<NameScreen> self(this);
    emit PupilSignedIn();
    // The level menu closes this screen as it opens. Should nothing have opened, stay usable
    // rather than leave the pupil without a window.
    if (self && self->isVisible()) {
        WaitPanel->hide();
        OkButton->show();
    }
}

QString NameScreen::ProgramMenuPath() const
{
    if (TheSchool.DevelopmentLayout)
        return TheSchool.ProgramFolder + QStringLiteral("../../起動/起動/プログラムメニュー.exe");
    return TheSchool.ProgramFolder + QStringLiteral("../起動/プログラムメニューc.exe");
}

QStringList NameScreen::ProgramMenuArguments() const
{
    if (TheSchool.DevelopmentLayout)
        return {};
    return {QStringLiteral("001")};
}

void NameScreen::LeaveForProgramMenu()
{
    const QString program = ProgramMenuPath();
    // Started directly, never through a shell: the path comes from where the program is installed.
    if (!QProcess::startDetached(program, ProgramMenuArguments(), QFileInfo(program).absolutePath()))
        ShowMessage(QStringLiteral("プログラムメニュー「%1」を起動できませんでした。\nこのプログラムは終了します。")
                        .arg(QDir::toNativeSeparators(QDir::cleanPath(program))));
    emit LeaveRequested();
}

void NameScreen::ShowMessage(const QString& message)
{
    QMessageBox::warning(this, TheSchool.ProgramTitle, message);
}

void NameScreen::ShowPendingAttempts(int count)
{
    PendingLabel->setText(QStringLiteral("このパソコンに、まだ共有フォルダに書き込めていない成績が %1 回分あります。"
                                         "共有フォルダに戻ったら書き込みます。").arg(count));
    PendingLabel->setVisible(count > 0);
}

void NameScreen::ShowShareWarning(const QString& message)
{
    QMessageBox::warning(this, QStringLiteral("注意"), message);
}

bool NameScreen::HandleFormKey(QKeyEvent* event)
{
    const QString key = event->text();
    if (key == QStringLiteral("1") && !OkButton->isHidden()) {
        ConfirmSignIn();
        return true;
    }
    if (key == QStringLiteral("0") && !ProgramMenuButton->isHidden()) {
        LeaveForProgramMenu();
        return true;
    }
    return false;
}

bool NameScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (HandleFormKey(key))
            return true;
        if (watched == NameListBox && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter
                                    || key->key() == Qt::Key_Space)) {
            ConfirmSignIn();
            return true;
        }
    } else if (watched == TitleLabel && event->type() == QEvent::MouseButtonRelease) {
        emit VersionRequested();
        return true;
    }
    return ScaledForm::eventFilter(watched, event);
}

void NameScreen::keyPressEvent(QKeyEvent* event)
{
    if (!HandleFormKey(event))
        ScaledForm::keyPressEvent(event);
}
