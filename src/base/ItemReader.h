#pragma once
#include "base/TextFile.h"
#include <QString>
#include <optional>

// Reads the configuration, criteria, roster and sound assignment files as a stream of items:
// an item ends at a comma or a line end; blanks before an item are skipped; a double-quoted item
// runs to the next double quote, may hold commas and loses its quotes; an unquoted item loses its
// trailing blanks; two separators in a row give an empty item.
class ItemReader {
public:
    explicit ItemReader(QString text);

    // Reads a CP932 file (see TextFile). Returns nothing when it is missing or cannot be read;
    // `contents` then says which.
    static std::optional<ItemReader> FromFile(const QString& path, TextFile::Contents* contents = nullptr);

    // True when nothing but blanks and line ends is left.
    bool AtEnd() const;
    // The next item, or nothing when reading past the last item.
    std::optional<QString> Next();
    // Line (from 1) on which the last item read began.
    int Line() const { return ItemLine; }

    // The number an item begins with (blanks before it skipped); 0 when it does not begin with one,
    // an infinity when it has more digits than a double holds.
    // `isNumber` tells whether any digit was found.
    static double LeadingNumber(const QString& text, bool* isNumber = nullptr);

private:
    QString Text;
    qsizetype Pos = 0;
    int CurrentLine = 1;
    int ItemLine = 0;
};
