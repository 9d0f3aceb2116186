// Finding the recitation medium and forming the clip paths.

#include "data/DataFolder.h"
#include "recitation/SoundSource.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

using namespace velmora;

namespace {

// "mount point|device|file system" records, as the tests write them.
QList<MountedVolume> volumesFrom(const QStringList &records)
{
    QList<MountedVolume> volumes;
    for (const QString &record : records) {
        const QStringList f = record.split(QLatin1Char('|'));
        volumes.append({f.value(0), f.value(1), f.value(2)});
    }
    return volumes;
}

bool makeFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("RIFF") == 4;
}

} // namespace

class TestSoundSource : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    int m_roots = 0;

    // A fresh folder under the temporary directory.
    QString newRoot()
    {
        const QString root = m_tmp.filePath(QStringLiteral("root%1").arg(++m_roots));
        QDir().mkpath(root);
        return root;
    }

private slots:
    void initTestCase() { QVERIFY(m_tmp.isValid()); }
    void init() { CDDriveLetter.clear(); }
    void cleanup()
    {
        setVolumeLister({});
        CDDriveLetter.clear();
    }

    void scan_data();
    void scan();
    void driveType_data();
    void driveType();
    void scanUsesTheSystemOrTheLister();
    void wavFolderExists_data();
    void wavFolderExists();
    void emptyRootIsNoMediumWhateverTheCurrentFolder();
    void clipPath_data();
    void clipPath();
    void clipPathCannotLeaveTheWavFolder_data();
    void clipPathCannotLeaveTheWavFolder();
    void lookupNeverLeavesTheRoot();
    void clipsFollowTheScannedMedium();
    void requestMessage_data();
    void requestMessage();
};

void TestSoundSource::scan_data()
{
    QTest::addColumn<QStringList>("volumes");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("dataWav");  // "" none, else the name of the folder beside the data
    QTest::addColumn<QString>("expected"); // "<data>" for the data folder

    const QStringList disks{QStringLiteral("/|/dev/sda1|ext4"), QStringLiteral("/home|/dev/sda2|ext4"),
                            QStringLiteral("/run|tmpfs|tmpfs")};

    QTest::newRow("one optical drive")
        << (disks + QStringList{QStringLiteral("/media/cdrom0|/dev/sr0|iso9660")}) << QString() << QString()
        << "/media/cdrom0";
    QTest::newRow("two drives: the last mount point wins, whatever the list order")
        << QStringList{QStringLiteral("/media/cdrom1|/dev/sr1|udf"), QStringLiteral("/|/dev/sda1|ext4"),
                       QStringLiteral("/media/cdrom0|/dev/sr0|iso9660")}
        << QString() << QString() << "/media/cdrom1";
    QTest::newRow("mount points compared as text") << QStringList{QStringLiteral("/media/b|/dev/sr0|iso9660"),
                                                                  QStringLiteral("/media/B|/dev/sr1|iso9660"),
                                                                  QStringLiteral("/media/a|/dev/sr2|iso9660")}
                                                   << QString() << QString() << "/media/b";
    QTest::newRow("a CD image mounted by loop counts by its file system")
        << (disks + QStringList{QStringLiteral("/mnt/iso|/dev/loop0|iso9660")}) << QString() << QString()
        << "/mnt/iso";
    QTest::newRow("an optical drive counts whatever its file system")
        << (disks + QStringList{QStringLiteral("/media/disc|/dev/sr0|vfat")}) << QString() << QString()
        << "/media/disc";
    QTest::newRow("no medium keeps the old value")
        << (disks + QStringList{QStringLiteral("/media/usb|/dev/sdb1|vfat")}) << "/media/old" << QString()
        << "/media/old";
    QTest::newRow("no medium at start stays empty") << disks << QString() << QString() << QString();
    QTest::newRow("a found medium replaces the old value")
        << QStringList{QStringLiteral("/media/cdrom|/dev/sr0|iso9660")} << "/media/old" << QString()
        << "/media/cdrom";
    QTest::newRow("wav beside the data counts last")
        << (disks + QStringList{QStringLiteral("/media/cdrom0|/dev/sr0|iso9660")}) << QString() << "wav"
        << "<data>";
    QTest::newRow("WAV in capitals beside the data counts")
        << QStringList{QStringLiteral("/media/zzz|/dev/sr0|iso9660")} << QString() << "WAV"
        << "<data>";
    QTest::newRow("data folder without wav does not count")
        << (disks + QStringList{QStringLiteral("/media/cdrom0|/dev/sr0|iso9660")}) << QString() << QString()
        << "/media/cdrom0";
    QTest::newRow("a file named wav beside the data does not count")
        << (disks + QStringList{QStringLiteral("/media/cdrom0|/dev/sr0|iso9660")}) << QString() << "file:wav"
        << "/media/cdrom0";
}

void TestSoundSource::scan()
{
    QFETCH(QStringList, volumes);
    QFETCH(QString, before);
    QFETCH(QString, dataWav);
    QFETCH(QString, expected);

    const QString data = newRoot();
    if (dataWav.startsWith(QLatin1String("file:")))
        QVERIFY(makeFile(data + QLatin1Char('/') + dataWav.mid(5)));
    else if (!dataWav.isEmpty())
        QVERIFY(QDir(data).mkdir(dataWav));

    CDDriveLetter = before;
    FindCDRomDrive(volumesFrom(volumes), data);
    QCOMPARE(CDDriveLetter, expected == QLatin1String("<data>") ? data : expected);
}

void TestSoundSource::driveType_data()
{
    QTest::addColumn<QString>("volume");
    QTest::addColumn<QString>("type");

    QTest::newRow("optical drive with a CD") << "/media/cdrom0|/dev/sr0|iso9660"
                                             << "CD-ROM";
    QTest::newRow("second optical drive with a DVD") << "/media/dvd|/dev/sr1|udf"
                                                     << "CD-ROM";
    QTest::newRow("SCSI CD name") << "/media/cd|/dev/scd0|iso9660"
                                  << "CD-ROM";
    QTest::newRow("file system in capitals") << "/mnt/cd|/dev/loop3|ISO9660"
                                             << "CD-ROM";
    QTest::newRow("hard disk") << "/data|/dev/velmoratestdisk1|ext4"
                               << "Fixed";
    QTest::newRow("network share") << "/net/share|server:/export|nfs4"
                                   << "Network";
    QTest::newRow("Windows share") << "/net/win|//server/share|cifs"
                                   << "Network";
    QTest::newRow("memory") << "/run|tmpfs|tmpfs"
                            << "RAM Disk";
    QTest::newRow("kernel file system") << "/proc|proc|proc"
                                        << "Unknown";
}

void TestSoundSource::driveType()
{
    QFETCH(QString, volume);
    QFETCH(QString, type);
    const MountedVolume v = volumesFrom({volume}).constFirst();

    CDDriveLetter = QStringLiteral("/previous");
    QCOMPARE(TestDriveType(v), type);
    QCOMPARE(CDDriveLetter, type == QLatin1String("CD-ROM") ? v.mountPoint : QStringLiteral("/previous"));
}

void TestSoundSource::scanUsesTheSystemOrTheLister()
{
    // The system's own list holds at least the root file system.
    const QList<MountedVolume> system = mountedVolumes();
    QVERIFY(std::any_of(system.begin(), system.end(),
                        [](const MountedVolume &v) { return v.mountPoint == QLatin1String("/"); }));

    const QString data = newRoot();
    DataFolder::setPath(data);
    setVolumeLister([] {
        return volumesFrom({QStringLiteral("/media/cdrom1|/dev/sr1|iso9660"),
                            QStringLiteral("/media/cdrom0|/dev/sr0|iso9660")});
    });
    FindCDRomDrive();
    QCOMPARE(CDDriveLetter, QStringLiteral("/media/cdrom1"));

    // A medium taken out is seen at the next scan, and the old value stays.
    setVolumeLister([] { return QList<MountedVolume>{}; });
    FindCDRomDrive();
    QCOMPARE(CDDriveLetter, QStringLiteral("/media/cdrom1"));

    // The reader copies the CD's wav folder beside the data.
    QVERIFY(QDir(data).mkdir(QStringLiteral("wav")));
    FindCDRomDrive();
    QCOMPARE(CDDriveLetter, QDir(data).absolutePath());
    DataFolder::reset();
}

void TestSoundSource::wavFolderExists_data()
{
    QTest::addColumn<QString>("content"); // what the root holds
    QTest::addColumn<bool>("exists");

    QTest::newRow("wav folder") << "dir:wav" << true;
    QTest::newRow("WAV folder of an ISO 9660 CD") << "dir:WAV" << true;
    QTest::newRow("Wav folder") << "dir:Wav" << true;
    QTest::newRow("a file named wav") << "file:wav" << false;
    QTest::newRow("other folders only") << "dir:audio" << false;
    QTest::newRow("the root does not exist") << "missing" << false;
    QTest::newRow("root given with a trailing slash") << "dir:wav,slash" << true;
}

void TestSoundSource::wavFolderExists()
{
    QFETCH(QString, content);
    QFETCH(bool, exists);

    QString root = newRoot();
    const QStringList parts = content.split(QLatin1Char(','));
    const QString what = parts.constFirst();
    if (what.startsWith(QLatin1String("dir:")))
        QVERIFY(QDir(root).mkdir(what.mid(4)));
    else if (what.startsWith(QLatin1String("file:")))
        QVERIFY(makeFile(root + QLatin1Char('/') + what.mid(5)));
    else if (what == QLatin1String("missing"))
        root += QStringLiteral("/gone");
    if (parts.contains(QStringLiteral("slash")))
        root += QLatin1Char('/');

    CDDriveLetter = root;
    QCOMPARE(WavFolderExists(), exists);
}

void TestSoundSource::emptyRootIsNoMediumWhateverTheCurrentFolder()
{
    const QString root = newRoot();
    QVERIFY(QDir(root).mkdir(QStringLiteral("wav")));
    QVERIFY(makeFile(root + QStringLiteral("/wav/s1a1.wav")));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root));
    CDDriveLetter.clear();
    const bool exists = WavFolderExists();
    const QString clip = velmora::clipPath(QStringLiteral("1"), QStringLiteral("1"));
    const QString bismillah = bismillahPath();
    QVERIFY(QDir::setCurrent(previous));
    QVERIFY(!exists);
    QVERIFY(clip.isEmpty());
    QVERIFY(bismillah.isEmpty());
}

void TestSoundSource::clipPath_data()
{
    QTest::addColumn<QStringList>("files"); // under the root
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("ayah");
    QTest::addColumn<QString>("expected"); // under the root

    QTest::newRow("lower case on disk") << QStringList{QStringLiteral("wav/s1a1.wav")} << "1"
                                        << "1"
                                        << "wav/s1a1.wav";
    QTest::newRow("ISO 9660 capitals") << QStringList{QStringLiteral("WAV/S2A255.WAV")} << "2"
                                       << "255"
                                       << "WAV/S2A255.WAV";
    QTest::newRow("mixed case") << QStringList{QStringLiteral("Wav/S114a6.Wav")} << "114"
                                << "6"
                                << "Wav/S114a6.Wav";
    QTest::newRow("ISO 9660 version suffix") << QStringList{QStringLiteral("WAV/S9A1.WAV;1")} << "9"
                                             << "1"
                                             << "WAV/S9A1.WAV;1";
    QTest::newRow("exact case preferred")
        << QStringList{QStringLiteral("wav/S3A4.WAV"), QStringLiteral("wav/s3a4.wav")} << "3"
        << "4"
        << "wav/s3a4.wav";
    QTest::newRow("no zero padding") << QStringList{QStringLiteral("wav/s10a3.wav")} << "10"
                                     << "3"
                                     << "wav/s10a3.wav";
    QTest::newRow("a padded file is not the clip") << QStringList{QStringLiteral("wav/s010a003.wav")} << "10"
                                                   << "3"
                                                   << "wav/s10a3.wav";
    QTest::newRow("missing clip: the composed path") << QStringList{QStringLiteral("WAV/S1A1.WAV")} << "1"
                                                     << "2"
                                                     << "wav/s1a2.wav";
    QTest::newRow("no wav folder: the composed path") << QStringList{} << "2"
                                                      << "255"
                                                      << "wav/s2a255.wav";
    QTest::newRow("texts used exactly as given") << QStringList{} << " 2"
                                                 << "05"
                                                 << "wav/s 2a05.wav";
}

void TestSoundSource::clipPath()
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
    QCOMPARE(velmora::clipPath(surah, ayah), root + QLatin1Char('/') + expected);
}

void TestSoundSource::clipPathCannotLeaveTheWavFolder_data()
{
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("ayah");

    QTest::newRow("parent folders in the surah") << "../../etc/passwd"
                                                 << "1";
    QTest::newRow("parent folders in the ayah") << "1"
                                                << "/../../../secret";
    QTest::newRow("through an existing folder s") << "/../../../secret"
                                                  << "1";
    QTest::newRow("absolute path") << "/etc/passwd"
                                   << "";
}

void TestSoundSource::clipPathCannotLeaveTheWavFolder()
{
    QFETCH(QString, surah);
    QFETCH(QString, ayah);

    // root/wav/s exists as a folder, so a path through it would really resolve; and the files
    // such paths aim at exist beside the root.
    const QString base = newRoot();
    const QString root = base + QStringLiteral("/cd");
    QVERIFY(QDir().mkpath(root + QStringLiteral("/wav/s")));
    QVERIFY(makeFile(base + QStringLiteral("/secreta1.wav")));
    QVERIFY(makeFile(base + QStringLiteral("/cd/secreta1.wav")));
    QVERIFY(makeFile(base + QStringLiteral("/s1a/secret.wav")));

    const QString path = velmora::clipPath(root, surah, ayah);
    const QString clean = QDir::cleanPath(path);
    QVERIFY2(clean.startsWith(root + QStringLiteral("/wav/")), qPrintable(path));
    QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
    // A clip is always a file right inside the folder wav.
    QCOMPARE(QFileInfo(path).path(), root + QStringLiteral("/wav"));
}

void TestSoundSource::lookupNeverLeavesTheRoot()
{
    const QString base = newRoot();
    const QString root = base + QStringLiteral("/cd");
    QVERIFY(QDir().mkpath(root + QStringLiteral("/wav/s")));
    QVERIFY(makeFile(base + QStringLiteral("/secreta1.wav")));
    for (const QString &relative : {QStringLiteral("wav/s/../../../secreta1.wav"),
                                    QStringLiteral("../secreta1.wav"), QStringLiteral("./../secreta1.wav")}) {
        const QString found = findCaseInsensitive(root, relative);
        QVERIFY2(QDir::cleanPath(found).startsWith(root + QLatin1Char('/')), qPrintable(found));
        QVERIFY2(!QFileInfo::exists(found), qPrintable(found));
    }
}

void TestSoundSource::clipsFollowTheScannedMedium()
{
    const QString root = newRoot();
    QVERIFY(makeFile(root + QStringLiteral("/WAV/S1A1.WAV")));
    FindCDRomDrive({{root, QStringLiteral("/dev/sr0"), QStringLiteral("iso9660")}}, QString());
    QCOMPARE(CDDriveLetter, root);
    QVERIFY(WavFolderExists());
    QCOMPARE(bismillahPath(), root + QStringLiteral("/WAV/S1A1.WAV"));
    QCOMPARE(velmora::clipPath(QStringLiteral("2"), QStringLiteral("255")),
             root + QStringLiteral("/wav/s2a255.wav"));
}

void TestSoundSource::requestMessage_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("message");

    QTest::newRow("a medium") << "/media/cdrom0"
                              << "Da bi culi ucenje ajeta trebate unijeti CD u CD-ROM jedinici /media/cdrom0";
    QTest::newRow("no medium: nothing after the last word")
        << QString() << "Da bi culi ucenje ajeta trebate unijeti CD u CD-ROM jedinici ";
}

void TestSoundSource::requestMessage()
{
    QFETCH(QString, root);
    QFETCH(QString, message);
    CDDriveLetter = root;
    QCOMPARE(cdRequestMessage(), message);
}

QTEST_GUILESS_MAIN(TestSoundSource)
#include "tst_soundsource.moc"
