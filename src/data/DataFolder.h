#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

// Finds the program's data files. Files are named without a directory, as the program has
// always named them ("KUR'AN.rtf", "bazabos.mdb"), and matched without regard to letter case.
// The data folder is the current directory when it holds the program's data, otherwise the
// folder where set-up or an install put the default data.
class DataFolder {
public:
    // The store as the program asks for it: the Access database's name. A file of that name
    // may also be an SQLite store.
    static QString storeName() { return QStringLiteral("Bazabos.mdb"); }
    // The SQLite store made by set-up or converted from the Access database.
    static QString sqliteStoreName() { return QStringLiteral("Bazabos.db"); }

    // The folder chosen for this run (absolute path). Chosen on first use unless set.
    static QString path();
    // Fixes the data folder (tests, or a reader's own folder).
    static void setPath(const QString &dir);
    // Forgets the choice so that the next call to path() looks again.
    static void reset();

    // Candidate folders in the order they are tried.
    static QStringList candidates();
    // True when `dir` holds both the whole text and a store.
    static bool holdsData(const QString &dir);

    // Absolute path of `name` in `dir`, matched without regard to letter case; empty when
    // no such file exists. An exact match wins over one that differs in case.
    static QString findFile(const QString &dir, const QString &name);
    // The names of the files in `dir`, unsorted.
    static QStringList fileNames(const QString &dir);
    // Which of `names` `name` means: itself if there, else the smallest of those equal to it
    // but for letter case; empty when none is.
    static QString matchName(const QStringList &names, const QString &name);
    // The same in the data folder.
    static QString resolve(const QString &name);
};

} // namespace velmora
