// The sound assignment list of a sound folder, and a pick from every column of the table it gives.
#include "FuzzSupport.h"
#include "base/RandomSource.h"
#include "sound/SoundCues.h"

namespace {
QString SoundFolder;

class HalfRandom : public RandomSource {
public:
    void Seed(quint32) override {}
    double Next() override { return 0.5; }
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SoundFolder = FuzzSupport::MakeFolder(QStringLiteral("data/音フォルダ/"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::WriteFile(SoundFolder + QStringLiteral("新音ファイル.txt"), FuzzSupport::Bytes(data, size));
    HalfRandom random;
    SoundCues cues;
    cues.Folder = SoundFolder;
    cues.Random = &random;
    cues.Table = SoundCues::LoadSoundTable(SoundFolder);
    for (int column = 0; column < 11; ++column)
        (void)cues.PickFile(column);
    return 0;
}
