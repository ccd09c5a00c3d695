#include "setup/InstallationWriter.h"
#include "base/Cp932.h"
#include "base/FatalError.h"
#include "sound/CueWave.h"
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <unistd.h>

namespace {

QString Shown(const QString& path) { return QDir::toNativeSeparators(QDir::cleanPath(path)); }

struct Cue {
    const char* Name;
    QStringList Waves;
};

struct Wave {
    const char* File; // without ".wav"
    CueWave::Sound Sound;
};

const Wave Waves[] = {
    {"seikai1", CueWave::Sound::ChimeLow},      {"seikai2", CueWave::Sound::ChimeMid},
    {"seikai3", CueWave::Sound::ChimeHigh},     {"machigai1", CueWave::Sound::Buzz},
    {"machigai2", CueWave::Sound::Falling},     {"saikou1", CueWave::Sound::ArpeggioBright},
    {"saikou2", CueWave::Sound::ArpeggioWarm},  {"jiko1", CueWave::Sound::SparkleD},
    {"jiko2", CueWave::Sound::SparkleE},        {"jiko3", CueWave::Sound::SparkleA},
    {"owari1", CueWave::Sound::GentleChord},    {"owari2", CueWave::Sound::GentleStep},
    {"最高1", CueWave::Sound::Fanfare},         {"合格", CueWave::Sound::PassArpeggio},
    {"警告1", CueWave::Sound::Beep},
};

const Cue Cues[] = {
    {"正解音1", {"seikai1"}},
    {"正解音2", {"seikai1", "seikai2", "seikai3"}},
    {"間違い音1", {"machigai1"}},
    {"間違い音2", {"machigai1", "machigai2"}},
    {"最高音1", {"saikou1"}},
    {"最高音2", {"saikou2"}},
    {"自己最高音1", {"jiko1"}},
    {"自己最高音2", {"jiko1", "jiko2"}},
    {"自己最高音3", {"jiko3"}},
    {"不合格音1", {"owari1", "owari2"}},
};

} // namespace

void InstallationWriter::WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    const auto fail = [&](const QString& reason) {
        throw FatalError(QStringLiteral("ファイル %1 を書き込めません（%2）").arg(Shown(path), reason));
    };
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(f.errorString());
    if (f.write(bytes) != bytes.size() || !f.flush())
        fail(f.errorString());
    if (::fsync(f.handle()) != 0)
        fail(QString::fromLocal8Bit(std::strerror(errno)));
    f.close();
    if (f.error() != QFileDevice::NoError)
        fail(f.errorString());
}

void InstallationWriter::WriteText(const QString& path, const QString& text)
{
    if (Cp932::Decode(Cp932::Encode(text)) != text)
        throw FatalError(QStringLiteral("ファイル %1 に、シフトJIS（CP932）で書けない文字があります").arg(Shown(path)));
    WriteBytes(path, EncodeText(text));
}

QByteArray InstallationWriter::EncodeText(const QString& text)
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return Cp932::Encode(crlf);
}

void InstallationWriter::MakeFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        throw FatalError(QStringLiteral("フォルダ %1 を作成できません").arg(Shown(path)));
}

bool InstallationWriter::FitsQuotedItem(const QString& text)
{
    return !text.contains('"') && !text.contains('\n') && !text.contains('\r')
        && Cp932::Decode(Cp932::Encode(text)) == text;
}

QString InstallationWriter::PathFileText(const QString& dataRoot)
{
    return QStringLiteral("\"%1\",0,0,0,0,0,0,0,0,0\n").arg(dataRoot);
}

QString InstallationWriter::CommonFileText(int startMonth, const QString& schoolCode, const QString& schoolName)
{
    return QStringLiteral("%1,\"%2%3\",0,0,0,0,0,0,0,0\n").arg(startMonth).arg(schoolCode, schoolName);
}

QString InstallationWriter::StartingCriteriaText()
{
    return QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\n"
                          "150,240,150,10,1,30,0,14,1,,,\n"
                          "120,200,150,10,1.2,30,0,14,1,,,\n"
                          "90,150,150,10,1.5,30,0,14,1,,,\n");
}

QString InstallationWriter::RosterLine(int number, int refYear, const QString& name, bool hidden)
{
    return QStringLiteral("%1,%2,0,0,\"%3\",%4,\"\",\"\"\n").arg(number).arg(refYear).arg(name).arg(hidden ? 1 : 0);
}

QString InstallationWriter::TeacherRosterLine()
{
    return RosterLine(TeacherNumber, TeacherRefYear, QStringLiteral("先生"), false);
}

QString InstallationWriter::SoundAssignmentText()
{
    QString list;
    for (const Cue& c : Cues)
        list += QString::fromUtf8(c.Name) + "," + c.Waves.join(',') + ",*\n";
    return list;
}

int InstallationWriter::WriteDefaultSounds(const QString& soundFolder)
{
    WriteText(soundFolder + QStringLiteral("新音ファイル.txt"), SoundAssignmentText());
    for (const Wave& w : Waves)
        WriteBytes(soundFolder + QString::fromUtf8(w.File) + ".wav", CueWave::Encode(CueWave::Synthesise(w.Sound)));
    return int(std::size(Waves));
}
