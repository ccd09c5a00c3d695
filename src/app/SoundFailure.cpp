#include "app/SoundFailure.h"
#include "sound/SoundCues.h"
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

void SoundFailure::Install(SoundCues& cues)
{
    // One watcher per application, found again as its child rather than kept in a global.
    auto* watcher = qApp->findChild<SoundFailure*>(QString(), Qt::FindDirectChildrenOnly);
    if (!watcher) {
        watcher = new SoundFailure(qApp);
        qApp->installEventFilter(watcher);
    }
    cues.RepeatedFailure = [watcher = QPointer<SoundFailure>(watcher)](const QString& title, const QString& text) {
        Stop(title, text, watcher ? watcher->Opened : QList<QPointer<QWidget>>());
    };
}

bool SoundFailure::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() && !w->parentWidget()) {
            Opened.removeAll(w);
            Opened.removeAll(nullptr);
            Opened.append(w);
        }
    }
    return false;
}

void SoundFailure::Stop(const QString& title, const QString& text, QList<QPointer<QWidget>> screens)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("SoundFailureBox"));
    box.exec();

    QGuiApplication::setQuitOnLastWindowClosed(false);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->parentWidget() && !screens.contains(w))
            screens.prepend(w);
    for (auto it = screens.crbegin(); it != screens.crend(); ++it)
        if (QWidget* w = it->data(); w && w->isVisible())
            w->close();

    // The sound was played from inside a screen's event handler, which must not carry on with the
    // attempt, so the process ends here rather than after the event loop unwinds. No file is open
    // between operations; only the standard streams need flushing.
    std::fflush(nullptr);
    std::_Exit(1);
}
