#include "menu/ui/GraphSurface.h"
#include "base/ui/ScaledForm.h"
#include "menu/ui/GraphPainter.h"
#include <QPainter>

GraphSurface::GraphSurface(ScaledForm* form, QWidget* parent) : QWidget(parent), Form(form)
{
    setAccessibleName(QStringLiteral("グラフ"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphSurface::Clear()
{
    Shown.clear();
    Describe();
    update();
}

void GraphSurface::AddBand(GraphBand band)
{
    Shown.push_back(std::move(band));
    Describe();
    update();
}

void GraphSurface::Describe()
{
    QStringList lines;
    for (const GraphBand& band : Shown) {
        for (const GraphBand::Text& text : band.Texts)
            if (!band.TableLines.contains(text.Content))
                lines << text.Content;
        lines << band.TableLines;
    }
    setAccessibleDescription(lines.join(u'\n'));
}

void GraphSurface::PaintPage(QPainter& painter) const
{
    painter.fillRect(rect(), Qt::white);
    const GraphPainter::Style style = GraphPainter::ScreenStyle(Form->Scale());
    for (const GraphBand& band : Shown)
        GraphPainter::Paint(painter, QRectF(rect()), band, style);
}

void GraphSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintPage(painter);
}

void GraphSurface::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit Resized();
}
