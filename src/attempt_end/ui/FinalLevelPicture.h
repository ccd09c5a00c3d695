#pragma once
#include <QLabel>

class QPainter;

// The panel that celebrates clearing the final level: its text on a golden card with stars.
class FinalLevelPicture : public QLabel {
    Q_OBJECT
public:
    explicit FinalLevelPicture(const QString& text, QWidget* parent = nullptr);
    // Draws the card (without the text) into `area`.
    static void PaintCard(QPainter& painter, const QRectF& area);

protected:
    void paintEvent(QPaintEvent* event) override;
};
