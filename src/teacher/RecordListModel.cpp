#include "teacher/RecordListModel.h"
