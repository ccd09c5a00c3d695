#pragma once
#include <QWidget>

class QPainter;

// The full-screen picture behind the attempt end screen: a calm sky over a meadow, with a pale
// board where the lines stand so that they stay easy to read.
class AttemptEndBackground : public QWidget {
    Q_OBJECT
public:
    explicit AttemptEndBackground(QWidget* parent = nullptr);
    // Draws the picture into `area` at any size.
    static void Paint(QPainter& painter, const QRectF& area);

protected:
    void paintEvent(QPaintEvent* event) override;
};
