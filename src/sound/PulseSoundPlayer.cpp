#include "sound/PulseSoundPlayer.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <pulse/error.h>
#include <pulse/simple.h>
#include <sndfile.h>
#include <vector>

namespace {
QString PulseText(int error) { return QString::fromLocal8Bit(pa_strerror(error)); }

// Sets an environment variable for one scope and puts back what was there.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value) : Name(name), Had(qEnvironmentVariableIsSet(name))
    {
        if (Had)
            Old = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedVariable()
    {
        if (Had)
            qputenv(Name, Old);
        else
            qunsetenv(Name);
    }

private:
    const char* Name;
    bool Had;
    QByteArray Old;
};
} // namespace

PulseSoundPlayer::PulseSoundPlayer() = default;

PulseSoundPlayer::~PulseSoundPlayer() { Disconnect(); }

int PulseSoundPlayer::Play(const QString& wavePath)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(wavePath).constData(), SFM_READ, &info);
    if (!file) {
        FileError = QStringLiteral("音声ファイル %1 を読めません（%2）")
                        .arg(QDir::toNativeSeparators(wavePath), QString::fromLocal8Bit(sf_strerror(nullptr)));
        return FileUnreadable;
    }
    // libsndfile converts any sample format to 16-bit on reading; frames come interleaved.
    // Cue sounds last seconds; a file of minutes is not one and is not loaded whole.
    constexpr sf_count_t MaxSamples = sf_count_t(32) * 1024 * 1024;
    if (info.channels <= 0 || info.frames < 0 || info.frames > MaxSamples / qMax(1, info.channels)) {
        sf_close(file);
        FileError = QStringLiteral("音声ファイル %1 は効果音として長すぎるか形式が正しくありません")
                        .arg(QDir::toNativeSeparators(wavePath));
        return FileUnreadable;
    }
    QByteArray pcm;
    bool readFailed = false;
    {
        pcm.resize(qsizetype(info.frames) * info.channels * qsizetype(sizeof(short)));
        const sf_count_t got = sf_readf_short(file, reinterpret_cast<short*>(pcm.data()), info.frames);
        readFailed = got < 0;
        if (!readFailed)
            pcm.truncate(qsizetype(got) * info.channels * qsizetype(sizeof(short)));
    }
    const QString libraryText = QString::fromLocal8Bit(sf_strerror(file));
    sf_close(file);
    if (readFailed) {
        FileError = QStringLiteral("音声ファイル %1 を読めません（%2）")
                        .arg(QDir::toNativeSeparators(wavePath), libraryText);
        return FileUnreadable;
    }

    // A kept connection may have been dropped by a server that went away or restarted: one fresh try.
    const bool reused = Connection && ConnectedRate == info.samplerate && ConnectedChannels == info.channels;
    if (!reused) {
        if (const int code = Connect(info.samplerate, info.channels))
            return code;
    }
    int code = Send(pcm);
    if (code != 0 && reused) {
        code = Connect(info.samplerate, info.channels);
        if (code == 0)
            code = Send(pcm);
    }
    return code;
}

int PulseSoundPlayer::Connect(int rate, int channels)
{
    Disconnect();
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_S16NE;
    spec.rate = quint32(rate);
    spec.channels = quint8(qBound(0, channels, 255));
    if (!pa_sample_spec_valid(&spec) || channels > int(PA_CHANNELS_MAX)) {
        ServerError = QStringLiteral("この音声の形式（%1 Hz、%2 チャンネル）は再生できません").arg(rate).arg(channels);
        return ServerUnavailable;
    }
    int error = 0;
    {
        // pa_simple cannot ask for "no autospawn" itself; a client configuration that says so can.
        const QString config = ClientConfigPath();
        std::unique_ptr<ScopedVariable> configVariable;
        if (!config.isEmpty())
            configVariable = std::make_unique<ScopedVariable>("PULSE_CLIENTCONFIG", QFile::encodeName(config));
        Connection = pa_simple_new(nullptr, "ゾメ２", PA_STREAM_PLAYBACK, nullptr, "効果音", &spec, nullptr,
                                   nullptr, &error);
    }
    if (!Connection) {
        ServerError = QStringLiteral("音声サーバーにつながりません（%1）").arg(PulseText(error));
        return ServerUnavailable;
    }
    ConnectedRate = rate;
    ConnectedChannels = channels;
    return 0;
}

void PulseSoundPlayer::Disconnect()
{
    if (Connection)
        pa_simple_free(Connection);
    Connection = nullptr;
    ConnectedRate = ConnectedChannels = 0;
}

int PulseSoundPlayer::Send(const QByteArray& pcm)
{
    int error = 0;
    if ((!pcm.isEmpty() && pa_simple_write(Connection, pcm.constData(), size_t(pcm.size()), &error) < 0)
        || pa_simple_drain(Connection, &error) < 0) {
        PlaybackError = QStringLiteral("音声を再生できません（%1）").arg(PulseText(error));
        Disconnect();
        return PlaybackFailed;
    }
    return 0;
}

// The session's client configuration (the one named by PULSE_CLIENTCONFIG, else the system's and the
// user's files) followed by "autospawn = no". Without it libpulse would start a daemon of its own when
// no server runs.
QString PulseSoundPlayer::ClientConfigPath()
{
    if (ConfigDir)
        return ConfigPath;
    ConfigDir = std::make_unique<QTemporaryDir>();
    if (!ConfigDir->isValid())
        return ConfigPath;

    QStringList includes;
    const QString own = qEnvironmentVariable("PULSE_CLIENTCONFIG");
    if (!own.isEmpty()) {
        includes << own;
    } else {
        includes << QStringLiteral("/etc/pulse/client.conf");
        const QStringList dropIns = QDir(QStringLiteral("/etc/pulse/client.conf.d"))
                                        .entryList({QStringLiteral("*.conf")}, QDir::Files, QDir::Name);
        for (const QString& name : dropIns)
            includes << QStringLiteral("/etc/pulse/client.conf.d/") + name;
        const QString configHome = qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")
                                       ? QDir::homePath() + QStringLiteral("/.config")
                                       : qEnvironmentVariable("XDG_CONFIG_HOME");
        includes << configHome + QStringLiteral("/pulse/client.conf")
                 << QDir::homePath() + QStringLiteral("/.pulse/client.conf");
    }
    QByteArray text;
    for (const QString& path : includes)
        if (QFileInfo(path).isFile() && QFileInfo(path).isReadable())
            text += ".include " + QFile::encodeName(path) + "\n";
    text += "autospawn = no\n";

    const QString path = ConfigDir->filePath(QStringLiteral("client.conf"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.flush())
        ConfigPath = path;
    return ConfigPath;
}

QString PulseSoundPlayer::ErrorText(int code) const
{
    switch (code) {
    case 0:
        return QString();
    case FileUnreadable:
        return FileError;
    case ServerUnavailable:
        return ServerError;
    case PlaybackFailed:
        return PlaybackError;
    }
    return QStringLiteral("音声の再生に失敗しました（コード %1）").arg(code);
}
