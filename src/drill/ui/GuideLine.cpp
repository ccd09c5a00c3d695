#include "drill/ui/GuideLine.h"
#include <QPainter>

GuideLine::GuideLine(bool rising, QWidget* parent) : QWidget(parent), Rising(rising)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void GuideLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(230, 0, 0), std::max(2.0, height() / 120.0), Qt::SolidLine, Qt::RoundCap));
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    if (Rising)
        painter.drawLine(r.bottomLeft(), r.topRight());
    else
        painter.drawLine(r.topLeft(), r.bottomRight());
}
