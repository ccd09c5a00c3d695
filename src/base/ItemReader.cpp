#include "base/ItemReader.h"
#include <limits>

static bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }
static bool IsLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

ItemReader::ItemReader(QString text) : Text(std::move(text)) {}

std::optional<ItemReader> ItemReader::FromFile(const QString& path, TextFile::Contents* contents)
{
    TextFile::Contents read = TextFile::Read(path);
    std::optional<ItemReader> reader;
    if (read.What == TextFile::Status::Read)
        reader = ItemReader(std::move(read.Text));
    if (contents) {
        read.Text.clear();
        *contents = std::move(read);
    }
    return reader;
}

bool ItemReader::AtEnd() const
{
    for (qsizetype i = Pos; i < Text.size(); ++i)
        if (!IsBlank(Text[i]) && !IsLineEnd(Text[i]) && Text[i] != QChar(0x1a))
            return false;
    return true;
}

std::optional<QString> ItemReader::Next()
{
    // Past the last item: nothing but blanks and line ends remain, and the previous item did not
    // end with a comma that promises one more (a trailing comma gives an empty last item).
    if (Pos >= Text.size())
        return std::nullopt;
    while (Pos < Text.size() && IsBlank(Text[Pos]))
        ++Pos;
    ItemLine = CurrentLine;
    QString item;
    if (Pos < Text.size() && Text[Pos] == u'"') {
        const qsizetype close = Text.indexOf(u'"', Pos + 1);
        const qsizetype end = close < 0 ? Text.size() : close;
        item = Text.mid(Pos + 1, end - Pos - 1);
        CurrentLine += int(item.count(u'\n'));
        Pos = close < 0 ? Text.size() : close + 1;
        // Anything between the closing quote and the separator is dropped.
        while (Pos < Text.size() && Text[Pos] != u',' && !IsLineEnd(Text[Pos]))
            ++Pos;
    } else {
        const qsizetype start = Pos;
        while (Pos < Text.size() && Text[Pos] != u',' && !IsLineEnd(Text[Pos]))
            ++Pos;
        item = Text.mid(start, Pos - start);
        while (!item.isEmpty() && IsBlank(item.back()))
            item.chop(1);
    }
    // Consume the separator: a comma, or one line end (CR LF, CR or LF).
    if (Pos < Text.size()) {
        if (Text[Pos] == u',') {
            ++Pos;
            // A comma at the very end of the text still promises an (empty) item; keep Pos there.
            if (Pos >= Text.size())
                Text.append(u'\n');
        } else {
            if (Text[Pos] == u'\r' && Pos + 1 < Text.size() && Text[Pos + 1] == u'\n')
                ++Pos;
            ++Pos;
            ++CurrentLine;
        }
    }
    return item;
}

double ItemReader::LeadingNumber(const QString& text, bool* isNumber)
{
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    QString number;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        number += text[i++];
    bool digits = false;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        number += text[i++];
        digits = true;
    }
    if (i < text.size() && text[i] == u'.') {
        number += text[i++];
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
            number += text[i++];
            digits = true;
        }
    }
    if (isNumber)
        *isNumber = digits;
    if (!digits)
        return 0.0;
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (ok)
        return value;
    // Digits beyond what a double holds: too large, never 0.
    return number.startsWith(u'-') ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
}
