#include "sound/SoundCues.h"
#include "base/ItemReader.h"
#include "base/RandomSource.h"
#include "sound/SoundPlayer.h"

const char16_t* const SoundCues::CueNames[11] = {
    u"", u"正解音1", u"正解音2", u"間違い音1", u"間違い音2", u"最高音1",
    u"最高音2", u"自己最高音1", u"自己最高音2", u"自己最高音3", u"不合格音1"};

namespace {
enum CueColumn { CorrectColumn = 2, WrongColumn = 4, PersonalBestColumn = 8, OrdinaryFinishColumn = 10 };
}

SoundTable SoundCues::LoadSoundTable(const QString& soundFolder)
{
    SoundTable table;
    for (int column = 1; column <= 10; ++column)
        table.Cell[column][0] = QString::fromUtf16(CueNames[column]);

    auto reader = ItemReader::FromFile(soundFolder + QStringLiteral("新音ファイル.txt"));
    if (!reader)
        return table;
    while (auto item = reader->Next()) {
        for (int column = 1; column <= 10; ++column) {
            if (table.Cell[column][0] != *item)
                continue;
            for (int j = 1; j <= 21; ++j) {
                // After twenty names only a closing "*" belongs to the group; anything else is left
                // for the next group.
                if (j == 21) {
                    ItemReader ahead = *reader;
                    const auto next = ahead.Next();
                    if (next && *next == u"*") {
                        reader = std::move(ahead);
                        table.Cell[column][21] = QString::number(20);
                    }
                    break;
                }
                const auto name = reader->Next();
                if (!name)
                    break;
                if (*name == u"*") {
                    table.Cell[column][21] = QString::number(j - 1);
                    break;
                }
                table.Cell[column][j] = *name;
            }
            break; // the group's items are consumed; go on with the next item
        }
    }
    return table;
}

QString SoundCues::PickFile(int column) const
{
    const SoundTable& table = Table;
    const int n = table.Cell[column][21].toInt();
    if (n <= 0 || n > 20)
        return QString();
    const double r = Random ? Random->Next() : 0.0;
    const int j = qBound(1, int(r * n + 1), n);
    if (table.Cell[column][j].isEmpty())
        return QString();
    return Folder + table.Cell[column][j] + QStringLiteral(".wav");
}

int SoundCues::PlayFile(const QString& path) const
{
    if (path.isEmpty() || !Player)
        return 0;
    return Player->Play(path);
}

void SoundCues::PlayCounted(int column)
{
    const int code = PlayFile(PickFile(column));
    if (code == 0) {
        Failures = 0;
        return;
    }
    if (Failures < 3) {
        ++Failures;
        return;
    }
    const QString text = QStringLiteral("音声がでません。先生を呼びなさい。\r\n") + Player->ErrorText(code);
    if (RepeatedFailure)
        RepeatedFailure(QStringLiteral("音声エラー"), text);
}

void SoundCues::Correct() { PlayCounted(CorrectColumn); }
void SoundCues::Wrong() { PlayCounted(WrongColumn); }
void SoundCues::PersonalBest() { PlayFile(PickFile(PersonalBestColumn)); }
void SoundCues::OrdinaryFinish() { PlayFile(PickFile(OrdinaryFinishColumn)); }
void SoundCues::SchoolBest() { PlayFile(Folder + QStringLiteral("最高1.wav")); }
void SoundCues::Pass() { PlayFile(Folder + QStringLiteral("合格.wav")); }
void SoundCues::Warning() { PlayFile(Folder + QStringLiteral("警告1.wav")); }
