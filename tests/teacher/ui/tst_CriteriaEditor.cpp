// The pass-criteria editor on the offscreen platform over a real installation: the edit box over
// the grid and its keys, saving and leaving with the question, the spread of the times following
// the score file, and the screens that cannot open going back to the menu.
#include "teacher/ui/CriteriaEditor.h"
#include "records/PassCriteriaFile.h"
#include "records/ScoreRecord.h"
#include "support/TestScopes.h"
#include "records/ScoreRecordCodec.h"
#include "support/AppCalls.h"
#include "support/Screens.h"
#include "support/TestInstallation.h"
#include "base/Cp932.h"
#include "base/OleDate.h"
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>
#include <memory>

namespace {
const QString Header = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\n");
const QString Levels = QStringLiteral("150,240,150,10,1,30,0,14,1,,,\n"
                                      "120,200,160,11,1.2,31,0,15,2,,,\n"
                                      "90,150,170,12,1.5,32,0,16,3,,,\n"
                                      "60,100,180,13,2,33,0,17,4,,,\n");
const QString Question = QStringLiteral("データが変更されています。記録しますか？");
const QColor Yellow(255, 255, 0);

QByteArray Crlf(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return Cp932::Encode(t);
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

ScoreRecord Record(int pupil, int level, qint32 seconds)
{
    ScoreRecord r;
    r.Date = OleDate::FromDate(QDate(2026, 12, 10));
    r.TimeOfDay = 0.5;
    r.Pupil = qint16(pupil);
    r.Level = qint16(level);
    r.Seconds = seconds;
    return r;
}

// Reads every message box that comes up and answers it: a question with `Answer`, any other box
// with OK.
class BoxWatch : public QObject {
public:
    explicit BoxWatch(QMessageBox::StandardButton answer = QMessageBox::No) : Answer(answer)
    {
        connect(&Poll, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (box->button(QMessageBox::Yes)) {
                Questions << box->windowTitle() + u'|' + box->text();
                box->button(Answer)->click();
            } else {
                Texts << box->text();
                box->done(QMessageBox::Ok);
            }
        });
        Poll.start(10);
    }
    QMessageBox::StandardButton Answer;
    QStringList Questions;  // "title|text"
    QStringList Texts;

private:
    QTimer Poll;
};

// Counts how often a widget is shown.
class ShowCounter : public QObject {
public:
    int Shown = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            ++Shown;
        return false;
    }
};
} // namespace

class TestCriteriaEditor : public QObject {
    Q_OBJECT
    std::unique_ptr<TestInstallation> Inst;
    QPointer<CriteriaEditor> Screen;
    int Backs = 0;

    QString CriteriaPath() const { return PassCriteriaFile::Path(Inst->DataFolder); }
    void Create()
    {
        Screen = new CriteriaEditor(TestSchool(), TestEnv());
        connect(Screen, &CriteriaEditor::BackChosen, this, [this] { ++Backs; });
        Screen->ShowScreen();
        QVERIFY(QTest::qWaitForWindowExposed(Screen));
    }
    void Open()
    {
        Create();
        QTRY_VERIFY(Screen->IsReady());
    }
    template <class T> T* Find(const char* name) const
    {
        T* found = Screen->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no %s", name);
        return found;
    }
    QLineEdit* EditBox() const { return Find<QLineEdit>("Gridinputtext"); }
    QTableView* View() const { return Find<QTableView>("MSFlexGrid1"); }
    QStringList Rows(const char* list) const
    {
        QStringList rows;
        const QAbstractItemModel* m = Find<QListView>(list)->model();
        for (int row = 0; row < m->rowCount(); ++row)
            rows << m->index(row, 0).data().toString();
        return rows;
    }
    QModelIndex Cell(int row, int column) const { return View()->model()->index(row - 1, column); }
    // One key a character as in the grid's test: ^ v V < > _ ~ = ! are keys, others are typed.
    void Keys(const QString& script)
    {
        for (const QChar c : script) {
            switch (c.unicode()) {
            case u'^': QTest::keyClick(EditBox(), Qt::Key_Up); break;
            case u'v': QTest::keyClick(EditBox(), Qt::Key_Down); break;
            case u'V': QTest::keyClick(EditBox(), Qt::Key_Down, Qt::ShiftModifier); break;
            case u'<': QTest::keyClick(EditBox(), Qt::Key_Left); break;
            case u'>': QTest::keyClick(EditBox(), Qt::Key_Right); break;
            case u'_': QTest::keyClick(EditBox(), Qt::Key_Space); break;
            case u'~': QTest::keyClick(EditBox(), Qt::Key_Backspace); break;
            case u'=': QTest::keyClick(EditBox(), Qt::Key_Return); break;
            case u'!': QTest::keyClick(EditBox(), Qt::Key_Escape); break;
            default: QTest::keyClick(EditBox(), c.toLatin1()); break;
            }
        }
    }
    void ClickCell(int row, int column)
    {
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, View()->visualRect(Cell(row, column)).center());
    }
    // The edit box stands over the cell, showing its text.
    void EditBoxOver(int row, int column)
    {
        QCOMPARE(EditBox()->geometry(), View()->visualRect(Cell(row, column)));
        QVERIFY(EditBox()->isVisible());
        QCOMPARE(EditBox()->text(), Cell(row, column).data().toString());
        QCOMPARE(View()->currentIndex(), Cell(row, column));
    }

private slots:
    void init()
    {
        ResetTestScopes();
        TestEnv().Wait = [](int) {};
        TestSchool().ProgramTitle = QStringLiteral("ゾメ２");
        Inst = std::make_unique<TestInstallation>();
        Inst->WriteAll();
        Inst->ApplyTo(TestSchool());
        Inst->WriteCriteria(Levels);
        AppCalls::LoadPassCriteria();
        QByteArray scores;
        for (const ScoreRecord& r : {Record(1, 1, 1500), Record(2, 1, 45), Record(2, 1, 47), Record(3, 2, 60)})
            scores += ScoreRecordCodec::Encode(r);
        QFile f(AppCalls::File().Path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(scores), scores.size());
        TestEnv().Windowed = true;
        Backs = 0;
    }
    void cleanup()
    {
        DeleteAllScreens();
        TestEnv().Windowed = false;
        ResetTestScopes();
    }

    void opensOnLevelOne()
    {
        BoxWatch boxes;
        Open();
        QCOMPARE(Screen->objectName(), QStringLiteral("FrmTimeData"));
        QCOMPARE(Find<QLabel>("Label1")->text(),
                 QStringLiteral("成績の基準となるデータを変更できます。\nプログラムを選んでください。"));
        QCOMPARE(Find<QPushButton>("Command2")->text(), QStringLiteral("元に戻す"));
        QCOMPARE(Find<QPushButton>("Command3")->text(), QStringLiteral("更新記録"));
        QCOMPARE(Find<QPushButton>("Command4")->text(), QStringLiteral("戻る"));
        QCOMPARE(Find<QRadioButton>("Option1_0")->text(), QStringLiteral("度数表示"));
        QCOMPARE(Find<QRadioButton>("Option1_1")->text(), QStringLiteral("度数非表示"));
        QCOMPARE(Find<QLabel>("Label4")->text(), QStringLiteral("Just a moment,please."));
        QVERIFY(!Find<QWidget>("Picture2")->isVisible());

        // Thirteen columns of one width under their headers, a row a level.
        const QHeaderView* header = View()->horizontalHeader();
        QCOMPARE(header->count(), 13);
        QStringList headers;
        for (int column = 0; column < 13; ++column) {
            headers << View()->model()->headerData(column, Qt::Horizontal).toString();
            QVERIFY(std::abs(header->sectionSize(column) - header->sectionSize(0)) <= 1);
        }
        QCOMPARE(headers, (QStringList{"レベル", "目標Time", "最低Time", "ｸﾘｱﾎﾟｲﾝﾄ", "ｸﾘｱ回数", "ﾎﾟｲﾝﾄ倍率", "禁回", "禁点",
                                       "判期間", "禁期間", "", "", ""}));
        QCOMPARE(View()->model()->rowCount(), 4);
        QCOMPARE(Cell(4, 0).data().toString(), QStringLiteral("4"));

        EditBoxOver(1, 1);
        QCOMPARE(EditBox()->text(), QStringLiteral("150"));
        QCOMPARE(EditBox()->cursorPosition(), 3);
        QTRY_COMPARE(QApplication::focusWidget(), EditBox());
        QCOMPARE(Find<QLabel>("Label2")->text(),
                 QStringLiteral("合格基準タイム\n　大部分の人ががんばったら出せそうなタイムにしてください"));

        const QStringList all = Rows("List3");
        QCOMPARE(all.size(), 102);
        QCOMPARE(all[0], QStringLiteral("レベル1 今まで3回  （★=1）"));
        QCOMPARE(all[5], QStringLiteral("  40～★★"));
        QCOMPARE(all[101], QStringLiteral("1000～★"));
        const QStringList best = Rows("List4");
        QCOMPARE(best.size(), 102);
        QCOMPARE(best[0], QStringLiteral("レベル1 （★=1）"));
        QCOMPARE(best[31], QStringLiteral(" 300～★"));
        QVERIFY(boxes.Texts.isEmpty());
        QCOMPARE(Backs, 0);
    }

    // The keys reach the grid, and the edit box, the help and the spread follow the current cell.
    void keys_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QPoint>("cell");  // column, row
        QTest::addColumn<QString>("help");
        QTest::addColumn<QString>("spread");
        QTest::addColumn<QString>("text");

        const QString help1 = QStringLiteral("合格基準タイム\n　大部分の人ががんばったら出せそうなタイムにしてください");
        QTest::newRow("down to level 2") << "v" << QPoint(1, 2) << help1 << "レベル2 今まで1回" << "120";
        QTest::newRow("up stops at level 1") << "^" << QPoint(1, 1) << help1 << "レベル1 今まで3回" << "150";
        QTest::newRow("down stops at the last level") << "vvvvv" << QPoint(1, 4) << help1 << "レベル4 今まで0回" << "60";
        QTest::newRow("the rate's help has three lines")
            << ">>>>" << QPoint(5, 1)
            << QStringLiteral("ポイント倍率\n  ポイントを何倍にして加算するか\n  むずかしいレベルや生徒のいやがるレベルは高くしてください")
            << "レベル1 " << "1";
        QTest::newRow("lowest time") << ">" << QPoint(2, 1) << QStringLiteral("合格最低ラインタイム\n  この５倍が時間切れになります")
                                     << "レベル1 " << "240";
        QTest::newRow("right stops at column 12, which has no help") << QString(13, u'>') << QPoint(12, 1) << QString()
                                                                      << "レベル1 " << "";
        QTest::newRow("left stops at column 1") << "><<" << QPoint(1, 1) << help1 << "レベル1 " << "150";
        QTest::newRow("space then 45") << "_45" << QPoint(1, 1) << help1 << "レベル1 " << "45";
        QTest::newRow("enter and escape stay") << "v=!" << QPoint(1, 2) << help1 << "レベル2 " << "120";
    }
    void keys()
    {
        QFETCH(QString, script);
        QFETCH(QPoint, cell);
        QFETCH(QString, help);
        QFETCH(QString, spread);
        QFETCH(QString, text);
        Open();
        Keys(script);
        EditBoxOver(cell.y(), cell.x());
        QCOMPARE(EditBox()->text(), text);
        QCOMPARE(Find<QLabel>("Label2")->text(), help);
        QVERIFY2(Rows("List3").value(0).startsWith(spread), qPrintable(Rows("List3").value(0)));
        QVERIFY2(Rows("List4").value(0).startsWith(spread.left(spread.indexOf(u' '))), qPrintable(Rows("List4").value(0)));
    }

    // Space then 45: the cell holds 45 in yellow; Shift+Down fills it down the selected rows.
    void editedCellsAreYellow()
    {
        Open();
        Keys(QStringLiteral("_45VV"));
        QCOMPARE(EditBox()->text(), QStringLiteral("45"));
        for (int row = 1; row <= 3; ++row) {
            QCOMPARE(Cell(row, 1).data().toString(), QStringLiteral("45"));
            QCOMPARE(Cell(row, 1).data(Qt::BackgroundRole).value<QColor>(), Yellow);
        }
        QCOMPARE(Cell(4, 1).data().toString(), QStringLiteral("60"));
        QVERIFY(!Cell(1, 2).data(Qt::BackgroundRole).isValid());
        EditBoxOver(1, 1);
        const QModelIndexList selected = View()->selectionModel()->selectedIndexes();
        QCOMPARE(QSet<QModelIndex>(selected.begin(), selected.end()),
                 (QSet<QModelIndex>{Cell(1, 1), Cell(2, 1), Cell(3, 1)}));
        // A click makes another cell current and ends the selection.
        ClickCell(4, 3);
        EditBoxOver(4, 3);
        QCOMPARE(View()->selectionModel()->selectedIndexes(), QModelIndexList{Cell(4, 3)});
        QCOMPARE(Find<QLabel>("Label2")->text(), QStringLiteral("目標ポイント\n　　 目標ポイント"));
        QVERIFY(Rows("List3").value(0).startsWith(QStringLiteral("レベル4 ")));
    }

    // "更新記録" writes the file as the grid shows it, under the wait panel, and the criteria of
    // every screen follow at once.
    void saveWritesAndReloads()
    {
        BoxWatch boxes;
        Open();
        ShowCounter waitPanel;
        Find<QWidget>("Picture2")->installEventFilter(&waitPanel);
        const QByteArray before = ReadBytes(CriteriaPath());
        TestSchool().Criteria[1].TargetTime = 7777;
        Find<QPushButton>("Command3")->click();
        QCOMPARE(ReadBytes(CriteriaPath()), before);
        QCOMPARE(TestSchool().Criteria[1].TargetTime, 150);
        QCOMPARE(waitPanel.Shown, 1);
        QVERIFY(!Find<QWidget>("Picture2")->isVisible());

        Keys(QStringLiteral("v>_45"));
        Find<QPushButton>("Command3")->click();
        QString expected = Levels;
        expected.replace(QStringLiteral("120,200,"), QStringLiteral("120,45,"));
        QCOMPARE(ReadBytes(CriteriaPath()), Crlf(Header + expected));
        QCOMPARE(TestSchool().Criteria[2].LowestTime, 45);
        QCOMPARE(Cell(2, 2).data(Qt::BackgroundRole).value<QColor>(), Yellow);
        QVERIFY(boxes.Texts.isEmpty());
        QCOMPARE(QDir(Inst->DataFolder).entryList({QStringLiteral("タイム回数データ*")}, QDir::Files),
                 QStringList{QStringLiteral("タイム回数データ.txt")});
        // Saved: leaving asks nothing.
        Find<QPushButton>("Command4")->click();
        QVERIFY(boxes.Questions.isEmpty());
        QCOMPARE(Backs, 1);
    }

    // A value the reader would refuse or misread is named with its level and column; nothing is
    // written, and the edit box goes to the cell.
    void refusedSaveWritesNothing()
    {
        BoxWatch boxes;
        Open();
        ClickCell(2, 4);
        EditBoxOver(2, 4);
        Keys(QStringLiteral("_1x"));
        Keys(QStringLiteral("v>"));
        const QByteArray before = ReadBytes(CriteriaPath());
        TestSchool().Criteria[2].ClearCount = 77;
        Find<QPushButton>("Command3")->click();
        QCOMPARE(boxes.Texts.size(), 1);
        const QString message = boxes.Texts[0];
        QVERIFY2(message.contains(QStringLiteral("レベル2の「ｸﾘｱ回数」の「1x」")), qPrintable(message));
        QCOMPARE(ReadBytes(CriteriaPath()), before);
        QCOMPARE(TestSchool().Criteria[2].ClearCount, qint16(77));
        EditBoxOver(2, 4);
        QVERIFY(!Find<QWidget>("Picture2")->isVisible());
    }

    void leaving_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("restore");  // "元に戻す" before "戻る"
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("file");  // the criteria file afterwards
        QTest::addColumn<bool>("back");

        QString with45 = Levels;
        with45.replace(0, 3, QStringLiteral("45"));
        QTest::newRow("nothing changed: no question") << "" << false << int(QMessageBox::Yes) << false << Levels << true;
        QTest::newRow("a change, not recorded") << "_45" << false << int(QMessageBox::No) << true << Levels << true;
        QTest::newRow("a change, recorded") << "_45" << false << int(QMessageBox::Yes) << true << with45 << true;
        QTest::newRow("元に戻す does not forget the change") << "_45" << true << int(QMessageBox::No) << true << Levels << true;
        QTest::newRow("a refused change stays on the screen") << "_4x" << false << int(QMessageBox::Yes) << true << Levels
                                                              << false;
    }
    void leaving()
    {
        QFETCH(QString, script);
        QFETCH(bool, restore);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(QString, file);
        QFETCH(bool, back);
        BoxWatch boxes{QMessageBox::StandardButton(answer)};
        Open();
        Keys(script);
        if (restore) {
            Find<QPushButton>("Command2")->click();
            QCOMPARE(Cell(1, 1).data().toString(), QStringLiteral("150"));
            QVERIFY(!Cell(1, 1).data(Qt::BackgroundRole).isValid());
            EditBoxOver(1, 1);
        }
        Find<QPushButton>("Command4")->click();
        QCOMPARE(boxes.Questions, asked ? QStringList{QStringLiteral("注意|") + Question} : QStringList());
        QCOMPARE(ReadBytes(CriteriaPath()), Crlf(Header + file));
        QCOMPARE(Backs, back ? 1 : 0);
        QCOMPARE(Find<QWidget>("Picture2")->isVisible(), back);
        if (!back) {
            QCOMPARE(boxes.Texts.size(), 1);
            QVERIFY2(boxes.Texts[0].contains(QStringLiteral("レベル1の「目標Time」")), qPrintable(boxes.Texts[0]));
        } else {
            QVERIFY(boxes.Texts.isEmpty());
        }
    }

    // A screen that cannot open says why, naming the file, and goes back to the menu.
    void cannotOpen_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("error");
        QTest::newRow("no criteria file") << "criteria missing" << "合格基準のファイルがありません";
        QTest::newRow("a damaged criteria file") << "criteria damaged" << "2行目";
        QTest::newRow("a folder in the score file's place") << "score folder" << "成績ファイル";
    }
    void cannotOpen()
    {
        QFETCH(QString, damage);
        QFETCH(QString, error);
        QString path = CriteriaPath();
        if (damage == QLatin1String("criteria missing")) {
            QVERIFY(QFile::remove(path));
        } else if (damage == QLatin1String("criteria damaged")) {
            Inst->WriteCriteria(QStringLiteral("60,90,100,5,1,0,0,7,7,,,,\n") + Levels);
        } else {
            path = AppCalls::File().Path();
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkdir(path));
        }
        const QByteArray before = ReadBytes(CriteriaPath());
        BoxWatch boxes;
        Create();
        QTRY_COMPARE(Backs, 1);
        QVERIFY(!Screen->IsReady());
        QCOMPARE(boxes.Texts.size(), 1);
        const QString message = boxes.Texts[0];
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY2(message.contains(error), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("メニューに戻ります")), qPrintable(message));
        QCOMPARE(ReadBytes(CriteriaPath()), before);
    }

    // What shows the spread again sees a record appended meanwhile.
    void spreadFollowsTheScoreFile_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::newRow("a key") << "Enter";
        QTest::newRow("a typed character") << "5";
        QTest::newRow("a click on a cell") << "click";
        QTest::newRow("Command7") << "Command7";
        QTest::newRow("度数表示") << "Option1_0";
        QTest::newRow("度数非表示") << "Option1_1";
    }
    void spreadFollowsTheScoreFile()
    {
        QFETCH(QString, trigger);
        Open();
        QCOMPARE(Rows("List3").value(0), QStringLiteral("レベル1 今まで3回  （★=1）"));
        AppCalls::File().AppendScoreRecord(Record(4, 1, 45));
        Find<QWidget>("Picture1")->hide();
        if (trigger == QLatin1String("Enter"))
            Keys(QStringLiteral("="));
        else if (trigger == QLatin1String("5"))
            Keys(QStringLiteral("5"));
        else if (trigger == QLatin1String("click"))
            ClickCell(1, 3);
        else if (trigger == QLatin1String("Command7"))
            Find<QPushButton>("Command7")->click();
        else
            Find<QRadioButton>(qPrintable(trigger))->click();
        QCOMPARE(Rows("List3").value(0), QStringLiteral("レベル1 今まで4回  （★=1）"));
        QCOMPARE(Rows("List3").value(5), QStringLiteral("  40～★★★"));
        QCOMPARE(Rows("List4").value(5), QStringLiteral("  40～★★"));
        // Both options show the panel.
        QCOMPARE(Find<QWidget>("Picture1")->isVisible(), trigger.startsWith(QLatin1String("Option1")));
    }

    // A score file lost while the teacher edits is told once, not at every key; "度数分布表示"
    // tries again.
    void lostScoreFileIsToldOnce()
    {
        BoxWatch boxes;
        Open();
        const QString path = AppCalls::File().Path();
        const QString kept = Inst->DataFolder + "kept.dat";
        QVERIFY(QFile::rename(path, kept));
        QVERIFY(QDir().mkdir(path));
        Keys(QStringLiteral("v"));
        QCOMPARE(boxes.Texts.size(), 1);
        QVERIFY2(boxes.Texts[0].contains(QDir::toNativeSeparators(path)), qPrintable(boxes.Texts[0]));
        QVERIFY(Rows("List3").isEmpty());
        Keys(QStringLiteral("v_7"));
        QCOMPARE(boxes.Texts.size(), 1);
        QCOMPARE(EditBox()->text(), QStringLiteral("7"));
        QVERIFY(QDir().rmdir(path));
        QVERIFY(QFile::rename(kept, path));
        Find<QPushButton>("Command7")->click();
        QCOMPARE(Rows("List3").value(0), QStringLiteral("レベル3 今まで0回  （★=1）"));
        QCOMPARE(boxes.Texts.size(), 1);
        QCOMPARE(Backs, 0);
    }
};

QTEST_MAIN(TestCriteriaEditor)
#include "tst_CriteriaEditor.moc"
