#pragma once
#include <QDate>
#include <QString>
#include <QTime>

// A complete installation with a fictional school, pupils, criteria, attempts and sounds, for trying
// the program out:
//   <folder>/zome2/ (program folder), <folder>/パスデータ.txt,
//   <folder>/data/ (data root: 共通データ.txt, 新名簿.txt, 音フォルダ/), <folder>/data/zome2/ (data folder).
class DemoInstallation {
public:
    struct Summary {
        int Pupils = 0;   // roster lines, the teacher included
        int Records = 0;  // score records
        int Waves = 0;    // wave files
    };

    static QString SchoolCode() { return QStringLiteral("12345"); }
    static constexpr int Days = 21; // attempts reach back this many days, today included

    // `folder` must be absolute. Attempts of `today` end no later than `latestToday`.
    // The same arguments always give the same files. Refuses (FatalError) when the program folder,
    // the path file or the data root already exists; when it fails half-way it removes what it made.
    static Summary Create(const QString& folder, const QDate& today, const QTime& latestToday);
};
