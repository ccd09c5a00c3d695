#pragma once
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// Plays the pupil who reads each message box and presses OK: every box that becomes the active
// modal window is noted and closed. Given a file, it also answers a file dialog with that file.
class MessageWatch : public QObject {
public:
    explicit MessageWatch(const QString& saveAs = QString())
    {
        connect(&Poll, &QTimer::timeout, this, [this, saveAs] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && !saveAs.isEmpty()) {
                dialog->selectFile(saveAs);
                QMetaObject::invokeMethod(dialog, "accept");
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
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
