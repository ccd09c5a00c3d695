#pragma once
// Pages of known Japanese text drawn on a sheet device, and the text of a PDF's pages read back
// with pdftotext (poppler-utils), for the printer tests.
#include <QFont>
#include <QFontInfo>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace SheetPages {
// Every page's lines; the page's number tells the pages apart. Full-width digits only: a PDF that
// went through CUPS's PostScript step keeps readable text only for the Japanese font's glyphs.
inline QList<QStringList> Sample(const QString& pupilName)
{
    return {
        {QStringLiteral("ゾメ２ 成績表 一枚目"), pupilName + QStringLiteral(" １２番"), QStringLiteral("分数の通分 レベル３")},
        {QStringLiteral("ゾメ２ 成績表 二枚目"), QStringLiteral("最小公倍数"), QStringLiteral("タイムの記録 ４５秒")},
    };
}

// Draws each page's lines in IPAGothic; false when the font is missing or the painter failed.
inline bool Draw(QPagedPaintDevice* device, const QList<QStringList>& pages, QString* problem)
{
    QPainter painter;
    if (!painter.begin(device)) {
        *problem = QStringLiteral("QPainter::begin failed");
        return false;
    }
    QFont font(QStringLiteral("IPAGothic"));
    font.setPointSize(20);
    painter.setFont(font);
    if (QFontInfo(font).family() != QStringLiteral("IPAGothic")) {
        *problem = QStringLiteral("the font IPAGothic is not installed (fonts-ipafont-gothic), got ") + QFontInfo(font).family();
        painter.end();
        return false;
    }
    const QRect page = painter.viewport();
    for (int p = 0; p < pages.size(); ++p) {
        if (p > 0 && !device->newPage()) {
            *problem = QStringLiteral("newPage failed");
            painter.end();
            return false;
        }
        int y = page.top() + page.height() / 10;
        for (const QString& line : pages[p]) {
            painter.drawText(page.left() + page.width() / 10, y, line);
            y += page.height() / 12;
        }
    }
    if (!painter.end()) {
        *problem = QStringLiteral("QPainter::end failed");
        return false;
    }
    return true;
}

// The text of each page of a PDF, or an empty list with `problem` set.
inline QStringList Read(const QString& pdf, QString* problem)
{
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf,
                                                QStringLiteral("-")});
    if (!reader.waitForStarted(10000)) {
        *problem = QStringLiteral("cannot run pdftotext (poppler-utils): ") + reader.errorString();
        return {};
    }
    if (!reader.waitForFinished(60000) || reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0) {
        *problem = QStringLiteral("pdftotext failed on %1: %2").arg(pdf, QString::fromLocal8Bit(reader.readAllStandardError()));
        return {};
    }
    // Every page ends with a form feed.
    QStringList pages = QString::fromUtf8(reader.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Text without its blanks, as the layout may space characters apart.
inline QString Squeezed(QString text) { return text.remove(QRegularExpression(QStringLiteral("\\s+"))); }

// Empty when every line of each page is on that page and no other page; otherwise what is wrong.
inline QString Compare(const QStringList& readPages, const QList<QStringList>& drawn)
{
    if (readPages.size() != drawn.size())
        return QStringLiteral("%1 pages instead of %2:\n%3").arg(readPages.size()).arg(drawn.size()).arg(readPages.join(u'\f'));
    for (int p = 0; p < drawn.size(); ++p)
        for (int q = 0; q < drawn.size(); ++q)
            for (const QString& line : drawn[q])
                if (Squeezed(readPages[p]).contains(Squeezed(line)) != (p == q))
                    return QStringLiteral("page %1 %2 \"%3\":\n%4")
                        .arg(p + 1)
                        .arg(p == q ? QStringLiteral("lacks") : QStringLiteral("holds another page's"), line, readPages[p]);
    return QString();
}
} // namespace SheetPages
