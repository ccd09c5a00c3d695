// Creates a demo installation to try the program with: zome2-demo DIR [--today YYYY-MM-DD]
#include "base/FatalError.h"
#include "base/SystemClock.h"
#include "demo/DemoInstallation.h"
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QString usage = QStringLiteral("使い方: zome2-demo フォルダ [--today YYYY-MM-DD]");
    QStringList args = QCoreApplication::arguments().mid(1);

    const QDateTime now = SystemClock().Now();
    QDate today = now.date();
    QTime latest = now.time();
    const qsizetype todayAt = args.indexOf(QStringLiteral("--today"));
    if (todayAt >= 0) {
        if (todayAt + 1 >= args.size()) {
            err << usage << Qt::endl;
            return 2;
        }
        const QDate given = QDate::fromString(args[todayAt + 1], Qt::ISODate);
        if (!given.isValid()) {
            err << QStringLiteral("日付 %1 が読めません（例: 2024-05-20）").arg(args[todayAt + 1]) << Qt::endl;
            return 2;
        }
        if (given != today)
            latest = QTime(23, 59, 59); // another day: the whole school day is over
        today = given;
        args.remove(todayAt, 2);
    }
    if (args.size() != 1 || args[0].startsWith(QStringLiteral("--"))) {
        err << usage << Qt::endl;
        return 2;
    }

    const QString folder = QDir::cleanPath(QDir::current().absoluteFilePath(args[0]));
    try {
        const auto made = DemoInstallation::Create(folder, today, latest);
        QTextStream(stdout) << QStringLiteral("デモ環境を %1 に作成しました（名簿 %2 人、成績 %3 件、音声 %4 個、%5 まで）")
                                   .arg(QDir::toNativeSeparators(folder))
                                   .arg(made.Pupils)
                                   .arg(made.Records)
                                   .arg(made.Waves)
                                   .arg(today.toString(Qt::ISODate))
                            << Qt::endl;
    } catch (const FatalError& e) {
        err << e.Message << Qt::endl;
        return 1;
    }
    return 0;
}
