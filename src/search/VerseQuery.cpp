#include "search/VerseQuery.h"

#include "data/JetSql.h"
#include "search/MarkFreeWords.h"

namespace velmora {

namespace {
const QString kLikeStart = QStringLiteral("SELECT * FROM kuran WHERE tekstajet LIKE '*");
const QString kLikeAnd = QStringLiteral(" AND tekstajet LIKE '*");
const QString kLikeEnd = QStringLiteral("*'");
const QString kCrLf = QStringLiteral("\r\n");
} // namespace

QString FormojeSQLStringunMeAndLike(const FjalKerkim &ObjFjal)
{
    QString sql;
    if (const FjalProperties *first = ObjFjal.Item(1))
        sql = kLikeStart + first->Text() + kLikeEnd;
    for (int i = 2; i <= ObjFjal.Count(); ++i)
        sql += kLikeAnd + ObjFjal.Item(i)->Text() + kLikeEnd;
    return sql;
}

int NumerojiFjalet(QString Stringu, const QString &Shenja, FjalKerkim &words)
{
    words.Clear();
    int count = 0;
    // Read from a moving start rather than cutting the text down each time: a pasted text
    // with thousands of separators costs one pass.
    qsizetype start = 0;
    if (!Shenja.isEmpty()) {
        qsizetype p;
        while ((p = Stringu.indexOf(Shenja, start, Qt::CaseSensitive)) >= 0) {
            words.Add(Stringu.mid(start, p - start));
            // The separator is taken to be one character long.
            start = p + 1;
            ++count;
        }
    }
    words.Add(Stringu.mid(start));
    ++count;
    return count;
}

bool isSurahNumber(const QString &text)
{
    if (text.isEmpty() || text.size() > 6)
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    const int n = text.toInt();
    return n >= 1 && n <= 114;
}

namespace {
QString doubledQuotes(QString text)
{
    return text.replace(QLatin1Char('\''), QStringLiteral("''"));
}

// The condition of one word searched without marks: the LIKE of each of its forms, joined by
// OR and kept together by parentheses before the ANDs of the other words.
QString markFreeCondition(const QStringList &forms)
{
    QStringList likes;
    for (const QString &form : forms)
        likes.append(QStringLiteral("tekstajet LIKE '*") + doubledQuotes(form) + kLikeEnd);
    if (likes.size() == 1)
        return likes.first();
    return QLatin1Char('(') + likes.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}
} // namespace

VerseQuery buildVerseQuery(const QString &searchText, bool restrictToSurah, const QString &surahText,
                           FjalKerkim &words, bool ignoreMarks)
{
    VerseQuery q;
    if (restrictToSurah && !isSurahNumber(surahText))
        return q;
    if (ignoreMarks) {
        FjalKerkim typed;
        NumerojiFjalet(searchText, QStringLiteral("&"), typed);
        QStringList conditions;
        for (int i = 1; i <= typed.Count(); ++i) {
            const QString word = typed.Item(i)->Text();
            const QStringList forms = markFreeForms(word);
            if (forms.isEmpty()) {
                q.tooManyForms = word;
                return q;
            }
            conditions.append(markFreeCondition(forms));
        }
        words = typed;
        q.sql = QStringLiteral("SELECT * FROM kuran WHERE ") + conditions.join(QStringLiteral(" AND "));
        if (restrictToSurah)
            q.sql += QStringLiteral(" and nrsure=") + surahText;
        q.ok = true;
        return q;
    }
    // The word list holds the words as typed, for the colouring; the query quotes each word's
    // apostrophes by doubling them. A text without "&" is one word, so one template serves.
    NumerojiFjalet(searchText, QStringLiteral("&"), words);
    FjalKerkim quoted;
    for (int i = 1; i <= words.Count(); ++i) {
        quoted.Add(data::jet::withQuotesDoubled(words.Item(i)->Text(), QLatin1Char('\'')));
    }
    q.sql = FormojeSQLStringunMeAndLike(quoted);
    if (restrictToSurah)
        q.sql += QStringLiteral(" and nrsure=") + surahText;
    q.ok = true;
    return q;
}

QString summaryLine(int count, const QString &T, bool restrictToSurah, const QString &S)
{
    if (count == 0) {
        if (restrictToSurah)
            return QStringLiteral("U suri ") + S + QStringLiteral(" se ne pominje izraz ") + T;
        return QStringLiteral("Nije pronađen neki ajet koji sadrži izraz ") + T;
    }
    if (count == 1) {
        if (restrictToSurah)
            return QStringLiteral("U suri ") + S +
                   QStringLiteral(" pronađen je samo jedan ajet u kojem se spominje izraz ") + T;
        return QStringLiteral("Pronađen je samo jedan ajet u kojem se spominje izraz ") + T +
               QStringLiteral(":");
    }
    if (restrictToSurah)
        return QStringLiteral("Ukupno je pronađeno ") + QString::number(count) +
               QStringLiteral(" ajeta u suri ") + S + QStringLiteral(" u kojima se spominje izraz ") + T +
               QStringLiteral(":");
    return QStringLiteral("Ukupno je pronađeno ") + QString::number(count) +
           QStringLiteral(" ajeta u kojima se spominje izraz ") + T + QStringLiteral(":");
}

QString listingText(const QString &summary, const QString &lines)
{
    return kCrLf + summary + kCrLf + QStringLiteral("* * * * * * * * * * * * * * * * * * *") + kCrLf + kCrLf +
           lines;
}

QString ayahLine(const QString &surah, const QString &ayah, const QString &text)
{
    return surah + QLatin1Char(':') + ayah + QLatin1Char('.') + QLatin1Char('\t') + text + kCrLf;
}

QString waitingText()
{
    return QStringLiteral("Ustrpite se...") + kCrLf + QStringLiteral("...traženje je u toku...");
}

} // namespace velmora
