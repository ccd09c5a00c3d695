// The roster of a data root: the whole load, then every line on its own with both roster options.
#include "FuzzSupport.h"
#include "base/Cp932.h"
#include "roster/RosterFile.h"
#include "roster/RosterTables.h"

namespace {
QString DataRoot;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    DataRoot = FuzzSupport::MakeFolder(QStringLiteral("data/"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = FuzzSupport::Bytes(data, size);
    FuzzSupport::WriteFile(RosterFile::Path(DataRoot), bytes);
    // Reloaded like the name screen's, which keeps its tables.
    static RosterTables tables;
    if (!RosterFile::LoadRoster(DataRoot, 0, 2026, tables))
        __builtin_trap(); // the file is there
    if (tables.ListedCount < 0 || tables.ListedCount > RosterTables::MaxPupil)
        __builtin_trap();

    QString text = Cp932::Decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n');
    for (const QString& line : lines) {
        for (int option = 0; option <= 1; ++option) {
            RosterEntry entry;
            int status = 0;
            QString reason;
            if (RosterFile::ParseLine(line, option, entry, status, reason)) {
                if (entry.Number < 0 || entry.Number > RosterTables::MaxPupil)
                    __builtin_trap(); // LoadRoster indexes its tables with it
            }
        }
    }
    return 0;
}
