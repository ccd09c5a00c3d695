#pragma once

// What the level menu's lists show. The order panel offers three of them for the display in effect:
// the time display BestTimes, TodaysAttempts and PeriodAttempts, the points display AllTimePoints,
// TodaysPoints and PeriodAttempts; the display strip's third option is the pupil's TimeHistory.
enum class MenuView {
    BestTimes,       // every level's ranking by best time ("ベスト成績")
    TodaysAttempts,  // today's attempts ("本日の成績")
    PeriodAttempts,  // the attempts of the chosen period, times or points first
    AllTimePoints,   // every level's ranking by points, all-time points leading
    TodaysPoints,    // the same ranking with today's points leading
    TimeHistory,     // the working pupil's own attempts of ten years ("個人別ﾀｲﾑ")
};
