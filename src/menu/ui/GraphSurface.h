#pragma once
#include "menu/GraphBand.h"
#include <QWidget>
#include <vector>

class ScaledForm;

// The graph's drawing surface on the screen: shows the bands of one page. What the bands say is
// also its accessible description, for a screen reader.
class GraphSurface : public QWidget {
    Q_OBJECT
public:
    GraphSurface(ScaledForm* form, QWidget* parent);

    // Starts an empty page.
    void Clear();
    void AddBand(GraphBand band);
    const std::vector<GraphBand>& Bands() const { return Shown; }
    // Paints the page as it would appear, for a picture of it.
    void PaintPage(QPainter& painter) const;

signals:
    // The page has a new size: its bands must be placed again.
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Describe();
    ScaledForm* Form;
    std::vector<GraphBand> Shown;
};
