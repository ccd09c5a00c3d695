#include "teacher/ui/FrmTimeData.h"
