#include "menu/ui/GraphPainter.h"
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>

namespace {

constexpr double PrinterDotsPerInch = 600;
constexpr int SeparatorWidth = 2;
constexpr int RecordLineWidth = 3;
const QColor RecordColour(255, 0, 0);
const QColor OtherColour(0, 0, 255);

QPen PenOf(const QColor& colour, double width)
{
    QPen pen(colour, std::max(width, 1.0));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QRectF TextRect(const QSizeF& size, const QPointF& at, GraphBand::Anchor anchor)
{
    switch (anchor) {
    case GraphBand::Anchor::TopCentre: return QRectF(QPointF(at.x() - size.width() / 2, at.y()), size);
    case GraphBand::Anchor::BottomCentre:
        return QRectF(QPointF(at.x() - size.width() / 2, at.y() - size.height()), size);
    case GraphBand::Anchor::TopRight: return QRectF(QPointF(at.x() - size.width(), at.y()), size);
    case GraphBand::Anchor::BottomRight:
        return QRectF(QPointF(at.x() - size.width(), at.y() - size.height()), size);
    case GraphBand::Anchor::TopLeft: break;
    }
    return QRectF(at, size);
}

} // namespace

GraphPainter::Style GraphPainter::ScreenStyle(double scale)
{
    Style style;
    style.FontScale = scale;
    style.LineUnit = std::max(scale, 0.5);
    style.DotWidth = 5;
    return style;
}

GraphPainter::Style GraphPainter::PaperStyle(const QPaintDevice& device)
{
    Style style;
    style.FontScale = 1;
    style.LineUnit = device.logicalDpiX() / PrinterDotsPerInch;
    style.DotWidth = 30;
    return style;
}

void GraphPainter::Paint(QPainter& painter, const QRectF& page, const GraphBand& band, const Style& style)
{
    painter.save();
    painter.translate(page.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);

    for (const GraphBand::Line& line : band.Lines) {
        switch (line.Width) {
        case GraphBand::Pen::Separator: painter.setPen(PenOf(Qt::black, SeparatorWidth * style.LineUnit)); break;
        case GraphBand::Pen::Axis: painter.setPen(PenOf(Qt::black, style.DotWidth * style.LineUnit)); break;
        case GraphBand::Pen::RecordLine: painter.setPen(PenOf(RecordColour, RecordLineWidth * style.LineUnit)); break;
        }
        painter.drawLine(line.At);
    }
    for (const GraphBand::Dot& dot : band.Dots) {
        painter.setPen(PenOf(dot.Record ? RecordColour : OtherColour, style.DotWidth * style.LineUnit));
        painter.drawPoint(dot.At);
    }

    painter.setPen(Qt::black);
    QFont font(style.Family);
    font.setStyleHint(QFont::Monospace);
    for (const GraphBand::Text& text : band.Texts) {
        font.setPointSizeF(std::max(1.0, style.BasePoints * text.Size * style.FontScale));
        painter.setFont(font);
        const QFontMetricsF metrics(font, painter.device());
        const QSizeF size(metrics.horizontalAdvance(text.Content), metrics.height());
        painter.drawText(TextRect(size, text.At, text.Place), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                         text.Content);
    }
    painter.restore();
}
