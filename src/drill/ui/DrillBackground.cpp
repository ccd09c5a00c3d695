#include "drill/ui/DrillBackground.h"
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {
void Cloud(QPainter& p, const QPointF& at, double size)
{
    p.drawEllipse(QRectF(at.x(), at.y(), size * 1.6, size * 0.7));
    p.drawEllipse(QRectF(at.x() + size * 0.5, at.y() - size * 0.35, size * 1.1, size * 0.9));
    p.drawEllipse(QRectF(at.x() + size * 1.1, at.y() - size * 0.1, size * 1.2, size * 0.75));
}

QPainterPath Hill(const QRectF& a, double startY, double peakX, double peakY, double endY)
{
    QPainterPath path(QPointF(a.left(), a.top() + startY * a.height()));
    path.cubicTo(QPointF(a.left() + (peakX - 0.2) * a.width(), a.top() + peakY * a.height()),
                 QPointF(a.left() + (peakX + 0.2) * a.width(), a.top() + peakY * a.height()),
                 QPointF(a.right(), a.top() + endY * a.height()));
    path.lineTo(a.bottomRight());
    path.lineTo(a.bottomLeft());
    path.closeSubpath();
    return path;
}
} // namespace

void DrillBackground::Paint(QPainter& painter, const QRectF& area, double headerHeight)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0.0, QColor(214, 236, 250));
    sky.setColorAt(0.7, QColor(240, 248, 253));
    sky.setColorAt(1.0, QColor(250, 252, 246));
    painter.fillRect(area, sky);

    const double w = area.width();
    const double h = area.height();
    // A low sun in the lower right corner, away from the cells.
    QRadialGradient sun(QPointF(area.right() - w * 0.06, area.bottom() - h * 0.25), w * 0.09);
    sun.setColorAt(0.0, QColor(255, 236, 170, 200));
    sun.setColorAt(0.6, QColor(255, 240, 190, 90));
    sun.setColorAt(1.0, QColor(255, 240, 190, 0));
    painter.setBrush(sun);
    painter.drawEllipse(sun.center(), w * 0.09, w * 0.09);

    painter.setBrush(QColor(255, 255, 255, 150));
    Cloud(painter, QPointF(area.left() + w * 0.03, area.top() + h * 0.62), w * 0.05);
    Cloud(painter, QPointF(area.left() + w * 0.78, area.top() + h * 0.58), w * 0.045);

    painter.setBrush(QColor(200, 230, 190));
    painter.drawPath(Hill(area, 0.86, 0.25, 0.78, 0.9));
    painter.setBrush(QColor(182, 220, 172));
    painter.drawPath(Hill(area, 0.95, 0.7, 0.84, 0.88));

    // The header strip: a quiet panel with a thin line under it.
    const QRectF header(area.left(), area.top(), w, headerHeight);
    painter.setBrush(QColor(255, 255, 255, 170));
    painter.drawRect(header);
    painter.setPen(QPen(QColor(150, 180, 200), std::max(1.0, h / 500.0)));
    painter.drawLine(header.bottomLeft(), header.bottomRight());
    painter.restore();
}
