#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// What a PC notes on its own disk just before it appends its waiting attempts to the score file:
// where in the file they go and which backup was the newest then. Should the append be cut off
// (the PC dies, the share reports an error after the write landed), the next append reads the file
// as it stood right after — the file itself, or the first backup a later delete or restore made of
// it — and knows which of the attempts are in it, however many records other PCs appended since
// and whatever a teacher deleted since.
struct AppendNote {
    qint64 At = 0;           // whole records of the score file before the append
    QString NewestBackup;    // the newest backup then; empty when there was none
    QByteArray Records;      // the 44-byte records appended, in their order

    QByteArray Encode() const;
    // Nothing when `bytes` are not a whole note as Encode wrote it.
    static std::optional<AppendNote> Decode(const QByteArray& bytes);
};
