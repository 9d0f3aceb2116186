#include "defaultdata/TopicIndex.h"

#include "defaultdata/BosnianOrder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace velmora::classification {

namespace {
// The tree numbers its rows with a 16-bit counter.
constexpr int kMaxChapterTopicRows = 32767;

bool readStringList(const QJsonObject &o, const char *key, QStringList *out, QString *error,
                    const QString &where)
{
    const QJsonValue value = o.value(QLatin1String(key));
    if (value.isUndefined())
        return true;
    if (!value.isArray()) {
        *error = QStringLiteral("%1: \"%2\" is not a list").arg(where, QLatin1String(key));
        return false;
    }
    for (const QJsonValue &v : value.toArray()) {
        const QString s = v.toString().simplified();
        if (!v.isString() || s.isEmpty()) {
            *error =
                QStringLiteral("%1: \"%2\" holds an empty or non-text entry").arg(where, QLatin1String(key));
            return false;
        }
        out->append(s);
    }
    return true;
}

// Topic and chapter names go into query texts between double quotes and into tree node
// texts after "N. "; they must survive both unchanged.
bool validName(const QString &name)
{
    return !name.isEmpty() && name == name.trimmed() && !name.contains(QLatin1Char('"')) &&
           !name.contains(QLatin1Char('\t')) && !name.contains(QLatin1Char('\n')) &&
           !name.contains(QLatin1Char('\r'));
}

QStringList entryParts(const QString &entry)
{
    return TopicIndex::words(entry);
}

// "posta nevjernik*": blank-separated words, each one word of the text's kind, a trailing *
// making it a word beginning.
bool readPhrases(const QJsonObject &o, QList<ExcludedPhrase> *out, QString *error, const QString &where)
{
    QStringList texts;
    if (!readStringList(o, "excludePhrases", &texts, error, where))
        return false;
    for (const QString &text : std::as_const(texts)) {
        ExcludedPhrase phrase;
        for (QString token : text.split(QLatin1Char(' '))) {
            PhraseWord word;
            word.prefix = token.endsWith(QLatin1Char('*'));
            if (word.prefix)
                token.chop(1);
            const QStringList parts = TopicIndex::words(token);
            if (parts.size() != 1 || parts.first().size() != token.size()) {
                *error = QStringLiteral("%1: the phrase \"%2\" has a word that is not one word of letters "
                                        "(only a trailing * is allowed)")
                             .arg(where, text);
                return false;
            }
            word.text = parts.first();
            phrase.append(word);
        }
        out->append(phrase);
    }
    return true;
}

// [{"ayahs": ["2:34", "7:169"], "reason": "..."}]
bool readReferenceLists(const QJsonObject &o, const char *key, QList<AyahReferenceList> *out, QString *error,
                        const QString &where)
{
    static const QRegularExpression reference(QStringLiteral("^([1-9][0-9]{0,2}):([1-9][0-9]{0,2})$"));
    const QJsonValue value = o.value(QLatin1String(key));
    if (value.isUndefined())
        return true;
    const QString what = QStringLiteral("%1: \"%2\"").arg(where, QLatin1String(key));
    if (!value.isArray()) {
        *error = QStringLiteral("%1 is not a list").arg(what);
        return false;
    }
    for (const QJsonValue &item : value.toArray()) {
        const QJsonObject entry = item.toObject();
        AyahReferenceList list;
        list.reason = entry.value(QLatin1String("reason")).toString().simplified();
        const QJsonArray ayahs = entry.value(QLatin1String("ayahs")).toArray();
        if (!item.isObject() || list.reason.isEmpty() || ayahs.isEmpty()) {
            *error = QStringLiteral("%1 holds an entry without ayahs or without a reason").arg(what);
            return false;
        }
        for (const QJsonValue &ayah : ayahs) {
            const QRegularExpressionMatch m = reference.match(ayah.toString());
            if (!m.hasMatch()) {
                *error = QStringLiteral("%1: \"%2\" is not an ayah reference such as 2:255")
                             .arg(what, ayah.isString() ? ayah.toString() : QStringLiteral("?"));
                return false;
            }
            list.ayahs.append({m.captured(1).toInt(), m.captured(2).toInt()});
        }
        out->append(list);
    }
    return true;
}

// Whether one of the phrases covers a word of the occurrence of `length` words at `position`.
bool insidePhrase(const QStringList &ws, qsizetype position, qsizetype length,
                  const QList<ExcludedPhrase> &phrases)
{
    for (const ExcludedPhrase &phrase : phrases) {
        // Every start from which the phrase would reach a word of the occurrence.
        for (qsizetype start = std::max<qsizetype>(0, position - phrase.size() + 1);
             start < position + length && start + phrase.size() <= ws.size(); ++start) {
            bool all = true;
            for (qsizetype j = 0; all && j < phrase.size(); ++j) {
                const QString &w = ws.at(start + j);
                const PhraseWord &p = phrase.at(j);
                all = p.prefix ? w.startsWith(p.text) : w == p.text;
            }
            if (all)
                return true;
        }
    }
    return false;
}

QString referenceText(const QPair<int, int> &ayah)
{
    return QStringLiteral("%1:%2").arg(ayah.first).arg(ayah.second);
}
} // namespace

// ---------------------------------------------------------------------------------------------

bool TopicCatalogue::parse(const QByteArray &json)
{
    m_chapters.clear();
    m_topics.clear();
    m_error.clear();
    auto failWith = [this](const QString &message) {
        m_error = message;
        m_chapters.clear();
        m_topics.clear();
        return false;
    };

    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failWith(QStringLiteral("the classification file is not valid JSON (%1 at offset %2)")
                            .arg(parseError.errorString())
                            .arg(parseError.offset));
    const QJsonObject root = doc.object();

    QList<TopicPattern> topics;
    QSet<QString> topicNames;
    for (const QJsonValue &value : root.value(QLatin1String("topics")).toArray()) {
        const QJsonObject o = value.toObject();
        TopicPattern t;
        t.name = o.value(QLatin1String("name")).toString();
        const QString where = QStringLiteral("topic \"%1\"").arg(t.name);
        if (!validName(t.name))
            return failWith(
                QStringLiteral("%1: the name is empty, has blanks around it or holds a quote").arg(where));
        if (topicNames.contains(t.name))
            return failWith(QStringLiteral("%1 is described twice").arg(where));
        QString error;
        if (!readStringList(o, "stems", &t.stems, &error, where) ||
            !readStringList(o, "words", &t.words, &error, where) ||
            !readStringList(o, "exclude", &t.exclude, &error, where) ||
            !readPhrases(o, &t.excludePhrases, &error, where) ||
            !readReferenceLists(o, "leaveOut", &t.leaveOut, &error, where) ||
            !readReferenceLists(o, "add", &t.add, &error, where))
            return failWith(error);
        if (t.stems.isEmpty() && t.words.isEmpty())
            return failWith(QStringLiteral("%1 has no stems and no words").arg(where));
        topicNames.insert(t.name);
        topics.append(t);
    }
    if (topics.isEmpty())
        return failWith(QStringLiteral("the classification file describes no topics"));

    QList<TopicChapter> chapters;
    QSet<QString> chapterNames;
    QSet<QString> listed;
    int rows = 0;
    for (const QJsonValue &value : root.value(QLatin1String("chapters")).toArray()) {
        const QJsonObject o = value.toObject();
        TopicChapter c;
        c.name = o.value(QLatin1String("name")).toString();
        const QString where = QStringLiteral("chapter \"%1\"").arg(c.name);
        if (!validName(c.name))
            return failWith(
                QStringLiteral("%1: the name is empty, has blanks around it or holds a quote").arg(where));
        if (chapterNames.contains(c.name))
            return failWith(QStringLiteral("%1 occurs twice").arg(where));
        QString error;
        if (!readStringList(o, "topics", &c.topics, &error, where))
            return failWith(error);
        if (c.topics.isEmpty())
            return failWith(QStringLiteral("%1 lists no topics").arg(where));
        if (QSet<QString>(c.topics.cbegin(), c.topics.cend()).size() != c.topics.size())
            return failWith(QStringLiteral("%1 lists a topic twice").arg(where));
        for (const QString &topic : std::as_const(c.topics)) {
            if (!topicNames.contains(topic))
                return failWith(
                    QStringLiteral("%1 lists the topic \"%2\", which is not described").arg(where, topic));
            listed.insert(topic);
        }
        rows += int(c.topics.size());
        chapterNames.insert(c.name);
        chapters.append(c);
    }
    if (chapters.isEmpty())
        return failWith(QStringLiteral("the classification file has no chapters"));
    if (rows > kMaxChapterTopicRows)
        return failWith(
            QStringLiteral("the chapters list %1 topics, more than %2").arg(rows).arg(kMaxChapterTopicRows));
    for (const TopicPattern &t : std::as_const(topics)) {
        if (!listed.contains(t.name))
            return failWith(QStringLiteral("the topic \"%1\" is not listed under any chapter").arg(t.name));
    }
    m_chapters = chapters;
    m_topics = topics;
    return true;
}

const TopicPattern *TopicCatalogue::topic(const QString &name) const
{
    for (const TopicPattern &t : m_topics) {
        if (t.name == name)
            return &t;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------

QStringList TopicIndex::words(const QString &text)
{
    QStringList out;
    QString current;
    const QString lower = text.toLower();
    for (qsizetype i = 0; i < lower.size(); ++i) {
        QChar ch = lower.at(i);
        if (ch.isLetterOrNumber() || ch.isMark()) {
            current += ch;
            continue;
        }
        const bool apostrophe = ch == QLatin1Char('\'') || ch == QChar(0x2019);
        if (apostrophe && !current.isEmpty() && i + 1 < lower.size() && lower.at(i + 1).isLetter()) {
            current += QLatin1Char('\'');
            continue;
        }
        if (!current.isEmpty()) {
            out << current;
            current.clear();
        }
    }
    if (!current.isEmpty())
        out << current;
    return out;
}

void TopicIndex::addAyah(int surah, int ayah, const QString &text)
{
    const QStringList w = words(text);
    const int index = int(m_refs.size());
    m_refs.append({surah, ayah});
    m_known.insert({surah, ayah});
    for (int i = 0; i < w.size(); ++i)
        m_occurrences[w.at(i)].append({index, i});
    m_words.append(w);
    m_sorted = false;
}

void TopicIndex::ensureSorted() const
{
    if (m_sorted)
        return;
    m_sortedWords = m_occurrences.keys();
    std::sort(m_sortedWords.begin(), m_sortedWords.end());
    m_sorted = true;
}

void TopicIndex::findEntry(const QStringList &parts, bool prefix, const QStringList &exclude,
                           const QList<ExcludedPhrase> &phrases, QList<bool> &hits) const
{
    if (parts.isEmpty())
        return;
    auto excluded = [&exclude](const QString &word) {
        return std::any_of(exclude.cbegin(), exclude.cend(),
                           [&word](const QString &e) { return word.startsWith(e); });
    };
    auto partMatches = [prefix](const QString &word, const QString &part) {
        return prefix ? word.startsWith(part) : word == part;
    };
    auto checkOccurrences = [&](const QString &firstWord) {
        for (const Occurrence &occ : m_occurrences.value(firstWord)) {
            const QStringList &ws = m_words.at(occ.ayahIndex);
            if (occ.position + parts.size() > ws.size())
                continue;
            bool ok = true;
            for (qsizetype j = 1; ok && j < parts.size(); ++j) {
                const QString &w = ws.at(occ.position + j);
                ok = partMatches(w, parts.at(j)) && !excluded(w);
            }
            if (ok && !hits.at(occ.ayahIndex) && !insidePhrase(ws, occ.position, parts.size(), phrases))
                hits[occ.ayahIndex] = true;
        }
    };
    const QString &first = parts.first();
    if (!prefix) {
        if (!excluded(first))
            checkOccurrences(first);
        return;
    }
    ensureSorted();
    // Words beginning with `first` form one run in code-unit order.
    for (auto it = std::lower_bound(m_sortedWords.cbegin(), m_sortedWords.cend(), first);
         it != m_sortedWords.cend() && it->startsWith(first); ++it) {
        if (!excluded(*it))
            checkOccurrences(*it);
    }
}

QMap<int, QList<int>> TopicIndex::find(const TopicPattern &pattern) const
{
    QList<bool> hits(m_refs.size(), false);
    QStringList exclude;
    for (const QString &e : pattern.exclude)
        exclude << entryParts(e);
    for (const QString &stem : pattern.stems)
        findEntry(entryParts(stem), true, exclude, pattern.excludePhrases, hits);
    for (const QString &word : pattern.words)
        findEntry(entryParts(word), false, exclude, pattern.excludePhrases, hits);
    QMap<int, QList<int>> result;
    for (qsizetype i = 0; i < hits.size(); ++i) {
        if (hits.at(i))
            result[m_refs.at(i).first].append(m_refs.at(i).second);
    }
    for (QList<int> &ayahs : result)
        std::sort(ayahs.begin(), ayahs.end());
    return result;
}

bool TopicIndex::topicAyahs(const TopicPattern &pattern, QMap<int, QList<int>> *ayahs, QString *error) const
{
    QMap<int, QList<int>> found = find(pattern);
    auto listed = [&found](const QPair<int, int> &ayah) {
        return found.value(ayah.first).contains(ayah.second);
    };
    auto unknown = [this, &pattern, error](const QPair<int, int> &ayah) {
        if (m_known.contains(ayah))
            return false;
        *error = QStringLiteral("the topic \"%1\" lists %2, which is not an ayah of the text")
                     .arg(pattern.name, referenceText(ayah));
        return true;
    };
    for (const AyahReferenceList &list : pattern.leaveOut) {
        for (const QPair<int, int> &ayah : list.ayahs) {
            if (unknown(ayah))
                return false;
            if (!listed(ayah)) {
                *error = QStringLiteral("the topic \"%1\" leaves out %2, which its words do not find")
                             .arg(pattern.name, referenceText(ayah));
                return false;
            }
            found[ayah.first].removeOne(ayah.second);
            if (found.value(ayah.first).isEmpty())
                found.remove(ayah.first);
        }
    }
    for (const AyahReferenceList &list : pattern.add) {
        for (const QPair<int, int> &ayah : list.ayahs) {
            if (unknown(ayah))
                return false;
            const bool leftOut =
                std::any_of(pattern.leaveOut.cbegin(), pattern.leaveOut.cend(),
                            [&ayah](const AyahReferenceList &l) { return l.ayahs.contains(ayah); });
            if (leftOut) {
                *error = QStringLiteral("the topic \"%1\" both leaves out and adds %2")
                             .arg(pattern.name, referenceText(ayah));
                return false;
            }
            if (listed(ayah)) {
                *error = QStringLiteral("the topic \"%1\" adds %2, which it lists already")
                             .arg(pattern.name, referenceText(ayah));
                return false;
            }
            QList<int> &inSurah = found[ayah.first];
            inSurah.insert(std::lower_bound(inSurah.begin(), inSurah.end(), ayah.second), ayah.second);
        }
    }
    *ayahs = std::move(found);
    return true;
}

bool TopicIndex::matches(const QString &text, const TopicPattern &pattern)
{
    TopicIndex one;
    one.addAyah(1, 1, text);
    return !one.find(pattern).isEmpty();
}

QString TopicIndex::referenceString(QList<int> ayahs)
{
    std::sort(ayahs.begin(), ayahs.end());
    ayahs.erase(std::unique(ayahs.begin(), ayahs.end()), ayahs.end());
    QStringList items;
    for (qsizetype i = 0; i < ayahs.size();) {
        qsizetype j = i;
        while (j + 1 < ayahs.size() && ayahs.at(j + 1) == ayahs.at(j) + 1)
            ++j;
        items << (j == i ? QString::number(ayahs.at(i))
                         : QString::number(ayahs.at(i)) + QLatin1Char('-') + QString::number(ayahs.at(j)));
        i = j + 1;
    }
    return items.join(QLatin1Char(','));
}

// ---------------------------------------------------------------------------------------------

bool deriveClassification(const TopicCatalogue &catalogue, const TopicIndex &index,
                          const QStringList &surahNames, ClassificationTables *tables, QString *error)
{
    ClassificationTables out;
    for (int c = 0; c < catalogue.chapters().size(); ++c) {
        const TopicChapter &chapter = catalogue.chapters().at(c);
        for (int t = 0; t < chapter.topics.size(); ++t)
            out.chapterTopics.append({c + 1, chapter.name, t + 1, chapter.topics.at(t)});
    }
    for (const TopicPattern &t : catalogue.topics())
        out.topicsAlphabetical << t.name;
    bosnian::sort(out.topicsAlphabetical);

    for (const QString &name : std::as_const(out.topicsAlphabetical)) {
        QMap<int, QList<int>> found;
        if (!index.topicAyahs(*catalogue.topic(name), &found, error))
            return false;
        if (found.isEmpty()) {
            *error = QStringLiteral("the topic \"%1\" matches no ayah").arg(name);
            return false;
        }
        for (auto it = found.cbegin(); it != found.cend(); ++it) {
            if (it.key() < 1 || it.key() > surahNames.size()) {
                *error = QStringLiteral("surah %1 has no name").arg(it.key());
                return false;
            }
            out.references.append(
                {it.key(), surahNames.at(it.key() - 1), TopicIndex::referenceString(it.value()), name});
        }
    }
    *tables = std::move(out);
    return true;
}

} // namespace velmora::classification
