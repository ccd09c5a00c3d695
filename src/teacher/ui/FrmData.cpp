#include "teacher/ui/FrmData.h"
