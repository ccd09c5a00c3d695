#include "base/FileReplacement.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <sys/stat.h>

namespace {
QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

int ModeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QStringList Names(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}
} // namespace

// A file put in place of another in one step, and what a failed step leaves.
class TestFileReplacement : public QObject {
    Q_OBJECT
private slots:
    void replacesAndKeepsTheOldMode()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("タイム回数データ.txt"));
        Write(path, "old contents, longer than the new");
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);

        const FileReplacement::Result result = FileReplacement::Replace(path, "new");
        QVERIFY(result.Done());
        QVERIFY(result.Replaced());
        QCOMPARE(Contents(path), QByteArray("new"));
        QCOMPARE(ModeOf(path), 0640);
        QCOMPARE(Names(dir.path()), QStringList{QStringLiteral("タイム回数データ.txt")});
    }

    void modeOfANewFile_data()
    {
        QTest::addColumn<int>("umask");
        QTest::addColumn<int>("mode"); // -1: none given
        QTest::addColumn<int>("made");
        QTest::newRow("as a plain create would") << 027 << -1 << 0640;
        QTest::newRow("as given") << 022 << 0600 << 0600;
        QTest::newRow("as given, whatever the umask") << 077 << 0644 << 0644;
    }
    void modeOfANewFile()
    {
        QFETCH(int, umask);
        QFETCH(int, mode);
        QFETCH(int, made);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("new.txt"));
        FileReplacement::Options options;
        if (mode >= 0)
            options.Mode = mode_t(mode);
        const mode_t before = ::umask(mode_t(umask));
        const FileReplacement::Result result = FileReplacement::Replace(path, "bytes", options);
        ::umask(before);
        QVERIFY(result.Done());
        QCOMPARE(ModeOf(path), made);
    }

    void failedStepLeavesNothingBeside_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("error");
        QTest::newRow("no such folder") << QStringLiteral("gone/file.txt") << int(FileReplacement::Step::Create) << ENOENT;
        QTest::newRow("a folder under the name") << QStringLiteral("folder") << int(FileReplacement::Step::Rename) << EISDIR;
    }
    void failedStepLeavesNothingBeside()
    {
        QFETCH(QString, name);
        QFETCH(int, step);
        QFETCH(int, error);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        Write(dir.filePath(QStringLiteral("folder/inside.txt")), "stays");

        const FileReplacement::Result result = FileReplacement::Replace(dir.filePath(name), "new");
        QVERIFY(!result.Done());
        QVERIFY(!result.Replaced());
        QCOMPARE(int(result.FailedAt), step);
        QCOMPARE(result.Error, error);
        QCOMPARE(Names(dir.path()), QStringList{QStringLiteral("folder")});
        QCOMPARE(Contents(dir.filePath(QStringLiteral("folder/inside.txt"))), QByteArray("stays"));
    }

    void writeBesideLeavesTheNameAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ_20261210-180000.bak"));
        QByteArray passing;
        FileReplacement::Options options;
        options.Mode = 0644;
        const FileReplacement::Result result = FileReplacement::WriteBeside(path, "content", options, passing);
        QVERIFY(result.Done());
        QVERIFY(!QFile::exists(path));
        const QString passingPath = QFile::decodeName(passing);
        QVERIFY2(passingPath.startsWith(path + QStringLiteral(".new-")), qPrintable(passingPath));
        QCOMPARE(Contents(passingPath), QByteArray("content"));
        QCOMPARE(ModeOf(passingPath), 0644);
    }
};

QTEST_GUILESS_MAIN(TestFileReplacement)
#include "tst_FileReplacement.moc"
