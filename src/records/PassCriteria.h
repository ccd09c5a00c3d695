#pragma once
#include "base/Limits.h"
#include "records/CriteriaValue.h"
#include <QtGlobal>
#include <array>

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

// Rows 0–35 by level; row 0 is the file's header row.
using CriteriaTable = std::array<PassCriteria, Limits::LevelSlots>;
