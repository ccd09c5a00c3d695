#pragma once
#include "sound/SoundPlayer.h"
#include <QList>
#include <QStringList>

// Remembers every file it was asked to play; answers with the scripted result codes in turn
// (0 when the script has run out).
class RecordingPlayer : public SoundPlayer {
public:
    int Play(const QString& wavePath) override
    {
        Played << wavePath;
        return Results.isEmpty() ? 0 : Results.takeFirst();
    }
    QString ErrorText(int code) const override { return QStringLiteral("error %1").arg(code); }

    QStringList Played;
    QList<int> Results;
};
