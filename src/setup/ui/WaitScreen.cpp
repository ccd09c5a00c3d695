#include "setup/ui/WaitScreen.h"
#include "base/ui/ScaledForm.h"
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
// The panel at 1024 × 768, in pixels, and its font size in points.
constexpr int DesignWidth = 480;
constexpr int DesignHeight = 120;
constexpr double PointSize = 24;
} // namespace

WaitScreen::WaitScreen(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("BASEFRM"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("ゾメ２"));
    ScaledForm::SetBackColour(this, QColor(240, 244, 248));

    WaitLabel = new QLabel(QStringLiteral("Just a moment, please."), this);
    WaitLabel->setObjectName(QStringLiteral("Label1"));
    WaitLabel->setAlignment(Qt::AlignCenter);
    WaitLabel->setFrameShape(QFrame::Box);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(WaitLabel);
}

void WaitScreen::ShowCentred()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const double scale = std::max(0.25, std::min(area.width() / 1024.0, area.height() / 768.0));
    const QSize size(int(std::lround(DesignWidth * scale)), int(std::lround(DesignHeight * scale)));
    QFont f = WaitLabel->font();
    f.setPixelSize(std::max(1, int(std::lround(PointSize * 96.0 / 72.0 * scale))));
    WaitLabel->setFont(f);
    setFixedSize(size);
    move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    show();
}
