// The sheet printer in its default mode against a CUPS server of the test's own, whose default
// queue is a cups-pdf printer: the sheet goes through CUPS and comes out as a PDF that is read
// back with pdftotext. An executable of its own, as libcups takes its server from CUPS_SERVER on
// its first call in a process.
//
// It needs root (cupsd runs the cups-pdf backend as root only), cupsd, the CUPS client programs
// and cups-pdf; without them it skips. cups-pdf reads only /etc/cups/cups-pdf.conf, which says
// where the PDF lands; the test reads that too, and removes the PDF afterwards.
#include "support/SheetPages.h"
#include "base/ui/SystemSheetPrinter.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <functional>
#include <memory>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
const QString Queue = QStringLiteral("ZomePDF");

// A program of the CUPS packages, some of which live in /usr/sbin; empty when not installed.
QString Tool(const QString& name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                           : found;
}

// Runs something when the scope ends, however it ends.
struct AtScopeEnd {
    std::function<void()> Do;
    ~AtScopeEnd() { Do(); }
};

struct Outcome {
    bool Ok = false;
    QString Output;
};

Outcome Run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C")); // its words are read below
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    Outcome o;
    if (!p.waitForStarted(10000)) {
        o.Output = program + QStringLiteral(": ") + p.errorString();
        return o;
    }
    const bool finished = p.waitForFinished(60000);
    o.Output = QString::fromLocal8Bit(p.readAll());
    o.Ok = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return o;
}

QString ReadText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

bool WriteText(const QString& path, const QString& text)
{
    QFile f(path);
    const QByteArray bytes = text.toUtf8();
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// A cupsd of the test's own in a folder: its configuration, spool, cache, state and logs there,
// listening only on a socket there. It dies with the test process, whatever ends it.
class CupsServer {
public:
    explicit CupsServer(const QString& folder) : Folder(folder) {}
    ~CupsServer() { Stop(); }

    QString Socket() const { return Folder + QStringLiteral("/cups.sock"); }
    QString ServerRoot() const { return Folder + QStringLiteral("/root"); }
    QString ErrorLog() const { return ReadText(Folder + QStringLiteral("/log/error_log")); }

    // Empty when the server runs and answers; otherwise why not.
    QString Start()
    {
        for (const char* sub : {"root", "spool/tmp", "log", "cache", "state"})
            if (!QDir().mkpath(Folder + u'/' + QLatin1String(sub)))
                return QStringLiteral("cannot make the server's folders in ") + Folder;
        // The filters run as the user lp and must reach the spool inside this folder.
        QFile::setPermissions(Folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                          | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                          | QFileDevice::ExeOther);
        // Anyone on the socket may do anything: no password is ever asked. A failing job is dropped
        // rather than stopping the queue for the next test.
        const QString conf = QStringLiteral(
            "LogLevel debug\n"
            "Listen %1\n"
            "Browsing No\n"
            "WebInterface No\n"
            "DefaultAuthType None\n"
            "ErrorPolicy abort-job\n"
            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
            "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n").arg(Socket());
        const QString files = QStringLiteral(
            "ServerRoot %1/root\n"
            "RequestRoot %1/spool\n"
            "TempDir %1/spool/tmp\n"
            "CacheDir %1/cache\n"
            "StateDir %1/state\n"
            "ServerBin /usr/lib/cups\n"
            "DataDir /usr/share/cups\n"
            "Printcap %1/printcap\n"
            "AccessLog %1/log/access_log\n"
            "ErrorLog %1/log/error_log\n"
            "PageLog %1/log/page_log\n").arg(Folder);
        if (!WriteText(ServerRoot() + QStringLiteral("/cupsd.conf"), conf)
            || !WriteText(ServerRoot() + QStringLiteral("/cups-files.conf"), files))
            return QStringLiteral("cannot write the server's configuration in ") + ServerRoot();

        Daemon.setProcessChannelMode(QProcess::MergedChannels);
        Daemon.setStandardOutputFile(Folder + QStringLiteral("/log/cupsd.out"));
        Daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        Daemon.start(QStringLiteral("/usr/sbin/cupsd"),
                     {QStringLiteral("-f"), QStringLiteral("-c"), ServerRoot() + QStringLiteral("/cupsd.conf"),
                      QStringLiteral("-s"), ServerRoot() + QStringLiteral("/cups-files.conf")});
        if (!Daemon.waitForStarted(10000))
            return QStringLiteral("cannot start cupsd: ") + Daemon.errorString();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 30000 && Daemon.state() == QProcess::Running) {
            if (QFileInfo::exists(Socket())
                && Command(QStringLiteral("lpstat"), {QStringLiteral("-r")}).Output.contains(QStringLiteral("scheduler is running")))
                return QString();
            QThread::msleep(100);
        }
        return QStringLiteral("cupsd did not answer:\n") + ReadText(Folder + QStringLiteral("/log/cupsd.out")) + ErrorLog();
    }
    void Stop()
    {
        if (Daemon.state() == QProcess::NotRunning)
            return;
        Daemon.terminate();
        if (!Daemon.waitForFinished(15000)) {
            Daemon.kill();
            Daemon.waitForFinished(5000);
        }
    }
    Outcome Command(const QString& program, QStringList arguments) const
    {
        arguments.prepend(Socket());
        arguments.prepend(QStringLiteral("-h"));
        return Run(Tool(program), arguments);
    }
    // The jobs not yet done, as lpstat lists them.
    QString PendingJobs() const { return Command(QStringLiteral("lpstat"), {QStringLiteral("-o")}).Output.trimmed(); }
    // Every job the server has had, done or not.
    QString Jobs() const
    {
        return Command(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o")}).Output;
    }

private:
    QString Folder;
    QProcess Daemon;
};

// cups-pdf's settings from the one configuration it reads, its defaults where that says nothing.
struct CupsPdfSettings {
    QString Out = QStringLiteral("/var/spool/cups-pdf/${USER}");
    QString AnonDirName = QStringLiteral("/var/spool/cups-pdf/ANONYMOUS");
    QString Log = QStringLiteral("/var/log/cups");

    static CupsPdfSettings Read()
    {
        CupsPdfSettings settings;
        const QRegularExpression blanks(QStringLiteral("\\s+"));
        for (const QString& line : ReadText(QStringLiteral("/etc/cups/cups-pdf.conf")).split(u'\n')) {
            const QString setting = line.trimmed();
            const QString key = setting.section(blanks, 0, 0);
            const QString value = setting.section(blanks, 1).trimmed();
            if (key == QStringLiteral("Out"))
                settings.Out = value;
            else if (key == QStringLiteral("AnonDirName"))
                settings.AnonDirName = value;
            else if (key == QStringLiteral("Log"))
                settings.Log = value;
        }
        return settings;
    }
    // Where a user's files go: Out with ${HOME} and ${USER} filled in, or the folder for anonymous
    // jobs when the user is not known here.
    QString FolderOf(const QString& user) const
    {
        const passwd* account = ::getpwnam(QFile::encodeName(user).constData());
        if (!account)
            return AnonDirName;
        return QString(Out)
            .replace(QStringLiteral("${HOME}"), QFile::decodeName(account->pw_dir))
            .replace(QStringLiteral("${USER}"), user);
    }
    // Its log of one queue.
    QString LogOf(const QString& queue) const { return Log + QStringLiteral("/cups-pdf-%1_log").arg(queue); }
};

// cups-pdf names its file after the job's title, ASCII kept as it is: the first word tells this
// process's files from those of any other run.
QString Token() { return QStringLiteral("zome2test%1").arg(QCoreApplication::applicationPid()); }

// The PDF files this process had printed, by name.
QStringList OwnPdfFiles(const QString& folder)
{
    return QDir(folder).entryList({Token() + QStringLiteral("_*.pdf")}, QDir::Files, QDir::Name);
}

SheetPrinter::Document Doc()
{
    SheetPrinter::Document doc;
    doc.Title = Token() + QStringLiteral(" ゾメ２ 成績表");
    doc.Day = QDate(2026, 12, 10);
    doc.Pupil = 12;
    doc.PupilName = QStringLiteral("山田太郎");
    return doc;
}
} // namespace

class TestCupsPrinting : public QObject {
    Q_OBJECT
    QTemporaryDir Dir;
    std::unique_ptr<CupsServer> Server;
    QString OutFolder;      // where cups-pdf writes this user's files
    bool OutFolderExisted = false;
    QString PdfFolder;      // where the printer would put files had it no printer
    QString CupsPdfLog;
    bool LogExisted = false;

private slots:
    void initTestCase()
    {
        if (::geteuid() != 0)
            QSKIP("needs root: cupsd runs the cups-pdf backend only as root");
        if (!QFileInfo(QStringLiteral("/usr/sbin/cupsd")).isExecutable())
            QSKIP("cupsd is not installed (package cups-daemon, part of cups)");
        if (!QFileInfo::exists(QStringLiteral("/usr/lib/cups/backend/cups-pdf")))
            QSKIP("the cups-pdf backend is not installed (package printer-driver-cups-pdf)");
        for (const char* program : {"lpadmin", "lpinfo", "lpstat", "cupsreject", "cupsaccept", "cupsdisable", "cupsenable"})
            if (Tool(QLatin1String(program)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (package cups-client)").arg(QLatin1String(program))));
        QVERIFY(Dir.isValid());
        Server = std::make_unique<CupsServer>(Dir.path());
        if (const QString why = Server->Start(); !why.isEmpty())
            QSKIP(qPrintable(QStringLiteral("the test's own cupsd does not run: ") + why));

        const Outcome models = Server->Command(QStringLiteral("lpinfo"), {QStringLiteral("-m")});
        QString model;
        for (const QString& line : models.Output.split(u'\n'))
            if (line.section(u' ', 0, 0).endsWith(QStringLiteral("/CUPS-PDF_opt.ppd")))
                model = line.section(u' ', 0, 0);
        if (model.isEmpty())
            QSKIP(qPrintable(QStringLiteral("the server offers no cups-pdf model:\n") + models.Output));
        // The PDF reaches cups-pdf as PostScript. Made by pdftocairo, the fonts keep what pdftotext
        // needs to read the text back; made by Ghostscript (the default), they do not.
        const Outcome added = Server->Command(QStringLiteral("lpadmin"),
            {QStringLiteral("-p"), Queue, QStringLiteral("-v"), QStringLiteral("cups-pdf:/"), QStringLiteral("-E"),
             QStringLiteral("-m"), model, QStringLiteral("-o"), QStringLiteral("pdftops-renderer-default=pdftocairo")});
        QVERIFY2(added.Ok, qPrintable(added.Output));
        const Outcome made = Server->Command(QStringLiteral("lpadmin"), {QStringLiteral("-d"), Queue});
        QVERIFY2(made.Ok, qPrintable(made.Output));

        // This process's libcups asks that server alone, as the job's user this process's own,
        // with no client settings of the machine or of a home folder.
        qputenv("CUPS_SERVER", QFile::encodeName(Server->Socket()));
        qputenv("CUPS_SERVERROOT", QFile::encodeName(Server->ServerRoot()));
        const QString home = Dir.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        qputenv("HOME", QFile::encodeName(home));
        for (const char* name : {"CUPS_USER", "LPDEST", "PRINTER"})
            qunsetenv(name);

        const passwd* me = ::getpwuid(::geteuid());
        QVERIFY(me);
        const CupsPdfSettings cupsPdf = CupsPdfSettings::Read();
        OutFolder = cupsPdf.FolderOf(QFile::decodeName(me->pw_name));
        CupsPdfLog = cupsPdf.LogOf(Queue);
        OutFolderExisted = QFileInfo::exists(OutFolder);
        for (const QString& name : OwnPdfFiles(OutFolder)) // left by a run that died, of the same number
            QFile::remove(OutFolder + u'/' + name);
        LogExisted = QFileInfo::exists(CupsPdfLog);
        PdfFolder = Dir.filePath(QStringLiteral("pdf"));
    }
    void cleanupTestCase()
    {
        if (Server)
            Server->Stop();
        if (OutFolder.isEmpty())
            return;
        for (const QString& name : OwnPdfFiles(OutFolder))
            QFile::remove(OutFolder + u'/' + name);
        if (!OutFolderExisted)
            QDir().rmdir(OutFolder);
        if (!LogExisted)
            QFile::remove(CupsPdfLog);
    }

    // Two pages through CUPS to the cups-pdf printer, which writes them as a PDF of its own.
    void printsOnTheDefaultPrinter()
    {
        SystemSheetPrinter printer;
        printer.SetPdfFolder(PdfFolder);
        QVERIFY(!printer.WritesFiles());
        QString error;
        QPagedPaintDevice* device = printer.Begin(Doc(), &error);
        QVERIFY2(device, qPrintable(error));
        QString problem;
        const QList<QStringList> pages = SheetPages::Sample(Doc().PupilName);
        QVERIFY2(SheetPages::Draw(device, pages, &problem), qPrintable(problem));
        QString where;
        QVERIFY2(printer.Finish(true, &where, &error), qPrintable(error));
        QCOMPARE(where, Queue);
        QVERIFY(!printer.WritesFiles());
        QVERIFY(!QFileInfo::exists(PdfFolder));

        // cups-pdf has written its file when CUPS has no job left.
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 180000 && !Server->PendingJobs().isEmpty())
            QThread::msleep(200);
        const QStringList made = OwnPdfFiles(OutFolder);
        QVERIFY2(made.size() == 1,
                 qPrintable(QStringLiteral("%1 PDF files from cups-pdf in %2 instead of one; jobs: %3\n"
                                           "cupsd's log:\n%4\ncups-pdf's log:\n%5")
                                .arg(made.size())
                                .arg(OutFolder, Server->PendingJobs(), Server->ErrorLog().right(6000),
                                     ReadText(CupsPdfLog).right(3000))));
        const QString pdf = OutFolder + u'/' + made.first();
        const QStringList read = SheetPages::Read(pdf, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        const QString wrong = SheetPages::Compare(read, pages);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // A queue that takes no jobs, one that is stopped, a sheet whose painting failed: the teacher is
    // told, naming the printer, and CUPS gets no job.
    void sendsNothingWhenItCannotPrint_data()
    {
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<QString>("restore");
        QTest::addColumn<bool>("begins");
        QTest::addColumn<bool>("painted");
        QTest::newRow("rejecting jobs") << "cupsreject" << "cupsaccept" << true << true;
        QTest::newRow("stopped") << "cupsdisable" << "cupsenable" << false << true;
        QTest::newRow("painting failed") << "" << "" << true << false;
    }
    void sendsNothingWhenItCannotPrint()
    {
        QFETCH(QString, refuse);
        QFETCH(QString, restore);
        QFETCH(bool, begins);
        QFETCH(bool, painted);
        const QString jobsBefore = Server->Jobs();
        if (!refuse.isEmpty()) {
            const Outcome refused = Server->Command(refuse, {Queue});
            QVERIFY2(refused.Ok, qPrintable(refused.Output));
        }
        const AtScopeEnd undo{[this, &restore] {
            if (!restore.isEmpty())
                Server->Command(restore, {Queue});
        }};

        SystemSheetPrinter printer;
        printer.SetPdfFolder(PdfFolder);
        QString error;
        QPagedPaintDevice* device = printer.Begin(Doc(), &error);
        QCOMPARE(device != nullptr, begins);
        if (device) {
            QString problem;
            QVERIFY2(SheetPages::Draw(device, SheetPages::Sample(Doc().PupilName), &problem), qPrintable(problem));
            QString where;
            QVERIFY(!printer.Finish(painted, &where, &error));
            QVERIFY(where.isEmpty());
        }
        QVERIFY2(error.contains(QStringLiteral("「%1」").arg(Queue)), qPrintable(error));
        QVERIFY(!printer.WritesFiles());
        QCOMPARE(Server->Jobs(), jobsBefore);
        QVERIFY(!QFileInfo::exists(PdfFolder));
    }
};

QTEST_MAIN(TestCupsPrinting)
#include "tst_CupsPrinting.moc"
