#include "setup/MountTable.h"
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(MountTable::LockSharing)

// Which mount holds the data folder, read from lines as the kernel writes them, and whether that
// mount carries the score file's locks to the other PCs.
class TestMountTable : public QObject {
    Q_OBJECT

    // The machine's own mounts under every case: the root and a local /home.
    static QByteArray Base()
    {
        return "21 27 0:20 / /proc rw,relatime - proc proc rw\n"
               "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw,discard\n"
               "30 27 0:27 / /home rw,relatime shared:5 - ext4 /dev/vdb rw\n";
    }

private slots:
    void verdictOfTheHoldingMount_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mountPoint");
        QTest::addColumn<QString>("type");
        QTest::addColumn<MountTable::LockSharing>("locks");
        QTest::addColumn<QStringList>("shownOptions");
        using L = MountTable::LockSharing;
        const QByteArray cifs = "95 27 0:45 / /srv/zome2 rw,relatime shared:50 - cifs //server/zome2 "
                                "rw,vers=3.0,cache=strict,username=teacher,uid=0,noforceuid,soft,nounix,serverino,"
                                "mapposix,rsize=4194304,wsize=4194304,actimeo=1";
        QTest::newRow("CIFS") << Base() + cifs + "\n" << "/srv/zome2/zome2" << "/srv/zome2" << "cifs" << L::Carried
                              << QStringList{"rw", "vers=3.0"};
        QTest::newRow("CIFS with nobrl") << Base() + cifs + ",nobrl\n" << "/srv/zome2/zome2" << "/srv/zome2" << "cifs"
                                         << L::NotCarried << QStringList{"rw", "vers=3.0", "nobrl"};
        QTest::newRow("NFS 4.2")
            << Base() + "96 27 0:46 / /srv/zome2 rw,relatime shared:51 - nfs4 server:/export/zome2 rw,vers=4.2,"
                        "rsize=1048576,wsize=1048576,namlen=255,hard,proto=tcp,timeo=600,retrans=2,sec=sys,"
                        "clientaddr=192.168.1.20,local_lock=none,addr=192.168.1.10\n"
            << "/srv/zome2/zome2" << "/srv/zome2" << "nfs4" << L::Carried
            << QStringList{"rw", "vers=4.2", "local_lock=none"};
        QTest::newRow("NFS 3")
            << Base() + "96 27 0:46 / /srv/zome2 rw,relatime - nfs server:/export rw,vers=3,hard,proto=tcp,"
                        "mountvers=3,mountport=20048,local_lock=none,addr=192.168.1.10\n"
            << "/srv/zome2/zome2" << "/srv/zome2" << "nfs" << L::Carried << QStringList{"rw", "vers=3", "local_lock=none"};
        QTest::newRow("NFS with nolock")
            << Base() + "96 27 0:46 / /srv/zome2 rw,relatime - nfs server:/export rw,vers=3,nolock,proto=tcp,"
                        "local_lock=all,addr=192.168.1.10\n"
            << "/srv/zome2/zome2" << "/srv/zome2" << "nfs" << L::NotCarried
            << QStringList{"rw", "vers=3", "nolock", "local_lock=all"};
        QTest::newRow("NFS 4 with local_lock=all")
            << Base() + "96 27 0:46 / /srv/zome2 rw,relatime - nfs4 server:/export rw,vers=4.1,local_lock=all\n"
            << "/srv/zome2/zome2" << "/srv/zome2" << "nfs4" << L::NotCarried << QStringList{"rw", "vers=4.1", "local_lock=all"};
        QTest::newRow("NFS with local_lock=posix")
            << Base() + "96 27 0:46 / /srv/zome2 rw,relatime - nfs server:/export rw,vers=3,local_lock=posix\n"
            << "/srv/zome2/zome2" << "/srv/zome2" << "nfs" << L::NotCarried << QStringList{"rw", "vers=3", "local_lock=posix"};
        QTest::newRow("NFS with local_lock=flock") // flock() only; fcntl locks still reach the server
            << Base() + "96 27 0:46 / /srv/zome2 rw,relatime - nfs server:/export rw,vers=3,local_lock=flock\n"
            << "/srv/zome2/zome2" << "/srv/zome2" << "nfs" << L::Carried << QStringList{"rw", "vers=3", "local_lock=flock"};
        QTest::newRow("sshfs")
            << Base() + "97 27 0:47 / /srv/zome2 rw,nosuid,nodev,relatime shared:52 - fuse.sshfs teacher@server:/zome2 "
                        "rw,user_id=0,group_id=0\n"
            << "/srv/zome2/zome2" << "/srv/zome2" << "fuse.sshfs" << L::NotCarried << QStringList{"rw"};
        QTest::newRow("ext4") << Base() << "/home/school/zome2" << "/home" << "ext4" << L::Carried << QStringList{"rw"};
        QTest::newRow("tmpfs")
            << Base() + "40 27 0:50 / /tmp rw,nosuid,nodev shared:20 - tmpfs tmpfs rw,size=1024k\n"
            << "/tmp/zome2" << "/tmp" << "tmpfs" << L::Carried << QStringList{"rw"};
        QTest::newRow("bind mount of a local folder")
            << Base() + "98 27 254:0 /srv/share /mnt/zome2 ro,relatime shared:1 - ext4 /dev/vda rw\n"
            << "/mnt/zome2/zome2" << "/mnt/zome2" << "ext4" << L::Carried << QStringList{"ro"};
        QTest::newRow("blank in the mount point")
            << Base() + "99 27 0:48 / /mnt/school\\040share rw,relatime - cifs //server/share rw,vers=3.0,nobrl\n"
            << "/mnt/school share/zome2" << "/mnt/school share" << "cifs" << L::NotCarried
            << QStringList{"rw", "vers=3.0", "nobrl"};
        QTest::newRow("unknown file system")
            << Base() + "99 27 0:48 / /srv/zome2 rw,relatime - 9p share rw,trans=virtio\n"
            << "/srv/zome2/zome2" << "/srv/zome2" << "9p" << L::Unknown << QStringList{"rw"};
        const QByteArray nested = Base() + "60 27 0:60 / /srv rw - cifs //server/all rw,vers=3.0,nobrl\n"
                                           "61 60 0:61 / /srv/zome2 rw - nfs4 server:/zome2 rw,vers=4.2\n";
        QTest::newRow("nested: the innermost holds it") << nested << "/srv/zome2/zome2" << "/srv/zome2" << "nfs4"
                                                        << L::Carried << QStringList{"rw", "vers=4.2"};
        QTest::newRow("nested: beside the inner one") << nested << "/srv/other" << "/srv" << "cifs" << L::NotCarried
                                                      << QStringList{"rw", "vers=3.0", "nobrl"};
        QTest::newRow("nested: a longer name is not a folder of it")
            << nested << "/srv/zome2x/zome2" << "/srv" << "cifs" << L::NotCarried << QStringList{"rw", "vers=3.0", "nobrl"};
        QTest::newRow("the mount point itself") << nested << "/srv/zome2" << "/srv/zome2" << "nfs4" << L::Carried
                                                << QStringList{"rw", "vers=4.2"};
        QTest::newRow("mounted over: the later one covers")
            << nested + "62 61 0:62 / /srv/zome2 rw - fuse.rclone remote: rw\n" << "/srv/zome2/zome2" << "/srv/zome2"
            << "fuse.rclone" << L::NotCarried << QStringList{"rw"};
        QTest::newRow("damaged lines are passed over")
            << QByteArray("garbage\n27 1 254:0 / / rw - ext4 /dev/vda rw\n\n31 27 0:9 / /srv rw - \n") << "/srv/zome2" << "/"
            << "ext4" << L::Carried << QStringList{"rw"};
    }
    void verdictOfTheHoldingMount()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, path);
        QFETCH(QString, mountPoint);
        QFETCH(QString, type);
        QFETCH(MountTable::LockSharing, locks);
        QFETCH(QStringList, shownOptions);
        const auto mount = MountTable::Holding(MountTable::Parse(lines), path);
        QVERIFY(mount);
        QCOMPARE(mount->MountPoint, mountPoint);
        QCOMPARE(mount->Type, type);
        const MountTable::LockVerdict verdict = MountTable::Locks(*mount);
        QCOMPARE(verdict.Sharing, locks);
        QVERIFY(!verdict.Reason.isEmpty());
        if (locks == MountTable::LockSharing::Unknown)
            QVERIFY2(verdict.Reason.contains(type), qPrintable(verdict.Reason));
        QCOMPARE(MountTable::OptionsThatMatter(*mount), shownOptions);
        QVERIFY(MountTable::Describe(*mount).startsWith(mountPoint));
    }

    // This machine's own table reads, and holds every absolute path; one that cannot be read is
    // no table at all, not an empty one.
    void readsTheKernelsTable()
    {
        const auto own = MountTable::Read();
        QVERIFY(own);
        QVERIFY(MountTable::Holding(*own, QDir::currentPath()));
        QVERIFY(!MountTable::Read(QStringLiteral("/nonexistent/mountinfo")));
        QTemporaryDir dir;
        QVERIFY(!MountTable::Read(dir.path())); // a folder
        QVERIFY(!MountTable::Holding({}, QStringLiteral("/srv")));
    }
};

QTEST_GUILESS_MAIN(TestMountTable)
#include "tst_MountTable.moc"
