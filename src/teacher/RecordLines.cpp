#include "teacher/RecordLines.h"
