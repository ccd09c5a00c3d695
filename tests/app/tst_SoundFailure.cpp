#include "sound/PulseSoundPlayer.h"
#include "sound/SoundCues.h"
#include "app/SoundFailure.h"
#include "sound/CueWave.h"
#include "setup/InstallationWriter.h"
#include "support/TestInstallation.h"
#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <cstring>

namespace {
const char ChildArgument[] = "--sound-failure-child";

void Say(const QString& line)
{
    QString escaped = line;
    escaped.replace(QStringLiteral("\r"), QStringLiteral("\\r")).replace(QStringLiteral("\n"), QStringLiteral("\\n"));
    std::fputs((escaped + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// A screen that reports being closed.
class Screen : public QWidget {
public:
    explicit Screen(const QString& name) { setObjectName(name); }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        Say(QStringLiteral("closed ") + objectName());
        QWidget::closeEvent(event);
    }
};

// The program as it runs: the real player with no server behind it, the real hook, three open screens
// and the correct cue played until the program ends. A timer plays the pupil who presses OK.
int RunChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    SoundCues cues;
    cues.Folder = qEnvironmentVariable("ZOME2_TEST_SOUND_FOLDER");
    cues.Table = SoundCues::LoadSoundTable(cues.Folder);
    PulseSoundPlayer player;
    cues.Player = &player;
    SoundFailure::Install(cues);
    for (const char* name : {"first", "second", "third"}) {
        auto* screen = new Screen(QString::fromLatin1(name));
        screen->setAttribute(Qt::WA_DeleteOnClose);
        screen->show();
    }

    QTimer pupil;
    QObject::connect(&pupil, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible())
                continue;
            Say(QStringLiteral("box|%1|%2|%3").arg(box->windowTitle(), box->text()).arg(box->buttons().size()));
            box->button(QMessageBox::Ok)->click();
        }
    });
    pupil.start(50);
    QTimer::singleShot(0, [&cues] {
        for (int i = 1; i <= 4; ++i) {
            Say(QStringLiteral("play %1").arg(i));
            cues.Correct();
            Say(QStringLiteral("after %1: %2 failures").arg(i).arg(cues.Failures));
        }
        QCoreApplication::exit(0);
    });
    return app.exec();
}
} // namespace

class TestSoundFailure : public QObject {
    Q_OBJECT
private slots:
    // Three failures pass silently; the fourth shows the message, closes the screens newest first
    // and ends the program with status 1 before the drill goes on.
    void fourthFailureEndsTheProgram()
    {
        TestInstallation inst;
        InstallationWriter::WriteBytes(inst.SoundFolder + QStringLiteral("seikai.wav"),
                                       CueWave::Encode(CueWave::Synthesise(CueWave::Sound::ChimeMid)));
        TestInstallation::WriteText(inst.SoundFolder + QStringLiteral("新音ファイル.txt"),
                                    QStringLiteral("正解音2,seikai,*\n"));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZOME2_TEST_SOUND_FOLDER"), inst.SoundFolder);
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + inst.Root + QStringLiteral("no-server/native"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(ChildArgument)});
        QVERIFY(child.waitForStarted());
        if (!child.waitForFinished(60000)) {
            child.kill();
            child.waitForFinished();
            QFAIL(qPrintable(QStringLiteral("the program did not end; it printed:\n")
                             + QString::fromUtf8(child.readAllStandardOutput())));
        }
        const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        const QStringList expected = {
            QStringLiteral("play 1"), QStringLiteral("after 1: 1 failures"),
            QStringLiteral("play 2"), QStringLiteral("after 2: 2 failures"),
            QStringLiteral("play 3"), QStringLiteral("after 3: 3 failures"),
            QStringLiteral("play 4"),
            QStringLiteral("box|音声エラー|音声がでません。先生を呼びなさい。\\r\\n音声サーバーにつながりません（Connection refused）|1"),
            QStringLiteral("closed third"), QStringLiteral("closed second"), QStringLiteral("closed first"),
        };
        QCOMPARE(lines, expected);
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 1);
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], ChildArgument) == 0)
        return RunChild(argc, argv);
    QApplication app(argc, argv);
    TestSoundFailure test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_SoundFailure.moc"
