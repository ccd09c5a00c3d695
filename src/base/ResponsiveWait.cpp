#include "base/ResponsiveWait.h"
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

void ResponsiveWait(int ms)
{
    if (QCoreApplication::instance()) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    } else {
        QThread::msleep(ms);
    }
}
