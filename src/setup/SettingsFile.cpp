#include "setup/SettingsFile.h"
#include "base/FatalError.h"
#include "base/FileReplacement.h"
#include <QDir>
#include <cerrno>
#include <cstring>

namespace {

QString Reason(int err)
{
    switch (err) {
    case ENOENT: return QStringLiteral("フォルダが見つかりません");
    case EACCES:
    case EPERM: return QStringLiteral("書き込みが許されていません");
    case EROFS: return QStringLiteral("書き込みできない場所です");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("ディスクの空き領域が足りません");
    case EIO: return QStringLiteral("読み書きに失敗しました");
    case ESTALE: return QStringLiteral("ネットワーク上のフォルダが使えなくなりました");
    default: return QString::fromLocal8Bit(std::strerror(err));
    }
}

} // namespace

void SettingsFile::Replace(const QString& path, const QByteArray& contents)
{
    FileReplacement::Options options;
    options.PassingMark = ".";
    const FileReplacement::Result result = FileReplacement::Replace(path, contents, options);
    if (result.Done())
        return;
    if (result.Replaced())
        throw FatalError(QStringLiteral("ファイルを記録しましたが、ディスクに書き込めたか確かめられません（%1）。\n%2")
                             .arg(Reason(result.Error), QDir::toNativeSeparators(path)));
    throw FatalError(QStringLiteral("ファイルを記録できませんでした（%1）。元のファイルはそのままです。\n%2")
                         .arg(Reason(result.Error), QDir::toNativeSeparators(path)));
}
