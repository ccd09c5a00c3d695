#include "app/LockNotice.h"
#include <QGuiApplication>
#include <QScreen>

LockNotice::LockNotice(QWidget* parent)
    : QLabel(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("LockNotice"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setMargin(16);
    setStyleSheet(QStringLiteral("background: rgb(255, 250, 220); border: 2px solid rgb(200, 150, 0);"));
    QFont f = font();
    f.setPixelSize(20);
    setFont(f);
}

void LockNotice::Waited(int seconds)
{
    if (seconds < ShownAfterSeconds) {
        hide();
        return;
    }
    setText(QStringLiteral("ほかのパソコンが成績ファイルを使っています。\n空くのを待っています（%1秒）").arg(seconds));
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    resize(520, 120);
    move(area.center().x() - width() / 2, area.top() + area.height() / 5);
    show();
    raise();
}
