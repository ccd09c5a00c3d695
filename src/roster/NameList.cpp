#include "roster/NameList.h"
#include "roster/RosterEntry.h"
#include "records/ResultTables.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include <QCollator>
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

void NameList::Build(const RosterTables& r, const ResultTables& t, int mode)
{
    SchoolYear = r.SchoolYear;
    SortedRows.clear();
    SortedRows.reserve(std::size_t(r.ListedCount));
    for (int p = 1; p <= r.ListedCount; ++p) {
        const RosterEntry& e = r.RosterTable[p];
        const int n = e.Number;
        qint64 todayPoints = 0;
        qint64 allCount = 0;
        qint64 allPoints = 0;
        for (int level = Limits::FirstLevel; level <= Limits::LastLevel; ++level) {
            todayPoints += t.TodayPoints(level, n);
            allCount += t.AttemptCount(level, n);
            allPoints += t.TotalPoints(level, n);
        }
        const QString text = HiddenRow(e, RosterFile::GradeIndex(e.RefYear, SchoolYear), mode,
                                       t.TodayTotal(n), todayPoints, allCount, allPoints);
        if (text.isEmpty())
            continue;
        SortedRows.push_back({text, e.RefYear, QString::number(e.RefYear).size()});
    }
    // The list control sorts its rows ascending by their whole text as Japanese text is sorted,
    // ignoring case; the keys are made once rather than in every comparison.
    QCollator collator{QLocale(QLocale::Japanese, QLocale::Japan)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(SortedRows.size());
    for (const Row& row : SortedRows)
        keys.push_back(collator.sortKey(row.Text));
    std::vector<std::size_t> order(SortedRows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a].compare(keys[b]) < 0; });
    std::vector<Row> sorted;
    sorted.reserve(SortedRows.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(SortedRows[i]));
    SortedRows = std::move(sorted);
}

void NameList::Select(const QString& selectorText)
{
    VisibleTexts.clear();
    PupilTexts.clear();
    VisibleTexts.reserve(qsizetype(SortedRows.size()) + 1);
    PupilTexts.reserve(qsizetype(SortedRows.size()));
    VisibleTexts << DashRow;
    for (auto it = SortedRows.rbegin(); it != SortedRows.rend(); ++it) {
        if (!RosterFile::SelectorPasses(selectorText, RosterFile::GradeIndex(it->RefYear, SchoolYear)))
            continue;
        // The pupil number follows the last "*": a name may hold one of its own.
        const qsizetype star = it->Text.lastIndexOf(u'*');
        VisibleTexts << it->Text.mid(it->PrefixLength, star - it->PrefixLength);
        PupilTexts << it->Text.mid(it->PrefixLength);
    }
}

QStringList NameList::HiddenRows() const
{
    QStringList rows;
    rows.reserve(qsizetype(SortedRows.size()));
    for (const Row& r : SortedRows)
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
