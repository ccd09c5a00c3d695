// Power cuts while attempts are saved. The data folder and this PC's folder each sit on a disk that
// loses, when the power goes, everything not synced (tests/support/powerloss_fs.py, a FUSE file
// system): file contents written but not fsynced, and, in one of its modes, new names, renames and
// removals whose folder was not fsynced. The test binary starts copies of itself as the program
// (with ZOME2_POWERLOSS_WORKER set, main() runs the worker instead of the tests); they save
// attempts and say so on stdout until the power is cut at a random moment. Then the disks' durable
// images are read with the program's own loaders: what was reported saved must be there.
#include "base/FatalError.h"
#include "records/BackupTails.h"
#include "records/PendingAttempts.h"
#include "records/ScoreFile.h"
#include "records/ScoreFileProbe.h"
#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include "support/SecondsRecords.h"
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
const char* const RoleVariable = "ZOME2_POWERLOSS_WORKER";
const char* const DataVariable = "ZOME2_POWERLOSS_DATA";
const char* const QueueVariable = "ZOME2_POWERLOSS_QUEUE";
const char* const FirstVariable = "ZOME2_POWERLOSS_FIRST";
// The tests' seed, 0 unless set (a worker is given its own); the rounds a row, 6 unless set.
const char* const SeedVariable = "ZOME2_POWERLOSS_SEED";
const char* const RoundsVariable = "ZOME2_POWERLOSS_ROUNDS";
const QString Python = QStringLiteral("/usr/bin/python3");
const QString FileSystem = QStringLiteral(ZOME2_POWERLOSS_FS);
// The queue folder inside the PC's disk: made by the program the first time it queues.
const QString QueueBelowPc = QStringLiteral("/share/zome2");

// The attempts' seconds: the score file's records from before the round 1–8, the queue's 101 and
// 102, the workers' own from 1000 on.
constexpr qint32 EarlierRecords = 8;
const QList<qint32> EarlierQueued{101, 102};
constexpr qint32 FirstNew = 1000;

using SecondsRecords::Record;

std::vector<ScoreRecord> Records(const QList<qint32>& seconds)
{
    std::vector<ScoreRecord> records;
    for (const qint32 s : seconds)
        records.push_back(Record(1, s));
    return records;
}

QList<qint32> Span(qint32 first, qint32 last)
{
    QList<qint32> seconds;
    for (qint32 s = first; s <= last; ++s)
        seconds << s;
    return seconds;
}

// "1000–1004, 1007"
QString Ranges(QList<qint32> seconds)
{
    std::sort(seconds.begin(), seconds.end());
    QStringList parts;
    for (qsizetype i = 0; i < seconds.size();) {
        qsizetype j = i;
        while (j + 1 < seconds.size() && seconds[j + 1] == seconds[j] + 1)
            ++j;
        parts << (j == i ? QString::number(seconds[i]) : QStringLiteral("%1–%2").arg(seconds[i]).arg(seconds[j]));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

// One line on stdout, written at once, so that a worker killed at any moment leaves whole lines.
void Say(const char* what, const QList<qint32>& seconds = {})
{
    QByteArray line(what);
    for (const qint32 s : seconds)
        line += ' ' + QByteArray::number(s);
    line += '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

// Attempts come one after another, often at once, sometimes with time between them: a cut falls
// inside operations as well as between them, where what an operation left unsynced is lost.
void Pause(QRandomGenerator& random)
{
    QThread::msleep(random.bounded(4u) == 0 ? 10 + random.bounded(30u) : random.bounded(4u));
}

// The teacher deletes records from before (seconds below FirstNew) and often takes a delete back
// with the newest backup, while another machine appends. Each step is announced before and after.
void RemoveAndRestore(const ScoreFile& file, QRandomGenerator& random)
{
    Say("started");
    for (;;) {
        const std::vector<ScoreRecord> now = file.ReadLastRecords(1 << 20);
        QList<int> earlier;
        for (int i = 0; i < int(now.size()); ++i)
            if (now[size_t(i)].Seconds < FirstNew)
                earlier << i;
        if (earlier.isEmpty())
            throw FatalError(QStringLiteral("no record from before is left to delete"));
        const int i = earlier[int(random.bounded(quint32(earlier.size())))];
        const QList<qint32> seconds{now[size_t(i)].Seconds};
        Say("deleting", seconds);
        file.RemoveRecord(i + 1, now[size_t(i)]);
        Say("deleted", seconds);
        Pause(random);
        if (earlier.size() <= 3 || random.bounded(2u) == 0) {
            Say("restoring", seconds);
            file.RestoreBackup(file.BackupNames().last()); // the one this delete made
            Say("restored", seconds);
            Pause(random);
        }
    }
}

int RunWorker(const QByteArray& role)
{
    const QString data = qEnvironmentVariable(DataVariable);
    const ScoreFile file(data, [](int) { QThread::msleep(2); });
    const PendingAttempts queue(qEnvironmentVariable(QueueVariable), data);
    QRandomGenerator random(quint32(qEnvironmentVariableIntValue(SeedVariable)));
    qint32 next = qEnvironmentVariableIntValue(FirstVariable);
    const auto take = [&next](quint32 count) {
        QList<qint32> seconds;
        while (count-- > 0)
            seconds << next++;
        return seconds;
    };
    try {
        if (role == "remove-restore") {
            RemoveAndRestore(file, random);
            return 0;
        }
        if (role == "remove-first") { // held at a step with ZOME2_TEST_PAUSE_AT_STEP
            file.RemoveRecord(1, file.ReadRecord(1));
            return 0;
        }
        QList<qint32> queued; // what this PC's queue holds, for a flush to take
        if (role == "queue-flush")
            for (const ScoreRecord& r : queue.Load())
                queued << r.Seconds;
        Say("started");
        for (;;) {
            if (role == "append-one") {
                const QList<qint32> s = take(1);
                Say("trying", s);
                file.AppendScoreRecord(Record(1, s[0]));
                Say("saved", s);
            } else if (role == "append-records") {
                const QList<qint32> s = take(1 + random.bounded(3u));
                Say("trying", s);
                file.AppendRecords(Records(s));
                Say("saved", s);
            } else if (role == "queue-add") {
                const QList<qint32> s = take(1);
                Say("trying", s);
                queue.Add(Record(1, s[0]));
                Say("saved", s);
            } else if (role == "queue-flush") {
                for (quint32 k = random.bounded(3u); k > 0; --k) {
                    const QList<qint32> s = take(1);
                    Say("trying", s);
                    queue.Add(Record(1, s[0]));
                    Say("saved", s);
                    queued << s;
                }
                const QList<qint32> s = take(1);
                Say("trying", s);
                const ScoreRecord attempt = Record(1, s[0]);
                queue.Flush(file, &attempt);
                Say("saved", s);
                if (!queued.isEmpty())
                    Say("flushed", queued);
                queued.clear();
            } else {
                std::fprintf(stderr, "unknown role %s\n", role.constData());
                return 1;
            }
            Pause(random);
        }
    } catch (const FatalError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.Message));
        return 1;
    }
}

// A runner of commands that must succeed; their output, or why they did not.
bool Run(const QString& program, const QStringList& arguments, QString* output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    const bool ok = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll()).trimmed() + (ok ? QString() : QStringLiteral(" ") + p.errorString());
    return ok;
}

// One power-loss disk: its durable image in `<name>.disk`, mounted over `<name>`, ordered through
// the socket `<name>.control`.
class PowerLossDisk {
public:
    PowerLossDisk(const QString& folder, const QString& name, const QString& names)
        : Backing(folder + name + QStringLiteral(".disk")), MountPoint(folder + name),
          Control(folder + name + QStringLiteral(".control")), Names(names)
    {
        QDir().mkpath(Backing);
        QDir().mkpath(MountPoint);
    }
    PowerLossDisk(const PowerLossDisk&) = delete;
    PowerLossDisk& operator=(const PowerLossDisk&) = delete;
    ~PowerLossDisk()
    {
        if (Mounted)
            Unmount();
        if (Process.state() != QProcess::NotRunning) {
            Process.kill();
            Process.waitForFinished(5000);
        }
    }

    void Start()
    {
        Process.start(Python, {FileSystem, QStringLiteral("--names=") + Names, QStringLiteral("--control=") + Control,
                               Backing, MountPoint});
    }
    // Empty once mounted; else why not.
    QString WaitMounted()
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 20000) {
            while (Process.canReadLine())
                if (Process.readLine().trimmed() == "mounted") {
                    Mounted = true;
                    return QString();
                }
            if (Process.state() == QProcess::NotRunning)
                break;
            Process.waitForReadyRead(1000);
        }
        return QStringLiteral("powerloss_fs.py did not mount %1: %2")
            .arg(MountPoint, QString::fromLocal8Bit(Process.readAllStandardError()));
    }
    // Sends one command and returns the answer.
    QByteArray Order(const QByteArray& command) const
    {
        const QByteArray path = QFile::encodeName(Control);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        if (size_t(path.size()) >= sizeof address.sun_path)
            return "(the socket's path is too long)";
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return "(no socket)";
        timeval timeout {20, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        QByteArray answer = "(no answer)";
        const QByteArray line = command + '\n';
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
            && ::write(fd, line.constData(), size_t(line.size())) == line.size()) {
            answer.clear();
            for (char c = 0; ::read(fd, &c, 1) == 1 && c != '\n';)
                answer += c;
        }
        ::close(fd);
        return answer;
    }
    // Empty once unmounted and the file system has ended without a word (it reports its own faults
    // on stderr); else why not.
    QString Unmount()
    {
        QString output;
        const bool user = ::geteuid() != 0 && !QStandardPaths::findExecutable(QStringLiteral("fusermount")).isEmpty();
        const bool done = user ? Run(QStringLiteral("fusermount"), {QStringLiteral("-u"), MountPoint}, &output)
                               : Run(QStringLiteral("umount"), {MountPoint}, &output);
        if (!done) {
            Run(QStringLiteral("umount"), {QStringLiteral("-l"), MountPoint});
            Mounted = false;
            return QStringLiteral("could not unmount %1: %2").arg(MountPoint, output);
        }
        Mounted = false;
        if (!Process.waitForFinished(10000))
            return QStringLiteral("powerloss_fs.py did not end after the unmount of %1").arg(MountPoint);
        const QString said = QString::fromLocal8Bit(Process.readAllStandardError()).trimmed();
        if (Process.exitCode() != 0 || !said.isEmpty())
            return QStringLiteral("powerloss_fs.py failed on %1 (exit code %2): %3").arg(MountPoint).arg(Process.exitCode()).arg(said);
        return QString();
    }

    const QString Backing;
    const QString MountPoint;
    const QString Control;

private:
    QString Names;
    QProcess Process;
    bool Mounted = false;
};

// What the workers said.
struct Reports {
    QSet<qint32> Tried;
    QSet<qint32> Saved;
    QSet<qint32> Flushed; // by a flush that returned: in the score file, no longer in the queue
    QHash<qint32, QByteArray> LastChange; // of a record from before: deleting, deleted, restoring, restored

    void Read(const QByteArray& output)
    {
        QList<QByteArray> lines = output.split('\n');
        lines.removeLast(); // empty, or a line cut short
        for (const QByteArray& line : lines) {
            const QList<QByteArray> words = line.split(' ');
            QList<qint32> seconds;
            for (qsizetype i = 1; i < words.size(); ++i)
                seconds << words[i].toInt();
            const QByteArray& what = words[0];
            for (const qint32 s : seconds) {
                if (what == "trying")
                    Tried << s;
                else if (what == "saved")
                    Saved << s;
                else if (what == "flushed")
                    Flushed << s;
                else
                    LastChange[s] = what;
            }
        }
    }
};

struct Worker {
    QByteArray Role;
    std::unique_ptr<QProcess> Process;
};
} // namespace

class TestPowerLoss : public QObject {
    Q_OBJECT

    static int Rounds()
    {
        const int rounds = qEnvironmentVariableIntValue(RoundsVariable);
        return rounds > 0 ? rounds : 6;
    }

    // Fixed for a row and a seed of the tests, so that a failure can be run again.
    static quint32 Seed()
    {
        quint32 seed = quint32(qEnvironmentVariableIntValue(SeedVariable));
        for (const char* c = QTest::currentDataTag(); *c; ++c)
            seed = seed * 31 + quint8(*c);
        return seed;
    }

    // "a=text d/ d/x=text": what is under `folder`, sorted, with the files' contents.
    static QString Listing(const QString& folder)
    {
        QStringList entries;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString name = QDir(folder).relativeFilePath(path);
            if (it.fileInfo().isDir()) {
                entries << name + u'/';
                continue;
            }
            QFile f(path);
            entries << name + u'=' + QString::fromUtf8(f.open(QIODevice::ReadOnly) ? f.readAll() : "(unreadable)");
        }
        entries.sort();
        return entries.join(u' ');
    }

    // One step on the mounted disk: "write P TEXT" (a file made anew), "sync P" (a file or a
    // folder), "rename A B", "link A B", "unlink P", "mkdir P". Empty when done; else why not.
    static QString Step(const QString& root, const QString& step)
    {
        const QStringList words = step.split(u' ');
        const auto at = [&](int i) { return QFile::encodeName(root + u'/' + words.value(i)); };
        const QString& what = words[0];
        int result = -1;
        int err = 0;
        if (what == QLatin1String("write") || what == QLatin1String("sync")) {
            const bool write = what == QLatin1String("write");
            const int fd = ::open(at(1).constData(), write ? O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC : O_RDONLY | O_CLOEXEC, 0644);
            const QByteArray text = words.value(2).toUtf8();
            if (fd >= 0)
                result = write ? (::write(fd, text.constData(), size_t(text.size())) == text.size() ? 0 : -1) : ::fsync(fd);
            err = errno;
            if (fd >= 0)
                ::close(fd);
        } else {
            if (what == QLatin1String("rename"))
                result = ::rename(at(1).constData(), at(2).constData());
            else if (what == QLatin1String("link"))
                result = ::link(at(1).constData(), at(2).constData());
            else if (what == QLatin1String("unlink"))
                result = ::unlink(at(1).constData());
            else if (what == QLatin1String("mkdir"))
                result = ::mkdir(at(1).constData(), 0755);
            else
                return QStringLiteral("unknown step: %1").arg(step);
            err = errno;
        }
        return result == 0 ? QString() : QStringLiteral("%1: %2").arg(step, QString::fromLocal8Bit(std::strerror(err)));
    }

    // Which files the durable images hold, to tell a lost name from lost content.
    static QString DescribeImages(const ScoreFile& file, const PendingAttempts& queue, const QString& queueFolder)
    {
        QStringList parts;
        const QFileInfo score(file.Path());
        parts << (score.exists() ? QStringLiteral("score file %1 bytes").arg(score.size())
                                 : QStringLiteral("no score file"));
        const int backups = int(file.BackupNames().size());
        if (backups > 0)
            parts << QStringLiteral("%1 backups").arg(backups);
        QStringList others = QDir(file.Folder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        others.removeAll(score.fileName());
        for (const QString& b : file.BackupNames()) {
            others.removeAll(b);
            others.removeAll(BackupTails::FileNameOf(b));
        }
        if (!others.isEmpty())
            parts << QStringLiteral("beside it: %1").arg(others.join(QStringLiteral(", ")));
        const QFileInfo queued(queue.Path());
        if (!QFileInfo(queueFolder).isDir())
            parts << QStringLiteral("no queue folder");
        else
            parts << (queued.exists() ? QStringLiteral("queue %1 bytes").arg(queued.size())
                                      : QStringLiteral("no queue file"));
        return parts.join(QStringLiteral("; "));
    }

    // Every attempt reported saved is in the score file or in the queue, no attempt is in either
    // twice or was never tried, a flush that returned left its attempts in the score file and no
    // longer in the queue, a delete stands unless taken back, and every record is whole. Then, as at
    // the program's next start, the queue is flushed: every saved attempt is in the score file
    // exactly once and the queue is empty. Returns what is wrong.
    static QStringList Check(const Reports& told, const QList<qint32>& earlierInFile, const QList<qint32>& earlierQueued,
                             const ScoreFile& file, const PendingAttempts& queue)
    {
        QStringList faults;
        QSet<qint32> saved(told.Saved);
        QSet<qint32> known(told.Tried);
        for (const qint32 s : earlierQueued) {
            saved << s;
            known << s;
        }
        for (const qint32 s : earlierInFile) {
            known << s;
            const QByteArray change = told.LastChange.value(s);
            if (change.isEmpty() || change == "restored")
                saved << s;
        }
        QHash<qint32, int> inFile;
        QHash<qint32, int> inQueue;
        const auto count = [&faults](const std::vector<ScoreRecord>& records, QHash<qint32, int>& into, const char* where) {
            for (const ScoreRecord& r : records) {
                ++into[r.Seconds];
                if (ScoreRecordCodec::Encode(r) != ScoreRecordCodec::Encode(Record(1, r.Seconds)))
                    faults << QStringLiteral("a damaged record in the %1 (seconds %2)").arg(QLatin1String(where)).arg(r.Seconds);
            }
        };
        try {
            count(file.ReadLastRecords(1 << 20), inFile, "score file");
        } catch (const FatalError& e) {
            return {QStringLiteral("the score file cannot be read: %1").arg(e.Message)};
        }
        QString problem;
        count(queue.Load(&problem), inQueue, "queue");
        if (!problem.isEmpty())
            faults << QStringLiteral("the queue was damaged: %1").arg(problem);

        QList<qint32> lost, doubled, stray, undeleted, backInQueue, notInFile;
        QSet<qint32> present;
        for (auto it = inFile.cbegin(); it != inFile.cend(); ++it)
            present << it.key();
        for (auto it = inQueue.cbegin(); it != inQueue.cend(); ++it)
            present << it.key();
        for (const qint32 s : std::as_const(present)) {
            if (!known.contains(s))
                stray << s;
            if (inFile.value(s) > 1 || inQueue.value(s) > 1)
                doubled << s;
        }
        for (const qint32 s : std::as_const(saved))
            if (inFile.value(s) + inQueue.value(s) == 0)
                lost << s;
        for (auto it = told.LastChange.cbegin(); it != told.LastChange.cend(); ++it)
            if (it.value() == "deleted" && inFile.value(it.key()) > 0)
                undeleted << it.key();
        for (const qint32 s : told.Flushed) {
            if (inQueue.value(s) > 0)
                backInQueue << s;
            if (inFile.value(s) == 0)
                notInFile << s;
        }
        const auto note = [&faults](const QList<qint32>& seconds, const char* what) {
            if (!seconds.isEmpty())
                faults << QStringLiteral("%1: %2").arg(QLatin1String(what), Ranges(seconds));
        };
        note(lost, "reported saved, but in neither the score file nor the queue");
        note(notInFile, "flushed, but not in the score file");
        note(backInQueue, "flushed, but back in the queue");
        note(doubled, "twice in the score file or twice in the queue");
        note(undeleted, "reported deleted, but in the score file");
        note(stray, "never tried, but there");
        if (!faults.isEmpty())
            return faults;

        try {
            queue.Flush(file);
            inFile.clear();
            inQueue.clear();
            count(file.ReadLastRecords(1 << 20), inFile, "score file");
            count(queue.Load(), inQueue, "queue");
        } catch (const FatalError& e) {
            return {QStringLiteral("the next start's flush failed: %1").arg(e.Message)};
        }
        QList<qint32> notOnce, twice;
        for (const qint32 s : std::as_const(saved))
            if (inFile.value(s) != 1)
                notOnce << s;
        for (auto it = inFile.cbegin(); it != inFile.cend(); ++it)
            if (it.value() > 1)
                twice << it.key();
        note(notOnce, "after the next start's flush, not in the score file exactly once");
        note(twice, "after the next start's flush, twice in the score file");
        if (!inQueue.isEmpty())
            faults << QStringLiteral("after the next start's flush, the queue still holds %1").arg(inQueue.size());
        return faults;
    }

    // One round: the disks mounted, the workers started, the power cut after `runMs`, the images
    // checked. `before`: the score file and the queue held attempts before the round. `reported`
    // grows by the attempts reported saved and the records reported deleted or restored.
    void PowerCut(const QString& names, const QStringList& roles, bool before, int runMs, quint32 workerSeed,
                  const QString& round, int& reported)
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.path() + u'/';
        PowerLossDisk share(folder, QStringLiteral("data"), names);
        PowerLossDisk pc(folder, QStringLiteral("pc"), names);
        const QString dataFolder = share.MountPoint + u'/';
        const QString queueFolder = pc.MountPoint + QueueBelowPc;

        // What was there before the round is on the disks already: durable.
        const bool removing = roles.contains(QStringLiteral("remove-restore"));
        const QList<qint32> earlierInFile = before || removing ? Span(1, EarlierRecords) : QList<qint32>();
        const QList<qint32> earlierQueued = before ? EarlierQueued : QList<qint32>();
        const ScoreFile image(share.Backing + u'/', [](int) {});
        const PendingAttempts queueImage(pc.Backing + QueueBelowPc, dataFolder);
        QVERIFY(QDir().mkpath(pc.Backing + QStringLiteral("/share")));
        try {
            image.AppendRecords(Records(earlierInFile));
            for (const qint32 s : earlierQueued)
                queueImage.Add(Record(1, s));
        } catch (const FatalError& e) {
            QFAIL(qPrintable(e.Message));
        }

        share.Start();
        pc.Start();
        for (PowerLossDisk* disk : {&share, &pc}) {
            const QString error = disk->WaitMounted();
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }

        std::vector<Worker> workers;
        for (const QString& role : roles) {
            Worker w{role.toLatin1(), std::make_unique<QProcess>()};
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(RoleVariable, role);
            env.insert(DataVariable, dataFolder);
            env.insert(QueueVariable, queueFolder);
            env.insert(FirstVariable, QString::number(FirstNew));
            env.insert(SeedVariable, QString::number(workerSeed + quint32(workers.size())));
            w.Process->setProcessEnvironment(env);
            w.Process->start(QCoreApplication::applicationFilePath(), {});
            workers.push_back(std::move(w));
        }
        const auto stop = [&workers] {
            for (Worker& w : workers) {
                w.Process->kill();
                w.Process->waitForFinished(10000);
            }
        };
        for (Worker& w : workers) {
            bool started = false;
            while (!started && w.Process->waitForReadyRead(20000))
                while (!started && w.Process->canReadLine())
                    started = w.Process->readLine() == "started\n";
            if (!started) {
                stop();
                QFAIL(qPrintable(QStringLiteral("%1: the worker %2 did not start: %3")
                                     .arg(round, QString::fromLatin1(w.Role), QString::fromLocal8Bit(w.Process->readAllStandardError()))));
            }
        }
        QTest::qWait(runMs);
        for (Worker& w : workers)
            if (w.Process->state() != QProcess::Running) {
                stop();
                QFAIL(qPrintable(QStringLiteral("%1: the worker %2 failed before the power cut: %3")
                                     .arg(round, QString::fromLatin1(w.Role), QString::fromLocal8Bit(w.Process->readAllStandardError()))));
            }

        // Both disks stop at one moment; the program stops with them, before it can say anything
        // more; then the disks lose what they had not made durable.
        const auto order = [&](const QByteArray& command, const QByteArray& answer) {
            for (PowerLossDisk* disk : {&share, &pc})
                if (const QByteArray said = disk->Order(command); said != answer)
                    return QStringLiteral("%1 of %2: %3").arg(QString::fromLatin1(command), disk->MountPoint, QString::fromLocal8Bit(said));
            return QString();
        };
        QString error = order("freeze", "frozen");
        for (Worker& w : workers)
            w.Process->kill();
        if (error.isEmpty())
            error = order("cut", "cut");
        stop();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        Reports told;
        for (Worker& w : workers)
            told.Read(w.Process->readAllStandardOutput());
        reported += int(told.Saved.size() + told.LastChange.size());
        for (PowerLossDisk* disk : {&share, &pc}) {
            const QString error = disk->Unmount();
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }

        const QString images = DescribeImages(image, queueImage, pc.Backing + QueueBelowPc);
        const QStringList faults = Check(told, earlierInFile, earlierQueued, image, queueImage);
        QVERIFY2(faults.isEmpty(),
                 qPrintable(QStringLiteral("%1 (%2), power cut %3 ms after the start, %4 attempts reported saved: %5. "
                                           "Durable images: %6")
                                .arg(round, QStringLiteral("%1 records in the score file and %2 in the queue before")
                                                .arg(earlierInFile.size())
                                                .arg(earlierQueued.size()))
                                .arg(runMs)
                                .arg(told.Saved.size())
                                .arg(faults.join(QStringLiteral("; ")), images)));
    }

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
            QSKIP("/dev/fuse is missing: no FUSE file system can be mounted here");
        if (!QFileInfo(Python).isExecutable())
            QSKIP("/usr/bin/python3 is missing: it runs the power-loss file system");
        QVERIFY2(QFileInfo::exists(FileSystem), qPrintable(FileSystem));
        QString output;
        if (!Run(Python, {FileSystem, QStringLiteral("--help")}, &output))
            QSKIP(qPrintable(QStringLiteral("the power-loss file system cannot run: %1").arg(output)));
    }

    void diskKeepsWhatWasSynced_data()
    {
        QTest::addColumn<QString>("names");
        QTest::addColumn<QString>("before"); // files on the disk before it is mounted
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("after");  // the image after the power cut
        struct Case {
            const char* Name;
            const char* Before;
            const char* Steps;
            const char* NamesAtOnce;
            const char* NamesAfterFolderSync;
        };
        const Case cases[] = {
            {"written, not synced", "", "write a new", "a=", ""},
            {"synced", "", "write a new; sync a", "a=new", ""},
            {"synced with its folder", "", "write a new; sync a; sync .", "a=new", "a=new"},
            {"written again, not synced", "b=old", "write b new", "b=old", "b=old"},
            {"renamed over another", "b=old", "write a new; sync a; rename a b", "b=new", "b=old"},
            {"renamed over another, folder synced", "b=old", "write a new; sync a; rename a b; sync .", "b=new", "b=new"},
            {"unlinked", "b=old", "unlink b", "", "b=old"},
            {"linked, the old name unlinked", "b=old", "link b c; unlink b", "c=old", "b=old"},
            {"in a new folder", "", "mkdir d; write d/x new; sync d/x; sync d", "d/ d/x=new", ""},
            {"in a new folder synced into its own", "", "mkdir d; write d/x new; sync d/x; sync d; sync .", "d/ d/x=new", "d/ d/x=new"},
        };
        for (const Case& c : cases) {
            QTest::addRow("names durable at once, %s", c.Name)
                << QStringLiteral("always") << QString::fromLatin1(c.Before) << QString::fromLatin1(c.Steps)
                << QString::fromLatin1(c.NamesAtOnce);
            QTest::addRow("names durable after a folder sync, %s", c.Name)
                << QStringLiteral("folder-sync") << QString::fromLatin1(c.Before) << QString::fromLatin1(c.Steps)
                << QString::fromLatin1(c.NamesAfterFolderSync);
        }
    }
    // The disk the power cuts are played on: after a cut its image holds what was synced, and only
    // that, and nothing reaches it any more.
    void diskKeepsWhatWasSynced()
    {
        QFETCH(QString, names);
        QFETCH(QString, before);
        QFETCH(QString, steps);
        QFETCH(QString, after);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        PowerLossDisk disk(dir.path() + u'/', QStringLiteral("disk"), names);
        for (const QString& file : before.split(u' ', Qt::SkipEmptyParts)) {
            QFile f(disk.Backing + u'/' + file.section(u'=', 0, 0));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file.section(u'=', 1).toUtf8());
        }
        disk.Start();
        const QString mounted = disk.WaitMounted();
        QVERIFY2(mounted.isEmpty(), qPrintable(mounted));
        for (const QString& step : steps.split(QStringLiteral("; "))) {
            const QString error = Step(disk.MountPoint, step);
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }
        QCOMPARE(disk.Order("cut"), QByteArray("cut"));
        QCOMPARE(Step(disk.MountPoint, QStringLiteral("mkdir late")), QStringLiteral("mkdir late: %1").arg(QString::fromLocal8Bit(std::strerror(EIO))));
        QCOMPARE(disk.Unmount(), QString());
        QCOMPARE(Listing(disk.Backing), after);
    }

    // The score file's lock reaches from one process to another on the disk (the kernel keeps the
    // locks of a FUSE file system that takes none itself), so the program's machines take turns there.
    void lockReachesOtherProcesses()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        PowerLossDisk disk(dir.path() + u'/', QStringLiteral("data"), QStringLiteral("always"));
        ScoreFile(disk.Backing + u'/').AppendRecords(Records({1, 2, 3}));
        disk.Start();
        const QString mounted = disk.WaitMounted();
        QVERIFY2(mounted.isEmpty(), qPrintable(mounted));
        const ScoreFile file(disk.MountPoint + u'/');
        QProcess holder;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(RoleVariable, QStringLiteral("remove-first"));
        env.insert(DataVariable, disk.MountPoint + u'/');
        env.insert(QStringLiteral("ZOME2_TEST_PAUSE_AT_STEP"), QStringLiteral("locked"));
        holder.setProcessEnvironment(env);
        holder.start(QCoreApplication::applicationFilePath(), {});
        bool paused = false;
        while (!paused && holder.waitForReadyRead(20000))
            while (!paused && holder.canReadLine())
                paused = holder.readLine() == "paused at locked\n";
        QVERIFY2(paused, holder.readAllStandardError().constData());
        QCOMPARE(int(ScoreFileProbe::ProbeWriting(file.Path()).State), int(ScoreFileProbe::Writing::Busy));
        holder.write("\n");
        QVERIFY(holder.waitForFinished(20000));
        QCOMPARE(holder.exitCode(), 0);
        QCOMPARE(int(ScoreFileProbe::ProbeWriting(file.Path()).State), int(ScoreFileProbe::Writing::Writable));
        QCOMPARE(file.ReadLastRecords(10).size(), size_t(2));
    }

    void savedAttemptsSurviveAPowerCut_data()
    {
        QTest::addColumn<QString>("names");
        QTest::addColumn<QStringList>("roles");
        const std::pair<const char*, const char*> modes[] = {
            {"always", "names durable at once"},
            {"folder-sync", "names durable after a folder sync"},
        };
        const std::pair<const char*, QStringList> works[] = {
            {"ScoreFile::AppendScoreRecord", {"append-one"}},
            {"ScoreFile::AppendRecords", {"append-records"}},
            {"PendingAttempts::Add", {"queue-add"}},
            {"PendingAttempts::Flush", {"queue-flush"}},
            {"RemoveRecord and RestoreBackup while appending", {"remove-restore", "append-records"}},
        };
        for (const auto& [names, modeText] : modes)
            for (const auto& [workText, roles] : works)
                QTest::addRow("%s, %s", modeText, workText) << QString::fromLatin1(names) << roles;
    }
    // Rounds alternate between a first start (no score file, no queue folder) and a later one
    // (both there with attempts); deletes always have records from before to work on.
    void savedAttemptsSurviveAPowerCut()
    {
        QFETCH(QString, names);
        QFETCH(QStringList, roles);
        const quint32 seed = Seed();
        QRandomGenerator random(seed);
        int reported = 0;
        for (int round = 0; round < Rounds(); ++round) {
            const int runMs = 10 + int(random.bounded(290u));
            const quint32 workerSeed = random.generate();
            PowerCut(names, roles, round % 2 == 1, runMs, workerSeed,
                     QStringLiteral("%1=%2, round %3 of %4")
                         .arg(QLatin1String(SeedVariable))
                         .arg(qEnvironmentVariableIntValue(SeedVariable))
                         .arg(round + 1)
                         .arg(Rounds()),
                     reported);
            if (QTest::currentTestFailed())
                return;
        }
        // Else every cut came before the program got anywhere, and nothing was shown.
        QVERIFY2(reported > 0, "no attempt was reported saved and no record deleted before any power cut");
    }
};

int main(int argc, char** argv)
{
    const QByteArray role = qgetenv(RoleVariable);
    if (!role.isEmpty())
        return RunWorker(role);
    QCoreApplication app(argc, argv);
    TestPowerLoss test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_PowerLoss.moc"
