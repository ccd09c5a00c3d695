#include "base/ui/ScaledForm.h"
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QResizeEvent>
#include <QScreen>
#include <algorithm>
#include <cmath>


ScaledForm::ScaledForm(QWidget* parent) : QWidget(parent)
{
    resize(1024, 768);
}

void ScaledForm::Place(QWidget* widget, int left, int top, int width, int height, double pointSize)
{
    for (Placement& p : Placements) {
        if (p.Widget == widget) {
            p.Twips = QRect(left, top, width, height);
            if (pointSize > 0)
                p.PointSize = pointSize;
            Apply(p);
            return;
        }
    }
    Placements.append({widget, QRect(left, top, width, height), pointSize});
    Apply(Placements.back());
}

void ScaledForm::SetPointSize(QWidget* widget, double pointSize)
{
    for (Placement& p : Placements)
        if (p.Widget == widget) {
            p.PointSize = pointSize;
            Apply(p);
        }
}

QRect ScaledForm::ToPixels(const QRect& twips) const
{
    const double f = CurrentScale / 15.0;
    const int x = int(std::lround(twips.left() * f));
    const int y = int(std::lround(twips.top() * f));
    const int r = int(std::lround((twips.left() + twips.width()) * f));
    const int b = int(std::lround((twips.top() + twips.height()) * f));
    return QRect(x, y, std::max(1, r - x), std::max(1, b - y));
}

void ScaledForm::Apply(const Placement& p)
{
    if (!p.Widget)
        return;
    QRect r = ToPixels(p.Twips);
    // Only direct children sit on the centred design area; children of panels are relative.
    if (p.Widget->parentWidget() == this)
        r.translate(Offset);
    p.Widget->setGeometry(r);
    if (p.PointSize > 0) {
        QFont f = p.Widget->font();
        f.setPixelSize(std::max(1, int(std::lround(p.PointSize * 96.0 / 72.0 * CurrentScale))));
        p.Widget->setFont(f);
        FitText(p.Widget);
    }
}

namespace {
// The caption of `w` and the width its style leaves for it; no caption for a control whose text wraps.
bool Caption(const QWidget* w, QString* text, int* room)
{
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->wordWrap() || label->textFormat() == Qt::RichText)
            return false;
        *text = label->text();
        *room = label->contentsRect().width() - 2 * label->margin() - std::max(0, label->indent());
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const bool radio = qobject_cast<const QRadioButton*>(w) != nullptr;
        if (!radio && !qobject_cast<const QPushButton*>(w))
            return false;
        *text = button->text().remove(QLatin1Char('&'));
        *room = button->style()
                    ->subElementRect(radio ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents, &option, button)
                    .width();
    } else {
        return false;
    }
    return !text->isEmpty() && !text->contains(QLatin1Char('\n'));
}
} // namespace

void ScaledForm::FitText(QWidget* widget)
{
    QString text;
    int room = 0;
    if (!Caption(widget, &text, &room) || room <= 0)
        return;
    QFont f = widget->font();
    int size = f.pixelSize();
    if (size <= 0)
        return;
    while (size > 1 && QFontMetrics(f).horizontalAdvance(text) > room) {
        f.setPixelSize(--size);
    }
    if (f.pixelSize() != widget->font().pixelSize())
        widget->setFont(f);
}

void ScaledForm::resizeEvent(QResizeEvent* event)
{
    const QSize s = event->size();
    CurrentScale = std::min(s.width() / 1024.0, s.height() / 768.0);
    if (CurrentScale <= 0)
        CurrentScale = 1.0;
    Offset = QPoint(int((s.width() - 1024.0 * CurrentScale) / 2), int((s.height() - 768.0 * CurrentScale) / 2));
    for (const Placement& p : Placements)
        Apply(p);
    QWidget::resizeEvent(event);
}

QString ScaledForm::IndexedName(const char* control, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(control)).arg(index);
}

QLabel* ScaledForm::NewLabel(QWidget* parent, const QString& name, const QString& text, Qt::Alignment align)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(align);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

QPushButton* ScaledForm::NewButton(QWidget* parent, const QString& name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QListView* ScaledForm::NewList(QWidget* parent, const QString& name, QAbstractItemModel* model)
{
    auto* list = new QListView(parent);
    list->setObjectName(name);
    list->setModel(model);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setUniformItemSizes(true);
    return list;
}

QFont ScaledForm::FixedFont()
{
    QFont fixed(QStringLiteral("IPAGothic"));
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    return fixed;
}

void ScaledForm::SetBackColour(QWidget* widget, const QColor& colour)
{
    if (!colour.isValid())
        return;
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

void ScaledForm::ShowScreen()
{
    if (Windowed) {
        resize(1024, 768);
        show();
    } else {
        // In a kiosk session without a window manager nobody answers the request for full screen:
        // the window takes the whole screen's geometry itself. A window manager overrides it.
        if (QScreen* whole = screen() ? screen() : QGuiApplication::primaryScreen())
            setGeometry(whole->geometry());
        showFullScreen();
    }
}
