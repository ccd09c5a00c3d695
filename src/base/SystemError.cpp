#include "base/SystemError.h"
#include <cerrno>
#include <cstring>

QString SystemError::Describe(int err)
{
    switch (err) {
    case ENOENT: return QStringLiteral("ファイルまたはフォルダが見つかりません");
    case EACCES:
    case EPERM: return QStringLiteral("アクセスが拒否されました");
    case EROFS: return QStringLiteral("書き込みできない場所です");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("ディスクの空き領域が足りません");
    case EIO: return QStringLiteral("読み書きに失敗しました");
    case ENOLCK: return QStringLiteral("ファイルをロックできません");
    case ESTALE: return QStringLiteral("ネットワーク上のファイルが使えなくなりました");
    case EFBIG: return QStringLiteral("ファイルが大きすぎます");
    case EISDIR: return QStringLiteral("フォルダです");
    default: return QStringLiteral("エラーが起きました（%1）").arg(QString::fromLocal8Bit(std::strerror(err)));
    }
}
