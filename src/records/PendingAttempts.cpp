#include "records/PendingAttempts.h"
#include "base/FatalError.h"
#include "base/Limits.h"
#include "base/PosixFile.h"
#include "base/SystemError.h"
#include "records/ScoreFile.h"
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
constexpr qint64 R = ScoreRecord::Size;

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// Two windows of the same account on this PC take turns on the queue.
class QueueLock {
public:
    explicit QueueLock(const PosixFile& file) : Fd(file.Get()) { while (::flock(Fd, LOCK_EX) != 0 && errno == EINTR) {} }
    ~QueueLock() { ::flock(Fd, LOCK_UN); }
    QueueLock(const QueueLock&) = delete;
    QueueLock& operator=(const QueueLock&) = delete;

private:
    int Fd;
};

// What no attempt can be: a record of the queue that is not one is damage, not an attempt.
bool Plausible(const ScoreRecord& r)
{
    return r.Date > 0 && r.TimeOfDay >= 0 && r.TimeOfDay < 1 && r.Pupil >= 1 && r.Pupil <= Limits::MaxPupil
        && Limits::IsLevel(r.Level) && r.Seconds >= 0;
}
} // namespace

PendingAttempts::PendingAttempts(const QString& queueFolder, const QString& dataFolder) : Folder(queueFolder)
{
    // One queue a data folder: a PC pointed at another share does not write one school's attempts
    // into another's file.
    const QByteArray key = QCryptographicHash::hash(QDir::cleanPath(dataFolder).toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    File = Folder + QStringLiteral("/未記録の成績_%1.dat").arg(QString::fromLatin1(key));
}

QString PendingAttempts::Path() const { return File; }

std::vector<ScoreRecord> PendingAttempts::Load(QString* problem, const QDateTime& now) const
{
    std::vector<ScoreRecord> records;
    PosixFile file;
    if (file.Open(File, O_RDWR) != 0)
        return records; // no queue
    QueueLock lock(file);
    QByteArray bytes;
    int err = file.ReadRest(bytes);
    bool damaged = err != 0 || bytes.size() % R != 0;
    for (qint64 at = 0; !damaged && at < bytes.size(); at += R) {
        records.push_back(ScoreRecord::FromBytes(bytes.constData() + at));
        damaged = !Plausible(records.back());
    }
    if (!damaged)
        return records;
    records.clear();
    const QString aside = Folder + QStringLiteral("/未記録の成績_壊れたもの_%1.dat").arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const bool moved = ::rename(QFile::encodeName(File).constData(), QFile::encodeName(aside).constData()) == 0;
    if (problem)
        *problem = moved ? QStringLiteral("このパソコンに一時保存した成績のファイルが壊れていたため、別の名前で残しました。"
                                          "中の成績は共有フォルダには書き込まれていません。\n%1\n→ %2")
                               .arg(Native(File), Native(aside))
                         : QStringLiteral("このパソコンに一時保存した成績のファイルが壊れていて、別の名前にもできません（%1）。\n%2")
                               .arg(SystemError::Describe(errno), Native(File));
    return records;
}

void PendingAttempts::Add(const ScoreRecord& record) const
{
    const auto fail = [this](int err) {
        throw FatalError(QStringLiteral("このパソコンにも成績を一時保存できません（%1）。\n%2").arg(SystemError::Describe(err), Native(File)));
    };
    if (!QDir().mkpath(Folder))
        fail(EACCES);
    PosixFile file;
    if (const int err = file.Open(File, O_RDWR | O_CREAT, 0600))
        fail(err);
    QueueLock lock(file);
    const qint64 size = file.Size();
    if (size < 0)
        fail(int(-size));
    const qint64 at = size / R * R;
    int err = file.WriteAt(record.ToBytes(), at);
    if (err == 0)
        err = file.Sync();
    if (err != 0) {
        // Nothing half-written stays: the queue is as it was.
        [[maybe_unused]] const int undone = file.Truncate(size);
        fail(err);
    }
}

int PendingAttempts::Flush(const ScoreFile& scoreFile, const ScoreRecord* next) const
{
    PosixFile file;
    const bool queued = file.Open(File, O_RDWR) == 0;
    std::vector<ScoreRecord> records;
    if (queued) {
        QueueLock lock(file);
        QByteArray bytes;
        if (file.ReadRest(bytes) == 0)
            for (qint64 at = 0; at + R <= bytes.size(); at += R)
                records.push_back(ScoreRecord::FromBytes(bytes.constData() + at));
    }
    const int count = int(records.size());
    if (next)
        records.push_back(*next);
    if (records.empty())
        return 0;
    scoreFile.AppendRecords(records);
    if (queued && count > 0) {
        QueueLock lock(file);
        // Written on the share and synced there: the queue can go. What another window of this
        // account added meanwhile stays.
        QByteArray bytes;
        if (file.ReadRest(bytes) == 0 && bytes.size() > count * R) {
            const QByteArray rest = bytes.mid(count * R);
            if (file.WriteAt(rest, 0) == 0 && file.Truncate(rest.size()) == 0)
                file.Sync();
        } else {
            file.Truncate(0);
        }
    }
    return count;
}
