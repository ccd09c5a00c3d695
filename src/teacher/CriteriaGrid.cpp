#include "teacher/CriteriaGrid.h"
