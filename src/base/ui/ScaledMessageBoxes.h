#pragma once
#include <QObject>

// Gives the program's message boxes the scale of the screens they stand over: in full screen on a
// large screen the forms are drawn larger than at 1024 × 768, and a box in the desktop's small
// default font could not be read from a pupil's seat. Installed on the application.
class ScaledMessageBoxes : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
