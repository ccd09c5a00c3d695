#pragma once
#include <QString>
#include <QStringList>
#include <vector>

struct ResultTables;
struct RosterEntry;
struct RosterTables;

// The rows of the name screen: the hidden rows of every listed pupil (SortedRows, sorted ascending by
// text), and for a grade selector text the visible rows (VisibleTexts) with their parallel texts (PupilTexts)
// that end in "*" and the pupil number.
class NameList {
public:
    static const QString DashRow; // "－－－－－－", VisibleTexts row 0: no name chosen
    static constexpr int ModeCount = 4;

    // The four total columns, fixed width whether the sum is 0 or not.
    static QString TodayCountColumn(qint64 n);
    static QString TodayPointsColumn(qint64 n);
    static QString AllCountColumn(qint64 n);
    static QString AllPointsColumn(qint64 n);

    // Hidden row of one pupil; empty for a mode outside 0–3.
    static QString HiddenRow(const RosterEntry& entry, int gradeIndex, int mode, qint64 todayCount,
                             qint64 todayPoints, qint64 allCount, qint64 allPoints);

    // Builds the hidden rows of the listed pupils of `roster` with their totals from `results`.
    void Build(const RosterTables& roster, const ResultTables& results, int mode);
    // Visible rows and their pupil texts for `selectorText`, from the hidden rows read backwards.
    void Select(const QString& selectorText);

    QStringList HiddenRows() const;
    const QStringList& VisibleRows() const { return VisibleTexts; }
    const QStringList& PupilRows() const { return PupilTexts; }
    // The pupil number after the "*" of a PupilTexts text; -1 when there is none.
    static int PupilNumber(const QString& pupilRow);

private:
    struct Row {
        QString Text;
        int RefYear = 0;
        qsizetype PrefixLength = 0; // the reference year's digits at the head of Text
    };
    std::vector<Row> SortedRows;
    QStringList VisibleTexts;
    QStringList PupilTexts;
    int SchoolYear = 0;
};
