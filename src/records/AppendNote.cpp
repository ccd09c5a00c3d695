#include "records/AppendNote.h"
#include "records/ScoreRecordCodec.h"
#include <QCryptographicHash>
#include <QList>

namespace {
const QByteArray Heading = "zome2 append note 1";

QByteArray Digest(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(); }
} // namespace

QByteArray AppendNote::Encode() const
{
    const QByteArray text = Heading + "\nat=" + QByteArray::number(At) + "\nnewest-backup=" + NewestBackup.toUtf8()
        + "\nrecords=" + Records.toHex() + '\n';
    return text + "sha256=" + Digest(text) + '\n';
}

std::optional<AppendNote> AppendNote::Decode(const QByteArray& bytes)
{
    const qsizetype check = bytes.lastIndexOf("sha256=");
    if (!bytes.startsWith(Heading + '\n') || check < 0 || !bytes.endsWith('\n')
        || bytes.mid(check + 7).trimmed() != Digest(bytes.left(check)))
        return std::nullopt;
    AppendNote note;
    bool at = false;
    for (const QByteArray& line : bytes.left(check).split('\n').mid(1)) {
        if (line.startsWith("at=")) {
            note.At = line.mid(3).toLongLong(&at);
        } else if (line.startsWith("newest-backup=")) {
            note.NewestBackup = QString::fromUtf8(line.mid(14));
        } else if (line.startsWith("records=")) {
            note.Records = QByteArray::fromHex(line.mid(8));
        }
    }
    if (!at || note.At < 0 || note.Records.size() % ScoreRecordCodec::Size != 0 || note.NewestBackup.contains(u'/'))
        return std::nullopt;
    return note;
}
