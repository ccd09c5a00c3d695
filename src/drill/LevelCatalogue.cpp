#include "drill/LevelCatalogue.h"

void LevelCatalogue::Build()
{
    static const char16_t* const kNames[25] = {
        u"",
        u"レベル１", u"レベル２", u"レベル３", u"レベル４", u"レベル２－１", u"レベル２－２",
        u"レベル３練習", u"レベル３－１", u"レベル３－２", u"レベル４練習", u"レベル４－1",
        u"レベル４－２", u"レベル５練習", u"レベル５－１", u"レベル５－２", u"レベル６練習",
        u"レベル６－１", u"レベル６－２", u"レベル７練習", u"レベル７－1", u"レベル７－２",
        u"レベル８練習", u"レベル８－１", u"レベル８－２"};
    LevelCount = 3;
    FinalLevel = LevelCount;
    for (int slot = 1; slot <= 24; ++slot) {
        LevelName[slot] = QString::fromUtf16(kNames[slot]);
        LevelInUse[slot] = true;
    }
    for (int slot = 1; slot <= 12; ++slot)
        if (LevelName[slot].isEmpty())
            LevelName[slot] = QStringLiteral("ﾚﾍﾞﾙ") + QString::number(slot);
}

bool LevelCatalogue::IsPractice(int level) const
{
    return Limits::IsLevelSlot(level) && LevelName[std::size_t(level)].contains(u'練');
}
