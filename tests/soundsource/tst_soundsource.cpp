// Finding the recitation medium and forming the clip paths.

#include "data/DataFolder.h"
#include "recitation/SoundSource.h"

#include <QtTest>

using namespace velmora;

namespace {

// "mount point|device|file system" records separated by ';'.
QList<MountedVolume> volumesFrom(const QString &records)
{
    QList<MountedVolume> volumes;
    for (const QString &record : records.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList f = record.split(QLatin1Char('|'));
        volumes.append({f.value(0), f.value(1), f.value(2)});
    }
    return volumes;
}

bool makeFile(const QString &path)
{
    return QDir().mkpath(QFileInfo(path).absolutePath()) && QFile(path).open(QIODevice::WriteOnly);
}

const QString Disks = QStringLiteral("/|/dev/sda1|ext4;/home|/dev/sda2|ext4;/run|tmpfs|tmpfs;");

} // namespace

class TestSoundSource : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    int m_roots = 0;

    QString newRoot()
    {
        const QString root = m_tmp.filePath(QStringLiteral("root%1").arg(++m_roots));
        QDir().mkpath(root);
        return root;
    }

private slots:
    void initTestCase() { QVERIFY(m_tmp.isValid()); }
    void cleanup()
    {
        setVolumeLister({});
        DataFolder::reset();
        CDDriveLetter.clear();
    }

    void scan_data()
    {
        QTest::addColumn<QString>("volumes");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("dataWav");  // what lies beside the data: "NAME/" a folder, "NAME" a file
        QTest::addColumn<QString>("expected"); // "<data>" for the data folder

        auto row = [](const char *name, const QString &volumes, const char *before, const char *dataWav,
                      const char *expected) {
            QTest::newRow(name) << volumes << QString::fromLatin1(before) << QString::fromLatin1(dataWav)
                                << QString::fromLatin1(expected);
        };
        const QString cd0 = QStringLiteral("/media/cdrom0|/dev/sr0|iso9660");
        row("one optical drive among disks", Disks + cd0, "", "", "/media/cdrom0");
        row("last mount point wins, whatever the list order",
            QStringLiteral("/media/cdrom1|/dev/sr1|udf;/|/dev/sda1|ext4;") + cd0, "", "", "/media/cdrom1");
        row("mount points compared as text",
            QStringLiteral("/media/b|x|udf;/media/B|x|udf;/media/a|/dev/scd0|"), "", "", "/media/b");
        row("CD image mounted by loop", QStringLiteral("/mnt/iso|/dev/loop0|ISO9660"), "", "", "/mnt/iso");
        row("optical drive whatever its file system", QStringLiteral("/media/disc|/dev/sr0|vfat"), "", "",
            "/media/disc");
        row("no medium keeps the old value", Disks + QStringLiteral("/media/usb|/dev/sdb1|vfat;/n|s:/x|nfs4"),
            "/media/old", "", "/media/old");
        row("found medium replaces the old value", cd0, "/media/old", "", "/media/cdrom0");
        row("wav beside the data counts last", Disks + cd0, "", "wav/", "<data>");
        row("WAV in capitals beside the data", cd0, "/media/old", "WAV/", "<data>");
        row("file named wav beside the data does not count", cd0, "", "wav", "/media/cdrom0");
    }

    void scan()
    {
        QFETCH(QString, volumes);
        QFETCH(QString, before);
        QFETCH(QString, dataWav);
        QFETCH(QString, expected);

        const QString data = newRoot();
        if (!dataWav.isEmpty())
            QVERIFY(dataWav.endsWith(QLatin1Char('/')) ? QDir(data).mkdir(dataWav)
                                                       : makeFile(data + QLatin1Char('/') + dataWav));
        CDDriveLetter = before;
        FindCDRomDrive(volumesFrom(volumes), data);
        QCOMPARE(CDDriveLetter, expected == QLatin1String("<data>") ? data : expected);
    }

    // The scan of the system asks the volume lister and looks beside the data folder.
    void scanOfTheSystem()
    {
        const QString root = newRoot();
        QVERIFY(makeFile(root + QStringLiteral("/WAV/S1A1.WAV")));
        setVolumeLister([root] { return volumesFrom(root + QStringLiteral("|/dev/sr0|iso9660")); });
        DataFolder::setPath(newRoot());
        FindCDRomDrive();
        QCOMPARE(CDDriveLetter, root);
        QCOMPARE(bismillahPath(), root + QStringLiteral("/WAV/S1A1.WAV"));
        QVERIFY(QDir(DataFolder::path()).mkdir(QStringLiteral("wav")));
        FindCDRomDrive();
        QCOMPARE(CDDriveLetter, QDir(DataFolder::path()).absolutePath());
    }

    void clipPath_data()
    {
        QTest::addColumn<QStringList>("files"); // under the root
        QTest::addColumn<QString>("surah");
        QTest::addColumn<QString>("ayah");
        QTest::addColumn<QString>("expected"); // under the root
        QTest::addColumn<bool>("wavFolder");   // whether the root counts as holding the clips

        auto row = [](const char *name, const char *files, const char *surah, const char *ayah,
                      const char *expected, bool wavFolder = true) {
            QTest::newRow(name) << QString::fromLatin1(files).split(QLatin1Char(','))
                                << QString::fromLatin1(surah) << QString::fromLatin1(ayah)
                                << QString::fromLatin1(expected) << wavFolder;
        };
        row("lower case on disk", "wav/s1a1.wav", "1", "1", "wav/s1a1.wav");
        row("ISO 9660 capitals", "WAV/S2A255.WAV", "2", "255", "WAV/S2A255.WAV");
        row("ISO 9660 version suffix", "WAV/S9A1.WAV;1", "9", "1", "WAV/S9A1.WAV;1");
        row("exact case preferred", "wav/S3A4.WAV,wav/s3a4.wav", "3", "4", "wav/s3a4.wav");
        row("no zero padding", "wav/s10a3.wav", "10", "3", "wav/s10a3.wav");
        row("a padded file is not the clip", "wav/s010a003.wav", "10", "3", "wav/s10a3.wav");
        row("missing clip: the composed path", "WAV/S1A1.WAV", "1", "2", "wav/s1a2.wav");
        row("no wav folder", "audio/s1a1.wav", "2", "255", "wav/s2a255.wav", false);
        row("texts used exactly as given", "wav/x", " 2", "05", "wav/s 2a05.wav");
    }

    void clipPath()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, surah);
        QFETCH(QString, ayah);
        QFETCH(QString, expected);

        const QString root = newRoot();
        for (const QString &file : files)
            QVERIFY(makeFile(root + QLatin1Char('/') + file));
        QCOMPARE(velmora::clipPath(root, surah, ayah), root + QLatin1Char('/') + expected);
        CDDriveLetter = root;
        QTEST(WavFolderExists(), "wavFolder");
        QCOMPARE(velmora::clipPath(surah, ayah), root + QLatin1Char('/') + expected);
    }

    void clipPathCannotLeaveTheWavFolder_data()
    {
        QTest::addColumn<QString>("surah");
        QTest::addColumn<QString>("ayah");
        for (const char *row :
             {"parent folders in the ayah|1|/../../../secret",
              "through the existing folder wav/s|/../../../secret|1", "absolute path|/etc/passwd|"}) {
            const QStringList parts = QString::fromLatin1(row).split(QLatin1Char('|')); // name, surah, ayah
            QTest::newRow(qPrintable(parts[0])) << parts[1] << parts[2];
        }
    }

    void clipPathCannotLeaveTheWavFolder()
    {
        QFETCH(QString, surah);
        QFETCH(QString, ayah);
        // root/wav/s exists, so a path through it would really resolve, and the files such
        // paths aim at exist beside the root.
        const QString base = newRoot();
        const QString root = base + QStringLiteral("/cd");
        QVERIFY(QDir().mkpath(root + QStringLiteral("/wav/s")));
        for (const char *file : {"/secreta1.wav", "/cd/secreta1.wav", "/s1a/secret.wav"})
            QVERIFY(makeFile(base + QLatin1String(file)));
        const QString path = velmora::clipPath(root, surah, ayah);
        QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
        QCOMPARE(QFileInfo(path).path(), root + QStringLiteral("/wav")); // a file right inside wav
    }

    // The request names the drive; without a medium no clip is looked for, not even in the
    // current folder.
    void requestMessageAndNoMedium()
    {
        CDDriveLetter = QStringLiteral("/media/cdrom0");
        QVERIFY(cdRequestMessage().endsWith(QStringLiteral("jedinici /media/cdrom0")));
        CDDriveLetter.clear();
        const QString root = newRoot();
        QVERIFY(makeFile(root + QStringLiteral("/wav/s1a1.wav")));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root));
        const bool none = !WavFolderExists() &&
                          velmora::clipPath(QStringLiteral("1"), QStringLiteral("1")).isEmpty() &&
                          bismillahPath().isEmpty();
        QVERIFY(QDir::setCurrent(previous));
        QVERIFY(none);
    }
};

QTEST_GUILESS_MAIN(TestSoundSource)
#include "tst_soundsource.moc"
