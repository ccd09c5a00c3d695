#pragma once
#include <QLabel>

// Tells the pupil, after three seconds, that another PC is using the score file and the program is
// waiting for it, with the seconds waited; it goes away by itself when the file comes free.
class LockNotice : public QLabel {
    Q_OBJECT
public:
    static constexpr int ShownAfterSeconds = 3;
    explicit LockNotice(QWidget* parent = nullptr);
    // The seconds waited so far; 0 when the wait is over.
    void Waited(int seconds);
};
