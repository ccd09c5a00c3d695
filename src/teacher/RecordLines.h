#pragma once
#include "records/ScoreRecord.h"
#include <QByteArray>
#include <QString>
#include <vector>

struct RosterTables;

// The record browser's texts: one line per listed record, the captions of the record being
// edited, the pupil chooser's entries, and the checks of what the teacher changed before a record
// is written back.
class RecordLines {
public:
    // A listed record: what its line shows, with the record's real number in the file.
    struct Entry {
        double Date = 0;
        double TimeOfDay = 0;
        qint32 Number = 0;
        qint32 Seconds = 0;
        qint16 Pupil = 0;
        qint16 Level = 0;
        bool OwnSchool = false;
    };

    // What the lines take from the roster and the installation, per pupil number 0–5000.
    struct Tables {
        std::vector<QString> NameColumn; // the name padded with "　" and cut to 6 characters
        std::vector<QString> GradeLabel;
        QByteArray SchoolCode;           // this installation's, as a record stores it (5 bytes)
        QString SchoolName;
    };

    // One entry of the pupil chooser.
    struct PupilChoice {
        qint16 Number = 0;
        QString Text; // number " /  " name
    };

    // What the teacher asked to write, once checked.
    struct Checked {
        bool Ok = false;
        qint32 Seconds = 0;
        qint16 Pupil = 0;
        QString Problem; // why not, in Japanese, naming the value
    };

    static constexpr qint32 MostSeconds = 99999;

    static Tables MakeTables(const RosterTables& roster, const QString& schoolCode, const QString& schoolName);
    // Records of level 0 are not listed; the records after them keep their own numbers.
    static bool Listed(const ScoreRecord& record) { return record.Level != 0; }
    static Entry MakeEntry(qint32 number, const ScoreRecord& record, const QByteArray& ownSchoolCode);
    static QString Line(const Entry& entry, const Tables& tables);
    // The same record, bit for bit (a damaged date that is not a number equals itself).
    static bool Same(const Entry& a, const Entry& b);

    static QString CountText(qint64 records);        // "総レコード数:" and the number
    static QString NumberCaption(qint32 number);     // the record being edited
    static QString LevelCaption(qint16 level);       // "3ﾚﾍﾞﾙ"
    static QString DateText(double date);            // yyyy/MM/dd
    static QString TimeText(double timeOfDay);       // h:mm:ss
    static QString DateCaption(double date, double timeOfDay);

    // The chooser: every listed pupil of the roster, in file order.
    static std::vector<PupilChoice> PupilChoices(const RosterTables& roster);
    static QString ChoiceText(int number, const QString& name);

    // Checks the seconds text and the chooser's text. The pupil must be a listed roster pupil, or
    // `loadedPupil` (the record's own, when 1–5000) left as it was; a name after the "/" must be
    // that pupil's. Full-width digits and slash are taken like half-width ones.
    static Checked CheckEdit(const QString& secondsText, const QString& pupilText, qint16 loadedPupil,
                             const RosterTables& roster);

    // The row to select after the line at `removedRow` went and `rowCount` lines are left: the
    // same position, or the last line; -1 when the list is empty.
    static int RowAfterRemoval(int removedRow, int rowCount);

    // What the teacher is told when the browser cannot open.
    static QString MissingScoreFile(const QString& path);
    static QString RosterUnreadable(const QString& dataRoot, const RosterTables& roster);
    // The record in the file is no longer the one that was listed or loaded.
    static QString RecordChanged(qint32 number);
};
