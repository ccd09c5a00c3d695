#include "attempt_end/ui/FinalLevelPicture.h"
#include <QPainter>
#include <QPainterPath>
#include <cmath>

FinalLevelPicture::FinalLevelPicture(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, QColor(150, 60, 20));
    setPalette(pal);
}

void FinalLevelPicture::PaintCard(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double edge = std::max(2.0, r.height() / 40);
    const QRectF card = r.adjusted(edge, edge, -edge, -edge);
    QLinearGradient gold(card.topLeft(), card.bottomLeft());
    gold.setColorAt(0, QColor(255, 244, 196));
    gold.setColorAt(1, QColor(252, 216, 120));
    p.setPen(QPen(QColor(214, 150, 40), edge));
    p.setBrush(gold);
    p.drawRoundedRect(card, r.height() * 0.1, r.height() * 0.1);

    // Stars around the text.
    const double radius = r.height() * 0.09;
    const QPointF places[] = {{0.10, 0.22}, {0.90, 0.22}, {0.10, 0.78}, {0.90, 0.78}, {0.5, 0.14}};
    for (const QPointF& f : places) {
        const QPointF c(r.left() + r.width() * f.x(), r.top() + r.height() * f.y());
        QPainterPath star;
        for (int i = 0; i < 10; ++i) {
            const double rr = (i % 2 == 0) ? radius : radius * 0.45;
            const double a = M_PI / 2 + i * M_PI / 5;
            const QPointF pt(c.x() + rr * std::cos(a), c.y() - rr * std::sin(a));
            if (i == 0)
                star.moveTo(pt);
            else
                star.lineTo(pt);
        }
        star.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 120, 60));
        p.drawPath(star);
    }
    p.restore();
}

void FinalLevelPicture::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(this);
        PaintCard(p, rect());
    }
    QLabel::paintEvent(event);
}
