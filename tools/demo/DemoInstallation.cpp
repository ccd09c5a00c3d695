#include "demo/DemoInstallation.h"
#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include "base/Cp932.h"
#include "setup/InstallationWriter.h"
#include "base/FatalError.h"
#include "base/OleDate.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <random>

namespace {

const QString ProgramFolderName = QStringLiteral("zome2");
constexpr int LevelCount = 3;
constexpr int TargetTime[LevelCount + 1] = {0, 150, 120, 90};
constexpr int LowestTime[LevelCount + 1] = {0, 240, 200, 150};
constexpr int TimedOut = 99999;

struct DemoPupil {
    const char* Name;
    int Grade; // grade index this school year: 0 kindergarten, 1–6 primary, 7–9 junior high
    bool Hidden;
};

// Fictional pupils, numbered from 1 in this order.
const DemoPupil Pupils[] = {
    {"小林　ひなた", 0, false}, {"加藤　そうた", 0, false},
    {"吉田　ゆい", 1, false}, {"山口　はると", 1, false},
    {"松本　さくら", 2, false}, {"井上　れん", 2, false},
    {"木村　結衣", 3, false}, {"林　大和", 3, false}, {"斎藤　美咲", 3, false},
    {"清水　陽翔", 4, false}, {"山崎　葵", 4, false}, {"森　悠真", 4, true}, {"池田　芽依", 4, false},
    {"橋本　蒼", 4, false},
    {"阿部　陽菜", 5, false}, {"石川　湊", 5, false}, {"前田　凛", 5, false}, {"藤田　蓮", 5, false},
    {"小川　結菜", 5, false}, {"後藤　樹", 5, false}, {"岡田　杏", 5, false},
    {"長谷川　颯太", 6, false}, {"村上　心春", 6, false}, {"近藤　大翔", 6, false}, {"石井　莉子", 6, false},
    {"坂本　悠斗", 6, false}, {"遠藤　美桜", 6, true}, {"青木　律", 6, false},
    {"藤井　七海", 7, false}, {"西村　健太", 7, false}, {"福田　彩花", 7, false}, {"太田　拓海", 7, false},
    {"三浦　真央", 7, false},
    {"岡本　翔", 8, false}, {"松田　優奈", 8, false}, {"中川　隼人", 8, false}, {"中野　愛莉", 8, false},
    {"原田　大輝", 9, false}, {"小野　千尋", 9, false}, {"田村　直人", 9, false},
};
// The same numbers on every machine and library (the standard distributions are not portable).
class Draw {
public:
    double Fraction() { return Engine() / 4294967296.0; }
    int Below(int n) { return int(Fraction() * n); }

private:
    std::mt19937 Engine{20240401u};
};

// Removes what a failed run made, so that a second try starts clean.
class Undo {
public:
    ~Undo()
    {
        if (Kept)
            return;
        for (auto it = Paths.crbegin(); it != Paths.crend(); ++it) {
            if (QFileInfo(*it).isDir())
                QDir(*it).removeRecursively();
            else
                QFile::remove(*it);
        }
    }
    QStringList Paths;
    bool Kept = false;
};

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString RosterText(int schoolYear)
{
    QString text;
    int number = 0;
    for (const DemoPupil& p : Pupils) {
        ++number;
        text += InstallationWriter::RosterLine(number, schoolYear - 6 - p.Grade, QString::fromUtf8(p.Name), p.Hidden);
    }
    text += InstallationWriter::TeacherRosterLine();
    return text;
}

// A pupil working through the levels: slow at first, faster with practice, moving up a level once
// the target time is beaten after enough attempts.
struct Learner {
    int Number;
    double Skill; // 1 = exactly the target time after long practice ÷ 0.8
    int Reached = 1;
    int Practised[LevelCount + 1] = {};
};

std::vector<ScoreRecord> Attempts(const QDate& today, const QTime& latestToday, Draw& draw)
{
    std::vector<Learner> learners;
    int number = 0;
    for (const DemoPupil& p : Pupils) {
        ++number;
        if (p.Hidden || p.Grade < 3)
            continue;
        Learner l{number, (1.3 - 0.05 * p.Grade) * (0.85 + 0.3 * draw.Fraction())};
        if (p.Grade >= 7 || (p.Grade == 6 && draw.Below(2) == 0)) {
            l.Reached = 2; // practised level 1 before the period shown
            l.Practised[1] = 20;
        }
        learners.push_back(l);
    }

    const QByteArray code = Cp932::EncodeFixed(DemoInstallation::SchoolCode(), 5);
    std::vector<ScoreRecord> records;
    for (int back = DemoInstallation::Days - 1; back >= 0; --back) {
        const QDate day = today.addDays(-back);
        const bool isToday = back == 0;
        if (!isToday && day.dayOfWeek() >= 6)
            continue;
        int windowStart = QTime(8, 40).msecsSinceStartOfDay() / 1000;
        int windowEnd = QTime(15, 30).msecsSinceStartOfDay() / 1000;
        if (isToday) {
            windowEnd = std::min(windowEnd, latestToday.msecsSinceStartOfDay() / 1000);
            if (windowEnd - windowStart < 1800)
                windowStart = std::max(0, windowEnd - 3600);
        }
        for (Learner& l : learners) {
            if (draw.Fraction() >= (isToday ? 0.7 : 0.85))
                continue; // absent, or not at the computer that day
            const int attempts = 1 + draw.Below(4);
            int clock = windowStart + draw.Below(std::max(1, windowEnd - windowStart - attempts * 240));
            for (int a = 0; a < attempts; ++a) {
                int level = l.Reached;
                if (level > 1 && draw.Fraction() < 0.2)
                    level = 1 + draw.Below(level - 1); // going back over an easier level
                const int practised = l.Practised[level];
                const double pace = l.Skill * (0.8 + 0.7 * std::exp(-practised / 8.0)) * (0.9 + 0.22 * draw.Fraction());
                int seconds = std::max(25, int(std::lround(TargetTime[level] * pace)));
                const int limit = 5 * LowestTime[level];
                const bool timedOut = seconds >= limit || draw.Fraction() < 0.02;
                clock += (timedOut ? limit : seconds) + 15 + draw.Below(60);
                if (clock > windowEnd)
                    break;
                if (timedOut) {
                    seconds = TimedOut;
                } else {
                    ++l.Practised[level];
                    if (level == l.Reached && level < LevelCount && practised >= 8 && seconds <= TargetTime[level])
                        ++l.Reached;
                }
                ScoreRecord r;
                r.Date = OleDate::FromDate(day);
                r.TimeOfDay = OleDate::FromTime(QTime::fromMSecsSinceStartOfDay(clock * 1000));
                r.Pupil = qint16(l.Number);
                r.Level = qint16(level);
                r.Seconds = seconds;
                r.SchoolCode = code;
                records.push_back(r);
            }
        }
    }
    std::stable_sort(records.begin(), records.end(), [](const ScoreRecord& a, const ScoreRecord& b) {
        return a.Date != b.Date ? a.Date < b.Date : a.TimeOfDay < b.TimeOfDay;
    });
    return records;
}

} // namespace

DemoInstallation::Summary DemoInstallation::Create(const QString& folder, const QDate& today, const QTime& latestToday)
{
    if (!QDir::isAbsolutePath(folder))
        throw FatalError(QStringLiteral("フォルダ %1 は絶対パスではありません").arg(Shown(folder)));
    if (!today.isValid() || !latestToday.isValid())
        throw FatalError(QStringLiteral("今日の日付が正しくありません"));
    QString root = QDir::cleanPath(folder);
    if (!root.endsWith('/'))
        root += '/';
    const QString programFolder = root + ProgramFolderName + "/";
    const QString pathFile = root + QStringLiteral("パスデータ.txt");
    const QString dataRoot = root + QStringLiteral("data/");
    const QString dataFolder = dataRoot + ProgramFolderName + "/";
    const QString soundFolder = dataRoot + QStringLiteral("音フォルダ/");

    for (const QString& p : {programFolder, pathFile, dataRoot})
        if (QFileInfo::exists(p))
            throw FatalError(QStringLiteral("%1 は既にあります。上書きしないため、デモ環境は作成しませんでした。")
                                 .arg(Shown(QDir::cleanPath(p))));
    // The data root goes into the path file, which only holds CP932 text.
    if (dataRoot.contains('"') || Cp932::Decode(Cp932::Encode(dataRoot)) != dataRoot)
        throw FatalError(QStringLiteral("フォルダ名 %1 にはパスデータ.txt に書けない文字があります").arg(Shown(dataRoot)));

    Undo undo;
    if (!QFileInfo::exists(root)) {
        InstallationWriter::MakeFolder(root);
        undo.Paths << root;
    }
    undo.Paths << dataRoot;
    InstallationWriter::MakeFolder(dataFolder);
    InstallationWriter::MakeFolder(soundFolder);

    const int schoolYear = today.month() < 4 ? today.year() - 1 : today.year();
    Summary summary;
    summary.Pupils = int(std::size(Pupils)) + 1;
    InstallationWriter::WriteText(dataRoot + QStringLiteral("共通データ.txt"),
                                  InstallationWriter::CommonFileText(4, SchoolCode(), QStringLiteral("さくら小学校")));
    InstallationWriter::WriteText(dataRoot + QStringLiteral("新名簿.txt"), RosterText(schoolYear));
    InstallationWriter::WriteText(dataFolder + QStringLiteral("タイム回数データ.txt"),
                                  InstallationWriter::StartingCriteriaText());

    Draw draw;
    QByteArray scores;
    const std::vector<ScoreRecord> records = Attempts(today, latestToday, draw);
    for (const ScoreRecord& r : records)
        scores += ScoreRecordCodec::Encode(r);
    InstallationWriter::WriteBytes(dataFolder + QStringLiteral("成績累積データ.dat"), scores);
    summary.Records = int(records.size());

    summary.Waves = InstallationWriter::WriteDefaultSounds(soundFolder);

    undo.Paths << pathFile;
    InstallationWriter::WriteText(pathFile, InstallationWriter::PathFileText(dataRoot));

    // The program folder last: its presence is what marks a finished demo.
    undo.Paths << programFolder;
    InstallationWriter::MakeFolder(programFolder);
    InstallationWriter::WriteText(programFolder + QStringLiteral("README.txt"),
                                  QStringLiteral("これはゾメ２のデモ用のプログラムフォルダです。\n"
                                                 "名簿・成績・音はすべて架空のもので、../data/ にあります。\n"
                                                 "デモ環境全体（一つ上のフォルダ）を消すと、次の ./run で作り直されます。\n"));
    undo.Kept = true;
    return summary;
}
