#include "records/BackupTails.h"
#include <QCryptographicHash>
#include <QList>

namespace {
const QByteArray Heading = "zome2 backup tails 1";

QByteArray Digest(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(); }

bool Valid(const QString& name) { return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\n'); }
} // namespace

QString BackupTails::FileNameOf(const QString& backup) { return backup + QStringLiteral(".tails"); }

QByteArray BackupTails::Encode() const
{
    QByteArray text = Heading + '\n' + "records=" + QByteArray::number(Records) + '\n';
    for (auto it = Before.cbegin(); it != Before.cend(); ++it)
        text += "before " + QByteArray::number(it.value()) + ' ' + it.key().toUtf8() + '\n';
    for (auto it = After.cbegin(); it != After.cend(); ++it)
        text += "after " + QByteArray::number(it.value()) + ' ' + it.key().toUtf8() + '\n';
    return text + "sha256=" + Digest(text) + '\n';
}

std::optional<BackupTails> BackupTails::Decode(const QByteArray& bytes)
{
    const qsizetype check = bytes.lastIndexOf("sha256=");
    if (!bytes.startsWith(Heading + '\n') || check < 0 || !bytes.endsWith('\n')
        || bytes.mid(check + 7).trimmed() != Digest(bytes.left(check)))
        return std::nullopt;
    BackupTails tails;
    bool recordsSeen = false;
    for (const QByteArray& line : bytes.left(check).split('\n').mid(1)) {
        if (line.isEmpty())
            continue;
        bool ok = false;
        if (line.startsWith("records=")) {
            tails.Records = line.mid(8).toLongLong(&ok);
            if (!ok || tails.Records < 0)
                return std::nullopt;
            recordsSeen = true;
            continue;
        }
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() < 3)
            return std::nullopt;
        const qint64 start = parts[1].toLongLong(&ok);
        const QString name = QString::fromUtf8(line.mid(parts[0].size() + parts[1].size() + 2));
        if (!ok || start < 0 || !Valid(name))
            return std::nullopt;
        if (parts[0] == "before")
            tails.Before.insert(name, start);
        else if (parts[0] == "after")
            tails.After.insert(name, start);
        else
            return std::nullopt;
    }
    if (!recordsSeen)
        return std::nullopt;
    return tails;
}

BackupTails::Starts BackupTails::AfterRemoving(const Starts& now, qint64 index)
{
    Starts after;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        after.insert(it.key(), index < it.value() ? it.value() - 1 : it.value());
    return after;
}

BackupTails::Starts BackupTails::AfterRestoring(const Starts& now, const QString& chosen, qint64 chosenRecords,
                                                const BackupTails& chosenTails)
{
    const qint64 from = now.value(chosen);
    Starts after;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (auto before = chosenTails.Before.constFind(it.key()); before != chosenTails.Before.cend()) {
            // Made before `chosen`: what was appended after it is the end of the chosen content,
            // followed by everything appended after `chosen`.
            if (before.value() <= chosenRecords)
                after.insert(it.key(), before.value());
        } else if (it.value() >= from) {
            // `chosen` itself, or made since: its appended records come after the chosen content in
            // the order they had.
            after.insert(it.key(), chosenRecords + it.value() - from);
        }
        // Otherwise made before `chosen` without being known to it: no longer known.
    }
    return after;
}
