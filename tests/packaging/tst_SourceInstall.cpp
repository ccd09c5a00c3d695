#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// cmake --install into a prefix of the builder's choosing, as a school's administrator building from
// source does: everything under that prefix by the usual folders, and a program that starts there,
// finds its path file and works on the school it names, wherever the prefix is moved.
class TestSourceInstall : public QObject {
    Q_OBJECT

    struct Result {
        int Status = -1;
        QString Out;
    };
    static Result Run(const QString& program, const QStringList& arguments)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        p.setProcessEnvironment(env);
        p.start(program, arguments);
        Result r;
        if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit)
            r.Status = p.exitCode();
        r.Out = QString::fromUtf8(p.readAll());
        return r;
    }

    static QStringList Tree(const QString& root)
    {
        QStringList files;
        QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next().mid(root.size() + 1);
        files.sort();
        return files;
    }

private slots:
    void installsUnderThePrefix()
    {
        const QString cmake = qEnvironmentVariable("ZOME2_CMAKE");
        const QString build = qEnvironmentVariable("ZOME2_BUILD_DIR");
        if (cmake.isEmpty() || build.isEmpty())
            QSKIP("ZOME2_CMAKE and ZOME2_BUILD_DIR are not set");
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/prefix";
        const Result installed = Run(cmake, {"--install", build, "--prefix", prefix});
        QVERIFY2(installed.Status == 0, qPrintable(installed.Out));

        const QStringList expected{
            "bin/zome2",
            QStringLiteral("etc/zome2/パスデータ.txt"),
            "libexec/zome2/zome2/zome2",
            QStringLiteral("libexec/zome2/パスデータ.txt"),
            "share/applications/jp.zome2.Zome2.desktop",
            "share/doc/zome2/changelog.gz",
            "share/doc/zome2/copyright",
            "share/icons/hicolor/128x128/apps/jp.zome2.Zome2.png",
            "share/icons/hicolor/256x256/apps/jp.zome2.Zome2.png",
            "share/icons/hicolor/48x48/apps/jp.zome2.Zome2.png",
            "share/icons/hicolor/64x64/apps/jp.zome2.Zome2.png",
            "share/icons/hicolor/scalable/apps/jp.zome2.Zome2.svg",
            "share/man/man1/zome2.1.gz",
            "share/metainfo/jp.zome2.Zome2.metainfo.xml",
        };
        QCOMPARE(Tree(prefix), expected);
        // The path file is one file, linked from beside the program folder within the prefix.
        QCOMPARE(QFileInfo(prefix + QStringLiteral("/libexec/zome2/パスデータ.txt")).symLinkTarget(),
                 prefix + QStringLiteral("/etc/zome2/パスデータ.txt"));

        const QString validate = QStandardPaths::findExecutable("desktop-file-validate");
        if (validate.isEmpty())
            QFAIL("desktop-file-validate is not installed (desktop-file-utils)");
        const Result valid = Run(validate, {prefix + "/share/applications/jp.zome2.Zome2.desktop"});
        QVERIFY2(valid.Status == 0 && valid.Out.trimmed().isEmpty(), qPrintable(valid.Out));

        // Moved elsewhere as a whole, it still starts, makes a school and works on it through its
        // own path file.
        const QString moved = dir.path() + "/moved";
        QVERIFY(QDir().rename(prefix, moved));
        const QString program = moved + "/bin/zome2";
        const Result version = Run(program, {"--version"});
        QVERIFY2(version.Status == 0 && version.Out.startsWith("zome2 1."), qPrintable(version.Out));
        const QString share = dir.path() + "/share";
        const Result school = Run(program, {"--new-school", share, "--school-name", QStringLiteral("さくら小学校"),
                                            "--school-code", "12345"});
        QVERIFY2(school.Status == 0, qPrintable(school.Out));
        const Result pointed = Run(program, {"--set-data-root", share});
        QVERIFY2(pointed.Status == 0, qPrintable(pointed.Out));
        QVERIFY2(pointed.Out.contains(moved + QStringLiteral("/etc/zome2/パスデータ.txt")), qPrintable(pointed.Out));
        const Result checked = Run(program, {"--check-data-root"});
        QVERIFY2(checked.Status == 0, qPrintable(checked.Out));
        QVERIFY2(checked.Out.contains(share + "/"), qPrintable(checked.Out));
    }
};

QTEST_GUILESS_MAIN(TestSourceInstall)
#include "tst_SourceInstall.moc"
