// The pass-criteria file of a data folder.
#include "FuzzSupport.h"
#include "base/FatalError.h"
#include "records/PassCriteriaFile.h"

namespace {
QString DataFolder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    DataFolder = FuzzSupport::MakeFolder(QStringLiteral("data/zome2/"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::WriteFile(PassCriteriaFile::Path(DataFolder), FuzzSupport::Bytes(data, size));
    // As few levels as a menu can offer, and all of them.
    for (const int requiredLevels : {1, Limits::LastLevel}) {
        CriteriaTable table{};
        try {
            PassCriteriaFile::LoadPassCriteria(DataFolder, table, requiredLevels);
        } catch (const FatalError&) {
        }
    }
    return 0;
}
