#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

namespace velmora::classification {

// One word of a phrase that keeps a topic's word from counting: a whole word, or a word
// beginning when written with a trailing * ("nevjernik*").
struct PhraseWord {
    QString text;
    bool prefix = false;
};
using ExcludedPhrase = QList<PhraseWord>;

// Ayahs named by reference ("2:34") that a topic leaves out or adds, and why.
struct AyahReferenceList {
    QList<QPair<int, int>> ayahs; // surah, ayah
    QString reason;
};

// A topic of the thematic classification and the Bosnian words that identify it in the
// translation. Every entry is matched at the start of a word and without regard to letter
// case; an entry of several words matches consecutive words of the text.
//   stems:          each word of the entry is a word beginning ("musa" finds Musa, Musaa, Musaov)
//   words:          each word of the entry is a whole word ("lut" finds Lut, not lutaju)
//   exclude:        word beginnings that never count ("milostinj" keeps alms out of mercy)
//   excludePhrases: consecutive words within which a found entry does not count ("posta
//                   nevjernik*": became an unbeliever); the words of a phrase are whole words,
//                   or word beginnings with a trailing *
//   leaveOut:       ayahs the entries find that do not belong, with the reason
//   add:            ayahs that belong though no entry finds them, with the reason
struct TopicPattern {
    QString name;
    QStringList stems;
    QStringList words;
    QStringList exclude;
    QList<ExcludedPhrase> excludePhrases;
    QList<AyahReferenceList> leaveOut;
    QList<AyahReferenceList> add;
};

struct TopicChapter {
    QString name;
    QStringList topics; // topic names, in the order they are listed under the chapter
};

// The classification file: chapters listing topic names, and the topics with their words.
// A topic may be listed under more than one chapter; it is classified once.
class TopicCatalogue {
public:
    bool parse(const QByteArray &json);
    QString errorString() const { return m_error; }
    const QList<TopicChapter> &chapters() const { return m_chapters; }
    const QList<TopicPattern> &topics() const { return m_topics; }
    const TopicPattern *topic(const QString &name) const;

private:
    QList<TopicChapter> m_chapters;
    QList<TopicPattern> m_topics;
    QString m_error;
};

// The ayahs of the translation, split into words, and the search for a topic's ayahs.
class TopicIndex {
public:
    void addAyah(int surah, int ayah, const QString &text);
    int ayahCount() const { return int(m_refs.size()); }

    // The ayahs that hold one of the topic's entries outside its excluded phrases:
    // surah number -> ascending ayah numbers. The reference lists are not applied.
    QMap<int, QList<int>> find(const TopicPattern &pattern) const;
    // The topic's ayahs: those found, less the ayahs it leaves out, with those it adds.
    // Fails, with the reason in `error`, when a listed ayah is not in the text, when a left-out
    // ayah is not found (the list is stale) or when an added one is found already.
    bool topicAyahs(const TopicPattern &pattern, QMap<int, QList<int>> *ayahs, QString *error) const;

    // The words of a text in small letters: runs of letters and digits, an apostrophe
    // between two letters kept (Kur'an, with ’ written as ').
    static QStringList words(const QString &text);
    // Whether one text holds one of the topic's entries.
    static bool matches(const QString &text, const TopicPattern &pattern);
    // Ayah numbers as a reference string: ascending, no repeats, runs of consecutive
    // numbers as ranges, separated by commas without blanks ("1-3,5").
    static QString referenceString(QList<int> ayahs);

private:
    struct Occurrence {
        int ayahIndex;
        int position;
    };
    void findEntry(const QStringList &parts, bool prefix, const QStringList &exclude,
                   const QList<ExcludedPhrase> &phrases, QList<bool> &hits) const;
    void ensureSorted() const;

    QList<QPair<int, int>> m_refs; // surah, ayah of each added ayah
    QSet<QPair<int, int>> m_known; // the same, for look-ups
    QList<QStringList> m_words;    // the words of each added ayah
    QHash<QString, QList<Occurrence>> m_occurrences;
    mutable QStringList m_sortedWords; // distinct words, for prefix ranges
    mutable bool m_sorted = false;
};

// The rows of the three classification tables of the store.
struct ClassificationRow {
    int surah = 0;
    QString surahName;
    QString ayahs; // reference string
    QString topic;
};
struct ChapterTopicRow {
    int chapterNumber = 0;
    QString chapterName;
    int topicNumber = 0;
    QString topic;
};
struct ClassificationTables {
    QList<ClassificationRow> references;  // per topic (alphabetical) and surah (ascending)
    QList<ChapterTopicRow> chapterTopics; // chapter by chapter, topics in listed order
    QStringList topicsAlphabetical;       // distinct topic names in Bosnian order
};

// Derives the tables. `surahNames` holds the short name of surah n at n - 1. Fails when a
// topic's reference lists do not fit the text (see TopicIndex::topicAyahs) or a topic has no
// ayah at all.
bool deriveClassification(const TopicCatalogue &catalogue, const TopicIndex &index,
                          const QStringList &surahNames, ClassificationTables *tables, QString *error);

} // namespace velmora::classification
