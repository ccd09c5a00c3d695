// The score file of a data folder: the loader, the last records, and the result tables built from it.
#include "FuzzSupport.h"
#include "base/FatalError.h"
#include "records/LoadedScores.h"
#include "records/ResultEvaluation.h"
#include "records/ResultTables.h"
#include "records/ScoreFile.h"
#include "records/ScoreRecordCodec.h"
#include <memory>

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
    const ScoreFile file(DataFolder);
    FuzzSupport::WriteFile(file.Path(), FuzzSupport::Bytes(data, size));
    // Kept from run to run as the program keeps them from load to load: a load only clears what the
    // one before it filled, and making several megabytes afresh would be most of each run.
    static auto scores = std::make_unique<LoadedScores>();
    static auto results = std::make_unique<ResultTables>();
    const CriteriaTable criteria{};
    const QDateTime now(QDate(2026, 1, 15), QTime(12, 0));
    try {
        file.LoadScoreRecords(*scores);
        if (scores->LoadedCount < 0 || scores->LoadedCount > LoadedScores::Window
            || scores->LoadedCount > qint64(size / ScoreRecordCodec::Size))
            __builtin_trap();
        const auto records = file.ReadLastRecords(1000);
        if (records.size() > size / ScoreRecordCodec::Size || records.size() > 1000)
            __builtin_trap();
        ResultEvaluation::ComputeResultTables(file, criteria, now, *scores, *results);
    } catch (const FatalError&) {
    }
    return 0;
}
