#include "records/ScoreBackups.h"
#include "base/FatalError.h"
#include "base/FileReplacement.h"
#include "base/PosixFile.h"
#include "base/SystemError.h"
#include "records/ScoreJournal.h"
#include "records/ScoreRecordCodec.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <vector>

namespace {
const QString Prefix = QStringLiteral("成績累積データ_");
const QRegularExpression BackupName(QRegularExpression::anchoredPattern(
    QRegularExpression::escape(Prefix) + QStringLiteral("([0-9]{8}-[0-9]{6})(?:_([0-9]{1,9}))?\\.bak")));
// What a passing name carries: "<final name>.new-" and six characters of mkstemp. The older
// delete's new file "成績累積データ.dat.new-XXXXXX" has the same form.
const QRegularExpression PassingName(QStringLiteral("^成績累積データ.*\\.new-[A-Za-z0-9]{6}$"));

// rename(2), again when a signal cut it short.
int Rename(const QByteArray& from, const QByteArray& to)
{
    while (::rename(from.constData(), to.constData()) != 0)
        if (errno != EINTR)
            return -1;
    return 0;
}

QStringList NamesLike(const QString& folder, const QString& wildcard)
{
    return QDir(folder).entryList({wildcard}, QDir::Files | QDir::Hidden | QDir::System);
}

// The name of a backup made at `now`: after every one of `backups` (oldest first) in their order,
// even when the clock stood still or went back since the last.
QString NextName(const QStringList& backups, const QDateTime& now)
{
    static const QRegularExpression Stamp(QStringLiteral("^[0-9]{8}-[0-9]{6}$"));
    const QString format = QStringLiteral("yyyyMMdd-HHmmss");
    QString stamp = now.toString(format);
    if (!Stamp.match(stamp).hasMatch()) // a clock gone wrong would give names no listing finds
        stamp = QDateTime::currentDateTime().toString(format);
    int number = 1;
    if (!backups.isEmpty()) {
        const QRegularExpressionMatch last = BackupName.match(backups.last());
        if (stamp <= last.captured(1)) {
            stamp = last.captured(1);
            number = (last.captured(2).isEmpty() ? 1 : last.captured(2).toInt()) + 1;
        }
    }
    return Prefix + stamp + (number > 1 ? QStringLiteral("_%1").arg(number) : QString()) + QStringLiteral(".bak");
}
} // namespace

ScoreBackups::ScoreBackups(const QString& dataFolder) : Folder(dataFolder) {}

bool ScoreBackups::IsBackupName(const QString& name) { return BackupName.match(name).hasMatch(); }

QString ScoreBackups::OrderKey(const QString& name)
{
    const QRegularExpressionMatch m = BackupName.match(name);
    return m.hasMatch() ? m.captured(1) + m.captured(2).rightJustified(9, u'0') : QString();
}

QStringList ScoreBackups::Names() const
{
    std::vector<std::pair<QString, QString>> found; // order, name
    for (const QString& name : NamesLike(Folder, Prefix + QStringLiteral("*.bak"))) {
        if (const QString key = OrderKey(name); !key.isEmpty())
            found.emplace_back(key, name);
    }
    std::sort(found.begin(), found.end());
    QStringList names;
    for (const auto& f : found)
        names << f.second;
    return names;
}

QString ScoreBackups::Write(const QByteArray& content, mode_t mode, const QDateTime& now) const
{
    QStringList backups = Names();
    QString name = NextName(backups, now);
    const auto fail = [this, &name](int err) {
        throw FatalError(QStringLiteral("成績ファイルの控えを作れません（%1）。成績ファイルはそのままです。\n%2")
                             .arg(SystemError::Describe(err), QDir::toNativeSeparators(Folder + name)));
    };
    // Under a passing name RemoveUnfinished knows, whole and synced before it takes its own.
    QByteArray passing;
    const FileReplacement::Result copy =
        FileReplacement::WriteBeside(Folder + name, content, {.Mode = mode}, passing);
    if (!copy.Done())
        fail(copy.Error);
    int err = 0;
    // A link refuses a name that is taken; where the folder takes no links (some shares), a rename
    // checked just before does, as nothing else makes backups while the lock is held.
    while (err == 0) {
        const QByteArray final = QFile::encodeName(Folder + name);
        if (::link(passing.constData(), final.constData()) == 0) {
            ::unlink(passing.constData());
            break;
        }
        const int linkErr = errno;
        if (linkErr == EINTR)
            continue;
        if (linkErr == EEXIST) {
            backups << name;
            name = NextName(backups, now);
            continue;
        }
        if (linkErr != EPERM && linkErr != EOPNOTSUPP && linkErr != ENOSYS && linkErr != EMLINK) {
            err = linkErr;
            break;
        }
        if (QFileInfo::exists(Folder + name)) {
            backups << name;
            name = NextName(backups, now);
            continue;
        }
        if (Rename(passing, final) != 0)
            err = errno;
        break;
    }
    if (err == 0)
        err = PosixFile::SyncFolder(Folder);
    if (err != 0) {
        ::unlink(passing.constData());
        fail(err);
    }
    return name;
}

void ScoreBackups::Prune(const QDateTime& now) const
{
    const QStringList backups = Names();
    const QDateTime oldestKept = now.addDays(-KeptDays);
    QStringList kept;
    qint64 bytes = 0;
    bool keeping = true; // the ones kept are the newest, without gaps
    for (qsizetype i = backups.size() - 1; i >= 0; --i) {
        const QString& name = backups[i];
        const qint64 size = QFileInfo(Folder + name).size();
        const QDateTime made = MadeAt(name);
        keeping = keeping && (kept.size() < KeptAlways || (made >= oldestKept && bytes + size <= KeptBytes));
        if (keeping) {
            kept << name;
            bytes += size;
            continue;
        }
        ::unlink(QFile::encodeName(Folder + name).constData());
    }
    for (const QString& note : NamesLike(Folder, Prefix + QStringLiteral("*.bak.tails"))) {
        const QString backup = note.chopped(BackupTails::FileNameOf(QString()).size());
        if (IsBackupName(backup) && !kept.contains(backup))
            ::unlink(QFile::encodeName(Folder + note).constData());
    }
}

std::optional<BackupTails> ScoreBackups::ReadTails(const QString& name) const
{
    QByteArray bytes;
    if (PosixFile::ReadFile(Folder + BackupTails::FileNameOf(name), bytes) != 0)
        return std::nullopt;
    return BackupTails::Decode(bytes);
}

int ScoreBackups::WriteTails(const QString& name, const BackupTails& tails) const
{
    return FileReplacement::Replace(Folder + BackupTails::FileNameOf(name), tails.Encode(), {.Mode = 0644}).Error;
}

std::optional<BackupTails::Starts> ScoreBackups::AppendStarts(const QByteArray& current) const
{
    const QStringList backups = Names();
    const qint64 records = current.size() / ScoreRecordCodec::Size;
    for (qsizetype i = backups.size() - 1; i >= 0; --i) {
        if (const std::optional<BackupTails> tails = ReadTails(backups[i])) {
            if (records < tails->Records)
                return std::nullopt;
            BackupTails::Starts starts;
            for (auto it = tails->After.cbegin(); it != tails->After.cend(); ++it)
                if (backups.contains(it.key()) && it.value() <= records)
                    starts.insert(it.key(), it.value());
            return starts;
        }
        // Without a note, only a backup that no rewrite followed (one cut off before its journal)
        // leaves the file as it was: its whole content still stands at the front.
        QByteArray content;
        if (PosixFile::ReadFile(Folder + backups[i], content) != 0 || !current.startsWith(content))
            return std::nullopt;
    }
    return BackupTails::Starts();
}

QDateTime ScoreBackups::MadeAt(const QString& name)
{
    const QRegularExpressionMatch m = BackupName.match(name);
    return m.hasMatch() ? QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMdd-HHmmss")) : QDateTime();
}

QString ScoreBackups::RestoreSource() { return QStringLiteral("成績累積データ.restore"); }

bool ScoreBackups::JournalThere(QStringList* named) const
{
    // A fresh look at the folder first: some clients refresh their cache of it only then.
    NamesLike(Folder, ScoreJournal::FileName());
    QByteArray bytes;
    const int err = PosixFile::ReadFile(Folder + ScoreJournal::FileName(), bytes);
    if (err == ENOENT)
        return false;
    if (named) {
        if (const std::optional<ScoreJournal> journal = ScoreJournal::Decode(bytes, nullptr)) {
            *named << journal->Backup << BackupTails::FileNameOf(journal->Backup);
            if (!journal->Source.isEmpty())
                *named << journal->Source;
        } else {
            *named << QStringLiteral("*"); // unreadable: it may name anything
        }
    }
    return true;
}

void ScoreBackups::RemoveUnfinished(int olderThanSeconds) const
{
    QStringList named;
    if (JournalThere(&named))
        return;
    ::unlink(QFile::encodeName(Folder + RestoreSource()).constData());
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-olderThanSeconds);
    for (const QString& name : NamesLike(Folder, QStringLiteral("成績累積データ*.new-*"))) {
        if (!PassingName.match(name).hasMatch())
            continue;
        // Another PC's that does not reach the locks may be writing one just now.
        if (olderThanSeconds > 0 && QFileInfo(Folder + name).lastModified().toUTC() > before)
            continue;
        ::unlink(QFile::encodeName(Folder + name).constData());
    }
}

void ScoreBackups::RemoveOrphans(const QByteArray& current) const
{
    QStringList named;
    if (JournalThere(&named))
        return;
    const QStringList backups = Names();
    for (qsizetype i = backups.size() - 1; i >= 0; --i) {
        const QString& name = backups[i];
        if (QFileInfo::exists(Folder + BackupTails::FileNameOf(name)))
            return;
        QByteArray content;
        if (PosixFile::ReadFile(Folder + name, content) != 0 || !current.startsWith(content))
            return;
        ::unlink(QFile::encodeName(Folder + name).constData());
    }
}
