#include "teacher/CriteriaGrid.h"
#include "base/Cp932.h"
#include "base/FatalError.h"
#include "base/ItemReader.h"
#include "base/TextFile.h"
#include "records/PassCriteriaFile.h"
#include "setup/SettingsFile.h"
#include <QColor>
#include <QDir>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace {

// What each field of the file holds, as the criteria reader takes it.
enum class FieldKind {
    Int32,        // a whole number the field must hold
    Int16,
    Float,
    NumberOrEmpty,  // a count or a number of days; empty counts as 0
    Free,         // kept as written
};

FieldKind KindOf(int column)
{
    switch (column) {
    case 1: case 2: case 3: return FieldKind::Int32;
    case 4: return FieldKind::Int16;
    case 5: return FieldKind::Float;
    case 6: case 7: case 8: case 9: return FieldKind::NumberOrEmpty;
    default: return FieldKind::Free;
    }
}

// The reader drops blanks around an item, and only those.
bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

QString TrimBlanks(const QString& text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && IsBlank(text[from]))
        ++from;
    while (to > from && IsBlank(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

// A number exactly as the reader reads one: an optional sign, digits, an optional decimal point
// with digits. Anything after it ("1e3", "45分") would be dropped or misread.
bool IsPlainNumber(const QString& text)
{
    static const QRegularExpression plain(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    return plain.match(text).hasMatch();
}

// Plain decimal form, never an exponent (the reader would take "1e+20" for 1), at most 15
// significant digits; -0 is 0.
QString PlainDecimal(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15);
    if (!text.contains(u'e'))
        return text;
    const int magnitude = int(std::floor(std::log10(std::abs(value))));
    text = QString::number(value, 'f', std::max(0, 14 - magnitude));
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

// An item of the file as its cell shows it: a number in plain decimal form, anything else as read.
QString CellText(const QString& item)
{
    const QString trimmed = TrimBlanks(item);
    if (!IsPlainNumber(trimmed))
        return item;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    return ok && std::isfinite(value) ? PlainDecimal(value) : item;
}

QString Where(int row, int column)
{
    const QString header = CriteriaGrid::Header(column);
    return header.isEmpty() ? QStringLiteral("レベル%1の%2列目").arg(row).arg(column)
                            : QStringLiteral("レベル%1の「%2」").arg(row).arg(header);
}

// The first character of a free text that the file cannot carry: a separator, a quote (the reader
// would take the item up to the next quote), a control character, or one that CP932 lacks.
std::optional<QString> UnwritableCharacter(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
        const QString ch = text.mid(i, pair ? 2 : 1);
        if (ch == u"," || ch == u"\"")
            return ch;
        if (ch.size() == 1 && (ch[0].category() == QChar::Other_Control || ch[0].category() == QChar::Other_Format))
            return QStringLiteral("U+") + QString::number(ch[0].unicode(), 16).toUpper().rightJustified(4, u'0');
        if (Cp932::Decode(Cp932::Encode(ch)) != ch)
            return ch;
        if (pair)
            ++i;
    }
    return std::nullopt;
}

// What is wrong with a cell, or nothing.
std::optional<QString> CellFault(const QString& cell, int row, int column)
{
    const FieldKind kind = KindOf(column);
    const QString where = Where(row, column);
    const QString text = TrimBlanks(cell);
    if (kind == FieldKind::Free) {
        if (const std::optional<QString> bad = UnwritableCharacter(cell))
            return QStringLiteral("%1に記録できない文字「%2」があります。").arg(where, *bad);
        return std::nullopt;
    }
    if (text.isEmpty()) {
        if (kind == FieldKind::NumberOrEmpty)
            return std::nullopt;
        return QStringLiteral("%1が空です。数を入れてください。").arg(where);
    }
    if (!IsPlainNumber(text))
        return QStringLiteral("%1の「%2」は数ではありません。半角の数字だけで入れてください。").arg(where, text);
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return QStringLiteral("%1の「%2」は大きすぎます。").arg(where, text);
    const auto wholeIn = [&](qint64 lowest, qint64 highest) -> std::optional<QString> {
        if (std::floor(value) != value)
            return QStringLiteral("%1の「%2」は整数ではありません。小数点のない数を入れてください。").arg(where, text);
        if (value < double(lowest) || value > double(highest))
            return QStringLiteral("%1の「%2」は範囲外です（%3～%4）。").arg(where, text).arg(lowest).arg(highest);
        return std::nullopt;
    };
    switch (kind) {
    case FieldKind::Int32:
        return wholeIn(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    case FieldKind::Int16:
        return wholeIn(std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
    case FieldKind::Float:
        if (std::abs(value) > double(std::numeric_limits<float>::max()))
            return QStringLiteral("%1の「%2」は大きすぎます。").arg(where, text);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

const QColor FixedColumnColour(224, 224, 224);
const QColor EditedColour(255, 255, 0);

} // namespace

CriteriaGrid::CriteriaGrid(QObject* parent) : QAbstractTableModel(parent) {}

QString CriteriaGrid::Header(int column)
{
    static const char16_t* const headers[Columns] = {
        u"レベル", u"目標Time", u"最低Time", u"ｸﾘｱﾎﾟｲﾝﾄ", u"ｸﾘｱ回数", u"ﾎﾟｲﾝﾄ倍率",
        u"禁回", u"禁点", u"判期間", u"禁期間", u"", u"", u""};
    return column >= 0 && column < Columns ? QString::fromUtf16(headers[column]) : QString();
}

QString CriteriaGrid::Explanation(int column)
{
    static const char16_t* const explanations[Columns] = {
        u"",
        u"合格基準タイム\n　大部分の人ががんばったら出せそうなタイムにしてください",
        u"合格最低ラインタイム\n  この５倍が時間切れになります",
        u"目標ポイント\n　　 目標ポイント",
        u"目標回数\n　　 目標回数",
        u"ポイント倍率\n  ポイントを何倍にして加算するか\n  むずかしいレベルや生徒のいやがるレベルは高くしてください",
        u"やりすぎ禁止回数\n  何回やったらやりすぎ禁止にするか",
        u"やりすぎ禁止ポイント\n  何ポイントとったらやりすぎ禁止にするか",
        u"合格判定をする日数\n　何日前からのポイントを有効にするか",
        u"やりすぎ判定をする日数\n　何日前からのポイントを有効にするか",
        u"", u"", u""};
    return column >= 0 && column < Columns ? QString::fromUtf16(explanations[column]) : QString();
}

void CriteriaGrid::LoadGrid(const QString& dataFolder, int requiredLevels)
{
    // The reader's verdict first: a file it refuses is neither shown nor, later, written back.
    CriteriaTable probe;
    PassCriteriaFile::LoadPassCriteria(dataFolder, probe, requiredLevels);

    const QString path = PassCriteriaFile::Path(dataFolder);
    const QString shown = QDir::toNativeSeparators(path);
    const TextFile::Contents contents = TextFile::Read(path);
    if (contents.What != TextFile::Status::Read)
        throw FatalError(QStringLiteral("合格基準のファイル") + TextFile::Problem(contents) + QStringLiteral("。\n") + shown);
    // One row a line, as the reader takes them.
    QStringList lines = contents.Text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();

    std::vector<RowCells> cells(std::max<qsizetype>(1, lines.size()));
    for (qsizetype row = 1; row < lines.size(); ++row) {
        ItemReader reader(lines[row]);
        int count = 0;
        while (const std::optional<QString> item = reader.Next()) {
            if (++count <= LastField)
                cells[std::size_t(row)][std::size_t(count)] = CellText(*item);
        }
        // Changed by someone else between the two reads.
        if (count != LastField)
            throw FatalError(QStringLiteral("合格基準のファイルが読んでいる間に変わりました。もう一度開いてください。\n") + shown);
        cells[std::size_t(row)][0] = QString::number(row);
    }

    beginResetModel();
    Cells = std::move(cells);
    Marks.assign(Cells.size(), RowMarks{});
    CurrentRow = std::clamp(CurrentRow, 1, std::max(1, LastRow()));
    SelectedTo = CurrentRow;
    endResetModel();
}

QString CriteriaGrid::Cell(int row, int column) const
{
    if (row < 1 || row > LastRow() || column < 0 || column >= Columns)
        return QString();
    return Cells[std::size_t(row)][std::size_t(column)];
}

bool CriteriaGrid::IsEdited(int row, int column) const
{
    return row >= 1 && row <= LastRow() && column >= 0 && column < Columns && Marks[std::size_t(row)][std::size_t(column)];
}

void CriteriaGrid::Store(int row, int column, const QString& text)
{
    if (row < 1 || row > LastRow() || column < FirstField || column > LastField)
        return;
    QString& cell = Cells[std::size_t(row)][std::size_t(column)];
    if (cell == text)
        return;
    cell = text;
    Marks[std::size_t(row)][std::size_t(column)] = true;
    IsChanged = true;
    const QModelIndex at = index(row - 1, column);
    emit dataChanged(at, at, {Qt::DisplayRole, Qt::BackgroundRole});
}

void CriteriaGrid::TextToGrid(const QString& editText)
{
    Store(CurrentRow, CurrentColumn, editText);
}

void CriteriaGrid::Move(int row, int column)
{
    CurrentRow = row;
    CurrentColumn = column;
    SelectedTo = row;
}

void CriteriaGrid::SetCurrent(int row, int column)
{
    if (row < 1 || row > LastRow() || column < 0 || column > LastField)
        return;
    Move(row, column == 0 ? CurrentColumn : column);
}

bool CriteriaGrid::PressKey(EditKey key, const QString& typed)
{
    const int row = CurrentRow;
    const int column = CurrentColumn;
    switch (key) {
    case EditKey::Up:
        if (row > 1)
            Move(row - 1, column);
        break;
    case EditKey::Down:
        if (row < LastRow())
            Move(row + 1, column);
        break;
    case EditKey::Left:
        if (column > FirstField)
            Move(row, column - 1);
        break;
    case EditKey::Right:
        if (column < LastField)
            Move(row, column + 1);
        break;
    case EditKey::ShiftDown: {
        if (SelectedTo < LastRow())
            ++SelectedTo;
        const QString text = GridToText();
        for (int r = row + 1; r <= SelectedTo; ++r)
            Store(r, column, text);
        break;
    }
    case EditKey::Space:
        TextToGrid(QString());
        break;
    case EditKey::Backspace:
        TextToGrid(GridToText().chopped(std::min<qsizetype>(1, GridToText().size())));
        break;
    case EditKey::Character:
        TextToGrid(GridToText() + typed);
        break;
    case EditKey::Escape:
    case EditKey::Enter:
    case EditKey::Other:
        break;
    }
    return CurrentRow != row || CurrentColumn != column;
}

std::optional<CriteriaGrid::CellProblem> CriteriaGrid::Check(int requiredLevels) const
{
    const int needed = std::max(1, requiredLevels);
    if (LastRow() < needed)
        return CellProblem{0, 0, QStringLiteral("レベル%1の行がありません（レベル%2まで必要です）。").arg(LastRow() + 1).arg(needed)};
    if (LastRow() > Limits::LastLevel)
        return CellProblem{0, 0, QStringLiteral("レベルが%1より多くあります。").arg(Limits::LastLevel)};
    for (int row = 1; row <= LastRow(); ++row)
        for (int column = FirstField; column <= LastField; ++column)
            if (const std::optional<QString> fault = CellFault(Cell(row, column), row, column))
                return CellProblem{row, column, *fault};
    return std::nullopt;
}

QByteArray CriteriaGrid::FileBytes() const
{
    QString text;
    for (int row = 0; row <= LastRow(); ++row) {
        for (int column = FirstField; column <= LastField; ++column) {
            text += row == 0 ? Header(column) : Cell(row, column);
            text += column < LastField ? QStringLiteral(",") : QStringLiteral("\r\n");
        }
    }
    return Cp932::Encode(text);
}

std::optional<QString> CriteriaGrid::SaveGrid(const QString& dataFolder, int requiredLevels, CriteriaTable& criteria)
{
    if (const std::optional<CellProblem> problem = Check(requiredLevels)) {
        if (problem->Row >= 1)
            SetCurrent(problem->Row, problem->Column);
        return QStringLiteral("記録できません。\n%1\nファイルは変えていません。").arg(problem->Message);
    }
    try {
        SettingsFile::Replace(PassCriteriaFile::Path(dataFolder), FileBytes());
        IsChanged = false;
        PassCriteriaFile::LoadPassCriteria(dataFolder, criteria, requiredLevels);
    } catch (const FatalError& e) {
        return e.Message;
    }
    return std::nullopt;
}

int CriteriaGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : LastRow();
}

int CriteriaGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant CriteriaGrid::data(const QModelIndex& at, int role) const
{
    if (!at.isValid())
        return QVariant();
    const int row = at.row() + 1;
    const int column = at.column();
    switch (role) {
    case Qt::DisplayRole:
        return Cell(row, column);
    case Qt::BackgroundRole:
        if (column == 0)
            return FixedColumnColour;
        if (IsEdited(row, column))
            return EditedColour;
        return QVariant();
    case Qt::TextAlignmentRole:
        return column == 0 ? int(Qt::AlignCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant CriteriaGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return Header(section);
    return QVariant();
}

Qt::ItemFlags CriteriaGrid::flags(const QModelIndex& at) const
{
    if (!at.isValid())
        return Qt::NoItemFlags;
    return at.column() == 0 ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
