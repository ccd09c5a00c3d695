#pragma once
#include <QByteArray>
#include <QString>

// The files of a data root and of the path file, written the way every machine of the school reads
// them: CP932 text with CR LF line ends. The new-school command and the demo generator both write
// through here, so the two cannot drift apart.
class InstallationWriter {
public:
    // Opens, writes, flushes and syncs `path` to the disk. Throws FatalError naming the file and the
    // reason; nothing is reported as written that is not on the disk.
    static void WriteBytes(const QString& path, const QByteArray& bytes);
    // `text` as CP932, every "\n" a CR LF. Refuses (FatalError naming the file) text that CP932 cannot
    // hold, rather than writing "?" in its place.
    static void WriteText(const QString& path, const QString& text);
    // The bytes WriteText writes: CP932, every "\n" a CR LF.
    static QByteArray EncodeText(const QString& text);
    static void MakeFolder(const QString& path);
    // Whether `text` can stand inside a quoted item of these files: CP932, no quote, no line end.
    static bool FitsQuotedItem(const QString& text);

    // "<data root>",0,0,0,0,0,0,0,0,0 — the data root ends with "/".
    static QString PathFileText(const QString& dataRoot);
    // School-year start month, then the five-digit code followed directly by the name.
    static QString CommonFileText(int startMonth, const QString& schoolCode, const QString& schoolName);
    // Header and levels 1–3: targets a pupil reaches after some practice, easier levels slower.
    static QString StartingCriteriaText();
    static QString RosterLine(int number, int refYear, const QString& name, bool hidden);
    // The teacher's line: the pupil "先生" opens the teacher's functions on the level menu.
    static QString TeacherRosterLine();
    // The default cues, each with the wave files it picks from ("新音ファイル.txt").
    static QString SoundAssignmentText();
    // That list and every wave file it names, plus the fixed ones ("最高1.wav", "合格.wav", "警告1.wav").
    // Returns the number of wave files written.
    static int WriteDefaultSounds(const QString& soundFolder);

    static constexpr int TeacherNumber = 999;
    static constexpr int TeacherRefYear = 1985;
};
