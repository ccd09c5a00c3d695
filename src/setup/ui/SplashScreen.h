#pragma once
#include "base/ui/ScaledForm.h"

struct Environment;
struct School;

class QLabel;
class QTimer;
class SplashPicture;

// The splash screen: the first screen of the process. It decides the season colour and the
// layout, then hands over to the name selection screen.
class SplashScreen : public ScaledForm {
    Q_OBJECT
public:
    SplashScreen(School& school, Environment& env, QWidget* parent = nullptr);
    // Shows the screen and runs the start-up steps; the hand-over follows 100 ms later.
    void Start();

signals:
    // 100 ms after the start: time to read the configuration and open the name screen.
    void HandOver();

private:
    // What this screen works with, owned by whoever shows it.
    School& TheSchool;
    Environment& Env;

    SplashPicture* Picture;
    QLabel* WaitLabel;
    QLabel* DateLabel;
    QTimer* HundredMsTimer;
};
