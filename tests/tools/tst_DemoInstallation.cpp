#include "records/ScoreRecord.h"
#include "records/ScoreRecordCodec.h"
#include "base/Cp932.h"
#include "base/ItemReader.h"
#include "base/OleDate.h"
#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <sndfile.h>

// Runs the built demo generator and reads what it made back with the program's own readers.
class TestDemoInstallation : public QObject {
    Q_OBJECT

    QTemporaryDir Dir;
    QString Root;      // the demo folder, ending with "/"
    QString DataRoot;
    const QDate Today{2024, 6, 12};

    static QString Tool() { return qEnvironmentVariable("ZOME2_DEMO_BIN"); }

    struct Run {
        int ExitCode = -1;
        QString Out;
        QString Err;
    };
    Run RunTool(const QString& folder)
    {
        QProcess p;
        p.start(Tool(), {folder, "--today", Today.toString(Qt::ISODate)});
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    static QStringList Items(const QString& path)
    {
        auto reader = ItemReader::FromFile(path);
        if (!reader)
            return {};
        QStringList items;
        while (!reader->AtEnd())
            items << reader->Next().value_or(QString());
        return items;
    }

    static QStringList Lines(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = f.readAll();
        if (bytes.contains('\n') && !bytes.contains("\r\n"))
            return {"(not CR LF)"};
        return Cp932::Decode(bytes).split("\r\n", Qt::SkipEmptyParts);
    }

    static QStringList LineItems(const QString& line)
    {
        ItemReader reader(line);
        QStringList items;
        while (auto item = reader.Next())
            items << *item;
        return items;
    }

    static bool IsInteger(const QString& text)
    {
        bool ok = false;
        text.toInt(&ok);
        return ok;
    }

    static QMap<QString, QByteArray> Fingerprint(const QString& folder)
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            files[path] = f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1)
                                                      : QByteArray("dir");
        }
        return files;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(Tool()).isExecutable(), qPrintable(Tool()));
        Root = Dir.path() + "/demo/";
        DataRoot = Root + "data/";
        const Run run = RunTool(Root);
        QVERIFY2(run.ExitCode == 0, qPrintable(run.Err));
        QCOMPARE(run.Out.trimmed().count('\n'), 0);
        QVERIFY(!run.Out.trimmed().isEmpty());
        QVERIFY(QFileInfo(Root + "zome2").isDir());
    }

    void configurationFiles()
    {
        const QStringList path = Items(Root + "パスデータ.txt");
        QCOMPARE(path.size(), 10);
        QCOMPARE(path[0], DataRoot);

        const QStringList common = Items(DataRoot + "共通データ.txt");
        QCOMPARE(common.size(), 10);
        QCOMPARE(common[0], "4");
        QCOMPARE(common[1].left(5), "12345");
        QVERIFY(common[1].size() > 5);
        QCOMPARE(common[2], "0");

        const QStringList criteria = Lines(DataRoot + "zome2/タイム回数データ.txt");
        QCOMPARE(criteria.size(), 4);
        QCOMPARE(criteria[0], "目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,");
        for (int level = 1; level <= 3; ++level) {
            const QStringList row = LineItems(criteria[level]);
            QCOMPARE(row.size(), 12);
            const double target = ItemReader::LeadingNumber(row[0]), lowest = ItemReader::LeadingNumber(row[1]);
            QVERIFY2(target > 0 && target < lowest, qPrintable(criteria[level]));
            for (int i = 2; i < 9; ++i) {
                bool isNumber = false;
                ItemReader::LeadingNumber(row[i], &isNumber);
                QVERIFY2(isNumber, qPrintable(criteria[level]));
            }
        }
    }

    // Every line has eight items with numeric fields; grades run from kindergarten to junior high.
    void roster()
    {
        const QStringList lines = Lines(DataRoot + "新名簿.txt");
        QVERIFY(lines.size() >= 30);
        const int schoolYear = Today.year(); // June: after the April start
        QSet<int> grades;
        int hidden = 0;
        bool teacher = false;
        for (const QString& line : lines) {
            const QStringList items = LineItems(line);
            QCOMPARE(items.size(), 8);
            for (int i : {0, 1, 2, 3, 5})
                QVERIFY2(IsInteger(items[i]), qPrintable(line));
            QVERIFY(!items[4].isEmpty());
            if (items[4] == "先生") {
                teacher = true;
                continue;
            }
            QVERIFY(items[0].toInt() >= 1 && items[0].toInt() <= 5000);
            grades << schoolYear - items[1].toInt() - 6;
            hidden += items[5] != "0";
        }
        QVERIFY(teacher);
        QVERIFY(hidden >= 1);
        QVERIFY(grades.contains(0));
        QVERIFY(grades.contains(1));
        QVERIFY(grades.contains(6));
        QVERIFY(grades.contains(9));
    }

    void scoreRecords()
    {
        QMap<int, int> lowest; // level → lowest passing time
        const QStringList criteria = Lines(DataRoot + "zome2/タイム回数データ.txt");
        for (int level = 1; level < criteria.size(); ++level)
            lowest[level] = LineItems(criteria[level])[1].toInt();
        QSet<int> listed;
        for (const QString& line : Lines(DataRoot + "新名簿.txt")) {
            const QStringList items = LineItems(line);
            if (items[5] == "0")
                listed << items[0].toInt();
        }

        QFile f(DataRoot + "zome2/成績累積データ.dat");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size() % ScoreRecordCodec::Size, 0);
        QVERIFY(bytes.size() / ScoreRecordCodec::Size >= 200);
        const double first = OleDate::FromDate(Today.addDays(-21)), last = OleDate::FromDate(Today);
        int today = 0, timedOut = 0;
        QSet<int> pupils;
        double previous = 0;
        for (qsizetype at = 0; at < bytes.size(); at += ScoreRecordCodec::Size) {
            const ScoreRecord r = ScoreRecordCodec::Decode(bytes.constData() + at);
            const QString where = QStringLiteral("record %1").arg(at / ScoreRecordCodec::Size + 1);
            QVERIFY2(listed.contains(r.Pupil), qPrintable(where));
            QVERIFY2(r.Level >= 1 && r.Level <= 3, qPrintable(where));
            QVERIFY2(r.Date == std::floor(r.Date) && r.Date >= first && r.Date <= last, qPrintable(where));
            QVERIFY2(r.TimeOfDay >= 0 && r.TimeOfDay < 1, qPrintable(where));
            QVERIFY2(r.Date + r.TimeOfDay >= previous, qPrintable(where)); // appended in time order
            previous = r.Date + r.TimeOfDay;
            QVERIFY2(r.Seconds == 99999 || (r.Seconds > 0 && r.Seconds < 5 * lowest[r.Level]), qPrintable(where));
            QCOMPARE(r.SchoolCode, QByteArray("12345"));
            QCOMPARE(r.SpareText2, QByteArray("     "));
            QCOMPARE(r.SpareText3, QByteArray("0    "));
            today += r.Date == last;
            timedOut += r.Seconds == 99999;
            pupils << r.Pupil;
        }
        QVERIFY(today > 0);
        QVERIFY(timedOut > 0);
        QVERIFY(pupils.size() > listed.size() / 2);
    }

    void sounds()
    {
        const QString folder = DataRoot + "音フォルダ/";
        const QStringList items = Items(folder + "新音ファイル.txt");
        const QStringList cues{"正解音1", "正解音2", "間違い音1", "間違い音2", "最高音1",
                               "最高音2", "自己最高音1", "自己最高音2", "自己最高音3", "不合格音1"};
        QStringList waves{"最高1.wav", "合格.wav", "警告1.wav"};
        for (const QString& cue : cues) {
            qsizetype at = items.indexOf(cue);
            QVERIFY2(at >= 0, qPrintable(cue));
            int names = 0;
            while (++at < items.size() && items[at] != "*") {
                waves << items[at] + ".wav";
                ++names;
            }
            QVERIFY2(at < items.size() && names >= 1 && names <= 20, qPrintable(cue));
        }
        for (const QString& wave : waves) {
            SF_INFO info{};
            SNDFILE* file = sf_open(QFile::encodeName(folder + wave).constData(), SFM_READ, &info);
            QVERIFY2(file, qPrintable(wave));
            sf_close(file);
            QCOMPARE(info.samplerate, 44100);
            QCOMPARE(info.channels, 1);
            QCOMPARE(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
            QVERIFY2(info.frames >= 44100 / 5 && info.frames <= 44100 * 6 / 5, qPrintable(wave));
        }
    }

    // A second run must not touch an existing demo; a run elsewhere gives the same pupils and attempts.
    void secondRunRefusesAndRepeats()
    {
        const auto before = Fingerprint(Root);
        const Run again = RunTool(Root);
        QCOMPARE(again.ExitCode, 1);
        QVERIFY(again.Err.contains(QDir::toNativeSeparators(Root + "zome2")));
        QCOMPARE(Fingerprint(Root), before);

        const QString other = Dir.path() + "/other/";
        QCOMPARE(RunTool(other).ExitCode, 0);
        for (const QString& file : QStringList{"data/新名簿.txt", "data/zome2/成績累積データ.dat", "data/音フォルダ/新音ファイル.txt"}) {
            QFile a(Root + file), b(other + file);
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            QVERIFY2(a.readAll() == b.readAll(), qPrintable(file));
        }
    }
};

QTEST_GUILESS_MAIN(TestDemoInstallation)
#include "tst_DemoInstallation.moc"
