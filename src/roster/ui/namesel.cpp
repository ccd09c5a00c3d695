#include "roster/ui/namesel.h"
#include "drill/SoundCues.h"
#include "records/ResultEvaluation.h"
#include "roster/RosterFile.h"
#include "shell/AppState.h"
#include "shell/StartupInfo.h"
#include "shell/Clock.h"
#include "shell/FatalError.h"
#include "shell/RandomSource.h"
#include "shell/ui/ScreenFlow.h"
#include "shell/ui/frmver.h"
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

std::function<void(const QString&)> namesel::MessageHook;
std::function<void()> namesel::LevelCatalogueHook;
std::function<void()> namesel::EndProgramHook;

namespace {
const QString ChooseName = QStringLiteral("名前を選びなさい");
constexpr double ListPointSize = 14.25;
} // namespace

namesel::namesel(QWidget* parent) : ScaledForm(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    Form_Load();
    Form_Activate();
}

void namesel::BuildControls()
{
    setObjectName(QStringLiteral("namesel"));
    setWindowTitle(App().ProgramTitle);

    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Place(Label4, 90, 45, 13140, 1245);

    Picture8 = new QLabel(QStringLiteral("開発中"), this);
    Picture8->setObjectName(QStringLiteral("Picture8"));
    Picture8->setAlignment(Qt::AlignCenter);
    Picture8->setStyleSheet(QStringLiteral("color: red; background: white;"));
    Place(Picture8, 9600, 300, 3400, 700, 20);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Place(Label1, 90, 1410, 13830, 990, 26);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->hide();

    OptionStrip = new QWidget(this);
    OptionStrip->setObjectName(QStringLiteral("OptionStrip"));
    Place(OptionStrip, 90, 2430, 15060, 375);
    const QString captions[4] = {QStringLiteral("回数(今日／今まで）"), QStringLiteral("ポイント（今日／今まで）"),
                                 QStringLiteral("本日（ポイント／回数）"), QStringLiteral("今まで（ポイント／回数）")};
    for (int i = 0; i < 4; ++i) {
        Option1[i] = new QRadioButton(captions[i], OptionStrip);
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        Place(Option1[i], i * 3390, 0, 3390, 375, 10.5);
        connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                Option1_Click(i);
        });
    }

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setToolTip(QStringLiteral("表示する学年を選びなさい"));
    Combo1->setEditText(QStringLiteral("全学年"));
    Place(Combo1, 14070, 2460, 1005, 300, 9);
    connect(Combo1, &QComboBox::textActivated, this, [this] { Combo1_Click(); });
    // Typed text outside the list is not "activated" by the combo box; Enter applies it all the same.
    connect(Combo1->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        if (Combo1->findText(Combo1->currentText()) < 0)
            Combo1_Click();
    });

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    QFont fixed(QStringLiteral("IPAGothic"));
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    List1->setFont(fixed);
    List1->setUniformItemSizes(true);
    Place(List1, 90, 2790, 15090, 8295, ListPointSize);
    connect(List1, &QListWidget::currentRowChanged, this, [this] { List1_Click(); });
    connect(List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { List1_DblClick(); });

    Command14 = new QPushButton(QStringLiteral("O.K."), this);
    Command14->setObjectName(QStringLiteral("Command14"));
    Place(Command14, 13950, 1395, 1140, 1005, 14);
    connect(Command14, &QPushButton::clicked, this, [this] { Command14_Click(); });

    Command7 = new QPushButton(QStringLiteral("ﾌﾟﾟﾛｸﾞﾗﾑメニューへ(0)"), this);
    Command7->setObjectName(QStringLiteral("Command7"));
    Place(Command7, 13320, 45, 1860, 1245, 9);
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });

    Picture5 = new QLabel(QStringLiteral("Just a moment, please."), this);
    Picture5->setObjectName(QStringLiteral("Picture5"));
    Picture5->setAlignment(Qt::AlignCenter);
    Place(Picture5, 0, 0, 6000, 1500, 20);

    // The form sees keys before its controls; Label4 answers clicks.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void namesel::Form_Load()
{
    AppState& s = App();
    SetBackColour(this, s.SeasonColour);
    SetBackColour(Picture5, s.SeasonColour);
    Picture5->raise();
    Picture5->show();
    // The drill's problems depend on this seed.
    StartupInfo::SeedRandomFromClock();
    ShowScreen();
    // The list itself is built once, on activation, in the mode the screen opens with.
    Label4->setText(s.ProgramTitle);
    SetPointSize(Label4, 48);
    List1->setCurrentRow(0);
}

void namesel::Form_Activate()
{
    Picture8->setVisible(App().DevelopmentLayout);
    Combo1->blockSignals(true);
    Combo1->clear();
    Combo1->addItems(RosterFile::SelectorTexts());
    Combo1->setCurrentIndex(0);
    Combo1->blockSignals(false);
    App().GradeFilterText = QStringLiteral("全学年");

    Option1[1]->blockSignals(true);
    Option1[1]->setChecked(true);
    Option1[1]->blockSignals(false);
    Option1_Click(1);

    Label1->setText(ChooseName);
    Label1->hide();
    Label1->show();
    Picture5->hide();
    List1->setFocus();
}

void namesel::名簿表示()
{
    App().Roster.SchoolYear = RosterFile::SchoolYear();
    try {
        ResultEvaluation::ComputeResultTables();
    } catch (const FatalError& e) {
        ScreenFlow::Fatal(e.Message);
        return;
    }
    const bool found = RosterFile::LoadRoster();
    Rows.Build(NameListMode);
    Rows.Select(Combo1->currentText());

    List1->setUpdatesEnabled(false);
    List1->clear();
    List1->addItems(Rows.VisibleRows());
    List1->setUpdatesEnabled(true);
    List3 = Rows.PupilRows();
    List1->setCurrentRow(0);

    if (!found) {
        if (!MissingReported) {
            MissingReported = true;
            ShowMessage(RosterFile::MissingMessage());
        }
    } else if (!App().Roster.SkippedLinesReported) {
        const QString skipped = RosterFile::SkippedMessage();
        if (!skipped.isEmpty()) {
            App().Roster.SkippedLinesReported = true;
            ShowMessage(skipped);
        }
    }
}

void namesel::Option1_Click(int index)
{
    NameListMode = index;
    名簿表示();
}

void namesel::Combo1_Click()
{
    App().GradeFilterText = Combo1->currentText();
    名簿表示();
    List1->setFocus();
}

void namesel::List1_Click()
{
    const int r = List1->currentRow();
    if (r <= 0) {
        Label1->setText(ChooseName);
        return;
    }
    Label1->setText(RosterFile::TrimBlanks(List1->item(r)->text().left(10)));
    Label2->setText(QString::number(NameList::PupilNumber(List3.value(r - 1))));
}

void namesel::List1_DblClick()
{
    const int r = List1->currentRow();
    if (r <= 0) {
        Label1->setText(ChooseName);
        return;
    }
    const QString row = List1->item(r)->text();
    // The totals hold the row's last "/".
    const qsizetype slash = row.lastIndexOf(u'/');
    Label1->setText(RosterFile::TrimBlanks(slash < 0 ? row : row.left(slash)));
    Label2->setText(QString::number(NameList::PupilNumber(List3.value(r - 1))));
    Command14_Click();
}

void namesel::Command14_Click()
{
    const QString shown = Label1->text();
    bool ok = false;
    const int pupil = Label2->text().toInt(&ok);
    if (shown == ChooseName || shown.isEmpty() || !ok || pupil < 0 || pupil > RosterTables::MaxPupil) {
        SoundCues::Wrong();
        return;
    }
    AppState& s = App();
    s.LoginTime = qint32(std::lround(s.TheClock->SecondsSinceMidnight()));
    s.CurrentPupil = qint16(pupil);
    s.CurrentPupilName = s.Roster.PupilName[pupil];
    s.CurrentGradeLabel = s.Roster.PupilGradeLabel[pupil];

    Command14->hide();
    Picture5->raise();
    Picture5->show();
    Picture5->repaint();

    QPointer<namesel> self(this);
    if (LevelCatalogueHook)
        LevelCatalogueHook();
    else
        ScreenFlow::BuildLevelCatalogue();
    if (!self)
        return;
    // The level menu closes this screen as it opens. Should nothing have opened, stay usable
    // rather than leave the pupil without a window.
    bool handedOver = false;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible() && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog))
            handedOver = true;
    if (handedOver) {
        close();
    } else {
        Picture5->hide();
        Command14->show();
    }
}

QString namesel::ProgramMenuPath()
{
    if (App().DevelopmentLayout)
        return App().ProgramFolder + QStringLiteral("../../起動/起動/プログラムメニュー.exe");
    return App().ProgramFolder + QStringLiteral("../起動/プログラムメニューc.exe");
}

QStringList namesel::ProgramMenuArguments()
{
    if (App().DevelopmentLayout)
        return {};
    return {QStringLiteral("001")};
}

void namesel::Command7_Click()
{
    const QString program = ProgramMenuPath();
    // Started directly, never through a shell: the path comes from where the program is installed.
    if (!QProcess::startDetached(program, ProgramMenuArguments(), QFileInfo(program).absolutePath()))
        ShowMessage(QStringLiteral("プログラムメニュー「%1」を起動できませんでした。\nこのプログラムは終了します。")
                        .arg(QDir::toNativeSeparators(QDir::cleanPath(program))));
    if (EndProgramHook) {
        EndProgramHook();
        return;
    }
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::quit();
}

void namesel::Label4_Click()
{
    frmver dialog(this);
    dialog.adjustSize();
    dialog.move(frameGeometry().center() - dialog.rect().center());
    dialog.exec();
}

void namesel::ShowMessage(const QString& message)
{
    if (MessageHook) {
        MessageHook(message);
        return;
    }
    QMessageBox::warning(this, App().ProgramTitle, message);
}

bool namesel::Form_KeyPress(QKeyEvent* event)
{
    const QString key = event->text();
    if (key == QStringLiteral("1") && !Command14->isHidden()) {
        Command14_Click();
        return true;
    }
    if (key == QStringLiteral("0") && !Command7->isHidden()) {
        Command7_Click();
        return true;
    }
    return false;
}

bool namesel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (Form_KeyPress(key))
            return true;
        if (watched == List1 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter
                                 || key->key() == Qt::Key_Space)) {
            Command14_Click();
            return true;
        }
    } else if (watched == Label4 && event->type() == QEvent::MouseButtonRelease) {
        Label4_Click();
        return true;
    }
    return ScaledForm::eventFilter(watched, event);
}

void namesel::keyPressEvent(QKeyEvent* event)
{
    if (!Form_KeyPress(event))
        ScaledForm::keyPressEvent(event);
}
