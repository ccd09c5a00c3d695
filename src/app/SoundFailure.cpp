#include "app/SoundFailure.h"
#include "sound/SoundCues.h"
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

SoundFailure* SoundFailure::Instance = nullptr;

void SoundFailure::Install(SoundCues& cues)
{
    if (!Instance) {
        Instance = new SoundFailure(qApp);
        qApp->installEventFilter(Instance);
    }
    cues.RepeatedFailure = [](const QString& title, const QString& text) { Stop(title, text); };
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

void SoundFailure::Stop(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("SoundFailureBox"));
    box.exec();

    QGuiApplication::setQuitOnLastWindowClosed(false);
    QList<QPointer<QWidget>> screens = Instance ? Instance->Opened : QList<QPointer<QWidget>>();
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
