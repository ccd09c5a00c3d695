#include "records/ScoreFile.h"
#include "shell/AppState.h"

QString ScoreFile::Path() { return App().DataFolder + QStringLiteral("成績累積データ.dat"); }
void ScoreFile::OpenScoreFile() {}
void ScoreFile::AppendScoreRecord() {}
void ScoreFile::Append(const ScoreRecord&) {}
void ScoreFile::LoadScoreRecords() {}
qint32 ScoreFile::RecordCount() { return 0; }
ScoreRecord ScoreFile::ReadRecord(qint32) { return {}; }
void ScoreFile::WriteRecord(qint32, const ScoreRecord&) {}
void ScoreFile::RemoveRecord(qint32) {}
