#pragma once

// The options of the level menu's display strip: "ﾀｲﾑ表示", "ﾎﾟｲﾝﾄ表示", "個人ﾀｲﾑ".
enum class MenuDisplay { Times, Points, TimeHistory };
