#include "setup/ui/SplashPicture.h"
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

SplashPicture::SplashPicture(QWidget* parent) : QWidget(parent) {}

namespace {
// A circle cut into `parts` equal slices with the first `filled` shaded.
void DrawPie(QPainter& p, const QRectF& r, int parts, int filled, const QColor& fill)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawEllipse(r);
    p.setBrush(fill);
    p.drawPie(r, 90 * 16, -filled * 360 * 16 / parts);
    p.setPen(QPen(QColor(70, 90, 110), std::max(1.0, r.width() / 80)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(r);
    const QPointF c = r.center();
    for (int i = 0; i < parts; ++i) {
        QLineF spoke(c, QPointF(c.x(), r.top()));
        spoke.setAngle(90 - 360.0 * i / parts);
        p.drawLine(spoke);
    }
}

void DrawFraction(QPainter& p, const QRectF& box, int numerator, int denominator)
{
    QFont f = p.font();
    f.setPixelSize(std::max(1, int(box.height() * 0.38)));
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(60, 70, 90));
    const QRectF top(box.left(), box.top(), box.width(), box.height() * 0.45);
    const QRectF bottom(box.left(), box.top() + box.height() * 0.55, box.width(), box.height() * 0.45);
    p.drawText(top, Qt::AlignCenter, QString::number(numerator));
    p.drawText(bottom, Qt::AlignCenter, QString::number(denominator));
    p.setPen(QPen(QColor(60, 70, 90), std::max(1.0, box.height() / 30)));
    const double y = box.top() + box.height() * 0.5;
    p.drawLine(QPointF(box.left() + box.width() * 0.2, y), QPointF(box.right() - box.width() * 0.2, y));
}
} // namespace

void SplashPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, QColor(214, 234, 248));
    sky.setColorAt(1, QColor(240, 248, 236));
    p.fillRect(r, sky);

    QFont title = font();
    title.setPixelSize(std::max(1, int(r.height() * 0.2)));
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(50, 90, 130));
    p.drawText(QRectF(r.left(), r.top() + r.height() * 0.04, r.width(), r.height() * 0.3), Qt::AlignCenter,
               QStringLiteral("ゾメ２"));

    const double d = r.height() * 0.38;
    const double y = r.top() + r.height() * 0.45;
    const double gap = r.width() * 0.06;
    const double left = r.center().x() - (2 * d + gap * 3) / 2;
    DrawPie(p, QRectF(left, y, d, d), 2, 1, QColor(246, 178, 107));
    DrawFraction(p, QRectF(left + d + gap * 0.1, y + d * 0.2, gap * 0.8, d * 0.6), 1, 2);
    DrawPie(p, QRectF(left + d + gap * 2, y, d, d), 3, 1, QColor(147, 196, 125));
    DrawFraction(p, QRectF(left + 2 * d + gap * 2.1, y + d * 0.2, gap * 0.8, d * 0.6), 1, 3);
}
