#pragma once
#include "sound/SoundTable.h"
#include <QString>
#include <functional>

class RandomSource;
class SoundPlayer;

// The program's sound cues. Each plays to its end before returning, through Player; without a player,
// or for a cue without an assigned file, nothing plays and nothing fails.
class SoundCues {
public:
    static const char16_t* const CueNames[11];

    // Reads "新音ファイル.txt" in `soundFolder`. A missing file leaves every cue without files.
    static SoundTable LoadSoundTable(const QString& soundFolder);

    void Correct();         // 正解音2, counted by the failure rule
    void Wrong();           // 間違い音2, counted by the failure rule
    void PersonalBest();    // 自己最高音2
    void OrdinaryFinish();  // 不合格音1
    void SchoolBest();      // 最高1.wav
    void Pass();            // 合格.wav
    void Warning();         // 警告1.wav

    // The file a table cue would play now (draws from Random); empty when it has none.
    QString PickFile(int column) const;

    SoundTable Table;
    QString Folder;                    // ends with "/"
    SoundPlayer* Player = nullptr;
    RandomSource* Random = nullptr;
    // Failures in a row of the correct and the wrong cue.
    qint16 Failures = 0;
    // Called on the fourth failure in a row, with the message box's title and text. The program
    // shows it and ends.
    std::function<void(const QString& title, const QString& text)> RepeatedFailure;

private:
    int PlayFile(const QString& path) const;
    void PlayCounted(int column);
};
