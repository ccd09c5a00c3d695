#pragma once
#include <QByteArray>
#include <QString>

// The Japanese Windows code page of every text file the program shares with other machines.
class Cp932 {
public:
    static QString Decode(const QByteArray& bytes);
    static QByteArray Encode(const QString& text);
    // Encoded and cut or blank-padded on the right to exactly `width` bytes (a double-byte character
    // that would be split is replaced by a blank).
    static QByteArray EncodeFixed(const QString& text, int width);
};
