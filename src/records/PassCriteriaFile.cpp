#include "records/PassCriteriaFile.h"

void PassCriteriaFile::LoadPassCriteria() {}
