#include "setup/ShareSafety.h"
#include "base/SystemError.h"
#include "records/ScoreFile.h"
#include "records/ScoreFileProbe.h"
#include "setup/MountTable.h"
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <pwd.h>
#include <unistd.h>

QString ShareSafety::AccountName()
{
    const uid_t uid = ::geteuid();
    const struct passwd* pw = ::getpwuid(uid);
    return pw ? QStringLiteral("%1（%2）").arg(QString::fromLocal8Bit(pw->pw_name)).arg(uid) : QString::number(uid);
}

QString ShareSafety::StartupWarning(const QString& dataFolder, const QString& mountTable)
{
    const QString path = ScoreFile(dataFolder).Path();
    const QString shown = QDir::toNativeSeparators(path);
    QStringList warnings;
    const ScoreFileProbe::WriteCheck writing = ScoreFileProbe::ProbeWriting(path);
    if (writing.State == ScoreFileProbe::Writing::NoAccess)
        warnings << QStringLiteral("このアカウント %1 では成績ファイルに書き込めません（%2）。\n%3\n"
                                   "このパソコンで解いた成績は記録されません。先生に知らせてください。")
                        .arg(AccountName(), SystemError::Describe(writing.Error), shown);
    if (writing.State == ScoreFileProbe::Writing::NoLocks)
        warnings << QStringLiteral("成績ファイルをロックできません（%1）。\n%2\n"
                                   "二台のパソコンが同時に成績を記録すると、互いの記録を壊すことがあります。先生に知らせてください。")
                        .arg(SystemError::Describe(writing.Error), shown);

    const QString folder = QFileInfo(dataFolder).canonicalFilePath();
    if (const auto mounts = MountTable::Read(mountTable); mounts && !folder.isEmpty()) {
        if (const auto mount = MountTable::Holding(*mounts, folder)) {
            const MountTable::LockVerdict locks = MountTable::Locks(*mount);
            if (locks.Sharing == MountTable::LockSharing::NotCarried)
                warnings << QStringLiteral("成績ファイルのある共有フォルダでは、ほかのパソコンとのロックが効きません（%1）。\n%2\n"
                                           "二台のパソコンが同時に成績を記録すると、互いの記録を壊すことがあります。"
                                           "先生に知らせてください（zome2 --check-data-root で確かめられます）。")
                                .arg(locks.Reason, MountTable::Describe(*mount));
        }
    }
    return warnings.join(QStringLiteral("\n\n"));
}
