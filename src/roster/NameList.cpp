#include "roster/NameList.h"
#include "roster/RosterEntry.h"
#include "roster/RosterFile.h"
#include "shell/AppState.h"
#include <algorithm>

const QString NameList::DashRow = QStringLiteral("－－－－－－");

namespace {
// The last `width` characters of blanks followed by the number.
QString RightAligned(qint64 n, int width)
{
    const QString digits = QString::number(n);
    return (QString(width, u' ') + digits).right(width);
}
} // namespace

QString NameList::TodayCountColumn(qint64 n)
{
    return n == 0 ? QStringLiteral("     ") : RightAligned(n, 3) + QStringLiteral("回");
}

QString NameList::TodayPointsColumn(qint64 n)
{
    return n == 0 ? QStringLiteral("  　") : RightAligned(n, 4);
}

QString NameList::AllCountColumn(qint64 n)
{
    return n == 0 ? QStringLiteral("     　") : RightAligned(n, 5) + QStringLiteral("回");
}

QString NameList::AllPointsColumn(qint64 n)
{
    return n == 0 ? QStringLiteral("       ") : RightAligned(n, 7);
}

QString NameList::HiddenRow(const RosterEntry& entry, int gradeIndex, int mode, qint64 todayCount,
                            qint64 todayPoints, qint64 allCount, qint64 allPoints)
{
    QString first;
    QString second;
    switch (mode) {
    case 0: first = TodayCountColumn(todayCount); second = AllCountColumn(allCount); break;
    case 1: first = TodayPointsColumn(todayPoints); second = AllPointsColumn(allPoints); break;
    case 2: first = TodayPointsColumn(todayPoints); second = TodayCountColumn(todayCount); break;
    case 3: first = AllPointsColumn(allPoints); second = AllCountColumn(allCount); break;
    default: return {};
    }
    const int k = (gradeIndex <= 0 && mode != 1) ? 11 : 9;
    const QString grade = RosterFile::RowGradeText(gradeIndex);
    QString name = RosterFile::TrimBlanks(entry.Name);
    // A long name is cut so that the totals still start in the same column.
    const qsizetype room = std::max<qsizetype>(0, k - grade.size() - 1);
    if (name.size() > room)
        name = name.left(room);
    const qsizetype filler = std::max<qsizetype>(0, k - (grade.size() + 1 + name.size()));
    QString row;
    row.reserve(64);
    row += QString::number(entry.RefYear);
    row += grade;
    row += u' ';
    row += name;
    row += QString(filler, QChar(0x3000));
    row += first;
    row += u'/';
    row += second;
    row += u'*';
    row += QString::number(entry.Number);
    return row;
}

void NameList::Build(int mode)
{
    const AppState& s = App();
    const RosterTables& r = s.Roster;
    const ResultTables& t = s.Results;
    SchoolYear = r.SchoolYear;
    List2.clear();
    List2.reserve(std::size_t(r.ListedCount));
    for (int p = 1; p <= r.ListedCount; ++p) {
        const RosterEntry& e = r.RosterTable[p];
        const int n = e.Number;
        double todayCount = 0;
        qint64 todayPoints = 0;
        qint64 allCount = 0;
        qint64 allPoints = 0;
        for (int level = 1; level <= 35; ++level) {
            todayCount += t.TodayCount(level, n);
            todayPoints += t.TodayPoints(level, n);
            allCount += t.AttemptCount(level, n);
            allPoints += t.TotalPoints(level, n);
        }
        const QString text = HiddenRow(e, RosterFile::GradeIndex(e.RefYear, SchoolYear), mode,
                                       qint64(std::llround(todayCount)), todayPoints, allCount, allPoints);
        if (text.isEmpty())
            continue;
        List2.push_back({text, e.RefYear, QString::number(e.RefYear).size()});
    }
    // The list control sorts its rows ascending by their whole text, ignoring case.
    std::stable_sort(List2.begin(), List2.end(), [](const Row& a, const Row& b) {
        return QString::compare(a.Text, b.Text, Qt::CaseInsensitive) < 0;
    });
}

void NameList::Select(const QString& selectorText)
{
    List1.clear();
    List3.clear();
    List1.reserve(qsizetype(List2.size()) + 1);
    List3.reserve(qsizetype(List2.size()));
    List1 << DashRow;
    for (auto it = List2.rbegin(); it != List2.rend(); ++it) {
        if (!RosterFile::SelectorPasses(selectorText, RosterFile::GradeIndex(it->RefYear, SchoolYear)))
            continue;
        // The pupil number follows the last "*": a name may hold one of its own.
        const qsizetype star = it->Text.lastIndexOf(u'*');
        List1 << it->Text.mid(it->PrefixLength, star - it->PrefixLength);
        List3 << it->Text.mid(it->PrefixLength);
    }
}

QStringList NameList::HiddenRows() const
{
    QStringList rows;
    rows.reserve(qsizetype(List2.size()));
    for (const Row& r : List2)
        rows << r.Text;
    return rows;
}

int NameList::PupilNumber(const QString& pupilRow)
{
    const qsizetype star = pupilRow.lastIndexOf(u'*');
    if (star < 0)
        return -1;
    bool ok = false;
    const int n = pupilRow.mid(star + 1).toInt(&ok);
    return ok ? n : -1;
}
