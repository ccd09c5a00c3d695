#pragma once
#include "records/CriteriaValue.h"
#include <QtGlobal>

// One level's row of the pass-criteria table, in file order.
struct PassCriteria {
    qint32 TargetTime = 0;   // seconds: the pass-standard time
    qint32 LowestTime = 0;   // seconds: the lowest passing line; five times it is the time limit
    qint32 ClearPoints = 0;
    qint16 ClearCount = 0;
    float PointRate = 0;
    CriteriaValue BanCount;
    CriteriaValue BanPoints;
    CriteriaValue JudgeDays;
    CriteriaValue BanDays;
    CriteriaValue Extra10;
    CriteriaValue Extra11;
    CriteriaValue Extra12;
};
