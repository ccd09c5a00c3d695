#pragma once
#include "base/ui/ScaledForm.h"

class QLabel;
class QTimer;
class SplashPicture;

// The splash screen: the first screen of the process. It decides the season colour and the
// layout, then hands over to the name selection screen.
class SplashScreen : public ScaledForm {
    Q_OBJECT
public:
    explicit SplashScreen(QWidget* parent = nullptr);
    // Shows the screen and runs the start-up steps; the hand-over follows 100 ms later.
    void Start();

signals:
    // 100 ms after the start: time to read the configuration and open the name screen.
    void HandOver();

private:
    SplashPicture* Picture;
    QLabel* WaitLabel;
    QLabel* DateLabel;
    QTimer* HundredMsTimer;
};
