#include "base/ui/ScaledMessageBoxes.h"
#include "base/ui/ScaledForm.h"
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <algorithm>

namespace {
// The scale of the form a box belongs to; of the largest form shown when it belongs to none.
double ScaleFor(const QWidget* box)
{
    if (const QWidget* parent = box->parentWidget())
        if (const auto* form = qobject_cast<const ScaledForm*>(parent->window()))
            return form->Scale();
    double scale = 1.0;
    for (const QWidget* top : QApplication::topLevelWidgets())
        if (const auto* form = qobject_cast<const ScaledForm*>(top); form && form->isVisible())
            scale = std::max(scale, form->Scale());
    return scale;
}
} // namespace

bool ScaledMessageBoxes::eventFilter(QObject* watched, QEvent* event)
{
    // Before the box is laid out for the first time.
    if (event->type() == QEvent::Polish)
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            const double scale = ScaleFor(box);
            if (scale > 1.0) {
                QFont font = QApplication::font(box);
                font.setPointSizeF(font.pointSizeF() * scale);
                box->setFont(font);
            }
        }
    return QObject::eventFilter(watched, event);
}
