#include "roster/SignIn.h"
#include "base/Limits.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include <cmath>

const QString SignIn::ChooseName = QStringLiteral("名前を選びなさい");

QString SignIn::ClickedName(const QString& row)
{
    return RosterFile::TrimBlanks(row.left(10));
}

QString SignIn::DoubleClickedName(const QString& row)
{
    // The totals hold the row's last "/".
    const qsizetype slash = row.lastIndexOf(u'/');
    return RosterFile::TrimBlanks(slash < 0 ? row : row.left(slash));
}

std::optional<SignIn::Pupil> SignIn::Confirm(const RosterTables& roster, double secondsSinceMidnight) const
{
    if (!Limits::IsPupilSlot(Chosen))
        return std::nullopt;
    Pupil p;
    p.Number = qint16(Chosen);
    p.Name = roster.PupilName[std::size_t(Chosen)];
    p.GradeLabel = roster.PupilGradeLabel[std::size_t(Chosen)];
    p.LoginTime = qint32(std::lround(secondsSinceMidnight));
    return p;
}
