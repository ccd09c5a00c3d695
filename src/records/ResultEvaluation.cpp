#include "records/ResultEvaluation.h"

void ResultEvaluation::ComputeResultTables() {}
void ResultEvaluation::RecordAttempt(int) {}
qint32 ResultEvaluation::AttemptPoints(int, qint32) { return 0; }
QString ResultEvaluation::GradeMark(int) { return QStringLiteral("　"); }
bool ResultEvaluation::Passed(int, int) { return false; }
bool ResultEvaluation::Overdoing(int, int) { return false; }
