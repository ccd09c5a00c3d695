#include "records/PassCriteriaFile.h"
#include "base/FatalError.h"
#include "base/ItemReader.h"
#include "base/TextFile.h"
#include <QDir>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace {

[[noreturn]] void Damaged(const QString& path, int line, const QString& what)
{
    throw FatalError(QStringLiteral("合格基準のファイルが壊れています。\n%1\n%2行目: %3")
                         .arg(QDir::toNativeSeparators(path)).arg(line).arg(what));
}

// Integer fields take the number the item begins with, rounded to the nearest whole number (ties
// to even) as a numeric conversion would; a value the field cannot hold is an error, not a wrap.
template <typename Int>
Int IntegerItem(const QString& item, const QString& path, int line, const QString& header)
{
    const double value = std::nearbyint(ItemReader::LeadingNumber(item));
    if (!(value >= double(std::numeric_limits<Int>::min()) && value <= double(std::numeric_limits<Int>::max())))
        Damaged(path, line, QStringLiteral("「%1」の値 %2 が大きすぎます（%3～%4）")
                                .arg(header, item.trimmed())
                                .arg(std::numeric_limits<Int>::min())
                                .arg(std::numeric_limits<Int>::max()));
    return Int(value);
}

} // namespace

QString PassCriteriaFile::Path(const QString& dataFolder) { return dataFolder + QStringLiteral("タイム回数データ.txt"); }

void PassCriteriaFile::LoadPassCriteria(const QString& dataFolder, CriteriaTable& criteria, int requiredLevels)
{
    const QString path = Path(dataFolder);
    const QString shown = QDir::toNativeSeparators(path);
    const TextFile::Contents contents = TextFile::Read(path);
    if (contents.What == TextFile::Status::Missing)
        throw FatalError(QStringLiteral("合格基準のファイルがありません。\n%1").arg(shown));
    if (contents.What != TextFile::Status::Read)
        throw FatalError(QStringLiteral("合格基準のファイル") + TextFile::Problem(contents) + QStringLiteral("。\n") + shown);

    // One row a line: a blank line or an item too many would move every later level's values.
    QStringList lines = contents.Text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast(); // the line ends after the last row
    if (lines.isEmpty())
        Damaged(path, 1, QStringLiteral("ファイルが空です"));

    // Filled in a copy so that a damaged file leaves the table as it was.
    CriteriaTable table = criteria;
    for (int row = 0; row < lines.size(); ++row) {
        const int line = row + 1;
        if (row >= Rows)
            Damaged(path, line, QStringLiteral("行が多すぎます（見出しとレベル%1までの%2行まで）").arg(Rows - 1).arg(Rows));
        ItemReader reader(lines[row]);
        QString items[ItemsPerRow];
        int count = 0;
        while (const std::optional<QString> item = reader.Next()) {
            if (count < ItemsPerRow)
                items[count] = *item;
            ++count;
        }
        // The header's texts are kept as they are; every level row holds exactly twelve items.
        if (row > 0 && count != ItemsPerRow)
            Damaged(path, line, count == 0 ? QStringLiteral("空の行です（1行に%1個の項目が必要です）").arg(ItemsPerRow)
                                           : QStringLiteral("項目が%1個あります（1行に%2個必要です）").arg(count).arg(ItemsPerRow));
        for (int i = 0; i < ItemsPerRow; ++i) {
            bool isNumber = false;
            const double value = ItemReader::LeadingNumber(items[i], &isNumber);
            if (isNumber && !std::isfinite(value))
                Damaged(path, line, QStringLiteral("%1番目の値「%2」が大きすぎます").arg(i + 1).arg(items[i].trimmed()));
        }
        PassCriteria& c = table[std::size_t(row)];
        c.TargetTime = IntegerItem<qint32>(items[0], path, line, QStringLiteral("目標Time"));
        c.LowestTime = IntegerItem<qint32>(items[1], path, line, QStringLiteral("最低Time"));
        c.ClearPoints = IntegerItem<qint32>(items[2], path, line, QStringLiteral("ｸﾘｱﾎﾟｲﾝﾄ"));
        c.ClearCount = IntegerItem<qint16>(items[3], path, line, QStringLiteral("ｸﾘｱ回数"));
        const double rate = ItemReader::LeadingNumber(items[4]);
        if (std::abs(rate) > double(std::numeric_limits<float>::max()))
            Damaged(path, line, QStringLiteral("「ﾎﾟｲﾝﾄ倍率」の値 %1 が大きすぎます").arg(items[4].trimmed()));
        c.PointRate = float(rate);
        c.BanCount = CriteriaValue::FromItem(items[5]);
        c.BanPoints = CriteriaValue::FromItem(items[6]);
        c.JudgeDays = CriteriaValue::FromItem(items[7]);
        c.BanDays = CriteriaValue::FromItem(items[8]);
        c.Extra10 = CriteriaValue::FromItem(items[9]);
        c.Extra11 = CriteriaValue::FromItem(items[10]);
        c.Extra12 = CriteriaValue::FromItem(items[11]);
    }
    const int levels = int(lines.size()) - 1;
    if (levels < 1)
        Damaged(path, int(lines.size()) + 1, QStringLiteral("レベルの行がありません"));
    if (levels < requiredLevels)
        Damaged(path, int(lines.size()) + 1,
                QStringLiteral("レベル%1の行がありません（メニューのレベル%2まで必要です）").arg(levels + 1).arg(requiredLevels));
    criteria = table;
}
