#include "roster/RosterFile.h"
#include "base/Cp932.h"
#include "base/ItemReader.h"
#include "base/TextFile.h"
#include "roster/RosterEntry.h"
#include "roster/RosterTables.h"
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>

namespace {
constexpr int FieldCount = 8;
constexpr int ShownSkippedLines = 20;

// A number field: the number its text begins with, as VB's input reader takes it. An empty field is
// 0 where `emptyIsZero`; text that does not begin with a number, or a value outside 16 bits, is refused.
bool ReadNumber(const QString& text, bool emptyIsZero, int fieldNo, qint16& value, QString& reason)
{
    if (text.trimmed().isEmpty()) {
        if (emptyIsZero) {
            value = 0;
            return true;
        }
        reason = QStringLiteral("%1番目の値が空です").arg(fieldNo);
        return false;
    }
    bool isNumber = false;
    const double v = ItemReader::LeadingNumber(text, &isNumber);
    if (!isNumber) {
        reason = QStringLiteral("%1番目の値「%2」が数値ではありません").arg(fieldNo).arg(text);
        return false;
    }
    const double rounded = std::nearbyint(v);
    if (rounded < -32768 || rounded > 32767) {
        reason = QStringLiteral("%1番目の値「%2」が大きすぎます").arg(fieldNo).arg(text);
        return false;
    }
    value = qint16(rounded);
    return true;
}
} // namespace

QString RosterFile::Path(const QString& dataRoot) { return dataRoot + QStringLiteral("新名簿.txt"); }

QString RosterFile::Fixed20(const QString& text)
{
    if (text.size() >= 20)
        return text.left(20);
    return text + QString(20 - text.size(), u' ');
}

QString RosterFile::TrimBlanks(const QString& text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text[b] == u' ')
        ++b;
    while (e > b && text[e - 1] == u' ')
        --e;
    return text.mid(b, e - b);
}

bool RosterFile::IsTeacher(const QString& pupilName)
{
    return TrimBlanks(pupilName) == QStringLiteral("先生");
}

bool RosterFile::MayPrintResults(const QString& pupilName)
{
    return pupilName.contains(QStringLiteral("先生"));
}

bool RosterFile::ParseLine(const QString& line, int rosterOption, RosterEntry& entry, int& status,
                           QString& reason)
{
    ItemReader reader(line);
    QStringList items;
    while (items.size() < FieldCount) {
        auto item = reader.Next();
        if (!item)
            break;
        items << *item;
    }
    if (items.size() < FieldCount) {
        reason = QStringLiteral("値が%1つしかありません（8つ必要です）").arg(items.size());
        return false;
    }
    RosterEntry e;
    qint16 st = 0;
    if (!ReadNumber(items[0], false, 1, e.Number, reason) || !ReadNumber(items[1], false, 2, e.RefYear, reason)
        || !ReadNumber(items[2], true, 3, e.Spare3, reason) || !ReadNumber(items[3], true, 4, e.Spare4, reason)
        || !ReadNumber(items[5], true, 6, st, reason))
        return false;
    if (e.Number < 0 || e.Number > RosterTables::MaxPupil) {
        reason = QStringLiteral("番号 %1 が0～%2の範囲にありません").arg(e.Number).arg(RosterTables::MaxPupil);
        return false;
    }
    e.Name = Fixed20(items[4]);
    e.SpareText7 = Fixed20(items[6]);
    e.SpareText8 = Fixed20(items[7]);
    // Schools that mark some pupils with 2 may choose to list them all the same.
    if (rosterOption == 1 && st == 2)
        st = 0;
    entry = e;
    status = st;
    return true;
}

bool RosterFile::LoadRoster(const QString& dataRoot, int rosterOption, int schoolYear, RosterTables& r)
{
    r.SchoolYear = schoolYear;
    r.SkippedLines.clear();
    r.SkippedLineNumbers.clear();
    r.OverflowCount = 0;
    r.ListedCount = 0;

    const TextFile::Contents contents = TextFile::Read(Path(dataRoot));
    r.ReadProblem = TextFile::Problem(contents);
    if (contents.What != TextFile::Status::Read)
        return false;
    const QString& text = contents.Text;

    const int option = rosterOption;
    int p = 0;
    int lineNo = 0;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QString line = text.mid(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == u'\r' && pos + 1 < text.size() && text[pos + 1] == u'\n')
            ++pos;
        ++pos;
        ++lineNo;

        bool blank = true;
        for (QChar c : line)
            if (c != u' ' && c != u'\t' && c != QChar(0x1a)) {
                blank = false;
                break;
            }
        if (blank)
            continue;

        RosterEntry entry;
        int status = 0;
        QString reason;
        if (!ParseLine(line, option, entry, status, reason)) {
            r.SkippedLines << QStringLiteral("%1行目：%2").arg(lineNo).arg(reason);
            r.SkippedLineNumbers.push_back(lineNo);
            continue;
        }
        const int n = entry.Number;
        r.PupilName[n] = entry.Name;
        r.PupilRefYear[n] = entry.RefYear;
        const QString label = GradeLabel(GradeIndex(entry.RefYear, r.SchoolYear));
        if (!label.isEmpty())
            r.PupilGradeLabel[n] = label;
        if (status != 0)
            continue;
        if (p == RosterTables::MaxPupil) {
            ++r.OverflowCount;
            continue;
        }
        ++p;
        r.RosterTable[p] = entry;
        r.ListedPupils[p] = entry.Number;
    }
    r.ListedCount = p;
    return true;
}

int RosterFile::SchoolYear(const QDate& today, int startMonth)
{
    return today.month() < startMonth ? today.year() - 1 : today.year();
}

int RosterFile::GradeIndex(int refYear, int schoolYear) { return schoolYear - refYear - 6; }

QString RosterFile::RowGradeText(int g)
{
    static const QString kindergarten[] = {QStringLiteral("幼1"), QStringLiteral("幼2"), QStringLiteral("幼3")};
    if (g <= -3)
        return QStringLiteral("幼-");
    if (g <= 0)
        return kindergarten[g + 2];
    if (g <= 6)
        return QStringLiteral("小") + QString::number(g);
    if (g <= 9)
        return QStringLiteral("中") + QString::number(g - 6);
    if (g <= 12)
        return QStringLiteral("高") + QString::number(g - 9);
    return QStringLiteral("大+");
}

QString RosterFile::GradeLabel(int g)
{
    static const QString digits = QStringLiteral("０１２３４５６");
    if (g == 0)
        return QStringLiteral("幼３");
    if (g >= 1 && g <= 6)
        return QStringLiteral("小") + digits[g];
    if (g >= 7 && g <= 9)
        return QStringLiteral("中") + digits[g - 6];
    if (g == 10)
        return QStringLiteral("高１");
    return {};
}

bool RosterFile::SelectorPasses(const QString& text, int g)
{
    if (text == QStringLiteral("全学年"))
        return true;
    if (text == QStringLiteral("小学生全体"))
        return g >= 1 && g <= 6;
    if (text == QStringLiteral("中学生全体"))
        return g >= 7 && g <= 9;
    // "小１"…"中３" are exactly the labels of grades 1 to 9.
    return g >= 1 && g <= 9 && text == GradeLabel(g);
}

QStringList RosterFile::SelectorTexts()
{
    return {QStringLiteral("全学年"), QStringLiteral("中学生全体"), QStringLiteral("小学生全体"),
            QStringLiteral("中３"),   QStringLiteral("中２"),       QStringLiteral("中１"),
            QStringLiteral("小６"),   QStringLiteral("小５"),       QStringLiteral("小４"),
            QStringLiteral("小３"),   QStringLiteral("小２"),       QStringLiteral("小１")};
}

QString RosterFile::MissingMessage(const QString& dataRoot, const RosterTables& roster)
{
    const QString problem = roster.ReadProblem.isEmpty() ? QStringLiteral("が見つかりません") : roster.ReadProblem;
    return QStringLiteral("名簿ファイル「%1」%2。\n名前の一覧は空になります。")
        .arg(QDir::toNativeSeparators(Path(dataRoot)), problem);
}

QString RosterFile::SkippedMessage(const QString& dataRoot, const RosterTables& r)
{
    if (r.SkippedLines.isEmpty() && r.OverflowCount == 0)
        return {};
    QString text;
    if (!r.SkippedLines.isEmpty()) {
        text = QStringLiteral("名簿ファイル「%1」の次の行は読めないため、飛ばしました。\n")
                   .arg(QDir::toNativeSeparators(Path(dataRoot)));
        const qsizetype shown = std::min<qsizetype>(r.SkippedLines.size(), ShownSkippedLines);
        for (qsizetype i = 0; i < shown; ++i)
            text += r.SkippedLines[i] + u'\n';
        if (r.SkippedLines.size() > shown)
            text += QStringLiteral("ほか%1行\n").arg(r.SkippedLines.size() - shown);
    }
    if (r.OverflowCount > 0)
        text += QStringLiteral("名簿に載せられるのは%1人までです。残りの%2人は一覧に出ません。\n")
                    .arg(RosterTables::MaxPupil)
                    .arg(r.OverflowCount);
    text.chop(1);
    return text;
}

void RosterFile::TakePupilTables(const RosterTables& fresh, RosterTables& roster)
{
    const std::size_t n = std::min(fresh.PupilName.size(), roster.PupilName.size());
    for (std::size_t p = 0; p < n; ++p) {
        if (fresh.PupilName[p].isEmpty())
            continue;
        roster.PupilName[p] = TrimBlanks(fresh.PupilName[p]);
        roster.PupilRefYear[p] = fresh.PupilRefYear[p];
        if (!fresh.PupilGradeLabel[p].isEmpty())
            roster.PupilGradeLabel[p] = fresh.PupilGradeLabel[p];
    }
}
