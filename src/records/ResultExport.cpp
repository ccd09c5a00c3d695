#include "records/ResultExport.h"
#include "base/FileReplacement.h"
#include "base/Limits.h"
#include "records/LoadedScores.h"
#include "records/ResultEvaluation.h"
#include "records/ResultTables.h"
#include <QDir>
#include <cstring>

namespace {
QString CsvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}
} // namespace

const char* const ResultExport::Header =
    "pupil,name,grade,level,attempts,points,judge_attempts,judge_points,ban_attempts,ban_points,"
    "today_attempts,today_points,best_seconds,school_best_seconds,passed,overdoing";

QByteArray ResultExport::Build(const LoadedScores& scores, const ResultTables& r, const CriteriaTable& criteria,
                              const std::vector<QString>& names, const std::vector<QString>& gradeLabels)
{
    QString out = QString::fromLatin1(Header) + QStringLiteral("\r\n");
    for (int pupil = 1; pupil <= Limits::MaxPupil; ++pupil) {
        for (int level = Limits::FirstLevel; level <= Limits::LastLevel; ++level) {
            const qint32 best = scores.BestSeconds(level, pupil);
            const bool any = r.AttemptCount(level, pupil) != 0 || r.TotalPoints(level, pupil) != 0
                || r.JudgeCount(level, pupil) != 0 || r.JudgePoints(level, pupil) != 0
                || r.BanWindowCount(level, pupil) != 0 || r.BanWindowPoints(level, pupil) != 0
                || r.TodayCount(level, pupil) != 0 || r.TodayPoints(level, pupil) != 0;
            if (best == Limits::NoTime && !any)
                continue;
            const QStringList fields{
                QString::number(pupil),
                CsvField(names.at(std::size_t(pupil)).trimmed()),
                CsvField(gradeLabels.at(std::size_t(pupil))),
                QString::number(level),
                QString::number(r.AttemptCount(level, pupil)),
                QString::number(r.TotalPoints(level, pupil)),
                QString::number(r.JudgeCount(level, pupil)),
                QString::number(r.JudgePoints(level, pupil)),
                QString::number(r.BanWindowCount(level, pupil)),
                QString::number(r.BanWindowPoints(level, pupil)),
                QString::number(qint64(r.TodayCount(level, pupil))),
                QString::number(r.TodayPoints(level, pupil)),
                QString::number(best),
                QString::number(scores.SchoolBestSeconds[level]),
                ResultEvaluation::Passed(criteria, r, level, pupil) ? QStringLiteral("1") : QStringLiteral("0"),
                ResultEvaluation::Overdoing(criteria, r, level, pupil) ? QStringLiteral("1") : QStringLiteral("0"),
            };
            out += fields.join(u',') + QStringLiteral("\r\n");
        }
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

QString ResultExport::Save(const QString& file, const QByteArray& bytes)
{
    // Replaced in one step, so that a full disk or a lost share leaves the previous file as it was.
    FileReplacement::Options options;
    options.PassingMark = ".";
    options.Mode = 0644;
    const FileReplacement::Result result = FileReplacement::Replace(file, bytes, options);
    if (result.Done())
        return QString();
    return QStringLiteral("成績の書き出しができません: %1（%2）")
        .arg(QDir::toNativeSeparators(file), QString::fromLocal8Bit(std::strerror(result.Error)));
}
