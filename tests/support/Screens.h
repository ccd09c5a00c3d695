#pragma once
#include <QApplication>
#include <QList>
#include <QPointer>
#include <QWidget>

// Closes and deletes every screen a test left open. Popups and dialogs are top-level windows too
// but belong to a screen, so only parentless windows are deleted.
inline void DeleteAllScreens()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    QList<QPointer<QWidget>> screens;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!w->parentWidget())
            screens << w;
    for (const QPointer<QWidget>& w : screens)
        delete w.data();
}

// The visible top-level windows of type T, in the order Qt lists them.
template <class T> QList<T*> Visible()
{
    QList<T*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            found << t;
    return found;
}
