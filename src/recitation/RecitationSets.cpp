#include "recitation/RecitationSets.h"

#include "common/ProgramTitle.h"
#include "recitation/BookPlace.h"
#include "recitation/SoundSource.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <optional>

namespace velmora {

namespace {

const QString kSection = QStringLiteral("Ucenje");
const QString kChosenKey = QStringLiteral("Ucac");
const QString kAddedKey = QStringLiteral("Dodani ucaci");
const QString kCdValue = QStringLiteral("CD");

// The same folder however it is written (links resolved, no trailing slash).
QString canonicalFolder(const QString &folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

const QStringList &RecitationSet::clipEndings()
{
    static const QStringList endings{QStringLiteral("mp3"),  QStringLiteral("ogg"),  QStringLiteral("oga"),
                                     QStringLiteral("opus"), QStringLiteral("flac"), QStringLiteral("wav")};
    return endings;
}

bool RecitationSet::isClipName(const QString &fileName, int *surah, int *ayah)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot != 6 || !clipEndings().contains(fileName.mid(dot + 1).toLower()))
        return false;
    for (qsizetype i = 0; i < 6; ++i) {
        const QChar c = fileName.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    const int s = fileName.left(3).toInt();
    const int a = fileName.mid(3, 3).toInt();
    if (s < 1 || a < 1)
        return false;
    if (surah)
        *surah = s;
    if (ayah)
        *ayah = a;
    return true;
}

RecitationSet RecitationSet::scan(const QString &folder)
{
    RecitationSet set;
    set.m_folder = folder;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QString &name : names) {
        int s = 0;
        int a = 0;
        if (!isClipName(name, &s, &a))
            continue;
        // With the same ayah in several kinds, the first ending of the list wins (MP3 first).
        const int key = s * 1000 + a;
        const auto existing = set.m_clips.constFind(key);
        if (existing != set.m_clips.constEnd()) {
            const auto rank = [](const QString &n) {
                return clipEndings().indexOf(n.mid(n.lastIndexOf(QLatin1Char('.')) + 1).toLower());
            };
            if (rank(*existing) <= rank(name))
                continue;
        }
        set.m_clips.insert(key, name);
    }
    return set;
}

QString RecitationSet::clipPath(const QString &surah, const QString &ayah) const
{
    // Only plain numbers of at most three digits name a clip; anything else (a heading's text,
    // a marker with a missing number) names nothing.
    const bool named = isPlainNumber(surah) && isPlainNumber(ayah) && surah.size() <= 3 && ayah.size() <= 3;
    const int key = named ? surah.toInt() * 1000 + ayah.toInt() : -1;
    const auto found = m_clips.constFind(key);
    if (found != m_clips.constEnd())
        return QDir(m_folder).filePath(*found);
    const QString missing = named ? QStringLiteral("%1%2")
                                        .arg(key / 1000, 3, 10, QLatin1Char('0'))
                                        .arg(key % 1000, 3, 10, QLatin1Char('0'))
                                  : QStringLiteral("000000");
    return QDir(m_folder).filePath(missing + QStringLiteral(".missing"));
}

QString recitationSetsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Velmora/recitations");
}

QList<Reciter> findReciters(bool cdFound, const QString &setsFolder, const QStringList &addedFolders)
{
    QList<Reciter> reciters;
    if (cdFound)
        reciters.append({QStringLiteral("CD"), QString()});
    QSet<QString> seen;
    const auto offer = [&](const QString &folder) {
        const QString canonical = canonicalFolder(folder);
        if (seen.contains(canonical) || !QFileInfo(canonical).isDir() ||
            RecitationSet::scan(canonical).isEmpty())
            return;
        seen.insert(canonical);
        reciters.append({QFileInfo(canonical).fileName(), canonical});
    };
    if (!setsFolder.isEmpty()) {
        QStringList names = QDir(setsFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable);
        std::sort(names.begin(), names.end(),
                  [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        for (const QString &name : std::as_const(names))
            offer(QDir(setsFolder).filePath(name));
    }
    for (const QString &folder : addedFolders)
        offer(folder);
    return reciters;
}

QString ReciterSettings::chosen(QSettings &settings)
{
    return settings.value(kSection + QLatin1Char('/') + kChosenKey).toString();
}

void ReciterSettings::setChosen(QSettings &settings, const Reciter &reciter)
{
    settings.setValue(kSection + QLatin1Char('/') + kChosenKey, reciter.isCd() ? kCdValue : reciter.folder);
}

QStringList ReciterSettings::addedFolders(QSettings &settings)
{
    return settings.value(kSection + QLatin1Char('/') + kAddedKey).toStringList();
}

void ReciterSettings::addFolder(QSettings &settings, const QString &folder)
{
    QStringList folders = addedFolders(settings);
    const QString canonical = canonicalFolder(folder);
    for (const QString &f : std::as_const(folders)) {
        if (canonicalFolder(f) == canonical)
            return;
    }
    folders.append(canonical);
    settings.setValue(kSection + QLatin1Char('/') + kAddedKey, folders);
}

int ReciterSettings::indexOfChosen(const QList<Reciter> &reciters, const QString &chosen)
{
    if (chosen.isEmpty())
        return -1;
    for (qsizetype i = 0; i < reciters.size(); ++i) {
        const Reciter &r = reciters.at(i);
        if (r.isCd() ? chosen == kCdValue : canonicalFolder(chosen) == r.folder)
            return int(i);
    }
    return -1;
}

std::optional<Reciter> chosenReciter()
{
    const std::unique_ptr<QSettings> settings = openProgramSettings();
    const QList<Reciter> reciters =
        findReciters(WavFolderExists(), recitationSetsFolder(), ReciterSettings::addedFolders(*settings));
    if (reciters.isEmpty())
        return std::nullopt;
    const int chosen = ReciterSettings::indexOfChosen(reciters, ReciterSettings::chosen(*settings));
    return reciters.at(chosen >= 0 ? chosen : 0);
}

ClipSource chosenClipSource()
{
    const std::optional<Reciter> reciter = chosenReciter();
    if (reciter && !reciter->isCd()) {
        return [set = RecitationSet::scan(reciter->folder)](const QString &surah, const QString &ayah) {
            return set.clipPath(surah, ayah);
        };
    }
    return [](const QString &surah, const QString &ayah) { return clipPath(surah, ayah); };
}

bool chosenReciterIsSet()
{
    const std::optional<Reciter> reciter = chosenReciter();
    return reciter && !reciter->isCd();
}

QString noReciterMessage()
{
    const QString cd = cdRequestMessage();
    return cd + (cd.endsWith(QLatin1Char(' ')) ? QString() : QStringLiteral(" ")) +
           QStringLiteral(
               "Zbirke učenja (jedan folder po učaču, s datotekama kao 002255.mp3) stavite u folder "
               "%1 ili ih dodajte dugmetom \"Dodaj učača...\" u prozoru za učenje.")
               .arg(QDir::toNativeSeparators(recitationSetsFolder()));
}

std::unique_ptr<QSettings> openProgramSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Velmora"), programTitle());
}

} // namespace velmora
