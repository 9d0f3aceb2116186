#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QSettings;

namespace velmora {

// Recitation sets: per-ayah clips as the public recitation archives hand them out, one folder
// per reciter, one file per ayah named by the three-digit surah and the three-digit ayah and
// the kind of sound (002255.mp3 for 2:255; the Bismillah is 001001.mp3), in any letter case.

// The clips of one folder, found by their names.
class RecitationSet {
public:
    // The endings of the clips a set may hold (lower case, without the dot).
    static const QStringList &clipEndings();
    // Whether `fileName` names a clip of a set (SSSAAA.ext, a known ending, any letter case);
    // `surah` and `ayah` receive its numbers.
    static bool isClipName(const QString &fileName, int *surah = nullptr, int *ayah = nullptr);

    // Reads the names in `folder` (not its subfolders). A folder holding no clip gives an
    // empty set.
    static RecitationSet scan(const QString &folder);

    QString folder() const { return m_folder; }
    bool isEmpty() const { return m_clips.isEmpty(); }
    int clipCount() const { return int(m_clips.size()); }

    // The path of the clip of the ayah the texts name (plain numbers, as the selectors and the
    // markers hold them). A clip the set lacks, or texts that name no ayah, give a path under
    // the folder that does not exist, so that the player finds nothing to play.
    QString clipPath(const QString &surah, const QString &ayah) const;

private:
    QString m_folder;
    QHash<int, QString> m_clips; // surah * 1000 + ayah -> file name
};

// A reciter in the recitation window's list: the recitation CD (or the copy of its `wav`
// folder), or a set.
struct Reciter {
    QString name;   // as shown: "CD", or the set folder's name
    QString folder; // the set's folder; empty for the CD
    bool isCd() const { return folder.isEmpty(); }
};

// Where the sets of this user go: <data home>/Velmora/recitations, one subfolder per reciter.
QString recitationSetsFolder();

// The reciters to offer: the CD when `cdFound`, the sets among the subfolders of `setsFolder`
// (by name, letter case ignored), then the added folders that are sets, in the order they were
// added. A folder is listed once, however it is reached.
QList<Reciter> findReciters(bool cdFound, const QString &setsFolder, const QStringList &addedFolders);

// The reader's choice of reciter and the folders added by hand, in the per-user settings store
// (section "Ucenje": "Ucac" holds "CD" or the set's folder, "Dodani ucaci" the added folders).
class ReciterSettings {
public:
    static QString chosen(QSettings &settings);
    static void setChosen(QSettings &settings, const Reciter &reciter);
    static QStringList addedFolders(QSettings &settings);
    static void addFolder(QSettings &settings, const QString &folder);
    // The index in `reciters` of the stored choice; -1 when it is not among them.
    static int indexOfChosen(const QList<Reciter> &reciters, const QString &chosen);
};

// The reciter the clips come from, as the recitation window preselects it: the stored choice
// when it is still offered, otherwise the first reciter offered (the CD when it is found);
// nothing when none is offered.
std::optional<Reciter> chosenReciter();

// Where the chosen reciter's clips are: the path of an ayah's clip from its surah and ayah
// texts; the CD's paths when the chosen reciter is the CD or there is none.
using ClipSource = std::function<QString(const QString &surah, const QString &ayah)>;
ClipSource chosenClipSource();
// Whether the chosen reciter is a set.
bool chosenReciterIsSet();

// The message when there is nothing to recite from: no CD (the CD's own message) and no set,
// followed by where the sets go.
QString noReciterMessage();

// The program's settings store (application "Velmora 4.0").
std::unique_ptr<QSettings> openProgramSettings();

} // namespace velmora
