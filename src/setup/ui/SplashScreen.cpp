#include "setup/ui/SplashScreen.h"
#include "base/Clock.h"
#include "setup/Configuration.h"
#include "setup/StartupInfo.h"
#include "setup/ui/SplashPicture.h"
#include "state/School.h"
#include "state/Environment.h"
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

SplashScreen::SplashScreen(School& school, Environment& env, QWidget* parent)
    : ScaledForm(parent), TheSchool(school), Env(env)
{
    Windowed = env.Windowed;
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

    StartupInfo::SeedRandomFromClock(*Env.Random, *Env.TheClock);
    const QDate today = Env.TheClock->Today();
    DateLabel->setText(StartupInfo::EraDateText(today));
    TheSchool.SeasonColour = StartupInfo::SeasonColour(today.month());
    TheSchool.DevelopmentLayout = StartupInfo::IsDevelopmentLayout(Configuration::ProgramFolderPath(TheSchool.ProgramFolderOverride));
    HundredMsTimer->start();
}
