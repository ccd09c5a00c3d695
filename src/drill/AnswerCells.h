#pragma once
#include "drill/Direction.h"
#include "drill/FractionProblem.h"
#include <QString>
#include <array>

// The eleven cells of a problem as the pupil fills them: what each shows and in which role, the
// cursor and the text typed into its cell, the correct values (twins) shown under wrong answers,
// the hint for each cell and which answers are wrong. Cells are numbered 1–11; cell 10 mirrors
// the common denominator typed into cell 8.
class AnswerCells {
public:
    static constexpr int Count = FractionProblem::CellCount;
    // The characters a cell holds at most.
    static constexpr int MaxLength = 3;
    // Guide lines 1–4 between the cells a multiplication takes.
    static constexpr int GuideLineCount = 4;

    enum class Role {
        Input,  // asked
        Given,  // shown, not asked
        Cursor, // the cell being filled
        Wrong,  // judged wrong
        Mirror, // cell 10
    };

    // A new problem: the given cells show their values, the asked ones are empty, no twin is
    // shown, the cursor is on the first asked cell and nothing is typed.
    void Start(const FractionProblem& problem);

    const FractionProblem& Problem() const { return Current; }
    int Cursor() const { return CursorCell; }
    bool OnLastCell() const { return CursorCell == Count; }
    // The text typed into the cursor cell.
    const QString& CurrentText() const { return Typed; }
    const QString& Text(int cell) const { return Texts[std::size_t(cell)]; }
    Role RoleOf(int cell) const { return Roles[std::size_t(cell)]; }
    bool Shown(int cell) const { return CellShown[std::size_t(cell)]; }
    const QString& TwinText(int cell) const { return Twins[std::size_t(cell)]; }
    bool TwinShown(int cell) const { return TwinsShown[std::size_t(cell)]; }

    // Typing into the cursor cell.
    bool IsFull() const { return Typed.size() >= MaxLength; }
    // Digits and * - . / , ; not "+".
    static bool Takes(QChar character);
    void Append(QChar character);
    // Takes back the last character typed; nothing when none is.
    void EraseLast();
    // Empties the cursor cell.
    void ClearCursorCell();
    // Empties every asked cell and puts the cursor on the first.
    void ClearAnswers();

    // The cursor to the next or previous asked cell, round the end. Wrong marks go.
    void Move(Direction direction);
    // Every cell back to its own role: the cursor and the wrong marks go.
    void ClearMarks();

    // The number a cell's text begins with; 0 when it begins with none.
    static double NumericValue(const QString& text);
    bool IsWrong(int cell) const;
    bool AnyAskedWrong() const;
    // The wrong asked cells marked and their correct values shown; cell 10 shows cell 8's.
    void MarkWrong();

    // The hint for a cell of the steps; empty for the others.
    static QString HintFor(int cell);
    // Whether guide line `line` belongs to `cell`: 3 and 4 to cell 8, 2 to cell 9, 1 to cell 11.
    static bool GuideLineFor(int cell, int line);

private:
    int NextAsked(int from) const;
    int PreviousAsked(int from) const;
    int FirstAsked() const { return NextAsked(0); }
    void SetText(int cell, const QString& text);
    void MoveTo(int cell);

    FractionProblem Current;
    int CursorCell = 0;
    QString Typed;
    std::array<QString, Count + 1> Texts;
    std::array<Role, Count + 1> Roles{};
    std::array<bool, Count + 1> CellShown{};
    std::array<QString, Count + 1> Twins;
    std::array<bool, Count + 1> TwinsShown{};
};
