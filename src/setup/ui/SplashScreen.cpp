#include "setup/ui/SplashScreen.h"
#include "base/Clock.h"
#include "setup/Configuration.h"
#include "setup/StartupInfo.h"
#include "setup/ui/SplashPicture.h"
#include "state/AppState.h"
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

SplashScreen::SplashScreen(QWidget* parent) : ScaledForm(parent)
{
    setObjectName(QStringLiteral("Firstfrm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ゾメ２"));
    SetBackColour(this, QColor(240, 244, 248));

    Picture = new SplashPicture(this);
    Picture->setObjectName(QStringLiteral("Picture1"));
    Place(Picture, 1680, 1200, 12000, 7200);

    WaitLabel = new QLabel(QStringLiteral("Just a moment, please."), this);
    WaitLabel->setObjectName(QStringLiteral("Label1"));
    WaitLabel->setAlignment(Qt::AlignCenter);
    Place(WaitLabel, 1680, 8760, 12000, 900, 20);

    DateLabel = new QLabel(this);
    DateLabel->setObjectName(QStringLiteral("Label2"));
    DateLabel->setAlignment(Qt::AlignCenter);
    Place(DateLabel, 1680, 9840, 12000, 720, 16);

    HundredMsTimer = new QTimer(this);
    HundredMsTimer->setObjectName(QStringLiteral("Timer1"));
    HundredMsTimer->setSingleShot(true);
    HundredMsTimer->setInterval(100);
    connect(HundredMsTimer, &QTimer::timeout, this, &SplashScreen::HandOver);
}

void SplashScreen::Start()
{
    ShowScreen();
    QCoreApplication::processEvents();

    AppState& s = App();
    StartupInfo::SeedRandomFromClock(*s.Random, *s.TheClock);
    const QDate today = s.TheClock->Today();
    DateLabel->setText(StartupInfo::EraDateText(today));
    s.SeasonColour = StartupInfo::SeasonColour(today.month());
    s.DevelopmentLayout = StartupInfo::IsDevelopmentLayout(Configuration::ProgramFolderPath(s.ProgramFolderOverride));
    HundredMsTimer->start();
}
