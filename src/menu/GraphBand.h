#pragma once
#include <QLineF>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <vector>

// What one band of the time graph shows, placed on its page: positions are in the page's units
// with the page's top left corner at 0, 0. The painter only draws what is here.
struct GraphBand {
    // Line widths, in the surface's line units (a screen pixel, a printer dot).
    enum class Pen { Separator, Axis, RecordLine };
    // Which point of its text a position names.
    enum class Anchor { TopLeft, TopCentre, BottomCentre, TopRight, BottomRight };

    struct Text {
        QString Content;
        QPointF At;
        double Size = 1;  // times the base font size
        Anchor Place = Anchor::TopLeft;
    };
    struct Dot {
        QPointF At;
        bool Record = false;  // a new personal best: red; otherwise blue
    };
    struct Line {
        QLineF At;
        Pen Width = Pen::Axis;
    };

    int Level = 0;
    int Pupil = 0;
    double Top = 0;
    qint32 YMax = 0;
    std::vector<Line> Lines;        // separators, axes, then the line through the record points
    std::vector<Dot> Dots;          // every plotted attempt, oldest first
    std::vector<QPointF> Records;   // the record points, oldest first
    std::vector<Text> Texts;        // name, title, table and labels
    QStringList TableLines;         // the table, line by line (blank lines left out)
};
