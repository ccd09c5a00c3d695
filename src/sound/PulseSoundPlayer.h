#pragma once
#include "sound/SoundPlayer.h"
#include <QString>
#include <memory>

struct pa_simple;
class QTemporaryDir;

// Plays wave files through the PulseAudio server of the session and waits until each has been heard.
// The connection is kept for the next sound of the same rate and channel count; a connection the server
// has dropped is replaced on the next play. The player never starts a sound server of its own.
class PulseSoundPlayer : public SoundPlayer {
public:
    enum ErrorCode {
        FileUnreadable = 1,     // missing, unreadable or not a sound file
        ServerUnavailable = 2,  // no sound server to connect to, or it refused the stream
        PlaybackFailed = 3,     // the server took the stream but writing or draining failed
    };

    PulseSoundPlayer();
    ~PulseSoundPlayer() override;
    PulseSoundPlayer(const PulseSoundPlayer&) = delete;
    PulseSoundPlayer& operator=(const PulseSoundPlayer&) = delete;

    int Play(const QString& wavePath) override;
    // The text of the last failure with that code, the library's own message included.
    QString ErrorText(int code) const override;

private:
    int Connect(int rate, int channels);
    void Disconnect();
    int Send(const QByteArray& pcm);
    QString ClientConfigPath();

    pa_simple* Connection = nullptr;
    int ConnectedRate = 0;
    int ConnectedChannels = 0;
    QString FileError;
    QString ServerError;
    QString PlaybackError;
    std::unique_ptr<QTemporaryDir> ConfigDir;  // made on the first connection
    QString ConfigPath;                        // empty when it could not be written
};
