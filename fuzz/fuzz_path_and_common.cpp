// The path file and the common file of an installation. The input is the path file, or the path
// file, the separator "@COMMON@" and the common file; without the separator a valid common file is
// used. "@ROOT@" in the path file stands for the data root of the scratch installation (no trailing
// "/"), so that inputs can reach the common file and the data folder.
#include "FuzzSupport.h"
#include "base/Cp932.h"
#include "base/FatalError.h"
#include "setup/Configuration.h"

namespace {
QString ProgramFolder;
QString PathFile;
QString CommonFile;
QByteArray RootBytes;
QByteArray ValidCommonFile;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // <work>/zome2/ (program folder), <work>/パスデータ.txt, <work>/data/ (data root),
    // <work>/data/zome2/ (data folder).
    ProgramFolder = FuzzSupport::MakeFolder(QStringLiteral("zome2/"));
    PathFile = FuzzSupport::WorkFolder() + QStringLiteral("パスデータ.txt");
    const QString dataRoot = FuzzSupport::MakeFolder(QStringLiteral("data/"));
    FuzzSupport::MakeFolder(QStringLiteral("data/zome2/"));
    CommonFile = dataRoot + QStringLiteral("共通データ.txt");
    RootBytes = Cp932::Encode(dataRoot.chopped(1));
    ValidCommonFile = Cp932::Encode(QStringLiteral("4,\"12345ゾメ小学校\",0,0,0,0,0,0,0,0\r\n"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = FuzzSupport::Bytes(data, size);
    const QByteArray separator = QByteArrayLiteral("@COMMON@");
    const qsizetype at = input.indexOf(separator);
    QByteArray pathFile = at < 0 ? input : input.left(at);
    const QByteArray commonFile = at < 0 ? ValidCommonFile : input.mid(at + separator.size());
    pathFile.replace("@ROOT@", RootBytes);
    FuzzSupport::WriteFile(PathFile, pathFile);
    FuzzSupport::WriteFile(CommonFile, commonFile);
    try {
        const Installation installation = Configuration::LoadPathsAndConfiguration(ProgramFolder, false);
        if (installation.SchoolYearStartMonth < 1 || installation.SchoolYearStartMonth > 12)
            __builtin_trap();
    } catch (const FatalError&) {
    }
    return 0;
}
