#pragma once
#include <QString>
#include <functional>

// The program's sound cues. Each plays to its end before returning, through App().Player;
// without a player, or for a cue without an assigned file, nothing plays and nothing fails.
class SoundCues {
public:
    // Reads "新音ファイル.txt" in the sound folder into App().Sounds. A missing file leaves every
    // cue without files.
    static void LoadSoundTable();
    static void Correct();         // 正解音2, counted by the failure rule
    static void Wrong();           // 間違い音2, counted by the failure rule
    static void PersonalBest();    // 自己最高音2
    static void OrdinaryFinish();  // 不合格音1
    static void SchoolBest();      // 最高1.wav
    static void Pass();            // 合格.wav
    static void Warning();         // 警告1.wav

    static const char16_t* const CueNames[11];
    // The file a table cue would play now (draws from App().Random); empty when it has none.
    static QString PickFile(int column);

    // Called on the fourth failure in a row of the correct or wrong cue, with the message box's title
    // and text. The screens install the handler that shows it and ends the program.
    static std::function<void(const QString& title, const QString& text)> SoundFailureHook;

private:
    static int PlayFile(const QString& path);
    static void PlayCounted(int column);
};
