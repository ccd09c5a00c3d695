#include "teacher/TimeDistribution.h"
