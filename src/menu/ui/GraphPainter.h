#pragma once
#include "menu/GraphBand.h"
#include <QRectF>
#include <QString>

class QPaintDevice;
class QPainter;

// Paints the bands of the time graph, the same on the screen and on paper: the surface only
// changes the sizes of fonts and lines.
class GraphPainter {
public:
    struct Style {
        QString Family = QStringLiteral("IPAGothic");
        double BasePoints = 6;  // the base font size
        double FontScale = 1;   // the screen's scale; 1 on paper
        double LineUnit = 1;    // page units of one line width unit (a screen pixel, a printer dot)
        int DotWidth = 5;       // attempts and axes, in line width units
    };

    // The screen at the form's `scale`.
    static Style ScreenStyle(double scale);
    // Paper, whose dots are taken at 600 dpi whatever the device's resolution.
    static Style PaperStyle(const QPaintDevice& device);

    // Draws `band` on the page whose top left corner is `page`'s.
    static void Paint(QPainter& painter, const QRectF& page, const GraphBand& band, const Style& style);
};
