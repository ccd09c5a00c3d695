#include "base/Cp932.h"
#include <QStringDecoder>
#include <QStringEncoder>

QString Cp932::Decode(const QByteArray& bytes)
{
    QStringDecoder decoder("windows-31j");
    return decoder.decode(bytes);
}

QByteArray Cp932::Encode(const QString& text)
{
    QStringEncoder encoder("windows-31j");
    return encoder.encode(text);
}

QByteArray Cp932::EncodeFixed(const QString& text, int width)
{
    QByteArray out;
    for (const QChar& ch : text) {
        const QByteArray b = Encode(QString(ch));
        if (out.size() + b.size() > width)
            break;
        out += b;
    }
    while (out.size() < width)
        out += ' ';
    return out;
}
