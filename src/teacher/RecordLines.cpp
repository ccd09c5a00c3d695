#include "teacher/RecordLines.h"
#include "base/Cp932.h"
#include "base/Limits.h"
#include "base/OleDate.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"
#include <QDir>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr int NameWidth = 6;
const QChar WideSpace(0x3000);

// OLE dates from 1 January 100 to 31 December 9999; a damaged record may hold anything.
constexpr double FirstOleDay = -657434;
constexpr double LastOleDay = 2958465;

// Never cut: a record number past 9999 or a damaged value must still be read in full.
QString RightAligned(const QString& text, int width) { return text.rightJustified(width, u' '); }

// Padded with ideographic spaces and cut to `width` characters (a character outside the basic
// plane counts once and is never split).
QString NameColumn(const QString& name)
{
    QString column;
    int count = 0;
    for (qsizetype i = 0; i < name.size() && count < NameWidth; ++i, ++count) {
        column += name[i];
        if (name[i].isHighSurrogate() && i + 1 < name.size())
            column += name[++i];
    }
    for (; count < NameWidth; ++count)
        column += WideSpace;
    return column;
}

// Full-width digits, slash and spaces as their half-width forms.
QString Normal(const QString& text) { return text.normalized(QString::NormalizationForm_KC).trimmed(); }

bool AllDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

bool IsListed(const RosterTables& roster, int pupil)
{
    for (int p = 1; p <= roster.ListedCount; ++p)
        if (roster.ListedPupils[std::size_t(p)] == pupil)
            return true;
    return false;
}

const QString ChooseFromList = QStringLiteral("生徒の欄は一覧から選んでください。");
} // namespace

RecordLines::Tables RecordLines::MakeTables(const RosterTables& roster, const QString& schoolCode,
                                            const QString& schoolName)
{
    Tables t;
    t.NameColumn.resize(Limits::PupilSlots);
    t.GradeLabel.resize(Limits::PupilSlots);
    for (int n = 0; n <= Limits::MaxPupil; ++n) {
        t.NameColumn[std::size_t(n)] = NameColumn(RosterFile::TrimBlanks(roster.PupilName[std::size_t(n)]));
        t.GradeLabel[std::size_t(n)] = roster.PupilGradeLabel[std::size_t(n)];
    }
    t.SchoolCode = Cp932::EncodeFixed(schoolCode, 5);
    t.SchoolName = schoolName;
    return t;
}

RecordLines::Entry RecordLines::MakeEntry(qint32 number, const ScoreRecord& r, const QByteArray& ownSchoolCode)
{
    Entry e;
    e.Number = number;
    e.Date = r.Date;
    e.TimeOfDay = r.TimeOfDay;
    e.Pupil = r.Pupil;
    e.Level = r.Level;
    e.Seconds = r.Seconds;
    e.OwnSchool = r.SchoolCode == ownSchoolCode;
    return e;
}

QString RecordLines::Line(const Entry& e, const Tables& t)
{
    const bool known = Limits::IsPupilSlot(e.Pupil) && std::size_t(e.Pupil) < t.NameColumn.size();
    QString line;
    line.reserve(72);
    line += RightAligned(QString::number(e.Number), 4);
    line += u' ';
    line += DateText(e.Date);
    line += WideSpace;
    line += RightAligned(TimeText(e.TimeOfDay), 9);
    line += QStringLiteral("ﾚﾍﾞﾙ");
    line += QString::number(e.Level);
    line += WideSpace;
    line += RightAligned(QString::number(e.Seconds), 5);
    line += QStringLiteral("秒 ");
    line += WideSpace;
    line += RightAligned(QString::number(e.Pupil), 4);
    line += u' ';
    line += known ? t.NameColumn[std::size_t(e.Pupil)] : NameColumn(QString());
    line += u' ';
    if (known)
        line += t.GradeLabel[std::size_t(e.Pupil)];
    line += QStringLiteral("++");
    line += e.OwnSchool ? t.SchoolName : QStringLiteral("他塾");
    return line;
}

bool RecordLines::Same(const Entry& a, const Entry& b)
{
    return std::memcmp(&a.Date, &b.Date, sizeof a.Date) == 0 && std::memcmp(&a.TimeOfDay, &b.TimeOfDay, sizeof a.TimeOfDay) == 0
           && a.Number == b.Number && a.Seconds == b.Seconds && a.Pupil == b.Pupil && a.Level == b.Level
           && a.OwnSchool == b.OwnSchool;
}

QString RecordLines::CountText(qint64 records) { return QStringLiteral("総レコード数:") + QString::number(records); }

QString RecordLines::NumberCaption(qint32 number) { return QStringLiteral("レコード番号:") + QString::number(number); }

QString RecordLines::LevelCaption(qint16 level) { return QString::number(level) + QStringLiteral("ﾚﾍﾞﾙ"); }

QString RecordLines::DateText(double date)
{
    if (!std::isfinite(date) || date < FirstOleDay || date >= LastOleDay + 1)
        return QStringLiteral("----/--/--");
    return OleDate::ToDate(date).toString(QStringLiteral("yyyy/MM/dd"));
}

QString RecordLines::TimeText(double timeOfDay)
{
    if (!std::isfinite(timeOfDay))
        return QStringLiteral("-:--:--");
    return OleDate::ToTime(timeOfDay).toString(QStringLiteral("h:mm:ss"));
}

QString RecordLines::DateCaption(double date, double timeOfDay)
{
    return DateText(date) + WideSpace + TimeText(timeOfDay);
}

std::vector<RecordLines::PupilChoice> RecordLines::PupilChoices(const RosterTables& roster)
{
    std::vector<PupilChoice> choices;
    choices.reserve(std::size_t(roster.ListedCount));
    for (int p = 1; p <= roster.ListedCount; ++p) {
        const RosterEntry& entry = roster.RosterTable[std::size_t(p)];
        choices.push_back({entry.Number, ChoiceText(entry.Number, RosterFile::TrimBlanks(entry.Name))});
    }
    return choices;
}

QString RecordLines::ChoiceText(int number, const QString& name)
{
    return QString::number(number) + QStringLiteral(" /  ") + name;
}

RecordLines::Checked RecordLines::CheckEdit(const QString& secondsText, const QString& pupilText, qint16 loadedPupil,
                                            const RosterTables& roster)
{
    Checked c;
    const QString seconds = Normal(secondsText);
    if (seconds.isEmpty()) {
        c.Problem = QStringLiteral("秒数が入っていません。0から%1までの整数を入れてください。").arg(MostSeconds);
        return c;
    }
    // Five digits at most: a longer text is out of range whatever it holds, and cannot overflow.
    if (!AllDigits(seconds) || seconds.size() > 5) {
        c.Problem = QStringLiteral("秒数「%1」は使えません。0から%2までの整数を入れてください。").arg(secondsText, QString::number(MostSeconds));
        return c;
    }
    c.Seconds = seconds.toInt();

    const QString pupil = Normal(pupilText);
    if (pupil.isEmpty()) {
        c.Problem = QStringLiteral("生徒が選ばれていません。") + ChooseFromList;
        return c;
    }
    const qsizetype slash = pupil.indexOf(u'/');
    const QString numberText = slash < 0 ? QString() : pupil.left(slash).trimmed();
    if (!AllDigits(numberText) || numberText.size() > 4) {
        c.Problem = QStringLiteral("生徒「%1」は名簿の生徒を指していません（「番号 /  名前」の形になっていません）。").arg(pupilText)
                    + ChooseFromList;
        return c;
    }
    const int number = numberText.toInt();
    // 0 is nobody's: a teacher's way to take a record out of every list, keeping it in the file.
    if (number == 0) {
        c.Pupil = 0;
        c.Ok = true;
        return c;
    }
    const bool ownPupil = number == loadedPupil && number >= 1 && number <= Limits::MaxPupil;
    if (!ownPupil && !(number >= 1 && IsListed(roster, number))) {
        const QString hidden = number <= Limits::MaxPupil ? RosterFile::TrimBlanks(roster.PupilName[std::size_t(number)]) : QString();
        c.Problem = hidden.isEmpty() ? QStringLiteral("番号%1の生徒は名簿にいません。").arg(number)
                                     : QStringLiteral("番号%1の%2さんは名簿で選べない生徒です。").arg(QString::number(number), hidden);
        c.Problem += ChooseFromList;
        return c;
    }
    const QString name = pupil.mid(slash + 1).trimmed();
    const QString rosterName = Normal(RosterFile::TrimBlanks(roster.PupilName[std::size_t(number)]));
    if (!name.isEmpty() && !rosterName.isEmpty() && name != rosterName) {
        c.Problem = QStringLiteral("生徒「%1」が合いません。名簿の%2番は「%3」です。")
                        .arg(pupilText, QString::number(number),
                             RosterFile::TrimBlanks(roster.PupilName[std::size_t(number)]))
                    + ChooseFromList;
        return c;
    }
    c.Pupil = qint16(number);
    c.Ok = true;
    return c;
}

int RecordLines::RowAfterRemoval(int removedRow, int rowCount)
{
    if (rowCount <= 0)
        return -1;
    return std::clamp(removedRow, 0, rowCount - 1);
}

QString RecordLines::MissingScoreFile(const QString& path)
{
    return QStringLiteral("成績ファイル「%1」が見つかりません。\nデータフォルダ（ネットワークのつながり）を確かめてください。")
        .arg(QDir::toNativeSeparators(path));
}

QString RecordLines::RosterUnreadable(const QString& dataRoot, const RosterTables& roster)
{
    const QString problem = roster.ReadProblem.isEmpty() ? QStringLiteral("が見つかりません") : roster.ReadProblem;
    return QStringLiteral("名簿ファイル「%1」%2。\n名前と学年が分からないため、成績データの画面を開けません。")
        .arg(QDir::toNativeSeparators(RosterFile::Path(dataRoot)), problem);
}

QString RecordLines::RecordChanged(qint32 number)
{
    return QStringLiteral("成績ファイルの%1番の記録が、一覧を作ったときと変わっています（ほかのパソコンが書き換えたようです）。\n"
                          "何も書き込まずに一覧を作り直しました。記録を選び直してください。")
        .arg(number);
}
