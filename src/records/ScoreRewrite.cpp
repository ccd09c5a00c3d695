#include "records/ScoreRewrite.h"
#include "base/FileReplacement.h"
#include "base/PosixFile.h"
#include "base/SystemError.h"
#include "records/ScoreBackups.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecordCodec.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr qint64 R = ScoreRecordCodec::Size;

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// The whole of a file in the data folder; false when it cannot be read.
bool ReadWhole(const QString& path, QByteArray& into, int* err)
{
    *err = PosixFile::ReadFile(path, into);
    return *err == 0;
}
} // namespace

ScoreRewrite::ScoreRewrite(const QString& dataFolder, const QString& path, int fd) : Folder(dataFolder), Path(path), Fd(fd) {}

void ScoreRewrite::PauseForTestAt(const char* step)
{
    if (qgetenv("ZOME2_TEST_PAUSE_AT_STEP") != step)
        return;
    std::printf("paused at %s\n", step);
    std::fflush(stdout);
    for (char c = 0;;) {
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if ((got == 1 && c == '\n') || got == 0 || (got < 0 && errno != EINTR))
            return;
    }
}

bool ScoreRewrite::JournalThere() const
{
    // Opened, not looked up: a share's cached "no such file" must not hide another PC's journal.
    return ScoreBackups(Folder).JournalThere();
}

void ScoreRewrite::Refuse(const QString& needed, const QString& problem) const
{
    const QString journal = Native(Folder + ScoreJournal::FileName());
    throw ScoreFile::Unreachable(
        QStringLiteral("成績ファイルの書き換え（記録の削除など）が途中で止まったままですが、続きができません（%1）。"
                       "成績ファイルには何も書き込みません。\n"
                       "途中経過の記録: %2\n必要なファイル: %3\n成績ファイル: %4\n"
                       "先生へ: 記録の一覧で成績ファイルの中身を確かめてください。正しければ途中経過の記録のファイルを削除すると、"
                       "また使えるようになります。足りない記録があれば、控え（成績累積データ_….bak）に削除の前の内容があります。")
            .arg(problem, journal, needed.isEmpty() ? QStringLiteral("—") : Native(needed), Native(Path)));
}

void ScoreRewrite::FinishCutOff() const
{
    const QString journalPath = Folder + ScoreJournal::FileName();
    QByteArray bytes;
    int err = 0;
    if (!ReadWhole(journalPath, bytes, &err)) {
        if (err == ENOENT)
            return;
        Refuse(QString(), QStringLiteral("途中経過の記録を読めません: %1").arg(SystemError::Describe(err)));
    }
    QString problem;
    const std::optional<ScoreJournal> decoded = ScoreJournal::Decode(bytes, &problem);
    if (!decoded)
        Refuse(QString(), QStringLiteral("途中経過の記録が壊れています: %1").arg(problem));
    ScoreJournal journal = *decoded;
    QByteArray backup;
    if (!ReadWhole(Folder + journal.Backup, backup, &err))
        Refuse(Folder + journal.Backup, QStringLiteral("控えを読めません: %1").arg(SystemError::Describe(err)));
    QByteArray source;
    if (journal.What == ScoreJournal::Kind::Restore && !ReadWhole(Folder + journal.Source, source, &err))
        Refuse(Folder + journal.Source, QStringLiteral("戻す内容のファイルを読めません: %1").arg(SystemError::Describe(err)));
    const std::optional<QByteArray> base = journal.BaseContent(backup, source, &problem);
    if (!base)
        Refuse(Folder + (journal.What == ScoreJournal::Kind::Restore ? journal.Source : journal.Backup), problem);

    const PosixFile file = PosixFile::Borrowed(Fd);
    QByteArray current;
    if ((err = file.ReadRest(current)) != 0)
        throw ScoreFile::Unreachable(QStringLiteral("成績ファイルを読めません（%1）。\n%2")
                                         .arg(SystemError::Describe(err), Native(Path)));
    QByteArray target = *base + journal.Appended;
    const QByteArray appended = journal.AppendedSince(target, current);
    if (!appended.isEmpty()) {
        // Kept in the journal before the file is touched: they are nowhere else.
        journal.Appended += appended;
        target += appended;
        journal.NoteStart(target, current);
        WriteJournal(journal, false);
    }
    Rewrite(journal, target, current);
}

void ScoreRewrite::Run(ScoreJournal journal, const QByteArray& target, const QByteArray& current) const
{
    journal.NoteStart(target, current);
    WriteJournal(journal, true);
    PauseForTestAt("journaled");
    Rewrite(journal, target, current);
}

void ScoreRewrite::WriteJournal(const ScoreJournal& journal, bool fresh) const
{
    const QString path = Folder + ScoreJournal::FileName();
    const auto fail = [&path](int err) {
        throw ScoreFile::Unreachable(QStringLiteral("成績ファイルの書き換えの途中経過を記録できません（%1）。成績ファイルはそのままです。\n%2")
                                         .arg(SystemError::Describe(err), Native(path)));
    };
    // Whoever finishes it may be a pupil's account.
    const QByteArray bytes = journal.Encode();
    const FileReplacement::Result written = FileReplacement::Replace(path, bytes, {.Mode = 0644});
    int err = written.Error;
    bool named = written.Replaced();
    if (!named) {
        // A rename whose answer the share lost may have been done all the same.
        QByteArray there;
        if (PosixFile::ReadFile(path, there) == 0 && there == bytes) {
            named = true;
            err = PosixFile::SyncFolder(Folder);
        }
    }
    if (err != 0 && named && fresh)
        ::unlink(QFile::encodeName(path).constData());
    if (err != 0)
        fail(err);
}

void ScoreRewrite::Rewrite(const ScoreJournal& journal, const QByteArray& target, const QByteArray& current) const
{
    const auto fail = [this](int err) {
        throw FatalError(QStringLiteral("成績ファイルの書き換えが途中で止まりました（%1）。次に成績ファイルを使うときに続きを行います。\n%2")
                             .arg(SystemError::Describe(err), Native(Path)));
    };
    const PosixFile file = PosixFile::Borrowed(Fd);
    // From the front, record after record: what stands the same stays.
    const qint64 same = ScoreJournal::CommonWholeRecords(current, target);
    if (const int err = file.WriteAt(target.constData() + same, target.size() - same, same))
        fail(err);
    PauseForTestAt("moved");
    if (const int err = file.Truncate(target.size()))
        fail(err);
    PauseForTestAt("cut");
    if (const int err = file.Sync())
        fail(err);
    PauseForTestAt("synced");
    // The backup's note only helps a later restore; without it that restore falls back on comparing
    // records and says so, so a note that cannot be written does not stop the rewrite.
    if (!journal.Tails.isEmpty())
        if (const std::optional<BackupTails> tails = BackupTails::Decode(journal.Tails))
            ScoreBackups(Folder).WriteTails(journal.Backup, *tails);
    if (::unlink(QFile::encodeName(Folder + ScoreJournal::FileName()).constData()) != 0 && errno != ENOENT)
        fail(errno);
    if (journal.What == ScoreJournal::Kind::Restore)
        ::unlink(QFile::encodeName(Folder + journal.Source).constData());
    if (const int err = PosixFile::SyncFolder(Folder))
        fail(err);
    PauseForTestAt("done");
}
