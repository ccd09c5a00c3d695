// The criteria editor's grid without a screen: its keys, the file it loads and writes, the checks
// that keep a save from stopping the classroom's machines at start-up, and a save that fails half-way
// on a real full or read-only disk.
#include "teacher/CriteriaGrid.h"
#include "base/Cp932.h"
#include "base/FatalError.h"
#include "records/PassCriteriaFile.h"
#include "support/TestInstallation.h"
#include <QProcess>
#include <QtTest>
#include <memory>

namespace {
const QString Header = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\n");
// Four levels whose every cell can be told apart.
const QString Levels = QStringLiteral("150,240,150,10,1,30,0,14,1,,,\n"
                                      "120,200,160,11,1.2,31,0,15,2,,,\n"
                                      "90,150,170,12,1.5,32,0,16,3,,,\n"
                                      "60,100,180,13,2,33,0,17,4,,,\n");
constexpr int Required = 3;

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

bool RunCommand(const QStringList& command)
{
    QProcess p;
    p.start(command.first(), command.mid(1));
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The keys of a script: one character a key; any other character is typed.
CriteriaGrid::EditKey KeyOf(QChar c)
{
    using Key = CriteriaGrid::EditKey;
    switch (c.unicode()) {
    case u'^': return Key::Up;
    case u'v': return Key::Down;
    case u'V': return Key::ShiftDown;
    case u'<': return Key::Left;
    case u'>': return Key::Right;
    case u'_': return Key::Space;
    case u'~': return Key::Backspace;
    case u'!': return Key::Escape;
    case u'=': return Key::Enter;
    case u'?': return Key::Other;
    default: return Key::Character;
    }
}

void Press(CriteriaGrid& grid, const QString& script)
{
    for (const QChar c : script)
        grid.PressKey(KeyOf(c), QString(c));
}

// "row,column=text" for every marked cell, row by row.
QStringList EditedCells(const CriteriaGrid& grid)
{
    QStringList cells;
    for (int row = 1; row <= grid.LastRow(); ++row)
        for (int column = 0; column < CriteriaGrid::Columns; ++column)
            if (grid.IsEdited(row, column))
                cells << QStringLiteral("%1,%2=%3").arg(row).arg(column).arg(grid.Cell(row, column));
    return cells;
}

// A field of a criteria row as the editor would show it.
QString FieldText(const PassCriteria& c, int column)
{
    switch (column) {
    case 1: return QString::number(c.TargetTime);
    case 2: return QString::number(c.LowestTime);
    case 3: return QString::number(c.ClearPoints);
    case 4: return QString::number(c.ClearCount);
    case 5: return QString::number(c.PointRate);
    case 6: return c.BanCount.ToText();
    case 7: return c.BanPoints.ToText();
    case 8: return c.JudgeDays.ToText();
    case 9: return c.BanDays.ToText();
    case 10: return c.Extra10.ToText();
    case 11: return c.Extra11.ToText();
    default: return c.Extra12.ToText();
    }
}
} // namespace

class TestCriteriaGrid : public QObject {
    Q_OBJECT
    std::unique_ptr<TestInstallation> Inst;
    std::unique_ptr<CriteriaGrid> Grid;
    CriteriaTable Criteria;

    QString Path() const { return PassCriteriaFile::Path(Inst->DataFolder); }
    void WriteFile(const QString& text) { TestInstallation::WriteText(Path(), text); }
    // Types `text` into the cell (row, column) after emptying it.
    void Enter(int row, int column, const QString& text)
    {
        Grid->SetCurrent(row, column);
        Grid->PressKey(CriteriaGrid::EditKey::Space);
        for (const QChar c : text)
            Grid->PressKey(CriteriaGrid::EditKey::Character, QString(c));
    }
    void Save()
    {
        const std::optional<QString> message = Grid->SaveGrid(Inst->DataFolder, Required, Criteria);
        QVERIFY2(!message, qPrintable(message.value_or(QString())));
    }
    // Marks every row of the table so that a reload shows.
    void MarkTable()
    {
        for (PassCriteria& c : Criteria)
            c.TargetTime = 7777;
    }

private slots:
    void init()
    {
        Inst = std::make_unique<TestInstallation>();
        WriteFile(Header + Levels);
        Grid = std::make_unique<CriteriaGrid>();
        Grid->LoadGrid(Inst->DataFolder, Required);
        Criteria = CriteriaTable{};
    }

    void loadsOneRowALevel()
    {
        QCOMPARE(Grid->LastRow(), 4);
        QCOMPARE(Grid->rowCount(), 4);
        QCOMPARE(Grid->columnCount(), 13);
        QStringList headers;
        for (int column = 0; column < CriteriaGrid::Columns; ++column)
            headers << Grid->headerData(column, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"レベル", "目標Time", "最低Time", "ｸﾘｱﾎﾟｲﾝﾄ", "ｸﾘｱ回数", "ﾎﾟｲﾝﾄ倍率", "禁回", "禁点",
                                       "判期間", "禁期間", "", "", ""}));
        QStringList row2;
        for (int column = 0; column < CriteriaGrid::Columns; ++column)
            row2 << Grid->index(1, column).data().toString();
        QCOMPARE(row2, (QStringList{"2", "120", "200", "160", "11", "1.2", "31", "0", "15", "2", "", "", ""}));
        QVERIFY(!Grid->Changed());
        QVERIFY(EditedCells(*Grid).isEmpty());
        QCOMPARE(Grid->Row(), 1);
        QCOMPARE(Grid->Column(), 1);
    }

    // Numbers are shown as the reader reads them, in plain decimal form; other items as they are.
    void cellsShowNumbersInPlainForm()
    {
        WriteFile(Header + QStringLiteral("007,+90, 100 ,5,1.50,-0,0.0000001,7,99999999999999999999,x y,\"a,b\",12abc\n")
                  + QStringLiteral("60,90,100,5,1,0,0,7,7,,,\n60,90,100,5,1,0,0,7,7,,,\n"));
        Grid->LoadGrid(Inst->DataFolder, Required);
        QStringList cells;
        for (int column = 1; column <= 12; ++column)
            cells << Grid->Cell(1, column);
        QCOMPARE(cells, (QStringList{"7", "90", "100", "5", "1.5", "0", "0.0000001", "7", "100000000000000000000", "x y",
                                     "a,b", "12abc"}));
    }

    void keys_data()
    {
        QTest::addColumn<QPoint>("start");       // column, row
        QTest::addColumn<QString>("script");     // see KeyOf
        QTest::addColumn<QPoint>("current");
        QTest::addColumn<int>("selectionEnd");
        QTest::addColumn<QStringList>("edited");

        QTest::newRow("up on the first row stays") << QPoint(3, 1) << "^" << QPoint(3, 1) << 1 << QStringList();
        QTest::newRow("up") << QPoint(3, 3) << "^" << QPoint(3, 2) << 2 << QStringList();
        QTest::newRow("down on the last row stays") << QPoint(2, 4) << "v" << QPoint(2, 4) << 4 << QStringList();
        QTest::newRow("down") << QPoint(2, 1) << "vv" << QPoint(2, 3) << 3 << QStringList();
        QTest::newRow("left on column 1 stays") << QPoint(1, 2) << "<" << QPoint(1, 2) << 2 << QStringList();
        QTest::newRow("left") << QPoint(5, 2) << "<" << QPoint(4, 2) << 2 << QStringList();
        QTest::newRow("right on column 12 stays") << QPoint(12, 2) << ">" << QPoint(12, 2) << 2 << QStringList();
        QTest::newRow("right") << QPoint(11, 2) << ">" << QPoint(12, 2) << 2 << QStringList();
        QTest::newRow("enter, escape and other keys change nothing")
            << QPoint(3, 2) << "=!?" << QPoint(3, 2) << 2 << QStringList();
        QTest::newRow("a typed character is appended") << QPoint(1, 1) << "5" << QPoint(1, 1) << 1 << QStringList{"1,1=1505"};
        QTest::newRow("space empties the cell") << QPoint(1, 1) << "_" << QPoint(1, 1) << 1 << QStringList{"1,1="};
        QTest::newRow("space then 45 gives 45") << QPoint(1, 1) << "_45" << QPoint(1, 1) << 1 << QStringList{"1,1=45"};
        QTest::newRow("space on an empty cell changes nothing") << QPoint(10, 1) << "_" << QPoint(10, 1) << 1 << QStringList();
        QTest::newRow("backspace takes the last character") << QPoint(2, 1) << "~" << QPoint(2, 1) << 1 << QStringList{"1,2=24"};
        QTest::newRow("backspace on an empty cell") << QPoint(10, 1) << "~" << QPoint(10, 1) << 1 << QStringList();
        QTest::newRow("shift+down fills down") << QPoint(2, 1) << "_77VV" << QPoint(2, 1) << 3
                                               << QStringList{"1,2=77", "2,2=77", "3,2=77"};
        QTest::newRow("shift+down stops at the last row") << QPoint(6, 2) << "VVVV" << QPoint(6, 2) << 4
                                                          << QStringList{"3,6=31", "4,6=31"};
        QTest::newRow("a value equal to the filled one is no change") << QPoint(7, 1) << "V" << QPoint(7, 1) << 2
                                                                      << QStringList();
        QTest::newRow("a move ends the selection") << QPoint(2, 1) << "VVv" << QPoint(2, 2) << 2
                                                   << QStringList{"2,2=240", "3,2=240"};
        QTest::newRow("typing after a fill changes the current cell only") << QPoint(3, 3) << "V9" << QPoint(3, 3) << 4
                                                                           << QStringList{"3,3=1709", "4,3=170"};
    }
    void keys()
    {
        QFETCH(QPoint, start);
        QFETCH(QString, script);
        QFETCH(QPoint, current);
        QFETCH(int, selectionEnd);
        QFETCH(QStringList, edited);
        Grid->SetCurrent(start.y(), start.x());
        Press(*Grid, script);
        QCOMPARE(QPoint(Grid->Column(), Grid->Row()), current);
        QCOMPARE(Grid->SelectionEnd(), selectionEnd);
        QCOMPARE(EditedCells(*Grid), edited);
        QCOMPARE(Grid->Changed(), !edited.isEmpty());
        QCOMPARE(Grid->GridToText(), Grid->Cell(current.y(), current.x()));
        // What the view shows: marked cells yellow.
        for (const QString& cell : edited) {
            const QStringList at = cell.section(u'=', 0, 0).split(u',');
            QCOMPARE(Grid->index(at[0].toInt() - 1, at[1].toInt()).data(Qt::BackgroundRole).value<QColor>(),
                     QColor(255, 255, 0));
        }
    }

    // The edit box's text goes into the cell; the same text is no change.
    void textToGrid()
    {
        Grid->SetCurrent(2, 1);
        Grid->TextToGrid(QStringLiteral("120"));
        QVERIFY(!Grid->Changed());
        QSignalSpy changes(Grid.get(), &QAbstractItemModel::dataChanged);
        Grid->TextToGrid(QStringLiteral("125"));
        QVERIFY(Grid->Changed());
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0][0].toModelIndex(), Grid->index(1, 1));
        QCOMPARE(EditedCells(*Grid), QStringList{"2,1=125"});
    }

    // "元に戻す" brings back the file's values and clears the marks, but what was changed is still
    // not saved.
    void loadingAgainKeepsChanged()
    {
        Enter(2, 3, QStringLiteral("999"));
        Grid->SetCurrent(3, 5);
        Grid->LoadGrid(Inst->DataFolder, Required);
        QCOMPARE(Grid->Cell(2, 3), QStringLiteral("160"));
        QVERIFY(EditedCells(*Grid).isEmpty());
        QVERIFY(Grid->Changed());
        QCOMPARE(QPoint(Grid->Column(), Grid->Row()), QPoint(5, 3));
    }

    void damagedFileLeavesTheGrid_data()
    {
        QTest::addColumn<QString>("text");  // empty: no file
        QTest::addColumn<QString>("error");
        QTest::newRow("no file") << QString() << QStringLiteral("ありません");
        QTest::newRow("an item too many") << Header + "60,90,100,5,1,0,0,7,7,,,,\n" + Levels << QStringLiteral("2行目");
        QTest::newRow("fewer levels than the menu offers") << Header + "60,90,100,5,1,0,0,7,7,,,\n" << QStringLiteral("レベル2");
        QTest::newRow("a value too large") << Header + "60,90,100,40000,1,0,0,7,7,,,\n" + Levels << QStringLiteral("ｸﾘｱ回数");
    }
    void damagedFileLeavesTheGrid()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        Enter(1, 1, QStringLiteral("45"));
        QFile::remove(Path());
        if (!text.isEmpty())
            WriteFile(text);
        try {
            Grid->LoadGrid(Inst->DataFolder, Required);
            QFAIL("loaded a damaged file");
        } catch (const FatalError& e) {
            QVERIFY2(e.Message.contains(QDir::toNativeSeparators(Path())), qPrintable(e.Message));
            QVERIFY2(e.Message.contains(error), qPrintable(e.Message));
        }
        QCOMPARE(Grid->LastRow(), 4);
        QCOMPARE(Grid->Cell(1, 1), QStringLiteral("45"));
        QCOMPARE(EditedCells(*Grid), QStringList{"1,1=45"});
    }

    // Every cell is checked against what the reader takes. A refused cell is named by its level and
    // column and made current; nothing is written and the table stays. An accepted one is read back
    // as typed.
    void check_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");   // the field as read back; empty when refused
        QTest::addColumn<QString>("error");  // parts of the message, "|"-separated

        QTest::newRow("target time") << 1 << "45" << "45" << QString();
        QTest::newRow("target time empty") << 1 << "" << "" << "「目標Time」が空";
        QTest::newRow("target time blanks only") << 1 << "  " << "" << "「目標Time」が空";
        QTest::newRow("target time with blanks") << 1 << " 45 " << "45" << QString();
        QTest::newRow("target time not a number") << 1 << "4x5" << "" << "「目標Time」の「4x5」は数ではありません";
        QTest::newRow("full-width digits") << 1 << "４５" << "" << "「目標Time」の「４５」は数ではありません";
        QTest::newRow("an exponent the reader would read as 1") << 1 << "1e3" << "" << "数ではありません";
        QTest::newRow("target time not whole") << 1 << "1.5" << "" << "整数ではありません";
        QTest::newRow("target time at the top") << 1 << "2147483647" << "2147483647" << QString();
        QTest::newRow("target time at the bottom") << 1 << "-2147483648" << "-2147483648" << QString();
        QTest::newRow("target time above the top") << 1 << "2147483648" << "" << "「目標Time」の「2147483648」は範囲外";
        QTest::newRow("lowest time more digits than a double")
            << 2 << QString(400, u'9') << "" << "「最低Time」|大きすぎます";
        QTest::newRow("clear points") << 3 << "+200" << "200" << QString();
        QTest::newRow("clear count at the top") << 4 << "32767" << "32767" << QString();
        QTest::newRow("clear count above the top") << 4 << "32768" << "" << "「ｸﾘｱ回数」の「32768」は範囲外です（-32768～32767）";
        QTest::newRow("point rate") << 5 << "1.25" << "1.25" << QString();
        QTest::newRow("point rate beyond a float") << 5 << "4" + QString(38, u'0') << "" << "「ﾎﾟｲﾝﾄ倍率」|大きすぎます";
        QTest::newRow("ban count empty means no limit") << 6 << "" << "" << QString();
        QTest::newRow("ban count text") << 6 << "abc" << "" << "「禁回」の「abc」は数ではありません";
        QTest::newRow("ban points") << 7 << "300" << "300" << QString();
        QTest::newRow("judge days with a fraction") << 8 << "7.5" << "7.5" << QString();
        QTest::newRow("ban days") << 9 << "3" << "3" << QString();
        QTest::newRow("column 10 empty") << 10 << "" << "" << QString();
        QTest::newRow("column 10 text") << 10 << "メモ" << "メモ" << QString();
        QTest::newRow("a comma would make a thirteenth item") << 10 << "a,b" << "" << "10列目に記録できない文字「,」";
        QTest::newRow("a quote would swallow the separators") << 11 << "\"x" << "" << "11列目に記録できない文字「\"」";
        QTest::newRow("a character CP932 lacks") << 12 << "😀" << "" << "12列目に記録できない文字「😀」";
        QTest::newRow("a control character") << 12 << "ab\x01" << "" << "12列目に記録できない文字「U+0001」";
    }
    void check()
    {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(QString, read);
        QFETCH(QString, error);
        const QByteArray before = ReadBytes(Path());
        MarkTable();
        Grid->SetCurrent(2, column);
        Grid->TextToGrid(text);
        Grid->SetCurrent(4, 1);
        const std::optional<QString> message = Grid->SaveGrid(Inst->DataFolder, Required, Criteria);
        if (error.isEmpty()) {
            QVERIFY2(!message, qPrintable(message.value_or(QString())));
            QCOMPARE(FieldText(Criteria[2], column), read);
            QCOMPARE(Criteria[4].TargetTime, 60);
            QVERIFY(!Grid->Changed());
            return;
        }
        QVERIFY(message);
        QVERIFY2(message->contains(QStringLiteral("レベル2")), qPrintable(*message));
        for (const QString& part : error.split(u'|'))
            QVERIFY2(message->contains(part), qPrintable(*message));
        QCOMPARE(ReadBytes(Path()), before);
        QCOMPARE(Criteria[2].TargetTime, 7777);
        QVERIFY(Grid->Changed());
        QCOMPARE(QPoint(Grid->Column(), Grid->Row()), QPoint(column, 2));
    }

    // The first refused cell, row by row, is the one named.
    void checkNamesTheFirstRefusedCell()
    {
        Enter(3, 2, QStringLiteral("x"));
        Enter(2, 9, QStringLiteral("y"));
        const std::optional<CriteriaGrid::CellProblem> problem = Grid->Check(Required);
        QVERIFY(problem);
        QCOMPARE(QPoint(problem->Column, problem->Row), QPoint(9, 2));
    }

    // The grid's rows must still give every level the menu offers.
    void checkWantsTheMenusLevels()
    {
        const std::optional<CriteriaGrid::CellProblem> problem = Grid->Check(5);
        QVERIFY(problem);
        QVERIFY2(problem->Message.contains(QStringLiteral("レベル5")), qPrintable(problem->Message));
    }

    // Saving writes the header row and every level as the grid shows them: a file written by the
    // editor comes back byte for byte, others in the editor's form; the table is reloaded each time.
    void saveWritesTheGrid_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("saved");
        QTest::newRow("the editor's own file, unchanged") << Header + Levels << Header + Levels;
        QTest::newRow("another header line")
            << QStringLiteral("a,b,c,d,e,f,g,h,i,j,k,l\n") + Levels << Header + Levels;
        QTest::newRow("numbers in plain form, blank lines at the end dropped")
            << Header + "0150,240.0,150,10,1.0,30,0,14,1,,,x\n" + Levels.section(u'\n', 1) + "\n\n"
            << Header + "150,240,150,10,1,30,0,14,1,,,x\n" + Levels.section(u'\n', 1);
    }
    void saveWritesTheGrid()
    {
        QFETCH(QString, file);
        QFETCH(QString, saved);
        WriteFile(file);
        Grid->LoadGrid(Inst->DataFolder, Required);
        MarkTable();
        Save();
        QCOMPARE(ReadBytes(Path()), Crlf(saved));
        QCOMPARE(Grid->FileBytes(), Crlf(saved));
        QCOMPARE(Criteria[1].TargetTime, 150);
        QCOMPARE(Criteria[3].PointRate, 1.5f);
        QCOMPARE(Criteria[5].TargetTime, 7777); // no such row in the file
        QCOMPARE(QDir(Inst->DataFolder).entryList(QDir::Files), QStringList{QStringLiteral("タイム回数データ.txt")});
    }

    // A save clears Changed and keeps the marks until the grid is loaded again.
    void saveKeepsTheMarks()
    {
        Enter(1, 1, QStringLiteral("45"));
        Save();
        QCOMPARE(Criteria[1].TargetTime, 45);
        QVERIFY(!Grid->Changed());
        QCOMPARE(EditedCells(*Grid), QStringList{"1,1=45"});
        QVERIFY(ReadBytes(Path()).contains("\r\n45,240,150,10,1,30,0,14,1,,,\r\n"));
    }

    // The file keeps who may read and write it.
    void saveKeepsThePermissions()
    {
        QVERIFY(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup
                                                  | QFile::ReadOther));
        const QFile::Permissions before = QFile::permissions(Path());
        Save();
        QCOMPARE(QFile::permissions(Path()), before);
    }

    // The new file is written beside the old one and takes its place only once it is on the disk:
    // a disk that is full or cannot be written leaves the old file whole, no temporary file, the
    // table as it was and the changes still to be saved.
    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("full disk") << true;
        QTest::newRow("read-only folder") << false;
    }
    void failedWriteKeepsTheOldFile()
    {
        QFETCH(bool, fullDisk);
        QTemporaryDir mountPoint;
        const QString folder = mountPoint.path() + u'/';
        bool mounted = false;
        const auto unmount = qScopeGuard([&] {
            if (mounted)
                RunCommand({"umount", mountPoint.path()});
        });
        if (fullDisk) {
            if (!RunCommand({"mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", mountPoint.path()}))
                QSKIP("cannot mount a small file system here (needs root)");
            mounted = true;
        }
        TestInstallation::WriteText(PassCriteriaFile::Path(folder), Header + Levels);
        Grid->LoadGrid(folder, Required);
        if (fullDisk) {
            QFile filler(folder + "filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        } else {
            QVERIFY(QFile::setPermissions(mountPoint.path(), QFile::ReadOwner | QFile::ExeOwner));
            QTemporaryFile probe(folder + "probe");
            if (probe.open()) {
                // Root writes whatever the permissions say: a read-only bind mount of the folder.
                QVERIFY(QFile::setPermissions(mountPoint.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
                probe.remove();
                if (!RunCommand({"mount", "--bind", mountPoint.path(), mountPoint.path()}))
                    QSKIP("this process writes anywhere and cannot bind-mount");
                mounted = true;
                if (!RunCommand({"mount", "-o", "remount,ro,bind", mountPoint.path(), mountPoint.path()}))
                    QSKIP("cannot make the bind mount read-only");
            }
        }
        const QByteArray before = ReadBytes(PassCriteriaFile::Path(folder));
        Enter(1, 1, QStringLiteral("45"));
        MarkTable();
        const std::optional<QString> message = Grid->SaveGrid(folder, Required, Criteria);
        QVERIFY(message);
        QVERIFY2(message->contains(QDir::toNativeSeparators(PassCriteriaFile::Path(folder))), qPrintable(*message));
        QVERIFY2(message->contains(fullDisk ? QStringLiteral("空き領域") : QStringLiteral("書き込")), qPrintable(*message));
        QCOMPARE(ReadBytes(PassCriteriaFile::Path(folder)), before);
        QStringList left = QDir(folder).entryList(QDir::Files);
        left.removeAll(QStringLiteral("filler"));
        QCOMPARE(left, QStringList{QStringLiteral("タイム回数データ.txt")});
        QCOMPARE(Criteria[1].TargetTime, 7777);
        QVERIFY(Grid->Changed());
        QFile::remove(folder + "filler");
        QFile::setPermissions(mountPoint.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QTEST_GUILESS_MAIN(TestCriteriaGrid)
#include "tst_CriteriaGrid.moc"
