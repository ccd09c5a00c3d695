#pragma once

// The periods the level menu's period selector offers, in its order; ResultLists::PeriodDays
// takes them by their number.
enum class ListPeriod { ThisWeek = 1, SinceLastWeek, Month, Year, TenYears };
