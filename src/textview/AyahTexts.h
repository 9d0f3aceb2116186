#pragma once

#include <QString>

namespace velmora {

// The texts of one ayah as the store holds them: the Bosnian translation (`tekstajet`), the
// Arabic text (`tekstarapski`) and the commentary (`tefsir`) of table `kuran`, with the
// surah's Bosnian name from `sure`.
//
// The store made by set-up has all of them; a reader's own Access database, converted, may
// lack the Arabic text or the commentary. Which of the two columns the store holds is found out
// once per opened store (the file the data folder's store resolves to), and again only when a
// lookup is refused (the file behind the name was replaced).
class AyahTexts {
public:
    struct Entry {
        bool found = false;         // the store holds a row for the ayah
        bool hasArabic = false;     // the store has the column tekstarapski
        bool hasCommentary = false; // the store has the column tefsir
        QString surahName;          // EmriBoshnjakisht of the surah; empty when unknown
        QString translation;
        QString arabic;
        QString commentary;
    };

    // Reads surah `surah`, ayah `ayah`. A store that cannot be opened or answered gives an
    // entry with `found` false; nothing is reported.
    Entry lookup(int surah, int ayah);

    // How often the columns were checked so far.
    int columnChecks() const { return m_checks; }

private:
    void checkColumns(const QString &storePath);

    QString m_store;
    bool m_hasArabic = false;
    bool m_hasCommentary = false;
    int m_checks = 0;
};

} // namespace velmora
