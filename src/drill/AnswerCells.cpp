#include "drill/AnswerCells.h"

void AnswerCells::Start(const FractionProblem& problem)
{
    Current = problem;
    CursorCell = FirstAsked();
    Typed.clear();
    for (int cell = 1; cell <= Count; ++cell) {
        const auto i = std::size_t(cell);
        Twins[i] = Current.Expected[i];
        TwinsShown[i] = false;
        CellShown[i] = !Current.Skipped[i];
        if (Current.Given[i]) {
            Roles[i] = Role::Given;
            SetText(cell, Current.Expected[i]);
        } else {
            Roles[i] = Role::Input;
            SetText(cell, QString());
        }
    }
    Roles[10] = Role::Mirror;
    Roles[std::size_t(CursorCell)] = Role::Cursor;
}

bool AnswerCells::Takes(QChar character)
{
    const char16_t c = character.unicode();
    return (c >= u'0' && c <= u'9') || c == u'*' || c == u',' || c == u'-' || c == u'.' || c == u'/';
}

void AnswerCells::Append(QChar character)
{
    Typed += character;
    SetText(CursorCell, Typed);
}

void AnswerCells::EraseLast()
{
    if (Typed.isEmpty())
        return;
    Typed.chop(1);
    SetText(CursorCell, Typed);
}

void AnswerCells::ClearCursorCell()
{
    SetText(CursorCell, QString());
    Typed.clear();
}

void AnswerCells::ClearAnswers()
{
    for (int cell = 1; cell <= Count; ++cell)
        if (Current.IsAsked(cell))
            SetText(cell, QString());
    MoveTo(FirstAsked());
}

void AnswerCells::Move(Direction direction)
{
    MoveTo(direction == Direction::Left ? PreviousAsked(CursorCell) : NextAsked(CursorCell));
}

void AnswerCells::ClearMarks()
{
    for (int cell = 1; cell <= Count; ++cell)
        Roles[std::size_t(cell)] = Current.Given[std::size_t(cell)] ? Role::Given : Role::Input;
    Roles[10] = Role::Mirror;
}

double AnswerCells::NumericValue(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    QString number;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        number += text[i++];
    bool digits = false;
    auto takeDigits = [&] {
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            number += text[i++];
            digits = true;
        }
    };
    takeDigits();
    if (i < n && text[i] == u'.') {
        number += text[i++];
        takeDigits();
    }
    if (!digits)
        return 0;
    if (number.endsWith(u'.'))
        number.chop(1);
    return number.toDouble();
}

bool AnswerCells::IsWrong(int cell) const
{
    return NumericValue(Text(cell)) != Current.Expected[std::size_t(cell)].toDouble();
}

bool AnswerCells::AnyAskedWrong() const
{
    for (int cell = 1; cell <= Count; ++cell)
        if (Current.IsAsked(cell) && IsWrong(cell))
            return true;
    return false;
}

void AnswerCells::MarkWrong()
{
    for (int cell = 1; cell <= Count; ++cell) {
        if (Current.IsAsked(cell) && IsWrong(cell)) {
            Roles[std::size_t(cell)] = Role::Wrong;
            TwinsShown[std::size_t(cell)] = true;
        }
    }
    if (Current.IsAsked(8) && IsWrong(8)) {
        Twins[10] = Twins[8];
        TwinsShown[10] = true;
    }
}

QString AnswerCells::HintFor(int cell)
{
    switch (cell) {
    case 5: return QStringLiteral("①分母の最大公約数を求める");
    case 6: return QStringLiteral("②分母を最大公約数でわる");
    case 7: return QStringLiteral("③分母を最大公約数でわる");
    case 8: return QStringLiteral("④２つをかける（どちらでもよい）");
    case 9: return QStringLiteral("⑤２つをかける");
    case 11: return QStringLiteral("⑥２つをかける");
    default: return QString();
    }
}

bool AnswerCells::GuideLineFor(int cell, int line)
{
    switch (cell) {
    case 8: return line == 3 || line == 4;
    case 9: return line == 2;
    case 11: return line == 1;
    default: return false;
    }
}

int AnswerCells::NextAsked(int from) const
{
    // Forward with wrap-around; every problem has asked cells, but stop after one round anyway.
    int cell = from;
    for (int step = 0; step <= Count; ++step) {
        ++cell;
        if (cell > Count)
            cell = 1;
        if (Current.IsAsked(cell))
            return cell;
    }
    return from;
}

int AnswerCells::PreviousAsked(int from) const
{
    int cell = from;
    for (int step = 0; step <= Count; ++step) {
        --cell;
        if (cell < 1)
            cell = Count;
        if (Current.IsAsked(cell))
            return cell;
    }
    return from;
}

void AnswerCells::SetText(int cell, const QString& text)
{
    Texts[std::size_t(cell)] = text;
    // Cell 10 always shows the common denominator typed into cell 8.
    if (cell == 8)
        Texts[10] = text;
}

void AnswerCells::MoveTo(int cell)
{
    CursorCell = cell;
    ClearMarks();
    Roles[std::size_t(CursorCell)] = Role::Cursor;
    Typed = Text(CursorCell);
}
