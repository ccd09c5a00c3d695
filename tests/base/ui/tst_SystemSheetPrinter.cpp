// The sheet printer's PDF files, written into temporary folders and read back with pdftotext. No
// printing system is reachable from this process: CUPS_SERVER names a socket that is not there.
#include "support/SheetPages.h"
#include "base/ui/SystemSheetPrinter.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {
SheetPrinter::Document Doc(int pupil = 12, const QString& name = QStringLiteral("山田太郎"),
                           QDate day = QDate(2026, 12, 10))
{
    SheetPrinter::Document doc;
    doc.Title = QStringLiteral("ゾメ２ 成績表");
    doc.Day = day;
    doc.Pupil = pupil;
    doc.PupilName = name;
    return doc;
}

// Everything in a folder, hidden files included.
QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool Run(const QStringList& command)
{
    QProcess p;
    p.start(command.first(), command.mid(1));
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Takes a mounted file system away again, whatever the test's outcome.
struct Unmount {
    QString Folder;
    ~Unmount() { Run({QStringLiteral("umount"), Folder}); }
};

struct Printed {
    bool Begun = false;
    bool Done = false;
    QString Where;
    QString Error;
};

// One document through Begin, drawing and Finish, as the menu prints it.
Printed PrintSample(SheetPrinter& printer, const SheetPrinter::Document& doc)
{
    Printed result;
    QPagedPaintDevice* device = printer.Begin(doc, &result.Error);
    result.Begun = device != nullptr;
    if (!device)
        return result;
    QString problem;
    const bool painted = SheetPages::Draw(device, SheetPages::Sample(doc.PupilName), &problem);
    if (!painted)
        qWarning("drawing failed: %s", qPrintable(problem));
    result.Done = printer.Finish(painted, &result.Where, &result.Error);
    return result;
}
} // namespace

class TestSystemSheetPrinter : public QObject {
    Q_OBJECT
    QTemporaryDir NoServer;
    std::unique_ptr<QTemporaryDir> Folder;

private slots:
    void initTestCase()
    {
        // libcups reads it on its first call, which comes later.
        QVERIFY(NoServer.isValid());
        qputenv("CUPS_SERVER", QFile::encodeName(NoServer.filePath(QStringLiteral("cups.sock"))));
    }
    void init()
    {
        Folder = std::make_unique<QTemporaryDir>();
        QVERIFY(Folder->isValid());
    }
    void cleanup() { Folder.reset(); }

    // Two pages of Japanese text in a file named by the day, the number and the name; the next
    // sheet of that pupil on that day comes beside it and leaves it as it was.
    void savesEachSheetAsItsOwnPdf()
    {
        SystemSheetPrinter printer(SystemSheetPrinter::Output::PdfFiles);
        printer.SetPdfFolder(Folder->path());
        QVERIFY(printer.WritesFiles());

        const Printed first = PrintSample(printer, Doc());
        QVERIFY2(first.Done, qPrintable(first.Error));
        const QString firstPath = Folder->filePath(QStringLiteral("20261210_12_山田太郎.pdf"));
        QCOMPARE(first.Where, QDir::toNativeSeparators(firstPath));
        QVERIFY(printer.WritesFiles());
        QString problem;
        const QStringList pages = SheetPages::Read(firstPath, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        const QString wrong = SheetPages::Compare(pages, SheetPages::Sample(QStringLiteral("山田太郎")));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QFile firstFile(firstPath);
        QVERIFY(firstFile.open(QIODevice::ReadOnly));
        const QByteArray firstBytes = firstFile.readAll();
        firstFile.close();

        const Printed second = PrintSample(printer, Doc());
        QVERIFY2(second.Done, qPrintable(second.Error));
        QCOMPARE(second.Where, QDir::toNativeSeparators(Folder->filePath(QStringLiteral("20261210_12_山田太郎_2.pdf"))));
        const Printed third = PrintSample(printer, Doc());
        QVERIFY2(third.Done, qPrintable(third.Error));
        QCOMPARE(third.Where, QDir::toNativeSeparators(Folder->filePath(QStringLiteral("20261210_12_山田太郎_3.pdf"))));
        QVERIFY(firstFile.open(QIODevice::ReadOnly));
        QCOMPARE(firstFile.readAll(), firstBytes);
        QCOMPARE(Entries(Folder->path()),
                 QStringList({QStringLiteral("20261210_12_山田太郎.pdf"), QStringLiteral("20261210_12_山田太郎_2.pdf"),
                              QStringLiteral("20261210_12_山田太郎_3.pdf")}));
    }

    void namesTheFile_data()
    {
        QTest::addColumn<int>("pupil");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("file");
        const QDate day(2027, 1, 5);
        QTest::newRow("a blank inside the name stays") << 3 << "山田 花子" << day << "20270105_3_山田 花子.pdf";
        QTest::newRow("characters a file name may not hold")
            << 1205 << "a/b\\c:d*e?f\"g<h>i|j" << day << "20270105_1205_a_b_c_d_e_f_g_h_i_j.pdf";
        QTest::newRow("a name that would climb out of the folder") << 4 << "../../x" << day << "20270105_4_.._.._x.pdf";
        QTest::newRow("no name") << 7 << "" << day << "20270105_7.pdf";
        QTest::newRow("no day") << 7 << "木村" << QDate() << "7_木村.pdf";
    }
    void namesTheFile()
    {
        QFETCH(int, pupil);
        QFETCH(QString, name);
        QFETCH(QDate, day);
        QFETCH(QString, file);
        SystemSheetPrinter printer(SystemSheetPrinter::Output::PdfFiles);
        printer.SetPdfFolder(Folder->path());
        const Printed printed = PrintSample(printer, Doc(pupil, name, day));
        QVERIFY2(printed.Done, qPrintable(printed.Error));
        QCOMPARE(printed.Where, QDir::toNativeSeparators(Folder->filePath(file)));
        QCOMPARE(Entries(Folder->path()), QStringList{file});
    }

    // A folder that cannot be made or written: no device, a message naming the folder, no file.
    void refusesAFolderItCannotWrite()
    {
        const QString file = Folder->filePath(QStringLiteral("file.txt"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QString folder = file + QStringLiteral("/sub");
        SystemSheetPrinter printer(SystemSheetPrinter::Output::PdfFiles);
        printer.SetPdfFolder(folder);
        QString error;
        QVERIFY(!printer.Begin(Doc(), &error));
        QVERIFY2(error.contains(QStringLiteral("「%1」").arg(QDir::toNativeSeparators(folder))), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("書き込めません")), qPrintable(error));
        QCOMPARE(Entries(Folder->path()), QStringList{QStringLiteral("file.txt")});
        QCOMPARE(f.size(), 0);
    }

    // A folder that is missing is made, however deep.
    void makesAMissingFolder()
    {
        const QString folder = Folder->filePath(QStringLiteral("成績/2026"));
        SystemSheetPrinter printer(SystemSheetPrinter::Output::PdfFiles);
        printer.SetPdfFolder(folder);
        const Printed printed = PrintSample(printer, Doc());
        QVERIFY2(printed.Done, qPrintable(printed.Error));
        QCOMPARE(Entries(folder), QStringList{QStringLiteral("20261210_12_山田太郎.pdf")});
    }

    // Whatever went wrong, Finish says so and leaves no file, whole or partial.
    void leavesNoFileWhenTheSheetIsNotWhole_data()
    {
        QTest::addColumn<bool>("draw");
        QTest::addColumn<bool>("painted");
        QTest::addColumn<QString>("said");
        QTest::newRow("painting failed") << true << false << "描けなかった";
        QTest::newRow("nothing was drawn") << false << true << "書き終えられませんでした";
    }
    void leavesNoFileWhenTheSheetIsNotWhole()
    {
        QFETCH(bool, draw);
        QFETCH(bool, painted);
        QFETCH(QString, said);
        SystemSheetPrinter printer(SystemSheetPrinter::Output::PdfFiles);
        printer.SetPdfFolder(Folder->path());
        QString error;
        QPagedPaintDevice* device = printer.Begin(Doc(), &error);
        QVERIFY2(device, qPrintable(error));
        QString problem;
        if (draw)
            QVERIFY2(SheetPages::Draw(device, SheetPages::Sample(QStringLiteral("山田太郎")), &problem), qPrintable(problem));
        QString where = QStringLiteral("unchanged");
        QVERIFY(!printer.Finish(painted, &where, &error));
        QVERIFY2(error.contains(said), qPrintable(error));
        QVERIFY(where.isEmpty());
        QCOMPARE(Entries(Folder->path()), QStringList());
    }

    // A document begun again before it was finished leaves nothing of the first.
    void beginningAgainDropsTheUnfinishedSheet()
    {
        SystemSheetPrinter printer(SystemSheetPrinter::Output::PdfFiles);
        printer.SetPdfFolder(Folder->path());
        QString error;
        QVERIFY2(printer.Begin(Doc(5, QStringLiteral("佐藤")), &error), qPrintable(error));
        const Printed printed = PrintSample(printer, Doc());
        QVERIFY2(printed.Done, qPrintable(printed.Error));
        QCOMPARE(Entries(Folder->path()), QStringList{QStringLiteral("20261210_12_山田太郎.pdf")});
        QString where;
        QVERIFY(!printer.Finish(true, &where, &error));
        QVERIFY(!error.isEmpty());
    }

    // A disk that fills up while the sheet is written: the failure is said, naming the folder and
    // the full disk, and no file is left.
    void fullDiskIsAFailure()
    {
        const QString disk = Folder->filePath(QStringLiteral("disk"));
        QVERIFY(QDir().mkpath(disk));
        if (!Run({QStringLiteral("mount"), QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                  QStringLiteral("size=64k"), QStringLiteral("tmpfs"), disk}))
            QSKIP("cannot mount a small file system here (needs root)");
        const Unmount unmount{disk};
        {
            QFile filler(disk + QStringLiteral("/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(1024, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }
        SystemSheetPrinter printer(SystemSheetPrinter::Output::PdfFiles);
        printer.SetPdfFolder(disk);
        const Printed printed = PrintSample(printer, Doc());
        const QStringList left = Entries(disk);
        QVERIFY(!printed.Done);
        QVERIFY(printed.Where.isEmpty());
        QVERIFY2(printed.Error.contains(QStringLiteral("「%1」").arg(QDir::toNativeSeparators(disk))), qPrintable(printed.Error));
        QVERIFY2(printed.Error.contains(QStringLiteral("ディスクに空きがありません")), qPrintable(printed.Error));
        QCOMPARE(left, QStringList{QStringLiteral("filler")});
    }

    // The machine has a printing system but no server answers: the sheets become PDF files.
    void withoutAPrinterSheetsBecomeFiles()
    {
        SystemSheetPrinter printer;
        QCOMPARE(printer.OutputMode(), SystemSheetPrinter::Output::DefaultPrinter);
        printer.SetPdfFolder(Folder->path());
        QVERIFY(printer.WritesFiles());
        const Printed printed = PrintSample(printer, Doc());
        QVERIFY2(printed.Done, qPrintable(printed.Error));
        QVERIFY(printer.WritesFiles());
        QCOMPARE(printed.Where, QDir::toNativeSeparators(Folder->filePath(QStringLiteral("20261210_12_山田太郎.pdf"))));
    }

};

QTEST_MAIN(TestSystemSheetPrinter)
#include "tst_SystemSheetPrinter.moc"
