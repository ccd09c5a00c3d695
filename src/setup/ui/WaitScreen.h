#pragma once
#include <QWidget>

class QLabel;

// The small wait screen shown while one screen hands over to the next. It sits in the middle of the
// screen, so that what the screen behind it shows meanwhile (the drill's "時間切れ" or "成績記録中")
// stays in view.
class WaitScreen : public QWidget {
    Q_OBJECT
public:
    explicit WaitScreen(QWidget* parent = nullptr);
    // Shows the panel centred on the primary screen, scaled as the screens are (1024 × 768 design).
    void ShowCentred();

private:
    QLabel* WaitLabel;
};
