#pragma once
#include "base/Limits.h"
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>
#include <optional>
#include <vector>

class ScoreFile;
struct ScoreRecord;

// How the pupils' times have been spread so far, level by level, over every record of the score
// file: once over all attempts (ten-second buckets up to "1000～") and once over each pupil's best
// time (up to "300～"). The criteria editor shows one level of it after every keystroke, so the
// tables are kept and read again only when the score file has changed.
class TimeDistribution {
public:
    static constexpr int Buckets = 101;          // 0～, 10～, … 1000～
    static constexpr int LastAllBucket = 100;    // 1000 s and more
    static constexpr int LastBestBucket = 30;    // 300 s and more
    using Counts = std::array<qint32, Buckets>;

    struct Tables {
        std::array<qint32, Limits::LevelSlots> Attempts{};  // records per level
        std::array<Counts, Limits::LevelSlots> All{};       // every attempt
        std::array<Counts, Limits::LevelSlots> Best{};      // each pupil's best time
    };

    // The two lists of one level: a header line, then one line a bucket.
    struct Lists {
        QStringList AllAttempts;
        QStringList BestTimes;
    };

    // Records of level 0 are no attempt; a record whose level or pupil lies outside the tables is
    // damaged and left out, as the score loader leaves it out.
    static Tables Compute(const std::vector<ScoreRecord>& records);
    // The lists of `level` (1–35); a level without records gives a count of 0, a star worth 1
    // and no stars.
    static Lists ListsOf(const Tables& tables, int level);

    // The tables of `file` as it is now: read again (every whole record, under the read lock) only
    // when the path leads to another file or the file's size or modification time has changed
    // since the last call. Throws FatalError when the file cannot be read; what was kept stays.
    // A record rewritten in place within the file system's timestamp tick after a read leaves size
    // and time as they were; it shows with the file's next change.
    const Tables& For(const ScoreFile& file);
    // How many times For has read the score file.
    int FileReads() const { return Reads; }

private:
    struct FileIdentity {
        QString Path;
        quint64 Device = 0;
        quint64 Inode = 0;
        qint64 Size = 0;
        qint64 ModifiedSeconds = 0;
        qint64 ModifiedNanoseconds = 0;
        bool operator==(const FileIdentity&) const = default;
    };
    static std::optional<FileIdentity> IdentityOf(const QString& path);

    std::optional<FileIdentity> Kept;
    Tables Current;
    int Reads = 0;
};
