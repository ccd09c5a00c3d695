#include "drill/SoundCues.h"
#include "drill/SoundPlayer.h"
#include "shell/AppState.h"
#include "shell/ItemReader.h"
#include "shell/RandomSource.h"

const char16_t* const SoundCues::CueNames[11] = {
    u"", u"正解音1", u"正解音2", u"間違い音1", u"間違い音2", u"最高音1",
    u"最高音2", u"自己最高音1", u"自己最高音2", u"自己最高音3", u"不合格音1"};

std::function<void(const QString&, const QString&)> SoundCues::SoundFailureHook;

namespace {
enum CueColumn { CorrectColumn = 2, WrongColumn = 4, PersonalBestColumn = 8, OrdinaryFinishColumn = 10 };
}

void SoundCues::LoadSoundTable()
{
    SoundTable& table = App().Sounds;
    table = SoundTable();
    for (int column = 1; column <= 10; ++column)
        table.Cell[column][0] = QString::fromUtf16(CueNames[column]);

    auto reader = ItemReader::FromFile(App().SoundFolder + QStringLiteral("新音ファイル.txt"));
    if (!reader)
        return;
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
}

QString SoundCues::PickFile(int column)
{
    const SoundTable& table = App().Sounds;
    const int n = table.Cell[column][21].toInt();
    if (n <= 0 || n > 20)
        return QString();
    const double r = App().Random ? App().Random->Next() : 0.0;
    const int j = qBound(1, int(r * n + 1), n);
    if (table.Cell[column][j].isEmpty())
        return QString();
    return App().SoundFolder + table.Cell[column][j] + QStringLiteral(".wav");
}

int SoundCues::PlayFile(const QString& path)
{
    if (path.isEmpty() || !App().Player)
        return 0;
    return App().Player->Play(path);
}

void SoundCues::PlayCounted(int column)
{
    AppState& s = App();
    const int code = PlayFile(PickFile(column));
    if (code == 0) {
        s.SoundFailures = 0;
        return;
    }
    if (s.SoundFailures < 3) {
        ++s.SoundFailures;
        return;
    }
    const QString text = QStringLiteral("音声がでません。先生を呼びなさい。\r\n") + s.Player->ErrorText(code);
    if (SoundFailureHook)
        SoundFailureHook(QStringLiteral("音声エラー"), text);
}

void SoundCues::Correct() { PlayCounted(CorrectColumn); }
void SoundCues::Wrong() { PlayCounted(WrongColumn); }
void SoundCues::PersonalBest() { PlayFile(PickFile(PersonalBestColumn)); }
void SoundCues::OrdinaryFinish() { PlayFile(PickFile(OrdinaryFinishColumn)); }
void SoundCues::SchoolBest() { PlayFile(App().SoundFolder + QStringLiteral("最高1.wav")); }
void SoundCues::Pass() { PlayFile(App().SoundFolder + QStringLiteral("合格.wav")); }
void SoundCues::Warning() { PlayFile(App().SoundFolder + QStringLiteral("警告1.wav")); }
