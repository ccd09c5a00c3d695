#include "records/PassCriteriaFile.h"
#include "base/FatalError.h"
#include "base/ItemReader.h"
#include <QDir>
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

void PassCriteriaFile::LoadPassCriteria(const QString& dataFolder, CriteriaTable& criteria)
{
    const QString path = Path(dataFolder);
    std::optional<ItemReader> reader = ItemReader::FromFile(path);
    if (!reader)
        throw FatalError(QStringLiteral("合格基準のファイルがありません。\n%1").arg(QDir::toNativeSeparators(path)));

    // Filled in a copy so that a damaged file leaves the table as it was.
    CriteriaTable table = criteria;
    int row = 0;
    while (!reader->AtEnd()) {
        QString items[ItemsPerRow];
        int lines[ItemsPerRow] = {};
        for (int i = 0; i < ItemsPerRow; ++i) {
            std::optional<QString> item = reader->Next();
            if (!item)
                Damaged(path, reader->Line(),
                        QStringLiteral("行の途中でファイルが終わっています（項目が%1個しかありません。1行に%2個必要です）")
                            .arg(i).arg(ItemsPerRow));
            items[i] = *item;
            lines[i] = reader->Line();
        }
        if (row >= Rows)
            Damaged(path, lines[0],
                    QStringLiteral("行が多すぎます（見出しとレベル%1までの%2行まで）").arg(Rows - 1).arg(Rows));
        PassCriteria& c = table[row];
        c.TargetTime = IntegerItem<qint32>(items[0], path, lines[0], QStringLiteral("目標Time"));
        c.LowestTime = IntegerItem<qint32>(items[1], path, lines[1], QStringLiteral("最低Time"));
        c.ClearPoints = IntegerItem<qint32>(items[2], path, lines[2], QStringLiteral("ｸﾘｱﾎﾟｲﾝﾄ"));
        c.ClearCount = IntegerItem<qint16>(items[3], path, lines[3], QStringLiteral("ｸﾘｱ回数"));
        c.PointRate = float(ItemReader::LeadingNumber(items[4]));
        c.BanCount = CriteriaValue::FromItem(items[5]);
        c.BanPoints = CriteriaValue::FromItem(items[6]);
        c.JudgeDays = CriteriaValue::FromItem(items[7]);
        c.BanDays = CriteriaValue::FromItem(items[8]);
        c.Extra10 = CriteriaValue::FromItem(items[9]);
        c.Extra11 = CriteriaValue::FromItem(items[10]);
        c.Extra12 = CriteriaValue::FromItem(items[11]);
        ++row;
    }
    criteria = table;
}
