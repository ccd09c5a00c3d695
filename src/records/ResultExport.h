#pragma once
#include "records/PassCriteria.h"
#include <QByteArray>
#include <QString>
#include <vector>

struct LoadedScores;
struct ResultTables;

// The result tables as a file for a spreadsheet (--export-results FILE): UTF-8 with a byte-order
// mark, CR LF, RFC 4180 quoting, one row per pupil and level with any result.
class ResultExport {
public:
    static const char* const Header;
    // The file's bytes; `names` and `gradeLabels` are indexed by pupil number (0–5000).
    static QByteArray Build(const LoadedScores& scores, const ResultTables& results, const CriteriaTable& criteria,
                            const std::vector<QString>& names, const std::vector<QString>& gradeLabels);
    // Puts `bytes` in place of `file` in one step (FileReplacement). Returns an empty text, or the
    // message that says why not.
    static QString Save(const QString& file, const QByteArray& bytes);
};
