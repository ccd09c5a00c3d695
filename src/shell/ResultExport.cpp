#include "shell/ResultExport.h"
#include "records/ResultEvaluation.h"
#include "roster/RosterFile.h"
#include "shell/AppState.h"
#include "shell/Configuration.h"
#include "shell/FatalError.h"
#include <QFile>
#include <QSaveFile>
#include <QTextStream>
#include <cstdio>

namespace {
QString CsvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

void PrintError(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}
} // namespace

const char* const ResultExport::Header =
    "pupil,name,grade,level,attempts,points,judge_attempts,judge_points,ban_attempts,ban_points,"
    "today_attempts,today_points,best_seconds,school_best_seconds,passed,overdoing";

QByteArray ResultExport::Build()
{
    const AppState& s = App();
    const ResultTables& r = s.Results;
    QString out = QString::fromLatin1(Header) + QStringLiteral("\r\n");
    for (int pupil = 1; pupil <= 5000; ++pupil) {
        for (int level = 1; level <= 35; ++level) {
            const qint32 best = s.Scores.BestSeconds(level, pupil);
            const bool any = r.AttemptCount(level, pupil) != 0 || r.TotalPoints(level, pupil) != 0
                || r.JudgeCount(level, pupil) != 0 || r.JudgePoints(level, pupil) != 0
                || r.BanWindowCount(level, pupil) != 0 || r.BanWindowPoints(level, pupil) != 0
                || r.TodayCount(level, pupil) != 0 || r.TodayPoints(level, pupil) != 0;
            if (best == 99999 && !any)
                continue;
            const QStringList fields{
                QString::number(pupil),
                CsvField(s.Roster.PupilName[pupil].trimmed()),
                CsvField(s.Roster.PupilGradeLabel[pupil]),
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
                QString::number(s.Scores.SchoolBestSeconds[level]),
                ResultEvaluation::Passed(level, pupil) ? QStringLiteral("1") : QStringLiteral("0"),
                ResultEvaluation::Overdoing(level, pupil) ? QStringLiteral("1") : QStringLiteral("0"),
            };
            out += fields.join(u',') + QStringLiteral("\r\n");
        }
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

int ResultExport::Write(const QString& file)
{
    try {
        Configuration::LoadPathsAndConfiguration();
        if (!RosterFile::LoadRoster())
            PrintError(QStringLiteral("名簿ファイルがありません（名前は空欄で出力します）: ") + App().DataRoot
                       + QStringLiteral("新名簿.txt"));
        ResultEvaluation::ComputeResultTables();
    } catch (const FatalError& e) {
        PrintError(e.Message);
        return 1;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(Build()) < 0 || !out.commit()) {
        PrintError(QStringLiteral("成績の書き出しができません: ") + file + QStringLiteral(" (")
                   + out.errorString() + QStringLiteral(")"));
        return 2;
    }
    return 0;
}
