#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class SoundCues;

// What the program does when the drill's sounds keep failing: it tells the pupil to call the teacher,
// closes every screen from the most recently opened to the first and ends with status 1.
class SoundFailure : public QObject {
    Q_OBJECT
public:
    // Makes `cues` stop the program on their repeated failure and from now on notes the order in
    // which screens open.
    static void Install(SoundCues& cues);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
    // Shows the message box, waits for OK, closes the screens (`screens` in the order they opened,
    // then any other) and ends the process; does not return.
    [[noreturn]] static void Stop(const QString& title, const QString& text, QList<QPointer<QWidget>> screens);
    QList<QPointer<QWidget>> Opened;  // first opened first
};
