#include "app/DataRootCheckCommand.h"
#include "base/FatalError.h"
#include "base/SystemError.h"
#include "drill/LevelCatalogue.h"
#include "records/PassCriteriaFile.h"
#include "records/ScoreFile.h"
#include "records/ScoreFileProbe.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include "setup/Configuration.h"
#include "setup/MountTable.h"
#include "setup/ShareSafety.h"
#include "setup/StartupInfo.h"
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSysInfo>
#include <cstdio>
#include <memory>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Below this the next attempts may not fit; below the second, soon.
constexpr qint64 TooLittleSpace = qint64(1) << 20;
constexpr qint64 LittleSpace = qint64(100) << 20;

enum class Verdict { Good, Info, Warning, Fault };

class Report {
public:
    void Add(Verdict verdict, const QString& what, const QString& detail)
    {
        static const char* const Tags[] = {"【良好】", "【情報】", "【注意】", "【問題】"};
        Lines << QString::fromUtf8(Tags[int(verdict)]) + what + QStringLiteral("：") + detail;
        Faults += verdict == Verdict::Fault;
    }
    int Finish()
    {
        Lines << (Faults == 0 ? QStringLiteral("結果：成績を失うおそれのある問題は見つかりませんでした。")
                              : QStringLiteral("結果：このままでは成績が記録されないか、壊れるおそれがあります。"
                                               "【問題】の行を直してから使ってください。"));
        const QByteArray text = (Lines.join(u'\n') + u'\n').toUtf8();
        const bool written = std::fwrite(text.constData(), 1, size_t(text.size()), stdout) == size_t(text.size())
            && std::fflush(stdout) == 0;
        if (!written)
            return 1;
        return Faults == 0 ? 0 : 1;
    }

private:
    QStringList Lines;
    int Faults = 0;
};

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString Size(qint64 bytes)
{
    return QLocale(QLocale::Japanese).formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

void CheckMount(Report& report, const QString& dataFolder, const QString& mountTable)
{
    const auto mounts = MountTable::Read(mountTable);
    const QString folder = QFileInfo(dataFolder).canonicalFilePath();
    const auto mount = mounts ? MountTable::Holding(*mounts, folder) : std::nullopt;
    if (!mount) {
        report.Add(Verdict::Warning, QStringLiteral("マウント"),
                   QStringLiteral("%1 を読めないため、データフォルダのマウントが分かりません").arg(mountTable));
        report.Add(Verdict::Warning, QStringLiteral("ロックの共有"),
                   QStringLiteral("不明（マウントが分からないため）。ほかのパソコンとのロックが効くか確かめてください"));
        return;
    }
    report.Add(Verdict::Info, QStringLiteral("マウント"), MountTable::Describe(*mount));
    const MountTable::LockVerdict locks = MountTable::Locks(*mount);
    switch (locks.Sharing) {
    case MountTable::LockSharing::Carried:
        report.Add(Verdict::Good, QStringLiteral("ロックの共有"), QStringLiteral("はい。") + locks.Reason);
        break;
    case MountTable::LockSharing::NotCarried:
        report.Add(Verdict::Fault, QStringLiteral("ロックの共有"),
                   QStringLiteral("いいえ。%1。二台のパソコンが同時に成績を記録すると、互いの記録を壊します。"
                                  "マウントの設定を直してください").arg(locks.Reason));
        break;
    case MountTable::LockSharing::Unknown:
        report.Add(Verdict::Warning, QStringLiteral("ロックの共有"), QStringLiteral("不明。") + locks.Reason);
        break;
    }
}

void CheckWriting(Report& report, const QString& path)
{
    const QString what = QStringLiteral("成績ファイルへの書き込み");
    const ScoreFileProbe::WriteCheck check = ScoreFileProbe::ProbeWriting(path);
    const QString account = ShareSafety::AccountName();
    switch (check.State) {
    case ScoreFileProbe::Writing::Writable:
        report.Add(Verdict::Good, what, QStringLiteral("このアカウント %1 で書き込め、ロックも取れます（%2）").arg(account, Shown(path)));
        break;
    case ScoreFileProbe::Writing::Busy:
        report.Add(Verdict::Info, what,
                   QStringLiteral("このアカウント %1 で書き込めます。ほかのパソコンが今ロックしています（使用中で、故障ではありません）（%2）")
                       .arg(account, Shown(path)));
        break;
    case ScoreFileProbe::Writing::Missing:
        report.Add(Verdict::Warning, what,
                   QStringLiteral("成績ファイルがまだありません。最初に起動したときに作られます（%1）").arg(Shown(path)));
        break;
    case ScoreFileProbe::Writing::NoAccess:
        report.Add(Verdict::Fault, what,
                   QStringLiteral("このアカウント %1 では書き込めません（%2）。このパソコンの成績は記録されません（%3）")
                       .arg(account, SystemError::Describe(check.Error), Shown(path)));
        break;
    case ScoreFileProbe::Writing::NoLocks:
        report.Add(Verdict::Fault, what,
                   QStringLiteral("書き込めますが、ロックを取れません（%1）。二台が同時に記録すると記録が壊れます（%2）")
                       .arg(SystemError::Describe(check.Error), Shown(path)));
        break;
    }
}

// A delete's backup and journal are files the deleting PC makes and removes beside the score file,
// and a PC that finds a delete cut off finishes it and removes the journal: every account needs to
// make and remove files in the data folder.
void CheckFolderWriting(Report& report, const QString& folder)
{
    const QString what = QStringLiteral("データフォルダへのファイルの作成と削除");
    const QString account = ShareSafety::AccountName();
    QByteArray name = QFile::encodeName(folder + QStringLiteral("成績累積データ.check.new-")) + "XXXXXX";
    const int fd = ::mkstemp(name.data());
    int err = fd >= 0 ? 0 : errno;
    if (fd >= 0)
        ::close(fd);
    if (err == 0 && ::unlink(name.constData()) != 0)
        err = errno;
    if (err == 0) {
        report.Add(Verdict::Good, what, QStringLiteral("このアカウント %1 でできます（%2）").arg(account, Shown(folder)));
        return;
    }
    report.Add(Verdict::Fault, what,
               QStringLiteral("このアカウント %1 ではできません（%2）。記録の削除の控えや途中経過を作れず、"
                              "ほかのパソコンが途中で止めた削除の続きもできないため、成績が記録されなくなることがあります（%3）")
                   .arg(account, SystemError::Describe(err), Shown(folder)));
}

void CheckFiles(Report& report, const Installation& inst)
{
    try {
        LevelCatalogue offered;
        offered.Build();
        CriteriaTable criteria;
        PassCriteriaFile::LoadPassCriteria(inst.DataFolder, criteria, offered.LevelCount);
        report.Add(Verdict::Good, QStringLiteral("合格基準"),
                   QStringLiteral("読めました（%1）").arg(Shown(PassCriteriaFile::Path(inst.DataFolder))));
    } catch (const FatalError& e) {
        report.Add(Verdict::Fault, QStringLiteral("合格基準"), QString(e.Message).replace(u'\n', u' '));
    }

    auto roster = std::make_unique<RosterTables>();
    const int schoolYear = RosterFile::SchoolYear(QDate::currentDate(), inst.SchoolYearStartMonth);
    if (!RosterFile::LoadRoster(inst.DataRoot, inst.RosterOption, schoolYear, *roster)) {
        report.Add(Verdict::Warning, QStringLiteral("名簿"),
                   QString(RosterFile::MissingMessage(inst.DataRoot, *roster)).replace(u'\n', u' '));
    } else if (!roster->SkippedLines.isEmpty()) {
        report.Add(Verdict::Warning, QStringLiteral("名簿"),
                   QString(RosterFile::SkippedMessage(inst.DataRoot, *roster)).replace(u'\n', u' '));
    } else {
        report.Add(Verdict::Good, QStringLiteral("名簿"),
                   QStringLiteral("%1人（%2）").arg(roster->ListedCount).arg(Shown(RosterFile::Path(inst.DataRoot))));
    }
}

void CheckSpace(Report& report, const QString& dataFolder)
{
    struct statvfs st {};
    if (::statvfs(QFile::encodeName(dataFolder).constData(), &st) != 0) {
        report.Add(Verdict::Warning, QStringLiteral("空き容量"),
                   QStringLiteral("調べられません（%1）").arg(SystemError::Describe(errno)));
        return;
    }
    const qint64 free = qint64(st.f_bavail) * qint64(st.f_frsize);
    const QString text = QStringLiteral("%1（%2）").arg(Size(free), Shown(dataFolder));
    if (free < TooLittleSpace)
        report.Add(Verdict::Fault, QStringLiteral("空き容量"), text + QStringLiteral("。成績を記録できなくなります"));
    else if (free < LittleSpace)
        report.Add(Verdict::Warning, QStringLiteral("空き容量"), text + QStringLiteral("。残りわずかです"));
    else
        report.Add(Verdict::Good, QStringLiteral("空き容量"), text);
}

void CheckContents(Report& report, const QString& dataFolder)
{
    const ScoreFile file(dataFolder);
    const ScoreFileProbe::Contents c = ScoreFileProbe::Count(file.Path());
    if (c.Error != 0) {
        if (c.Error != ENOENT)
            report.Add(Verdict::Fault, QStringLiteral("成績の記録"),
                       QStringLiteral("読めません（%1）").arg(SystemError::Describe(c.Error)));
    } else {
        QString text = QStringLiteral("%1件").arg(c.Records);
        if (c.Damaged > 0)
            text += QStringLiteral("、そのうち番号の壊れた記録 %1件（集計には使われません）").arg(c.Damaged);
        if (c.TrailingBytes > 0)
            text += QStringLiteral("、末尾に途中までの記録（%1バイト、次の記録で上書きされます）").arg(c.TrailingBytes);
        report.Add(c.Damaged > 0 || c.TrailingBytes > 0 ? Verdict::Warning : Verdict::Info, QStringLiteral("成績の記録"), text);
    }
    if (QFileInfo::exists(file.JournalPath()))
        report.Add(Verdict::Warning, QStringLiteral("途中の書き換え"),
                   QStringLiteral("記録の削除が途中で止まっています。次にどれかのパソコンが成績ファイルを使うとき、"
                                  "続きが行われます（%1）").arg(Shown(file.JournalPath())));
    const QStringList backups = file.BackupNames();
    report.Add(Verdict::Info, QStringLiteral("最新の控え"),
               backups.isEmpty() ? QStringLiteral("まだありません（記録を削除すると作られます）")
                                 : QStringLiteral("%1（控えは %2 個）").arg(Shown(dataFolder + backups.last())).arg(backups.size()));
}

} // namespace

int DataRootCheckCommand::Run(const QString& programFolderOverride, const QString& mountTable)
{
    Report report;
    const QString programFolder = Configuration::ProgramFolderPath(programFolderOverride);
    const bool development = StartupInfo::IsDevelopmentLayout(programFolder);
    QString dataRoot;
    try {
        dataRoot = Configuration::ReadDataRoot(programFolder, development);
    } catch (const FatalError& e) {
        report.Add(Verdict::Fault, QStringLiteral("パスデータ"), QString(e.Message).replace(u'\n', u' '));
        return report.Finish();
    }
    if (!QFileInfo(dataRoot).isDir()) {
        report.Add(Verdict::Fault, QStringLiteral("データの場所"),
                   QStringLiteral("%1 がありません。共有フォルダがマウントされているか、パスデータ.txt（%2）が正しいか確かめてください")
                       .arg(Shown(dataRoot), Shown(Configuration::PathFilePath(programFolder))));
        return report.Finish();
    }
    report.Add(Verdict::Good, QStringLiteral("データの場所"),
               QStringLiteral("%1（パスデータ.txt：%2、パソコン：%3）")
                   .arg(Shown(dataRoot), Shown(Configuration::PathFilePath(programFolder)), QSysInfo::machineHostName()));

    Installation inst;
    try {
        inst = Configuration::LoadPathsAndConfiguration(programFolder, development);
        report.Add(Verdict::Good, QStringLiteral("設定"),
                   QStringLiteral("%1 %2（%3）").arg(inst.SchoolCode, inst.SchoolName, Shown(Configuration::CommonFilePath(dataRoot))));
    } catch (const FatalError& e) {
        report.Add(Verdict::Fault, QStringLiteral("設定"), QString(e.Message).replace(u'\n', u' '));
        CheckMount(report, dataRoot, mountTable);
        return report.Finish();
    }
    CheckMount(report, inst.DataFolder, mountTable);
    CheckWriting(report, ScoreFile(inst.DataFolder).Path());
    CheckFolderWriting(report, inst.DataFolder);
    CheckFiles(report, inst);
    CheckSpace(report, inst.DataFolder);
    CheckContents(report, inst.DataFolder);
    return report.Finish();
}
