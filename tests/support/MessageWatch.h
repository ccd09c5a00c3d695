#pragma once
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// Plays the pupil who reads each message box and presses OK: every box that becomes the active
// modal window is noted and closed.
class MessageWatch : public QObject {
public:
    MessageWatch()
    {
        connect(&Poll, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Texts << box->text();
                box->done(QMessageBox::Ok);
            }
        });
        Poll.start(10);
    }
    QStringList Texts;

private:
    QTimer Poll;
};
