#include "sound/PulseSoundPlayer.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <cmath>
#include <memory>
#include <sndfile.h>

namespace {
// A PulseAudio server of the test's own, with one null sink whose monitor can be recorded.
class PulseServer {
public:
    explicit PulseServer(const QString& folder) : Folder(folder) {}
    ~PulseServer() { Stop(); }

    QString Socket() const { return Folder + QStringLiteral("/native"); }
    QString ServerAddress() const { return QStringLiteral("unix:") + Socket(); }

    // Empty when the server runs and answers; otherwise what went wrong.
    QString Start()
    {
        QDir().mkpath(Folder + QStringLiteral("/home"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), Folder + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Folder + QStringLiteral("/home/.config"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Folder);
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), Folder);
        env.remove(QStringLiteral("PULSE_SERVER"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        Server.setProcessEnvironment(env);
        Server.setProcessChannelMode(QProcess::MergedChannels);
        Server.setStandardOutputFile(Folder + QStringLiteral("/server.log"));
        // -n: no default script, only the two modules below. Run as root it only warns.
        Server.start(QStringLiteral("pulseaudio"),
            {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--system=false"),
             QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--disallow-exit"),
             QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-target=stderr"),
             QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=zome2test"),
             QStringLiteral("-L"),
             QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + Socket()});
        if (!Server.waitForStarted(10000))
            return QStringLiteral("pulseaudio を起動できません（%1）。pulseaudio パッケージが入っていますか。")
                .arg(Server.errorString());
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 15000) {
            if (Server.state() == QProcess::NotRunning)
                break;
            QProcess info;
            info.setProcessEnvironment(ClientEnvironment());
            info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
            if (info.waitForFinished(5000) && info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0)
                return QString();
            QThread::msleep(100);
        }
        QFile log(Folder + QStringLiteral("/server.log"));
        log.open(QIODevice::ReadOnly);
        return QStringLiteral("pulseaudio が応答しません。ログ:\n") + QString::fromLocal8Bit(log.readAll());
    }
    void Stop()
    {
        if (Server.state() == QProcess::NotRunning)
            return;
        Server.terminate();
        if (!Server.waitForFinished(10000)) {
            Server.kill();
            Server.waitForFinished(5000);
        }
    }
    QProcessEnvironment ClientEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SERVER"), ServerAddress());
        return env;
    }

private:
    QString Folder;
    QProcess Server;
};

constexpr int RecordRate = 44100;

// Records the null sink's monitor, mono 16-bit, into a file (a pipe could fill while Play blocks).
class MonitorRecorder {
public:
    MonitorRecorder(const PulseServer& server, const QString& file) : File(file)
    {
        Recorder.setProcessEnvironment(server.ClientEnvironment());
        Recorder.setStandardOutputFile(file);
        Recorder.start(QStringLiteral("parec"),
            {QStringLiteral("-d"), QStringLiteral("zome2test.monitor"), QStringLiteral("--raw"),
             QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(RecordRate),
             QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
    }
    // True once the monitor delivers data (silence at first).
    bool WaitUntilRecording()
    {
        if (!Recorder.waitForStarted(10000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000 && Recorder.state() == QProcess::Running) {
            if (QFileInfo(File).size() > 4096)
                return true;
            QThread::msleep(20);
        }
        return false;
    }
    std::vector<qint16> Stop()
    {
        QThread::msleep(400);  // let the tail of the sound reach the file
        Recorder.terminate();
        if (!Recorder.waitForFinished(10000)) {
            Recorder.kill();
            Recorder.waitForFinished(5000);
        }
        QFile f(File);
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        std::vector<qint16> samples(size_t(bytes.size()) / 2);
        memcpy(samples.data(), bytes.constData(), samples.size() * 2);
        return samples;
    }

private:
    QString File;
    QProcess Recorder;
};

// A 660 Hz tone at half scale, written by libsndfile in the given format.
bool WriteTone(const QString& path, int format, int rate, int channels, double seconds)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | format;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    const int frames = int(seconds * rate);
    std::vector<double> data(size_t(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            data[size_t(i) * channels + c] = 0.5 * std::sin(2 * M_PI * 660.0 * i / rate);
    const bool ok = sf_writef_double(f, data.data(), frames) == frames;
    return sf_close(f) == 0 && ok;
}

struct Loudness {
    int Peak = 0;
    double SoundSeconds = 0;  // time covered by 10 ms blocks clearly above silence
};
Loudness Measure(const std::vector<qint16>& samples)
{
    Loudness l;
    const size_t block = RecordRate / 100;
    for (size_t at = 0; at + block <= samples.size(); at += block) {
        double sum = 0;
        for (size_t i = at; i < at + block; ++i) {
            l.Peak = std::max(l.Peak, std::abs(int(samples[i])));
            sum += double(samples[i]) * samples[i];
        }
        if (std::sqrt(sum / block) > 2000)
            l.SoundSeconds += 0.01;
    }
    return l;
}
} // namespace

class TestPulseSoundPlayer : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        Folder = std::make_unique<QTemporaryDir>();
        QVERIFY(Folder->isValid());
        HadServerVariable = qEnvironmentVariableIsSet("PULSE_SERVER");
        OldServerVariable = qgetenv("PULSE_SERVER");
    }
    void cleanup()
    {
        if (HadServerVariable)
            qputenv("PULSE_SERVER", OldServerVariable);
        else
            qunsetenv("PULSE_SERVER");
        Folder.reset();
    }

    // Every PCM format is heard whole, twice on the same connection, and Play returns only afterwards.
    void playsToTheEnd_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::newRow("16-bit mono 44100 Hz") << int(SF_FORMAT_PCM_16) << 44100 << 1;
        QTest::newRow("24-bit stereo 48000 Hz") << int(SF_FORMAT_PCM_24) << 48000 << 2;
        QTest::newRow("8-bit mono 22050 Hz") << int(SF_FORMAT_PCM_U8) << 22050 << 1;
        QTest::newRow("32-bit stereo 11025 Hz") << int(SF_FORMAT_PCM_32) << 11025 << 2;
    }
    void playsToTheEnd()
    {
        QFETCH(int, format);
        QFETCH(int, rate);
        QFETCH(int, channels);
        constexpr double Seconds = 0.6;
        const QString wave = Folder->filePath(QStringLiteral("正解.wav"));
        QVERIFY(WriteTone(wave, format, rate, channels, Seconds));
        PulseServer server(Folder->filePath(QStringLiteral("pulse")));
        const QString startError = server.Start();
        QVERIFY2(startError.isEmpty(), qPrintable(startError));
        qputenv("PULSE_SERVER", server.ServerAddress().toLocal8Bit());

        MonitorRecorder recorder(server, Folder->filePath(QStringLiteral("monitor.raw")));
        QVERIFY2(recorder.WaitUntilRecording(), "parec records nothing from the null sink's monitor");
        PulseSoundPlayer player;
        for (int round = 1; round <= 2; ++round) {
            QElapsedTimer took;
            took.start();
            const int code = player.Play(wave);
            const qint64 ms = took.elapsed();
            QVERIFY2(code == 0, qPrintable(player.ErrorText(code)));
            QVERIFY2(ms >= qint64(Seconds * 1000) - 5, qPrintable(QStringLiteral("round %1 returned after %2 ms").arg(round).arg(ms)));
        }
        const Loudness heard = Measure(recorder.Stop());

        QVERIFY2(heard.Peak > 8000, qPrintable(QStringLiteral("peak %1").arg(heard.Peak)));
        QVERIFY2(heard.SoundSeconds >= 2 * Seconds * 0.9,
                 qPrintable(QStringLiteral("heard %1 s of %2 s").arg(heard.SoundSeconds).arg(2 * Seconds)));
    }

    // A server that went away fails the play; once one runs again, the next play reconnects.
    void survivesTheServerGoingAway()
    {
        const QString wave = Folder->filePath(QStringLiteral("a.wav"));
        QVERIFY(WriteTone(wave, SF_FORMAT_PCM_16, 44100, 1, 0.2));
        const QString serverFolder = Folder->filePath(QStringLiteral("pulse"));
        PulseSoundPlayer player;
        {
            PulseServer first(serverFolder);
            const QString startError = first.Start();
            QVERIFY2(startError.isEmpty(), qPrintable(startError));
            qputenv("PULSE_SERVER", first.ServerAddress().toLocal8Bit());
            const int code = player.Play(wave);
            QVERIFY2(code == 0, qPrintable(player.ErrorText(code)));
        }
        const int code = player.Play(wave);
        QCOMPARE(code, int(PulseSoundPlayer::ServerUnavailable));
        QVERIFY2(player.ErrorText(code).startsWith(QStringLiteral("音声サーバーにつながりません（")),
                 qPrintable(player.ErrorText(code)));

        PulseServer second(serverFolder);
        const QString startError = second.Start();
        QVERIFY2(startError.isEmpty(), qPrintable(startError));
        MonitorRecorder recorder(second, Folder->filePath(QStringLiteral("monitor.raw")));
        QVERIFY(recorder.WaitUntilRecording());
        const int again = player.Play(wave);
        QVERIFY2(again == 0, qPrintable(player.ErrorText(again)));
        QVERIFY(Measure(recorder.Stop()).Peak > 8000);
    }

    // Without a server the play fails at once with the library's reason, and starts no server.
    void noServer()
    {
        const QString wave = Folder->filePath(QStringLiteral("a.wav"));
        QVERIFY(WriteTone(wave, SF_FORMAT_PCM_16, 44100, 1, 0.2));
        qputenv("PULSE_SERVER", ("unix:" + Folder->filePath(QStringLiteral("none/native"))).toLocal8Bit());
        PulseSoundPlayer player;
        for (int i = 0; i < 2; ++i) {
            const int code = player.Play(wave);
            QCOMPARE(code, int(PulseSoundPlayer::ServerUnavailable));
            QCOMPARE(player.ErrorText(code), QStringLiteral("音声サーバーにつながりません（Connection refused）"));
        }
        QVERIFY(!QFile::exists(Folder->filePath(QStringLiteral("none"))));
    }

    // The file is read before any server is asked, so these fail the same with or without one.
    void unreadableFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");  // empty: no such file
        QTest::addColumn<QString>("libraryText");
        QTest::newRow("missing") << QStringLiteral("無い.wav") << QByteArray()
                                 << QStringLiteral("No such file or directory");
        QTest::newRow("not a sound") << QStringLiteral("文字.wav") << QByteArray("RIFF----WAVEnot really\r\n")
                                     << QString();
        QTest::newRow("text") << QStringLiteral("メモ.wav") << QByteArray("正解音2,a,*\r\n") << QString();
    }
    void unreadableFile()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, libraryText);
        const QString path = Folder->filePath(name);
        if (!content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        qputenv("PULSE_SERVER", ("unix:" + Folder->filePath(QStringLiteral("none/native"))).toLocal8Bit());
        PulseSoundPlayer player;
        const int code = player.Play(path);
        QCOMPARE(code, int(PulseSoundPlayer::FileUnreadable));
        const QString text = player.ErrorText(code);
        QVERIFY2(text.startsWith(QStringLiteral("音声ファイル %1 を読めません（").arg(QDir::toNativeSeparators(path)))
                     && text.endsWith(QStringLiteral("）")) && text.contains(libraryText),
                 qPrintable(text));
        QVERIFY(player.ErrorText(PulseSoundPlayer::ServerUnavailable).isEmpty());
    }

private:
    std::unique_ptr<QTemporaryDir> Folder;
    bool HadServerVariable = false;
    QByteArray OldServerVariable;
};

QTEST_GUILESS_MAIN(TestPulseSoundPlayer)
#include "tst_PulseSoundPlayer.moc"
