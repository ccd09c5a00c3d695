#pragma once
#include <QtGlobal>

// The ranges every table and file of the program shares.
namespace Limits {
// Level slots 0–35; levels 1–35 carry attempts, slot 0 is the criteria file's header row.
inline constexpr int LevelSlots = 36;
inline constexpr int FirstLevel = 1;
inline constexpr int LastLevel = LevelSlots - 1;
// Pupil numbers 0–5000; 0 belongs to nobody.
inline constexpr int MaxPupil = 5000;
inline constexpr int PupilSlots = MaxPupil + 1;
// A recorded time of NoTime is an attempt that ran out of time; in a best-time table it means
// no attempt yet.
inline constexpr qint32 NoTime = 99999;
// A recorded time above this is a failed attempt: it earns no points.
inline constexpr qint32 FailedAbove = 99997;
// Only attempts under this many seconds are counted.
inline constexpr qint32 CountedBelow = 6000;

inline constexpr bool IsLevelSlot(int level) { return level >= 0 && level < LevelSlots; }
inline constexpr bool IsLevel(int level) { return level >= FirstLevel && level <= LastLevel; }
inline constexpr bool IsPupilSlot(int pupil) { return pupil >= 0 && pupil <= MaxPupil; }
} // namespace Limits
