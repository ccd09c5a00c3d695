// The record browser on the offscreen platform, over a real installation and score file: the
// lines it lists, the record a double-click loads, what changing and deleting do to the file's
// bytes, the values it refuses, the failures it reports, and the lines it prints to real PDFs.
#include "base/OleDate.h"
#include "support/SheetPages.h"
#include "base/ui/SystemSheetPrinter.h"
#include "records/ScoreRecord.h"
#include "support/TestScopes.h"
#include "records/ScoreRecordCodec.h"
#include "support/AppCalls.h"
#include "support/ManualClock.h"
#include "support/ReadOnlyFile.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include "teacher/ui/RecordBrowser.h"
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProcess>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

namespace {
// Thursday 10 December 2026: school year 2026, so reference year 2015 is 小５ and 2014 小６.
const QDateTime Now(QDate(2026, 12, 10), QTime(10, 0, 0));

ScoreRecord Record(int pupil, int level, qint32 seconds, const QByteArray& school = "12345")
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(Now.date()) - 1;
    r.TimeOfDay = OleDate::FromTime(QTime(9, 30, 15));
    r.Pupil = qint16(pupil);
    r.Level = qint16(level);
    r.Seconds = seconds;
    r.SchoolCode = school;
    return r;
}

// Records told apart by their seconds.
std::vector<ScoreRecord> Numbered(int count)
{
    std::vector<ScoreRecord> records;
    for (int i = 1; i <= count; ++i)
        records.push_back(Record(1 + i % 2, 1 + i % 3, 10 + i));
    return records;
}

QByteArray Bytes(const std::vector<ScoreRecord>& records)
{
    QByteArray bytes;
    for (const ScoreRecord& r : records)
        bytes += ScoreRecordCodec::Encode(r);
    return bytes;
}

// Text as a PDF reader gives it back, without blanks: the ideographic spaces of a line come back as
// blanks or not at all.
QString Printed(QString text) { return SheetPages::Squeezed(text.replace(QChar(0x3000), u' ')); }

QString ScorePath() { return AppCalls::File().Path(); }

QByteArray FileBytes()
{
    QFile f(ScorePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The teacher who reads each message box and answers it: every box that becomes the active modal
// window is noted (title, then text) and closed with `Answer`.
class Teacher : public QObject {
public:
    Teacher()
    {
        connect(&Poll, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Titles << box->windowTitle();
                Texts << box->text();
                box->done(Answer);
            }
        });
        Poll.start(10);
    }
    QMessageBox::StandardButton Answer = QMessageBox::Ok;
    QStringList Titles;
    QStringList Texts;

private:
    QTimer Poll;
};

} // namespace

class TestRecordBrowser : public QObject {
    Q_OBJECT
    ManualClock Clock{Now};
    std::unique_ptr<TestInstallation> Inst;
    std::unique_ptr<QTemporaryDir> PdfDir;
    std::unique_ptr<SystemSheetPrinter> Pdf;
    QPointer<RecordBrowser> Screen;

    void Open()
    {
        Screen = new RecordBrowser(TestSchool(), TestEnv());
        Screen->SetPrinter(Pdf.get());
        Screen->ShowScreen();
        QVERIFY(QTest::qWaitForWindowExposed(Screen));
    }
    QListView* List() const { return Screen->findChild<QListView*>(QStringLiteral("List1")); }
    QPushButton* Button(const char* name) const { return Screen->findChild<QPushButton*>(QLatin1String(name)); }
    QLabel* Label(const char* name) const { return Screen->findChild<QLabel*>(QLatin1String(name)); }
    QComboBox* Chooser() const { return Screen->findChild<QComboBox*>(QStringLiteral("Combo1")); }
    QLineEdit* SecondsText() const { return Screen->findChild<QLineEdit*>(QStringLiteral("Text1_1")); }
    QScrollBar* SecondsBar() const { return Screen->findChild<QScrollBar*>(QStringLiteral("VScroll1")); }
    QWidget* EditPanel() const { return Screen->findChild<QWidget*>(QStringLiteral("EditPanel")); }

    QStringList Lines() const
    {
        QStringList lines;
        const QAbstractItemModel* m = List()->model();
        for (int row = 0; row < m->rowCount(); ++row)
            lines << m->index(row, 0).data().toString();
        return lines;
    }
    // The record number and the seconds of every line.
    QStringList NumbersAndSeconds() const
    {
        QStringList shown;
        for (const QString& line : Lines())
            shown << line.left(4).trimmed() + u'@' + line.mid(line.indexOf(QStringLiteral("秒")) - 5, 5).trimmed();
        return shown;
    }
    QList<int> SelectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex& index : List()->selectionModel()->selectedRows())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // A teacher's double click: press, release, double click, release.
    void DoubleClick(int row)
    {
        const QModelIndex index = List()->model()->index(row, 0);
        List()->scrollTo(index);
        const QPoint at = List()->visualRect(index).center();
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(List()->viewport(), Qt::LeftButton, {}, at);
    }
    void TypeSeconds(const QString& text)
    {
        SecondsText()->selectAll();
        QTest::keyClicks(SecondsText(), text);
    }
    void ChoosePupil(int pupil)
    {
        const int index = Chooser()->findData(pupil);
        QVERIFY(index >= 0);
        Chooser()->setCurrentIndex(index);
        emit Chooser()->activated(index);
    }

private slots:
    void initTestCase() { TestEnv().Windowed = true; }
    void init()
    {
        ResetTestScopes();
        TestEnv().TheClock = &Clock;
        TestEnv().Wait = [](int) {};
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        Inst->ApplyTo(TestSchool());
        TestSchool().SchoolName = QStringLiteral("テスト小学校");
        // Pupil 3 is hidden: named in the lines, not offered in the chooser.
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n2,2014,0,0,佐藤花子,0,,\n3,2015,0,0,鈴木一郎,1,,\n"));
        PdfDir = std::make_unique<QTemporaryDir>();
        Pdf = std::make_unique<SystemSheetPrinter>(SystemSheetPrinter::Output::PdfFiles);
        Pdf->SetPdfFolder(PdfDir->path());
    }
    void cleanup()
    {
        DeleteAllScreens();
        Pdf.reset();
        ResetTestScopes();
    }

    // A file of another installation's records: one line each, marked as another school's; nothing
    // can be changed before a line is double-clicked.
    void listsAnotherSchoolsRecords()
    {
        AppCalls::WriteScoreBytes(Bytes({Record(1, 1, 45, "99999"), Record(2, 2, 50, "99999"), Record(3, 3, 99999, "99999")}));
        Open();
        QCOMPARE(Lines(), QStringList({
            QStringLiteral("   1 2026/12/09　  9:30:15ﾚﾍﾞﾙ1　   45秒 　   1 山田太郎　　 小５++他塾"),
            QStringLiteral("   2 2026/12/09　  9:30:15ﾚﾍﾞﾙ2　   50秒 　   2 佐藤花子　　 小６++他塾"),
            QStringLiteral("   3 2026/12/09　  9:30:15ﾚﾍﾞﾙ3　99999秒 　   3 鈴木一郎　　 小５++他塾"),
        }));
        QCOMPARE(Label("CountLabel")->text(), QStringLiteral("総レコード数:3"));
        QVERIFY(!EditPanel()->isVisible());
        QVERIFY(!Button("Command2")->isEnabled());
        QVERIFY(!Button("Command3")->isEnabled());
        QCOMPARE(Chooser()->count(), 2);
        QCOMPARE(Chooser()->itemText(0), QStringLiteral("1 /  山田太郎"));
        QCOMPARE(Chooser()->itemText(1), QStringLiteral("2 /  佐藤花子"));
    }

    // With a record of level 0 before it, a double-click loads the record whose number the line
    // shows, and changing and deleting touch that record and no other.
    void levelZeroRecordBeforeTheEditedOne()
    {
        std::vector<ScoreRecord> records = {Record(1, 1, 11), Record(2, 0, 12), Record(1, 2, 13), Record(2, 3, 14)};
        AppCalls::WriteScoreBytes(Bytes(records));
        Open();
        QCOMPARE(NumbersAndSeconds(), QStringList({"1@11", "3@13", "4@14"}));
        QCOMPARE(Label("CountLabel")->text(), QStringLiteral("総レコード数:4"));

        DoubleClick(1);
        QVERIFY(EditPanel()->isVisible());
        QCOMPARE(Screen->SelectedRecord(), 3);
        QVERIFY(Label("NumberLabel")->text().endsWith(QStringLiteral("3")));
        QCOMPARE(Label("LevelLabel")->text(), QStringLiteral("2ﾚﾍﾞﾙ"));
        QCOMPARE(Label("DateLabel")->text(), QStringLiteral("2026/12/09　9:30:15"));
        QCOMPARE(Label("GradeLabel")->text(), QStringLiteral("小５"));
        QCOMPARE(SecondsText()->text(), QStringLiteral("13"));
        QCOMPARE(Chooser()->currentText(), QStringLiteral("1 /  山田太郎"));

        TypeSeconds(QStringLiteral("40"));
        Button("Command2")->click();
        records[2].Seconds = 40;
        QCOMPARE(FileBytes().toHex(), Bytes(records).toHex());
        QCOMPARE(NumbersAndSeconds(), QStringList({"1@11", "3@40", "4@14"}));
        QCOMPARE(SelectedRows(), QList<int>{1});

        Teacher teacher;
        Button("Command3")->click();
        QCOMPARE(teacher.Titles, QStringList{QStringLiteral("注意")});
        QCOMPARE(teacher.Texts, QStringList{QStringLiteral("本当に消去しますか")});
        records.erase(records.begin() + 2);
        QCOMPARE(FileBytes().toHex(), Bytes(records).toHex());
        QCOMPARE(NumbersAndSeconds(), QStringList({"1@11", "3@14"}));
        QCOMPARE(SelectedRows(), QList<int>{1});
        // The number that was loaded now names another record: nothing acts on it any more.
        QCOMPARE(Screen->SelectedRecord(), 0);
        QVERIFY(!Button("Command3")->isEnabled());
        QVERIFY(!Button("Command2")->isEnabled());
    }

    void deleteLine_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("linesAfter");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("record 2 of 5: the later ones move up, the same position is selected")
            << 5 << 1 << QStringList({"1@11", "2@13", "3@14", "4@15"}) << 1;
        QTest::newRow("the last line: the new last line is selected") << 4 << 3 << QStringList({"1@11", "2@12", "3@13"}) << 2;
        QTest::newRow("the only line") << 1 << 0 << QStringList() << -1;
    }
    void deleteLine()
    {
        QFETCH(int, records);
        QFETCH(int, row);
        QFETCH(QStringList, linesAfter);
        QFETCH(int, selectedAfter);
        std::vector<ScoreRecord> file = Numbered(records);
        AppCalls::WriteScoreBytes(Bytes(file));
        Open();
        DoubleClick(row);
        QCOMPARE(Screen->SelectedRecord(), row + 1);
        Teacher teacher;
        Button("Command3")->click();
        file.erase(file.begin() + row);
        QCOMPARE(FileBytes().toHex(), Bytes(file).toHex());
        QCOMPARE(NumbersAndSeconds(), linesAfter);
        QCOMPARE(Label("CountLabel")->text(), QStringLiteral("総レコード数:%1").arg(records - 1));
        QCOMPARE(SelectedRows(), selectedAfter < 0 ? QList<int>() : QList<int>{selectedAfter});
    }

    void deleteTakenBack_data()
    {
        QTest::addColumn<bool>("noteLost");
        QTest::newRow("backup with its note") << false;
        QTest::newRow("backup of an older version") << true;
    }
    // A delete taken back: the backups are offered newest first with their counts, the teacher is
    // asked (and told when the attempts appended since the backup can only be guessed), and the list
    // shows the records again.
    void deleteTakenBack()
    {
        QFETCH(bool, noteLost);
        const std::vector<ScoreRecord> file = Numbered(3);
        AppCalls::WriteScoreBytes(Bytes(file));
        Open();
        DoubleClick(1);
        {
            Teacher teacher;
            Button("Command3")->click();
        }
        QCOMPARE(Lines().size(), 2);
        if (noteLost)
            for (const QString& note : QDir(TestSchool().DataFolder).entryList({QStringLiteral("*.bak.tails")}))
                QVERIFY(QFile::remove(TestSchool().DataFolder + note));
        QStringList offered;
        QTimer pick;
        connect(&pick, &QTimer::timeout, this, [&offered] {
            auto* chooser = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!chooser || chooser->objectName() != QLatin1String("BackupChooser"))
                return;
            auto* list = chooser->findChild<QListWidget*>(QStringLiteral("BackupList"));
            for (int row = 0; row < list->count(); ++row)
                offered << list->item(row)->text();
            list->setCurrentRow(0);
            chooser->accept();
        });
        pick.start(10);
        Teacher teacher;
        Button("RestoreButton")->click();
        QCOMPARE(offered.size(), 1);
        QVERIFY2(offered[0].contains(QStringLiteral("3件")) && offered[0].contains(QStringLiteral("今と     1件ちがう")),
                 qPrintable(offered[0]));
        QCOMPARE(teacher.Titles.value(0), QStringLiteral("注意"));
        QVERIFY2(teacher.Texts.value(0).startsWith(QStringLiteral("このバックアップに戻しますか。今の成績ファイルもバックアップとして残ります。")),
                 qPrintable(teacher.Texts.value(0)));
        QCOMPARE(teacher.Texts.value(0).contains(QStringLiteral("記録の順番が変わることがあります")), noteLost);
        QCOMPARE(FileBytes().toHex(), Bytes(file).toHex());
        QCOMPARE(Lines().size(), 3);
    }

    // Without a backup there is nothing to go back to, and the teacher is told so.
    void nothingToTakeBack()
    {
        AppCalls::WriteScoreBytes(Bytes(Numbered(2)));
        Open();
        Teacher teacher;
        Button("RestoreButton")->click();
        QCOMPARE(teacher.Texts.size(), 1);
        QVERIFY2(teacher.Texts[0].contains(QStringLiteral("控えがありません")), qPrintable(teacher.Texts[0]));
        QCOMPARE(Lines().size(), 2);
    }

    void cancelledDeleteKeepsTheRecord()
    {
        AppCalls::WriteScoreBytes(Bytes(Numbered(3)));
        Open();
        DoubleClick(1);
        Teacher teacher;
        teacher.Answer = QMessageBox::Cancel;
        Button("Command3")->click();
        QCOMPARE(teacher.Texts, QStringList{QStringLiteral("本当に消去しますか")});
        QCOMPARE(FileBytes().toHex(), Bytes(Numbered(3)).toHex());
        QCOMPARE(Screen->SelectedRecord(), 2);
    }

    // Only the seconds change: date, time of day, level, pupil and every text field are written
    // back byte for byte.
    void changingOnlyTheSecondsKeepsTheRest()
    {
        ScoreRecord odd = Record(2, 7, 61);
        odd.TimeOfDay = 0.123456789;
        odd.SchoolCode = "ab\x82\xa0 ";
        odd.SpareText2 = "xyz  ";
        odd.SpareText3 = "9    ";
        odd.SpareText4 = QByteArray("\0\x01\x02\x03\x04", 5);
        const std::vector<ScoreRecord> records = {Record(1, 1, 11), odd, Record(1, 1, 13)};
        AppCalls::WriteScoreBytes(Bytes(records));
        Open();
        DoubleClick(1);
        TypeSeconds(QStringLiteral("59"));
        Button("Command2")->click();
        QByteArray expected = Bytes(records);
        expected.replace(44 + 20, 4, QByteArray::fromHex("3b000000"));
        QCOMPARE(FileBytes().toHex(), expected.toHex());
        QCOMPARE(SelectedRows(), QList<int>{1});
        QCOMPARE(SecondsText()->text(), QStringLiteral("59"));
    }

    // A pupil chosen from the chooser shows that pupil's grade and is written.
    void changingThePupil()
    {
        std::vector<ScoreRecord> records = Numbered(2);
        records[0].Pupil = 1;
        AppCalls::WriteScoreBytes(Bytes(records));
        Open();
        DoubleClick(0);
        QCOMPARE(Label("GradeLabel")->text(), QStringLiteral("小５"));
        ChoosePupil(2);
        QCOMPARE(Label("GradeLabel")->text(), QStringLiteral("小６"));
        Button("Command2")->click();
        records[0].Pupil = 2;
        QCOMPARE(FileBytes().toHex(), Bytes(records).toHex());
        QVERIFY(Lines().first().contains(QStringLiteral("   2 佐藤花子　　 小６")));
    }

    // Pupil 0 takes a record out of every list and keeps it in the file.
    void pupilZeroWritten()
    {
        std::vector<ScoreRecord> records = Numbered(2);
        records[0].Pupil = 1;
        AppCalls::WriteScoreBytes(Bytes(records));
        Open();
        DoubleClick(0);
        Chooser()->setEditText(QStringLiteral("0 /  "));
        Button("Command2")->click();
        records[0].Pupil = 0;
        QCOMPARE(FileBytes().toHex(), Bytes(records).toHex());
    }

    // A name changed in the roster file shows when the list is built again, without reopening.
    void rosterReadAgainOnRebuild()
    {
        std::vector<ScoreRecord> records = Numbered(1);
        records[0].Pupil = 2;
        AppCalls::WriteScoreBytes(Bytes(records));
        Open();
        QVERIFY(Lines().first().contains(QStringLiteral("佐藤花子")));
        Inst->WriteRoster(QStringLiteral("1,2015,0,0,山田太郎,0,,\n2,2014,0,0,佐藤はな,0,,\n3,2015,0,0,鈴木一郎,1,,\n"));
        Button("Command1")->click();
        QVERIFY2(Lines().first().contains(QStringLiteral("佐藤はな")), qPrintable(Lines().first()));
        QCOMPARE(Chooser()->itemText(1), QStringLiteral("2 /  佐藤はな"));
    }

    void rejectedValues_data()
    {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("pupil"); // empty: as loaded
        QTest::addColumn<QString>("said");
        QTest::newRow("seconds past 99999") << "100000" << "" << "秒数「100000」";
        QTest::newRow("seconds not a number") << "abc" << "" << "秒数「abc」";
        QTest::newRow("name typed by hand") << "30" << "山田" << "生徒「山田」";
        QTest::newRow("number of nobody") << "30" << "42 /  山田太郎" << "番号42";
        QTest::newRow("hidden pupil") << "30" << "3 /  鈴木一郎" << "鈴木一郎";
    }
    void rejectedValues()
    {
        QFETCH(QString, seconds);
        QFETCH(QString, pupil);
        QFETCH(QString, said);
        const QByteArray before = Bytes(Numbered(2));
        AppCalls::WriteScoreBytes(before);
        Open();
        DoubleClick(0);
        TypeSeconds(seconds);
        if (!pupil.isEmpty())
            Chooser()->setEditText(pupil);
        Teacher teacher;
        Button("Command2")->click();
        QCOMPARE(teacher.Texts.size(), 1);
        QVERIFY2(teacher.Texts[0].contains(said), qPrintable(teacher.Texts[0]));
        QCOMPARE(FileBytes().toHex(), before.toHex());
        // Still loaded: the teacher corrects the value and tries again.
        QCOMPARE(Screen->SelectedRecord(), 1);
        QVERIFY(Button("Command2")->isEnabled());
    }

    // The timed-out time fits the scroll bar; the bar and the text box follow each other.
    void timedOutTimeInTheScrollBar()
    {
        AppCalls::WriteScoreBytes(Bytes({Record(1, 1, 99999)}));
        Open();
        DoubleClick(0);
        QCOMPARE(SecondsText()->text(), QStringLiteral("99999"));
        QCOMPARE(SecondsBar()->maximum(), 99999);
        QCOMPARE(SecondsBar()->value(), 99999);
        SecondsBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(SecondsText()->text(), QStringLiteral("99998"));
        TypeSeconds(QStringLiteral("120"));
        QCOMPARE(SecondsBar()->value(), 120);
        Button("Command2")->click();
        QVERIFY(Lines().first().contains(QStringLiteral("　  120秒 ")));
    }

    void cannotOpen_data()
    {
        QTest::addColumn<bool>("scoreFile");
        QTest::addColumn<bool>("roster");
        QTest::newRow("no score file") << false << true;
        QTest::newRow("no roster") << true << false;
    }
    // The teacher is told which file is missing, and the screen goes back to the menu; a missing
    // score file is not made anew.
    void cannotOpen()
    {
        QFETCH(bool, scoreFile);
        QFETCH(bool, roster);
        if (scoreFile)
            AppCalls::WriteScoreBytes(Bytes(Numbered(2)));
        const QString rosterPath = Inst->DataRoot + QStringLiteral("新名簿.txt");
        if (!roster)
            QVERIFY(QFile::remove(rosterPath));
        Teacher teacher;
        Screen = new RecordBrowser(TestSchool(), TestEnv());
        QSignalSpy back(Screen.data(), &RecordBrowser::BackChosen);
        Screen->ShowScreen();
        QTRY_COMPARE(back.size(), 1);
        QCOMPARE(teacher.Texts.size(), 1);
        const QString missing = QDir::toNativeSeparators(scoreFile ? rosterPath : ScorePath());
        QVERIFY2(teacher.Texts[0].contains(missing), qPrintable(teacher.Texts[0]));
        QCOMPARE(QFileInfo::exists(ScorePath()), scoreFile);
    }

    void failedWriteIsShown_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("change") << "Command2";
        QTest::newRow("delete") << "Command3";
    }
    // A score file that cannot be written: the teacher reads why, nothing is lost, the list is
    // built again from the file and the screen stays.
    void failedWriteIsShown()
    {
        QFETCH(QString, button);
        const QByteArray before = Bytes(Numbered(3));
        AppCalls::WriteScoreBytes(before);
        Open();
        DoubleClick(1);
        TypeSeconds(QStringLiteral("77"));
        ReadOnlyFile readOnly(ScorePath());
        if (!readOnly.Error.isEmpty())
            QSKIP(qPrintable(readOnly.Error));
        QSignalSpy back(Screen.data(), &RecordBrowser::BackChosen);
        Teacher teacher;
        Screen->findChild<QPushButton*>(button)->click();
        QVERIFY2(teacher.Texts.last().contains(QDir::toNativeSeparators(ScorePath())), qPrintable(teacher.Texts.join(u'\n')));
        QCOMPARE(FileBytes().toHex(), before.toHex());
        QCOMPARE(NumbersAndSeconds(), QStringList({"1@11", "2@12", "3@13"}));
        QVERIFY(Screen && Screen->isVisible());
        QTest::qWait(50);
        QCOMPARE(back.size(), 0);
    }

    // Another machine rewrote the file after the list was built: the record under the loaded number
    // is another one, and it is neither overwritten nor deleted.
    void recordChangedBehindTheList_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("change") << "Command2";
        QTest::newRow("delete") << "Command3";
    }
    void recordChangedBehindTheList()
    {
        QFETCH(QString, button);
        std::vector<ScoreRecord> records = Numbered(3);
        AppCalls::WriteScoreBytes(Bytes(records));
        Open();
        DoubleClick(1);
        TypeSeconds(QStringLiteral("77"));
        records.erase(records.begin());
        AppCalls::WriteScoreBytes(Bytes(records));
        Teacher teacher;
        Screen->findChild<QPushButton*>(button)->click();
        QVERIFY2(teacher.Texts.last().contains(QStringLiteral("2番の記録")), qPrintable(teacher.Texts.join(u'\n')));
        QCOMPARE(FileBytes().toHex(), Bytes(records).toHex());
        QCOMPARE(NumbersAndSeconds(), QStringList({"1@12", "2@13"}));
        QCOMPARE(Screen->SelectedRecord(), 0);
    }

    void backButton()
    {
        AppCalls::WriteScoreBytes(Bytes(Numbered(1)));
        Open();
        QSignalSpy back(Screen.data(), &RecordBrowser::BackChosen);
        Button("Command4")->click();
        QCOMPARE(back.size(), 1);
    }

    // The selected lines, and only they, go to a PDF in the fixed-pitch font; the teacher is told
    // where the file is.
    void printsTheSelectedLines()
    {
        AppCalls::WriteScoreBytes(Bytes({Record(1, 1, 45), Record(2, 2, 50, "99999"), Record(3, 3, 99999)}));
        Open();
        const QStringList lines = Lines();
        List()->selectionModel()->select(List()->model()->index(0, 0), QItemSelectionModel::Select);
        List()->selectionModel()->select(List()->model()->index(2, 0), QItemSelectionModel::Select);
        Teacher teacher;
        Button("Command17")->click();
        QCOMPARE(teacher.Texts.size(), 1);
        const QStringList pdfs = QDir(PdfDir->path()).entryList({QStringLiteral("*.pdf")});
        QCOMPARE(pdfs.size(), 1);
        const QString pdf = QDir(PdfDir->path()).filePath(pdfs.first());
        QVERIFY2(teacher.Texts[0].contains(QStringLiteral("2行")) && teacher.Texts[0].contains(QDir::toNativeSeparators(pdf)),
                 qPrintable(teacher.Texts[0]));
        QString problem;
        const QStringList pages = SheetPages::Read(pdf, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(pages.size(), 1);
        const QString text = Printed(pages[0]);
        QVERIFY2(text.contains(Printed(lines[0])), qPrintable(pages[0]));
        QVERIFY2(text.contains(Printed(lines[2])), qPrintable(pages[0]));
        QVERIFY2(!text.contains(QStringLiteral("他塾")), qPrintable(pages[0]));
    }

    // The screen's own printer on a machine without a printer: a PDF in the documents folder, and
    // the teacher is told where.
    void printsToPdfWithoutPrinter()
    {
        if (!QPrinterInfo::availablePrinters().isEmpty())
            QSKIP("this machine has a printer: the print dialog would open");
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
        AppCalls::WriteScoreBytes(Bytes(Numbered(2)));
        Screen = new RecordBrowser(TestSchool(), TestEnv());
        Screen->ShowScreen();
        QVERIFY(QTest::qWaitForWindowExposed(Screen));
        Teacher teacher;
        Button("Command17")->click();
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
        const QDir documents(home.path() + QStringLiteral("/Documents"));
        const QStringList pdfs = documents.entryList({QStringLiteral("*.pdf")});
        QCOMPARE(pdfs.size(), 1);
        QCOMPARE(teacher.Texts.size(), 1);
        QVERIFY2(teacher.Texts[0].contains(QDir::toNativeSeparators(documents.filePath(pdfs.first()))), qPrintable(teacher.Texts[0]));
        QString problem;
        const QStringList pages = SheetPages::Read(documents.filePath(pdfs.first()), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(Printed(pages.join(u' ')).contains(Printed(Lines().last())), qPrintable(pages.join(u'\f')));
    }

    // Without a selection the whole list is printed, a page at a time, every line once and in order.
    void printsTheWholeListOnPages()
    {
        AppCalls::WriteScoreBytes(Bytes(Numbered(150)));
        Open();
        const QStringList lines = Lines();
        Teacher teacher;
        Button("Command17")->click();
        QVERIFY2(teacher.Texts.size() == 1 && teacher.Texts[0].contains(QStringLiteral("150行")), qPrintable(teacher.Texts.join(u'\n')));
        const QStringList pdfs = QDir(PdfDir->path()).entryList({QStringLiteral("*.pdf")});
        QCOMPARE(pdfs.size(), 1);
        QString problem;
        const QStringList pages = SheetPages::Read(QDir(PdfDir->path()).filePath(pdfs.first()), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(pages.size() >= 2, qPrintable(pages.join(u'\f')));
        int page = 0;
        for (const QString& line : lines) {
            const QString wanted = Printed(line);
            while (page < pages.size() && !Printed(pages[page]).contains(wanted))
                ++page;
            QVERIFY2(page < pages.size(), qPrintable(QStringLiteral("not printed in order: ") + line));
            QCOMPARE(Printed(pages[page]).count(wanted), 1);
        }
        for (int p = 0; p < pages.size(); ++p)
            QVERIFY2(pages[p].contains(QStringLiteral("%1/%2").arg(p + 1).arg(pages.size())), qPrintable(pages[p]));
    }
};

QTEST_MAIN(TestRecordBrowser)
#include "tst_RecordBrowser.moc"
