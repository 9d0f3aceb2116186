#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace velmora::classification {

// A topic of the thematic classification and the Bosnian words that identify it in the
// translation. Every entry is matched at the start of a word and without regard to letter
// case; an entry of several words matches consecutive words of the text.
//   stems:   each word of the entry is a word beginning ("musa" finds Musa, Musaa, Musaov)
//   words:   each word of the entry is a whole word ("lut" finds Lut, not lutaju)
//   exclude: word beginnings that never count ("milostinj" keeps alms out of mercy)
struct TopicPattern {
    QString name;
    QStringList stems;
    QStringList words;
    QStringList exclude;
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

    // The ayahs that hold one of the topic's entries: surah number -> ascending ayah numbers.
    QMap<int, QList<int>> find(const TopicPattern &pattern) const;

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
                   QList<bool> &hits) const;
    void ensureSorted() const;

    QList<QPair<int, int>> m_refs; // surah, ayah of each added ayah
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
// topic finds no ayah at all.
bool deriveClassification(const TopicCatalogue &catalogue, const TopicIndex &index,
                          const QStringList &surahNames, ClassificationTables *tables, QString *error);

} // namespace velmora::classification
