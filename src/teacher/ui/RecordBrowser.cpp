#include "teacher/ui/RecordBrowser.h"
#include "base/Clock.h"
#include "base/Limits.h"
#include "base/FatalError.h"
#include "base/SheetPrinter.h"
#include "base/ui/DialogPrinter.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include "state/School.h"
#include "state/Environment.h"
#include "state/StateViews.h"
#include "teacher/RecordListModel.h"
#include "teacher/ui/BackupChooser.h"
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
const QString AllRecords = QStringLiteral("すべて");
constexpr double PrintPointSize = 10;
constexpr double SmallestPrintPointSize = 5;




// Draws `count` lines, line(i) for i = 0 … count − 1, in the fixed-pitch font, as many to a page
// as fit under a heading with the page number; the font is made smaller when the widest line would
// not fit the page's width. False when the painter or a new page failed.
template <typename LineOf>
bool PaintLines(QPagedPaintDevice* device, const QString& heading, int count, LineOf line)
{
    QPainter painter;
    if (!painter.begin(device))
        return false;
    const QRectF page(0, 0, device->width(), device->height());
    QFont font = ScaledForm::FixedFont();
    font.setPointSizeF(PrintPointSize);
    const QFontMetricsF full(font, device);
    double widest = full.horizontalAdvance(heading + QStringLiteral("　0000/0000"));
    for (int i = 0; i < count; ++i)
        widest = std::max(widest, full.horizontalAdvance(line(i)));
    if (widest > page.width())
        font.setPointSizeF(std::max(SmallestPrintPointSize, std::floor(PrintPointSize * page.width() / widest * 10) / 10));
    painter.setFont(font);
    const QFontMetricsF metrics(font, device);
    const double step = metrics.lineSpacing();
    const int perPage = std::max(1, int((page.height() - 2 * step) / step));
    const int pages = std::max(1, (count + perPage - 1) / perPage);
    bool ok = true;
    for (int p = 0; p < pages && ok; ++p) {
        if (p > 0 && !device->newPage()) {
            ok = false;
            break;
        }
        painter.drawText(QPointF(0, metrics.ascent()),
                         heading + QStringLiteral("　%1/%2").arg(p + 1).arg(pages));
        double y = 2 * step + metrics.ascent();
        for (int i = p * perPage; i < std::min(count, (p + 1) * perPage); ++i, y += step)
            painter.drawText(QPointF(0, y), line(i));
    }
    return painter.end() && ok;
}
} // namespace

RecordBrowser::RecordBrowser(School& school, Environment& env, QWidget* parent)
    : ScaledForm(parent), TheSchool(school), Env(env), Roster(std::make_unique<RosterTables>())
{
    Windowed = env.Windowed;
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
}

RecordBrowser::~RecordBrowser() = default;

void RecordBrowser::SetPrinter(SheetPrinter* printer) { Printer = printer; }

void RecordBrowser::BuildControls()
{
    setObjectName(QStringLiteral("FrmData"));
    setWindowTitle(TheSchool.ProgramTitle);

    CountLabel = NewLabel(this, QStringLiteral("CountLabel"), RecordLines::CountText(0));
    Place(CountLabel, 240, 120, 4680, 450, 12);

    DateFilter = new QComboBox(this);
    DateFilter->setObjectName(QStringLiteral("DateFilter"));
    DateFilter->addItem(AllRecords);
    DateFilter->setFocusPolicy(Qt::NoFocus);
    Place(DateFilter, 5040, 120, 1800, 450, 11);

    RebuildButton = NewButton(this, QStringLiteral("Command1"), QStringLiteral("一覧表示"));
    RebuildButton->setToolTip(QStringLiteral("成績ファイルを読み直して一覧を作り直します"));
    Place(RebuildButton, 6960, 120, 1800, 450, 11);
    connect(RebuildButton, &QPushButton::clicked, this, [this] { BuildRecordList(); });

    Records = new RecordListModel(this);
    RecordList = new QListView(this);
    RecordList->setObjectName(QStringLiteral("List1"));
    RecordList->setModel(Records);
    RecordList->setFont(ScaledForm::FixedFont());
    RecordList->setUniformItemSizes(true);
    RecordList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RecordList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    RecordList->setToolTip(QStringLiteral("ダブルクリックすると、その記録を直せます"));
    Place(RecordList, 240, 690, 10680, 10590, 11);
    connect(RecordList, &QListView::doubleClicked, this, [this](const QModelIndex& index) { LoadRecord(index.row()); });

    EditPanel = new QWidget(this);
    EditPanel->setObjectName(QStringLiteral("EditPanel"));
    Place(EditPanel, 11160, 690, 3960, 6000);
    NumberLabel = NewLabel(EditPanel, QStringLiteral("NumberLabel"));
    Place(NumberLabel, 0, 0, 3960, 450, 12);
    LevelLabel = NewLabel(EditPanel, QStringLiteral("LevelLabel"));
    Place(LevelLabel, 0, 540, 3960, 450, 12);
    DateLabel = NewLabel(EditPanel, QStringLiteral("DateLabel"));
    Place(DateLabel, 0, 1080, 3960, 450, 12);
    GradeLabel = NewLabel(EditPanel, QStringLiteral("GradeLabel"));
    Place(GradeLabel, 0, 1620, 3960, 450, 12);

    PupilChooser = new QComboBox(EditPanel);
    PupilChooser->setObjectName(QStringLiteral("Combo1"));
    PupilChooser->setEditable(true);
    PupilChooser->setInsertPolicy(QComboBox::NoInsert);
    PupilChooser->setFont(ScaledForm::FixedFont());
    PupilChooser->setToolTip(QStringLiteral("生徒を一覧から選びます"));
    Place(PupilChooser, 0, 2220, 3960, 480, 11);
    connect(PupilChooser, &QComboBox::activated, this, &RecordBrowser::ShowPupilGrade);

    SecondsText = new QLineEdit(EditPanel);
    SecondsText->setObjectName(QStringLiteral("Text1_1"));
    SecondsText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SecondsText->setToolTip(QStringLiteral("タイム（秒）: 0～99999"));
    Place(SecondsText, 0, 2940, 2400, 540, 13);
    connect(SecondsText, &QLineEdit::textEdited, this, &RecordBrowser::OnSecondsTyped);
    QLabel* secondsUnit = NewLabel(EditPanel, QStringLiteral("SecondsUnit"), QStringLiteral("秒"));
    Place(secondsUnit, 2460, 2940, 480, 540, 13);

    SecondsBar = new QScrollBar(Qt::Vertical, EditPanel);
    SecondsBar->setObjectName(QStringLiteral("VScroll1"));
    // Every stored time fits, the timed-out 99999 included; the top end is the longer time.
    SecondsBar->setRange(0, RecordLines::MostSeconds);
    SecondsBar->setSingleStep(1);
    SecondsBar->setPageStep(10);
    SecondsBar->setInvertedAppearance(true);
    SecondsBar->setFocusPolicy(Qt::NoFocus);
    Place(SecondsBar, 3180, 2700, 420, 1080);
    connect(SecondsBar, &QScrollBar::valueChanged, this, &RecordBrowser::OnSecondsScrolled);

    SaveButton = NewButton(EditPanel, QStringLiteral("Command2"), QStringLiteral("変更して記録"));
    Place(SaveButton, 0, 3900, 3960, 660, 12);
    connect(SaveButton, &QPushButton::clicked, this, &RecordBrowser::SaveRecord);
    DeleteButton = NewButton(EditPanel, QStringLiteral("Command3"), QStringLiteral("消去"));
    Place(DeleteButton, 0, 4800, 3960, 660, 12);
    connect(DeleteButton, &QPushButton::clicked, this, &RecordBrowser::DeleteRecord);
    EndEditing();

    PrintButton = NewButton(this, QStringLiteral("Command17"), QStringLiteral("印刷"));
    PrintButton->setToolTip(QStringLiteral("選んだ行があればその行を、なければ一覧の全部を印刷します"));
    RestoreButton = NewButton(this, QStringLiteral("RestoreButton"), QStringLiteral("元に戻す…"));
    RestoreButton->setToolTip(QStringLiteral("削除の前の内容（控え）に成績ファイルを戻します"));
    Place(RestoreButton, 11160, 8400, 3960, 720, 14);
    connect(RestoreButton, &QPushButton::clicked, this, &RecordBrowser::RestoreBackup);
    Place(PrintButton, 11160, 9420, 3960, 720, 14);
    connect(PrintButton, &QPushButton::clicked, this, &RecordBrowser::PrintList);
    BackButton = NewButton(this, QStringLiteral("Command4"), QStringLiteral("戻る"));
    Place(BackButton, 11160, 10440, 3960, 840, 14);
    connect(BackButton, &QPushButton::clicked, this, &RecordBrowser::GoBack);
}

void RecordBrowser::showEvent(QShowEvent* event)
{
    ScaledForm::showEvent(event);
    // Filled before the first paint, so that the list is there when the screen appears.
    if (!Loaded)
        Prepare();
}

bool RecordBrowser::Prepare()
{
    if (Loaded)
        return !Closing;
    Loaded = true;
    DateFilter->setCurrentIndex(DateFilter->findText(AllRecords));
    if (!BuildRecordList())
        return false;
    if (const QString skipped = RosterFile::SkippedMessage(TheSchool.DataRoot, *Roster); !skipped.isEmpty()) {
        // Said once the screen stands; the lines of those pupils show no name.
        QTimer::singleShot(0, this, [this, skipped] { QMessageBox::warning(this, TheSchool.ProgramTitle, skipped); });
    }
    return true;
}

bool RecordBrowser::ReadRoster()
{
    const int schoolYear = RosterFile::SchoolYear(Env.TheClock->Today(), TheSchool.SchoolYearStartMonth);
    if (!RosterFile::LoadRoster(TheSchool.DataRoot, TheSchool.RosterOption, schoolYear, *Roster)) {
        CloseWith(RecordLines::RosterUnreadable(TheSchool.DataRoot, *Roster));
        return false;
    }
    // The chooser is filled anew; what stands in it for the record being edited stays.
    const QString shown = PupilChooser->currentText();
    const int chosen = PupilChooser->currentIndex();
    const QSignalBlocker quiet(PupilChooser);
    PupilChooser->clear();
    for (const RecordLines::PupilChoice& choice : RecordLines::PupilChoices(*Roster))
        PupilChooser->addItem(choice.Text, int(choice.Number));
    PupilChooser->setCurrentIndex(chosen < 0 ? -1 : PupilChooser->findText(shown));
    PupilChooser->setEditText(shown);
    Records->SetTables(RecordLines::MakeTables(*Roster, TheSchool.SchoolCode, TheSchool.SchoolName));
    return true;
}

bool RecordBrowser::BuildRecordList()
{
    if (Closing)
        return false;
    // Names changed in the roster show at once.
    if (!ReadRoster())
        return false;
    try {
        Records->Load(StateViews::Scores(TheSchool, Env));
    } catch (const FatalError& e) {
        CloseWith(e.Message);
        return false;
    }
    CountLabel->setText(RecordLines::CountText(Records->TotalRecords()));
    FitText(CountLabel);
    return true;
}

void RecordBrowser::LoadRecord(int row)
{
    if (Closing || DateFilter->currentText() != AllRecords || row < 0 || row >= Records->rowCount())
        return;
    const RecordLines::Entry listed = Records->EntryAt(row);
    const qint32 number = listed.Number;
    ScoreRecord record;
    try {
        record = StateViews::Scores(TheSchool, Env).ReadRecord(number);
    } catch (const FatalError& e) {
        EndEditing();
        ReportFailure(e.Message);
        return;
    }
    if (!RecordLines::Same(RecordLines::MakeEntry(number, record, Records->LineTables().SchoolCode), listed)) {
        EndEditing();
        ReportFailure(RecordLines::RecordChanged(number));
        return;
    }
    EditedNumber = number;
    EditedRecord = record;
    ShowEditedRecord();
    SaveButton->setEnabled(true);
    DeleteButton->setEnabled(true);
    EditPanel->show();
}

void RecordBrowser::ShowEditedRecord()
{
    const ScoreRecord& record = EditedRecord;
    const RecordLines::Tables& tables = Records->LineTables();
    NumberLabel->setText(RecordLines::NumberCaption(EditedNumber));
    LevelLabel->setText(RecordLines::LevelCaption(record.Level));
    DateLabel->setText(RecordLines::DateCaption(record.Date, record.TimeOfDay));
    const bool known = Limits::IsPupilSlot(record.Pupil);
    GradeLabel->setText(known ? tables.GradeLabel[std::size_t(record.Pupil)] : QString());
    for (QLabel* label : {NumberLabel, LevelLabel, DateLabel, GradeLabel})
        FitText(label);
    // A damaged time outside the bar's range still shows as it is in the text box.
    SecondsBar->setValue(std::clamp(record.Seconds, 0, RecordLines::MostSeconds));
    SecondsText->setText(QString::number(record.Seconds));
    PupilChooser->setCurrentIndex(PupilChooser->findData(int(record.Pupil)));
    PupilChooser->setEditText(RecordLines::ChoiceText(
        record.Pupil, known ? RosterFile::TrimBlanks(Roster->PupilName[std::size_t(record.Pupil)]) : QString()));
}

void RecordBrowser::ShowPupilGrade()
{
    const QVariant pupil = PupilChooser->currentData();
    if (!pupil.isValid())
        return;
    const int number = pupil.toInt();
    GradeLabel->setText(Limits::IsPupilSlot(number) ? Records->LineTables().GradeLabel[std::size_t(number)] : QString());
    FitText(GradeLabel);
}

void RecordBrowser::OnSecondsScrolled(int value) { SecondsText->setText(QString::number(value)); }

void RecordBrowser::OnSecondsTyped(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 0 || value > RecordLines::MostSeconds)
        return;
    const QSignalBlocker quiet(SecondsBar);
    SecondsBar->setValue(value);
}

void RecordBrowser::SaveRecord()
{
    if (Closing || EditedNumber <= 0)
        return;
    const RecordLines::Checked checked =
        RecordLines::CheckEdit(SecondsText->text(), PupilChooser->currentText(), EditedRecord.Pupil, *Roster);
    if (!checked.Ok) {
        QMessageBox::warning(this, TheSchool.ProgramTitle, checked.Problem + QStringLiteral("\n記録は変えていません。"));
        return;
    }
    ScoreRecord changed = EditedRecord;
    changed.Pupil = checked.Pupil;
    changed.Seconds = checked.Seconds;
    try {
        // Compared with what the teacher chose under the lock that writes it.
        StateViews::Scores(TheSchool, Env).WriteRecord(EditedNumber, changed, EditedRecord);
    } catch (const ScoreFile::Changed&) {
        const qint32 number = EditedNumber;
        EndEditing();
        ReportFailure(RecordLines::RecordChanged(number));
        return;
    } catch (const FatalError& e) {
        EndEditing();
        ReportFailure(e.Message);
        return;
    }
    EditedRecord = changed;
    if (!BuildRecordList())
        return;
    SelectRow(Records->RowOf(EditedNumber));
    ShowEditedRecord();
}

void RecordBrowser::DeleteRecord()
{
    if (Closing || EditedNumber <= 0)
        return;
    QMessageBox ask(QMessageBox::Warning, QStringLiteral("注意"), QStringLiteral("本当に消去しますか"),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    ask.setDefaultButton(QMessageBox::Cancel);
    if (ask.exec() != QMessageBox::Ok)
        return;
    const int row = std::max(0, Records->RowOf(EditedNumber));
    const qint32 number = EditedNumber;
    const ScoreRecord chosen = EditedRecord;
    // Whatever happens, the number no longer names the record that was loaded.
    EndEditing();
    try {
        StateViews::Scores(TheSchool, Env).RemoveRecord(number, chosen);
    } catch (const ScoreFile::Changed&) {
        ReportFailure(RecordLines::RecordChanged(number));
        return;
    } catch (const FatalError& e) {
        ReportFailure(e.Message);
        return;
    }
    if (!BuildRecordList())
        return;
    SelectRow(RecordLines::RowAfterRemoval(row, Records->rowCount()));
}

void RecordBrowser::RestoreBackup()
{
    if (Closing)
        return;
    const ScoreFile file = StateViews::Scores(TheSchool, Env);
    std::vector<ScoreFile::BackupInfo> backups;
    try {
        backups = file.DescribeBackups();
    } catch (const FatalError& e) {
        ReportFailure(e.Message);
        return;
    }
    if (backups.empty()) {
        QMessageBox::information(this, TheSchool.ProgramTitle,
                                 QStringLiteral("元に戻せる控えがありません。記録を削除すると、その前の内容が控えとして残ります。"));
        return;
    }
    BackupChooser chooser(backups, this);
    if (chooser.exec() != QDialog::Accepted || chooser.Chosen() < 0)
        return;
    const ScoreFile::BackupInfo& chosen = backups[std::size_t(chooser.Chosen())];
    if (!chosen.Damage.isEmpty()) {
        QMessageBox::warning(this, TheSchool.ProgramTitle,
                             QStringLiteral("この控えには戻せません（%1）。成績ファイルはそのままです。\n%2")
                                 .arg(chosen.Damage, QDir::toNativeSeparators(TheSchool.DataFolder + chosen.Name)));
        return;
    }
    QString question = QStringLiteral("このバックアップに戻しますか。今の成績ファイルもバックアップとして残ります。");
    if (!chosen.KnowsAppended)
        question += QStringLiteral("\n\nこの控えには、作った後に加わった成績がどれかの記録がありません（前の版で作った控えか、"
                                   "その記録が失われています）。今の成績ファイルにあって控えにない記録を、控えの後に加わったものとして"
                                   "控えの内容の後に残します。記録の順番が変わることがあります。");
    QMessageBox ask(QMessageBox::Warning, QStringLiteral("注意"), question,
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    ask.setDefaultButton(QMessageBox::Cancel);
    if (ask.exec() != QMessageBox::Ok)
        return;
    EndEditing();
    try {
        file.RestoreBackup(chosen.Name);
    } catch (const FatalError& e) {
        ReportFailure(e.Message);
        return;
    }
    if (!BuildRecordList())
        return;
    QMessageBox::information(this, TheSchool.ProgramTitle,
                             QStringLiteral("成績ファイルを %1 の控えの内容に戻しました。")
                                 .arg(chosen.Made.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))));
}

void RecordBrowser::PrintList()
{
    if (Closing)
        return;
    std::vector<int> rows;
    for (const QModelIndex& index : RecordList->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty()) {
        rows.resize(std::size_t(Records->rowCount()));
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = int(i);
    }
    if (rows.empty()) {
        QMessageBox::information(this, TheSchool.ProgramTitle, QStringLiteral("印刷する記録がありません。"));
        return;
    }
    if (!Printer) {
        OwnPrinter = std::make_unique<DialogPrinter>(this);
        Printer = OwnPrinter.get();
    }
    SheetPrinter::Document doc;
    doc.Title = TheSchool.ProgramTitle + QStringLiteral(" 成績データ");
    doc.Day = Env.TheClock->Today();
    doc.PupilName = QStringLiteral("成績データ");
    QString error;
    QPagedPaintDevice* device = Printer->Begin(doc, &error);
    if (!device) {
        if (!error.isEmpty()) // empty: the teacher cancelled the dialog
            QMessageBox::warning(this, TheSchool.ProgramTitle, error);
        return;
    }
    const QString heading = doc.Title + QStringLiteral("　") + doc.Day.toString(QStringLiteral("yyyy/MM/dd"))
                            + QStringLiteral("　") + CountLabel->text();
    const bool painted = PaintLines(device, heading, int(rows.size()),
                                    [this, &rows](int i) { return Records->Line(rows[std::size_t(i)]); });
    QString where;
    if (!Printer->Finish(painted, &where, &error)) {
        QMessageBox::warning(this, TheSchool.ProgramTitle,
                             error.isEmpty() ? QStringLiteral("印刷できませんでした。") : error);
        return;
    }
    const QString lines = QStringLiteral("%1行").arg(rows.size());
    QMessageBox::information(
        this, TheSchool.ProgramTitle,
        Printer->WritesFiles()
            ? QStringLiteral("プリンターがないため、%1をPDFファイルに保存しました。\n%2").arg(lines, where)
            : QStringLiteral("%1を「%2」に印刷しました。").arg(lines, where));
}

void RecordBrowser::GoBack()
{
    EndEditing();
    emit BackChosen();
}

void RecordBrowser::SelectRow(int row)
{
    if (row < 0 || row >= Records->rowCount())
        return;
    const QModelIndex index = Records->index(row);
    RecordList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    RecordList->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void RecordBrowser::EndEditing()
{
    EditedNumber = 0;
    EditedRecord = ScoreRecord();
    SaveButton->setEnabled(false);
    DeleteButton->setEnabled(false);
    EditPanel->hide();
}

void RecordBrowser::ReportFailure(const QString& message)
{
    const QModelIndex current = RecordList->currentIndex();
    const qint32 number = current.isValid() ? Records->RecordNumber(current.row()) : 0;
    QMessageBox::warning(this, TheSchool.ProgramTitle, message);
    if (BuildRecordList() && number > 0)
        SelectRow(Records->RowOf(number));
}

void RecordBrowser::CloseWith(const QString& message)
{
    if (Closing)
        return;
    Closing = true;
    EndEditing();
    // After the event that failed, so that a failure while the screen opens is said over it.
    QTimer::singleShot(0, this, [this, message] {
        QMessageBox::warning(this, TheSchool.ProgramTitle, message + QStringLiteral("\nメニューに戻ります。"));
        emit BackChosen();
    });
}
