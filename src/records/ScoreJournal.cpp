#include "records/ScoreJournal.h"
#include "records/ScoreRecordCodec.h"
#include <QCryptographicHash>
#include <QList>
#include <QMap>
#include <algorithm>

namespace {
constexpr qint64 R = ScoreRecordCodec::Size;
const QByteArray Heading = "zome2 score file journal 1";

QByteArray Digest(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(); }
} // namespace

qint64 ScoreJournal::CommonWholeRecords(const QByteArray& a, const QByteArray& b)
{
    const qint64 most = std::min(a.size(), b.size()) / R * R;
    qint64 at = 0;
    while (at < most && std::equal(a.constData() + at, a.constData() + at + R, b.constData() + at))
        at += R;
    return at;
}

QString ScoreJournal::FileName() { return QStringLiteral("成績累積データ.journal"); }

QByteArray ScoreJournal::Encode() const
{
    QByteArray text = Heading + '\n';
    const auto line = [&text](const char* key, const QByteArray& value) { text += QByteArray(key) + '=' + value + '\n'; };
    line("kind", What == Kind::Delete ? "delete" : "restore");
    line("backup", Backup.toUtf8());
    line("backup-size", QByteArray::number(BackupSize));
    if (What == Kind::Delete) {
        line("record", QByteArray::number(Record));
        line("removed", Removed.toHex());
    } else {
        line("source", Source.toUtf8());
        line("source-size", QByteArray::number(SourceSize));
    }
    line("appended", Appended.toHex());
    line("old-size", QByteArray::number(OldSize));
    line("probe", Probe.toHex());
    if (!Tails.isEmpty())
        line("tails", Tails.toHex());
    return text + "sha256=" + Digest(text) + '\n';
}

std::optional<ScoreJournal> ScoreJournal::Decode(const QByteArray& bytes, QString* problem)
{
    const auto fail = [problem](const QString& why) -> std::optional<ScoreJournal> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    const qsizetype check = bytes.lastIndexOf("sha256=");
    if (!bytes.startsWith(Heading + '\n') || check < 0 || !bytes.endsWith('\n'))
        return fail(QStringLiteral("途中で切れているか、この記録の形ではありません"));
    if (bytes.mid(check + 7).trimmed() != Digest(bytes.left(check)))
        return fail(QStringLiteral("中身が書き換わっています"));
    QMap<QByteArray, QByteArray> fields;
    for (const QByteArray& line : bytes.left(check).split('\n').mid(1)) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            fields.insert(line.left(eq), line.mid(eq + 1));
    }
    bool ok = true;
    const auto number = [&fields, &ok](const char* key) {
        bool here = false;
        const qint64 n = fields.value(key).toLongLong(&here);
        ok = ok && here && n >= 0;
        return n;
    };
    ScoreJournal j;
    const QByteArray kind = fields.value("kind");
    if (kind != "delete" && kind != "restore")
        return fail(QStringLiteral("種類「%1」が分かりません").arg(QString::fromUtf8(kind)));
    j.What = kind == "delete" ? Kind::Delete : Kind::Restore;
    j.Backup = QString::fromUtf8(fields.value("backup"));
    j.BackupSize = number("backup-size");
    if (j.What == Kind::Delete) {
        j.Record = qint32(number("record"));
        j.Removed = QByteArray::fromHex(fields.value("removed"));
        ok = ok && j.Record >= 1 && j.Removed.size() == R;
    } else {
        j.Source = QString::fromUtf8(fields.value("source"));
        j.SourceSize = number("source-size");
        ok = ok && !j.Source.isEmpty() && !j.Source.contains(u'/');
    }
    j.Appended = QByteArray::fromHex(fields.value("appended"));
    j.OldSize = number("old-size");
    j.Probe = QByteArray::fromHex(fields.value("probe"));
    j.Tails = QByteArray::fromHex(fields.value("tails"));
    ok = ok && !j.Backup.isEmpty() && !j.Backup.contains(u'/') && j.Appended.size() % R == 0
        && (j.Probe.isEmpty() || j.Probe.size() == R);
    if (!ok)
        return fail(QStringLiteral("項目が欠けているか、正しくありません"));
    return j;
}

std::optional<QByteArray> ScoreJournal::BaseContent(const QByteArray& backup, const QByteArray& source, QString* problem) const
{
    const auto fail = [problem](const QString& why) -> std::optional<QByteArray> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (backup.size() != BackupSize)
        return fail(QStringLiteral("控えの大きさが記録と違います（%1バイトのはずが%2バイト）").arg(BackupSize).arg(backup.size()));
    if (What == Kind::Restore) {
        if (source.size() != SourceSize || source.size() % R != 0)
            return fail(QStringLiteral("戻す内容のファイルの大きさが記録と違います（%1バイトのはずが%2バイト）")
                            .arg(SourceSize).arg(source.size()));
        return source;
    }
    const qint64 whole = backup.size() / R * R;
    const qint64 at = qint64(Record - 1) * R;
    if (at + R > whole || backup.mid(at, R) != Removed)
        return fail(QStringLiteral("控えの%1番の記録が、消すはずだった記録と違います").arg(Record));
    return backup.left(at) + backup.mid(at + R, whole - at - R);
}

QByteArray ScoreJournal::AppendedSince(const QByteArray& target, const QByteArray& current) const
{
    const qint64 firstAfterOld = OldSize / R * R; // an append overwrites a partial record at the end
    const qint64 shared = CommonWholeRecords(current, target);
    const qint64 size = target.size();
    qint64 start = 0;
    if (shared >= size) {
        // The target is all there. Still followed by what stood after it (the cut not yet made),
        // appends came after the old end; cut, they came right after the target.
        const bool uncut = size + R <= firstAfterOld && current.size() >= size + R && current.mid(size, R) == Probe;
        start = uncut ? firstAfterOld : size;
    } else {
        // Still being written from the front: nothing was cut, and the file reached at least its
        // old end, or as far as the target was written beyond it.
        start = std::max(shared, firstAfterOld);
    }
    if (current.size() <= start)
        return QByteArray();
    return current.mid(start, (current.size() - start) / R * R);
}

void ScoreJournal::NoteStart(const QByteArray& target, const QByteArray& current)
{
    OldSize = current.size();
    Probe = target.size() + R <= current.size() / R * R ? current.mid(target.size(), R) : QByteArray();
}
