#include "attempt_end/ui/AttemptEndBackground.h"
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

AttemptEndBackground::AttemptEndBackground(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

namespace {
void DrawStar(QPainter& p, const QPointF& centre, double radius, const QColor& colour)
{
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double r = (i % 2 == 0) ? radius : radius * 0.45;
        const double angle = M_PI / 2 + i * M_PI / 5;
        const QPointF point(centre.x() + r * std::cos(angle), centre.y() - r * std::sin(angle));
        if (i == 0)
            star.moveTo(point);
        else
            star.lineTo(point);
    }
    star.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(star);
}

void DrawCloud(QPainter& p, const QPointF& at, double size)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QRectF(at.x(), at.y() + size * 0.25, size * 1.1, size * 0.55));
    p.drawEllipse(QRectF(at.x() + size * 0.3, at.y(), size * 0.7, size * 0.7));
    p.drawEllipse(QRectF(at.x() + size * 0.75, at.y() + size * 0.15, size * 0.8, size * 0.6));
}
} // namespace

void AttemptEndBackground::Paint(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double w = r.width();
    const double h = r.height();

    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, QColor(200, 228, 246));
    sky.setColorAt(0.7, QColor(232, 244, 250));
    sky.setColorAt(1, QColor(246, 250, 238));
    p.fillRect(r, sky);

    DrawCloud(p, QPointF(r.left() + w * 0.25, r.top() + h * 0.02), w * 0.09);
    DrawCloud(p, QPointF(r.left() + w * 0.84, r.top() + h * 0.87), w * 0.09);

    // Rolling hills along the bottom edge.
    QPainterPath hills;
    hills.moveTo(r.left(), r.bottom());
    hills.lineTo(r.left(), r.top() + h * 0.90);
    hills.cubicTo(QPointF(r.left() + w * 0.25, r.top() + h * 0.82), QPointF(r.left() + w * 0.45, r.top() + h * 0.95),
                  QPointF(r.left() + w * 0.65, r.top() + h * 0.88));
    hills.cubicTo(QPointF(r.left() + w * 0.80, r.top() + h * 0.83), QPointF(r.left() + w * 0.92, r.top() + h * 0.86),
                  QPointF(r.right(), r.top() + h * 0.87));
    hills.lineTo(r.right(), r.bottom());
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(186, 222, 170));
    p.drawPath(hills);

    // A few small stars in the sky between the title and the counters, away from the text.
    DrawStar(p, QPointF(r.left() + w * 0.44, r.top() + h * 0.06), h * 0.024, QColor(250, 206, 90));
    DrawStar(p, QPointF(r.left() + w * 0.50, r.top() + h * 0.12), h * 0.015, QColor(246, 170, 100));
    DrawStar(p, QPointF(r.left() + w * 0.55, r.top() + h * 0.05), h * 0.012, QColor(250, 206, 90));

    // The board behind the result lines and the pass line.
    const QRectF board(r.left() + w * 0.02, r.top() + h * 0.18, w * 0.96, h * 0.67);
    p.setPen(QPen(QColor(170, 196, 214), std::max(1.0, h / 400)));
    p.setBrush(QColor(255, 255, 255, 215));
    p.drawRoundedRect(board, h * 0.03, h * 0.03);
    p.restore();
}

void AttemptEndBackground::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    Paint(p, rect());
}
