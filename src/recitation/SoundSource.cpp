#include "recitation/SoundSource.h"

#include "data/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <algorithm>

namespace velmora {

QString CDDriveLetter;

namespace {

VolumeLister &volumeLister()
{
    static VolumeLister lister;
    return lister;
}

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QString join(const QString &dir, const QString &name)
{
    if (dir.endsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

// An ISO 9660 name may still carry its version (";1") when the medium is mounted as is.
QString withoutVersion(const QString &name)
{
    static const QRegularExpression version(QStringLiteral(";[0-9]+$"));
    QString plain = name;
    plain.remove(version);
    return plain;
}

// The entry of `dir` named `name` without regard to letter case; empty when none.
QString findEntry(const QString &dir, const QString &name)
{
    for (const QString &candidate : {name, name.toUpper(), name.toLower()}) {
        if (QFileInfo::exists(join(dir, candidate)))
            return candidate;
    }
    const QStringList entries = QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    for (const QString &entry : entries) {
        if (withoutVersion(entry).compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

bool hasWavFolder(const QString &root)
{
    if (root.isEmpty())
        return false;
    const QString entry = findEntry(withoutTrailingSlash(root), QStringLiteral("wav"));
    return !entry.isEmpty() && QFileInfo(join(withoutTrailingSlash(root), entry)).isDir();
}

bool isOpticalDevice(const QString &device)
{
    static const QRegularExpression optical(QStringLiteral("^/dev/(sr[0-9]+|scd[0-9]+|cdrom|dvd)"));
    if (optical.match(device).hasMatch())
        return true;
    // /dev/cdrom and its kind are usually links to /dev/srN.
    const QString target = QFileInfo(device).canonicalFilePath();
    return !target.isEmpty() && optical.match(target).hasMatch();
}

bool isRemovableDevice(const QString &device)
{
    if (!device.startsWith(QLatin1String("/dev/")))
        return false;
    const QString name = QFileInfo(device).fileName();
    for (const QString &flag : {QStringLiteral("/sys/class/block/%1/removable").arg(name),
                                QStringLiteral("/sys/class/block/%1/../removable").arg(name)}) {
        QFile file(flag);
        if (file.open(QIODevice::ReadOnly))
            return file.readAll().trimmed() == "1";
    }
    return false;
}

} // namespace

QList<MountedVolume> mountedVolumes()
{
    if (volumeLister())
        return volumeLister()();
    QList<MountedVolume> volumes;
    const QList<QStorageInfo> storages = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &storage : storages) {
        volumes.append({storage.rootPath(), QString::fromLocal8Bit(storage.device()),
                        QString::fromLatin1(storage.fileSystemType())});
    }
    return volumes;
}

void setVolumeLister(VolumeLister lister)
{
    volumeLister() = std::move(lister);
}

QString TestDriveType(const MountedVolume &volume)
{
    static const QStringList cdFileSystems{QStringLiteral("iso9660"), QStringLiteral("udf")};
    static const QStringList networkFileSystems{
        QStringLiteral("nfs"),   QStringLiteral("nfs4"),       QStringLiteral("cifs"),
        QStringLiteral("smb3"),  QStringLiteral("smbfs"),      QStringLiteral("sshfs"),
        QStringLiteral("9p"),    QStringLiteral("fuse.sshfs"), QStringLiteral("afs"),
        QStringLiteral("ncpfs"), QStringLiteral("davfs")};
    static const QStringList ramFileSystems{QStringLiteral("tmpfs"), QStringLiteral("ramfs")};

    const QString fsType = volume.fsType.toLower();
    QString type = QStringLiteral("Unknown");
    if (isOpticalDevice(volume.device) || cdFileSystems.contains(fsType))
        type = QStringLiteral("CD-ROM");
    else if (networkFileSystems.contains(fsType))
        type = QStringLiteral("Network");
    else if (ramFileSystems.contains(fsType))
        type = QStringLiteral("RAM Disk");
    else if (isRemovableDevice(volume.device))
        type = QStringLiteral("Removable");
    else if (volume.device.startsWith(QLatin1String("/dev/")))
        type = QStringLiteral("Fixed");

    if (type == QLatin1String("CD-ROM") && !volume.mountPoint.isEmpty())
        CDDriveLetter = volume.mountPoint;
    return type;
}

void FindCDRomDrive(const QList<MountedVolume> &volumes, const QString &dataFolder)
{
    QList<MountedVolume> sorted = volumes;
    std::stable_sort(sorted.begin(), sorted.end(), [](const MountedVolume &a, const MountedVolume &b) {
        return a.mountPoint < b.mountPoint;
    });
    for (const MountedVolume &volume : sorted)
        TestDriveType(volume);
    if (hasWavFolder(dataFolder))
        CDDriveLetter = withoutTrailingSlash(dataFolder);
}

void FindCDRomDrive()
{
    FindCDRomDrive(mountedVolumes(), DataFolder::path());
}

bool WavFolderExists()
{
    return hasWavFolder(CDDriveLetter);
}

QString findCaseInsensitive(const QString &root, const QString &relative)
{
    QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    // No component may lead out of the root.
    for (QString &part : parts) {
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            part = QStringLiteral("_");
    }
    const QString base = withoutTrailingSlash(root);
    const QString composed = join(base, parts.join(QLatin1Char('/')));
    if (QFileInfo::exists(composed))
        return composed;
    QString dir = base;
    for (const QString &part : std::as_const(parts)) {
        const QString entry = findEntry(dir, part);
        if (entry.isEmpty())
            return composed;
        dir = join(dir, entry);
    }
    return dir;
}

QString clipPath(const QString &root, const QString &surah, const QString &ayah)
{
    if (root.isEmpty())
        return QString();
    QString name = QLatin1Char('s') + surah + QLatin1Char('a') + ayah + QLatin1String(".wav");
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QChar(u'\0'), QLatin1Char('_'));
    return findCaseInsensitive(root, QLatin1String("wav/") + name);
}

QString clipPath(const QString &surah, const QString &ayah)
{
    return clipPath(CDDriveLetter, surah, ayah);
}

QString bismillahPath()
{
    return clipPath(QStringLiteral("1"), QStringLiteral("1"));
}

QString cdRequestMessage()
{
    return QStringLiteral("Da bi culi ucenje ajeta trebate unijeti CD u CD-ROM jedinici ") + CDDriveLetter;
}

} // namespace velmora
