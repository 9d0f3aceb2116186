#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace velmora {

// Where the recitation clips are: the root of the recitation medium, a mounted CD holding a
// folder `wav` with one clip per ayah (s<surah>a<ayah>.wav).
//
// On this platform a "drive" is a mounted medium, and what the program has always kept as the
// CD drive's letter is the medium's mount point (for example "/media/cdrom0"); it is also what
// the message asking for the CD names. A CD-ROM is a medium on an optical drive (/dev/sr*) or
// with a CD or DVD file system (iso9660, udf). The media are scanned in ascending order of
// their mount points and the last CD-ROM found wins. After them, a folder `wav` beside the
// program's data files counts as one more medium, so that a reader who copied the CD's `wav`
// folder there plays without the CD.

// The root of the recitation medium (a mount point or the data folder), empty at start.
// Written only by the drive scan.
extern QString CDDriveLetter;

// One mounted file system as the system reports it.
struct MountedVolume {
    QString mountPoint;
    QString device; // e.g. "/dev/sr0"
    QString fsType; // e.g. "iso9660"
};

using VolumeLister = std::function<QList<MountedVolume>()>;

// The mounted file systems (QStorageInfo::mountedVolumes()), or what a lister set with
// setVolumeLister() returns (tests); an empty lister restores the system's.
QList<MountedVolume> mountedVolumes();
void setVolumeLister(VolumeLister lister);

// Scans the media and sets CDDriveLetter to the last CD-ROM found (the data folder's copied
// `wav` folder counting last). CDDriveLetter is not cleared first: with no medium found it
// keeps the value it had.
void FindCDRomDrive();
// The same over the given volumes and data folder (an empty folder counts as none).
void FindCDRomDrive(const QList<MountedVolume> &volumes, const QString &dataFolder);

// Classifies one volume: "CD-ROM", "Removable", "Fixed", "Network", "RAM Disk" or "Unknown".
// For a CD-ROM, stores its mount point in CDDriveLetter.
QString TestDriveType(const MountedVolume &volume);

// True when the folder `wav` (in any letter case) exists at the root CDDriveLetter names.
bool WavFolderExists();

// The clip of an ayah, from the surah and ayah texts exactly as given (no padding): root +
// "/wav/s" + surah + "a" + ayah + ".wav", with the folder and the file found without regard to
// letter case when they exist. Empty when CDDriveLetter is empty (nothing to play). A text
// that holds a "/" cannot lead out of the folder `wav`: the slashes become "_".
QString clipPath(const QString &surah, const QString &ayah);
QString clipPath(const QString &root, const QString &surah, const QString &ayah);
// The Bismillah clip: the clip of surah 1, ayah 1.
QString bismillahPath();

// The existing path under `root` whose components match `relative` ("/"-separated) without
// regard to letter case, an exact match preferred; `root` + "/" + `relative` when none exists.
QString findCaseInsensitive(const QString &root, const QString &relative);

// "Da bi culi ucenje ajeta trebate unijeti CD u CD-ROM jedinici " followed by CDDriveLetter.
QString cdRequestMessage();

} // namespace velmora
