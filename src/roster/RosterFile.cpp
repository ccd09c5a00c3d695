#include "roster/RosterFile.h"

bool RosterFile::LoadRoster() { return false; }
int RosterFile::SchoolYear() { return 0; }
int RosterFile::GradeIndex(int) { return 0; }
QString RosterFile::RowGradeText(int) { return {}; }
QString RosterFile::GradeLabel(int) { return {}; }
bool RosterFile::SelectorPasses(const QString&, int) { return false; }
