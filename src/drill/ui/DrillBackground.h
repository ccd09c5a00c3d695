#pragma once
#include <QRectF>

class QPainter;

// The drill screen's picture: a pale sky, soft clouds, a low sun and gentle hills, kept light
// and quiet so that the numbers stay the only thing that draws the eye.
class DrillBackground {
public:
    // Paints the picture filling `area`; `headerHeight` is the height of the header strip in
    // the same units, which gets a calm panel of its own.
    static void Paint(QPainter& painter, const QRectF& area, double headerHeight);
};
