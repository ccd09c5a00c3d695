#pragma once
#include "records/ScoreJournal.h"
#include <QByteArray>
#include <QString>

// Rewrites the score file's content in place, under its write lock, so that a rewrite cut off at
// any point is finished by whoever holds the lock next: the journal is written and synced first,
// then the target content goes over the file from the front, the file is cut to the target's
// length and synced, and the journal goes. The complete old content must be in a backup before.
class ScoreRewrite {
public:
    // `fd` is the score file at `path` in `dataFolder` (ending with "/"), open for writing, its write
    // lock held.
    ScoreRewrite(const QString& dataFolder, const QString& path, int fd);

    bool JournalThere() const;
    // Finishes the rewrite a journal speaks of, keeping every whole record appended meanwhile after
    // its content. Throws ScoreFile::Unreachable naming the journal and the file it needs when the
    // journal is damaged or what it needs is missing or does not match: nothing is then written.
    void FinishCutOff() const;
    // Rewrites the file from `current` (its whole content now) to `target`, as `journal` describes
    // (its OldSize and Probe are set here). Throws FatalError; once the journal is in place, what
    // is left undone is finished by the next operation on the file.
    void Run(ScoreJournal journal, const QByteArray& target, const QByteArray& current) const;

    // Test hook, inert unless ZOME2_TEST_PAUSE_AT_STEP names `step`: then says "paused at <step>" on
    // standard output and waits for a line (or the end) on standard input, so that a test can kill a
    // rewrite at that very point, or keep it there, holding the lock, while another process queues
    // up. The steps of a delete, in turn: locked, backed-up, journaled, moved, cut, synced, done; of
    // a queue's append (ScoreFile::AppendOnce): appended, before the queue lets its records go.
    static void PauseForTestAt(const char* step);

private:
    // `fresh`: no journal stood there before, and one that cannot be made sure of is taken away.
    void WriteJournal(const ScoreJournal& journal, bool fresh) const;
    void Rewrite(const ScoreJournal& journal, const QByteArray& target, const QByteArray& current) const;
    [[noreturn]] void Refuse(const QString& needed, const QString& problem) const;
    QString Folder;
    QString Path;
    int Fd;
};
