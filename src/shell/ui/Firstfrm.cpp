#include "shell/ui/Firstfrm.h"
#include "shell/AppState.h"
#include "shell/Clock.h"
#include "shell/Configuration.h"
#include "shell/StartupInfo.h"
#include "shell/ui/ScreenFlow.h"
#include "shell/ui/SplashPicture.h"
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

Firstfrm::Firstfrm(QWidget* parent) : ScaledForm(parent)
{
    setObjectName(QStringLiteral("Firstfrm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ゾメ２"));
    SetBackColour(this, QColor(240, 244, 248));

    Picture1 = new SplashPicture(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Place(Picture1, 1680, 1200, 12000, 7200);

    Label1 = new QLabel(QStringLiteral("Just a moment, please."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Place(Label1, 1680, 8760, 12000, 900, 20);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);
    Place(Label2, 1680, 9840, 12000, 720, 16);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &Firstfrm::Timer1_Timer);
}

void Firstfrm::Start()
{
    ShowScreen();
    QCoreApplication::processEvents();

    AppState& s = App();
    StartupInfo::SeedRandomFromClock();
    const QDate today = s.TheClock->Today();
    Label2->setText(StartupInfo::EraDateText(today));
    s.SeasonColour = StartupInfo::SeasonColour(today.month());
    s.DevelopmentLayout = StartupInfo::IsDevelopmentLayout(Configuration::ProgramFolderPath());
    Timer1->start();
}

void Firstfrm::Timer1_Timer()
{
    Timer1->stop();
    ScreenFlow::OpenNameSelection();
    close();
}
