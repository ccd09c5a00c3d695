#include "teacher/ui/CriteriaEditor.h"
#include "base/FatalError.h"
#include "drill/LevelCatalogue.h"
#include "state/School.h"
#include "state/Environment.h"
#include "state/StateViews.h"
#include "teacher/CriteriaGrid.h"
#include <QCoreApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStringListModel>
#include <QTableView>
#include <algorithm>

namespace {
const QString WaitText = QStringLiteral("Just a moment,please.");


QListView* NewFixedList(QWidget* parent, const QString& name, QStringListModel* rows)
{
    QListView* list = ScaledForm::NewList(parent, name, rows);
    list->setFont(ScaledForm::FixedFont());
    list->setFocusPolicy(Qt::NoFocus);
    return list;
}

bool IsTypedText(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isPrint(); });
}

CriteriaGrid::EditKey KeyOf(const QKeyEvent* event)
{
    using Key = CriteriaGrid::EditKey;
    switch (event->key()) {
    case Qt::Key_Escape: return Key::Escape;
    case Qt::Key_Return:
    case Qt::Key_Enter: return Key::Enter;
    case Qt::Key_Up: return Key::Up;
    case Qt::Key_Down: return event->modifiers().testFlag(Qt::ShiftModifier) ? Key::ShiftDown : Key::Down;
    case Qt::Key_Left: return Key::Left;
    case Qt::Key_Right: return Key::Right;
    case Qt::Key_Space: return Key::Space;
    case Qt::Key_Backspace: return Key::Backspace;
    default: break;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return Key::Other;
    return IsTypedText(event->text()) ? Key::Character : Key::Other;
}
} // namespace

CriteriaEditor::CriteriaEditor(School& school, Environment& env, QWidget* parent)
    : ScaledForm(parent), TheSchool(school), Env(env)
{
    Windowed = env.Windowed;
    setAttribute(Qt::WA_DeleteOnClose);
    Grid = new CriteriaGrid(this);
    BuildControls();
}

CriteriaEditor::~CriteriaEditor() = default;

void CriteriaEditor::BuildControls()
{
    setObjectName(QStringLiteral("FrmTimeData"));
    setWindowTitle(TheSchool.ProgramTitle);
    SetBackColour(this, TheSchool.SeasonColour);

    HeadingLabel = NewLabel(this, QStringLiteral("Label1"),
                            QStringLiteral("成績の基準となるデータを変更できます。\nプログラムを選んでください。"));
    Place(HeadingLabel, 240, 120, 9000, 900, 12);

    RestoreButton = NewButton(this, QStringLiteral("Command2"), QStringLiteral("元に戻す"));
    Place(RestoreButton, 9600, 180, 1740, 660, 12);
    connect(RestoreButton, &QPushButton::clicked, this, &CriteriaEditor::LoadGrid);
    SaveButton = NewButton(this, QStringLiteral("Command3"), QStringLiteral("更新記録"));
    Place(SaveButton, 11460, 180, 1740, 660, 12);
    connect(SaveButton, &QPushButton::clicked, this, &CriteriaEditor::SaveGrid);
    BackButton = NewButton(this, QStringLiteral("Command4"), QStringLiteral("戻る"));
    Place(BackButton, 13320, 180, 1800, 660, 12);
    connect(BackButton, &QPushButton::clicked, this, &CriteriaEditor::AskToSaveAndGoBack);

    GridView = new QTableView(this);
    GridView->setObjectName(QStringLiteral("MSFlexGrid1"));
    GridView->setModel(Grid);
    GridView->setFocusPolicy(Qt::NoFocus);
    GridView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridView->setSelectionMode(QAbstractItemView::NoSelection);
    GridView->setTabKeyNavigation(false);
    GridView->setWordWrap(false);
    GridView->setCornerButtonEnabled(false);
    GridView->verticalHeader()->hide();
    GridView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Thirteen columns of one width.
    GridView->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    GridView->horizontalHeader()->setSectionsClickable(false);
    Place(GridView, 240, 1140, 14880, 5160, 10);
    connect(GridView, &QTableView::pressed, this, &CriteriaEditor::OnCellPressed);
    connect(GridView->verticalScrollBar(), &QScrollBar::valueChanged, this, &CriteriaEditor::PlaceCellEditor);
    connect(GridView->horizontalHeader(), &QHeaderView::sectionResized, this, &CriteriaEditor::PlaceCellEditor);

    EditBox = new QLineEdit(GridView->viewport());
    EditBox->setObjectName(QStringLiteral("Gridinputtext"));
    EditBox->setFrame(false);
    EditBox->setContextMenuPolicy(Qt::NoContextMenu);
    EditBox->installEventFilter(this);
    connect(EditBox, &QLineEdit::textChanged, this, &CriteriaEditor::OnEditTextChanged);
    EditBox->hide();

    ExplanationLabel = NewLabel(this, QStringLiteral("Label2"), QString(), Qt::AlignLeft | Qt::AlignTop);
    Place(ExplanationLabel, 240, 6420, 14880, 1020, 11);

    DistributionPanel = new QWidget(this);
    DistributionPanel->setObjectName(QStringLiteral("Picture1"));
    Place(DistributionPanel, 240, 7560, 14880, 3840);
    DistributionTitle = NewLabel(DistributionPanel, QStringLiteral("Label3"), QStringLiteral("現在までの成績度数分布"));
    Place(DistributionTitle, 0, 0, 4800, 420, 12);
    ShowCounts = new QRadioButton(QStringLiteral("度数表示"), DistributionPanel);
    ShowCounts->setObjectName(QStringLiteral("Option1_0"));
    HideCounts = new QRadioButton(QStringLiteral("度数非表示"), DistributionPanel);
    HideCounts->setObjectName(QStringLiteral("Option1_1"));
    for (QRadioButton* option : {ShowCounts, HideCounts}) {
        option->setFocusPolicy(Qt::NoFocus);
        connect(option, &QRadioButton::clicked, this, [this] {
            DistributionPanel->show();
            ShowDistribution();
        });
    }
    ShowCounts->setChecked(true);
    Place(ShowCounts, 5040, 0, 1680, 420, 10);
    Place(HideCounts, 6840, 0, 1920, 420, 10);
    DistributionButton = NewButton(DistributionPanel, QStringLiteral("Command7"), QStringLiteral("度数分布表示"));
    Place(DistributionButton, 8880, 0, 2160, 420, 10);
    connect(DistributionButton, &QPushButton::clicked, this, &CriteriaEditor::ShowDistribution);
    AllAttempts = new QStringListModel(this);
    AllAttemptsList = NewFixedList(DistributionPanel, QStringLiteral("List3"), AllAttempts);
    Place(AllAttemptsList, 0, 480, 7320, 3360, 10);
    BestTimes = new QStringListModel(this);
    BestTimesList = NewFixedList(DistributionPanel, QStringLiteral("List4"), BestTimes);
    Place(BestTimesList, 7560, 480, 7320, 3360, 10);

    WaitPanel = new QWidget(this);
    WaitPanel->setObjectName(QStringLiteral("Picture2"));
    SetBackColour(WaitPanel, TheSchool.SeasonColour.isValid() ? TheSchool.SeasonColour : palette().window().color());
    Place(WaitPanel, 0, 0, DesignWidth, DesignHeight);
    QLabel* waitLabel = NewLabel(WaitPanel, QStringLiteral("Label4"), WaitText, Qt::AlignCenter);
    Place(waitLabel, 1680, 4860, 12000, 1200, 24);
    WaitPanel->hide();
}

int CriteriaEditor::RequiredLevels() const
{
    // Every level the menu offers at start-up needs its row, or no machine could start.
    LevelCatalogue offered;
    offered.Build();
    return std::max<int>(offered.LevelCount, TheSchool.Catalogue.LevelCount);
}

void CriteriaEditor::showEvent(QShowEvent* event)
{
    ScaledForm::showEvent(event);
    if (!Opened) {
        Opened = true;
        // After the event that shows the screen, so that a message box has a screen to stand on.
        QMetaObject::invokeMethod(this, &CriteriaEditor::OpenScreen, Qt::QueuedConnection);
    }
}

void CriteriaEditor::resizeEvent(QResizeEvent* event)
{
    ScaledForm::resizeEvent(event);
    GridView->verticalHeader()->setDefaultSectionSize(QFontMetrics(GridView->font()).height() + 6);
    PlaceCellEditor();
}

void CriteriaEditor::OpenScreen()
{
    try {
        Grid->LoadGrid(TheSchool.DataFolder, RequiredLevels());
    } catch (const FatalError& e) {
        CannotOpen(e.Message);
        return;
    }
    Grid->SetCurrent(1, 1);
    ShowCellEditor();
    GridToText();
    if (const std::optional<QString> failure = UpdateDistribution()) {
        CannotOpen(*failure);
        return;
    }
    Ready = true;
}

void CriteriaEditor::CannotOpen(const QString& message)
{
    QMessageBox::warning(this, TheSchool.ProgramTitle, message + QStringLiteral("\n\nメニューに戻ります。"));
    Leaving = true;
    emit BackChosen();
}

void CriteriaEditor::ShowCellEditor()
{
    if (Grid->LastRow() < 1) {
        EditBox->hide();
        return;
    }
    const QModelIndex current = Grid->index(Grid->Row() - 1, Grid->Column());
    GridView->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    // The fill-down selection: from the current cell down its column.
    GridView->selectionModel()->select(
        QItemSelection(current, Grid->index(Grid->SelectionEnd() - 1, Grid->Column())),
        QItemSelectionModel::ClearAndSelect);
    GridView->scrollTo(current);
    PlaceCellEditor();
    EditBox->show();
    EditBox->raise();
    EditBox->setFocus();
    EditBox->setCursorPosition(10);
    ExplanationLabel->setText(CriteriaGrid::Explanation(Grid->Column()));
}

void CriteriaEditor::PlaceCellEditor()
{
    if (Grid->LastRow() < 1)
        return;
    EditBox->setGeometry(GridView->visualRect(Grid->index(Grid->Row() - 1, Grid->Column())));
}

void CriteriaEditor::GridToText()
{
    SettingEditText = true;
    EditBox->setText(Grid->GridToText());
    SettingEditText = false;
    // After the tenth character: the end of any value of up to ten characters.
    EditBox->setCursorPosition(10);
}

void CriteriaEditor::OnEditTextChanged(const QString& text)
{
    // Whatever changes the box's text (the keys come through OnEditKey) goes into the cell.
    if (!SettingEditText)
        Grid->TextToGrid(text);
}

bool CriteriaEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == EditBox) {
        if (event->type() == QEvent::KeyPress) {
            OnEditKey(static_cast<QKeyEvent*>(event));
            return true;
        }
        // Text composed with the input method arrives whole, as typed characters.
        if (event->type() == QEvent::InputMethod) {
            const QString commit = static_cast<QInputMethodEvent*>(event)->commitString();
            if (IsTypedText(commit))
                OnTyped(commit);
            return true;
        }
    }
    return ScaledForm::eventFilter(watched, event);
}

void CriteriaEditor::OnEditKey(const QKeyEvent* event)
{
    const CriteriaGrid::EditKey key = KeyOf(event);
    if (key == CriteriaGrid::EditKey::Escape || !Ready)
        return;
    const bool moved = Grid->PressKey(key, event->text());
    if (moved || key == CriteriaGrid::EditKey::ShiftDown)
        ShowCellEditor();
    RefreshDistribution();
    GridToText();
}

void CriteriaEditor::OnTyped(const QString& text)
{
    if (!Ready)
        return;
    Grid->PressKey(CriteriaGrid::EditKey::Character, text);
    RefreshDistribution();
    GridToText();
}

void CriteriaEditor::OnCellPressed(const QModelIndex& index)
{
    if (!Ready || !index.isValid())
        return;
    Grid->SetCurrent(index.row() + 1, index.column());
    ShowCellEditor();
    RefreshDistribution();
    GridToText();
}

std::optional<QString> CriteriaEditor::UpdateDistribution()
{
    try {
        const TimeDistribution::Tables& tables = Distribution.For(StateViews::Scores(TheSchool, Env));
        TimeDistribution::Lists lists = TimeDistribution::ListsOf(tables, Grid->Row());
        // Set only when they differ, so that a keystroke in the same row keeps where the lists stand.
        if (AllAttempts->stringList() != lists.AllAttempts)
            AllAttempts->setStringList(lists.AllAttempts);
        if (BestTimes->stringList() != lists.BestTimes)
            BestTimes->setStringList(lists.BestTimes);
        DistributionFailed = false;
        return std::nullopt;
    } catch (const FatalError& e) {
        DistributionFailed = true;
        AllAttempts->setStringList({});
        BestTimes->setStringList({});
        return e.Message;
    }
}

void CriteriaEditor::ShowDistribution()
{
    if (const std::optional<QString> failure = UpdateDistribution())
        QMessageBox::warning(this, TheSchool.ProgramTitle, *failure);
}

void CriteriaEditor::RefreshDistribution()
{
    // A lost share is told once; "度数分布表示" tries again.
    if (!DistributionFailed)
        ShowDistribution();
}

void CriteriaEditor::LoadGrid()
{
    try {
        Grid->LoadGrid(TheSchool.DataFolder, RequiredLevels());
    } catch (const FatalError& e) {
        QMessageBox::warning(this, TheSchool.ProgramTitle, e.Message);
        return;
    }
    ShowCellEditor();
    GridToText();
}

void CriteriaEditor::ShowWaitPanel(bool shown)
{
    WaitPanel->setVisible(shown);
    if (shown) {
        WaitPanel->raise();
        WaitPanel->repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

bool CriteriaEditor::SaveGrid()
{
    ShowWaitPanel(true);
    const std::optional<QString> failure = Grid->SaveGrid(TheSchool.DataFolder, RequiredLevels(), TheSchool.Criteria);
    ShowWaitPanel(false);
    if (failure) {
        QMessageBox::warning(this, TheSchool.ProgramTitle, *failure);
        // A refused cell has been made current.
        ShowCellEditor();
        GridToText();
        RefreshDistribution();
        return false;
    }
    EditBox->setFocus();
    return true;
}

void CriteriaEditor::AskToSaveAndGoBack()
{
    if (Leaving)
        return;
    if (Grid->Changed()) {
        const QMessageBox::StandardButton answer =
            QMessageBox::question(this, QStringLiteral("注意"), QStringLiteral("データが変更されています。記録しますか？"),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        // What could not be saved is not thrown away: the teacher stays to put it right.
        if (answer == QMessageBox::Yes && !SaveGrid())
            return;
    }
    Leaving = true;
    ShowWaitPanel(true);
    emit BackChosen();
}
