#include "defaultdata/BosnianOrder.h"

#include <algorithm>

namespace velmora::classification::bosnian {

namespace {
// The alphabet with the foreign letters q, w, x, y in their Latin places.
const QStringList &alphabet()
{
    static const QStringList letters = {
        QStringLiteral("a"),  QStringLiteral("b"), QStringLiteral("c"),  QStringLiteral("č"),
        QStringLiteral("ć"),  QStringLiteral("d"), QStringLiteral("dž"), QStringLiteral("đ"),
        QStringLiteral("e"),  QStringLiteral("f"), QStringLiteral("g"),  QStringLiteral("h"),
        QStringLiteral("i"),  QStringLiteral("j"), QStringLiteral("k"),  QStringLiteral("l"),
        QStringLiteral("lj"), QStringLiteral("m"), QStringLiteral("n"),  QStringLiteral("nj"),
        QStringLiteral("o"),  QStringLiteral("p"), QStringLiteral("q"),  QStringLiteral("r"),
        QStringLiteral("s"),  QStringLiteral("š"), QStringLiteral("t"),  QStringLiteral("u"),
        QStringLiteral("v"),  QStringLiteral("w"), QStringLiteral("x"),  QStringLiteral("y"),
        QStringLiteral("z"),  QStringLiteral("ž"),
    };
    return letters;
}

constexpr int kSeparatorWeight = 1;
constexpr int kDigitBase = 10;
constexpr int kLetterBase = 100;
constexpr int kOtherLetterBase = 1000;

int letterWeight(const QString &letter)
{
    const qsizetype i = alphabet().indexOf(letter);
    return i < 0 ? -1 : kLetterBase + int(i);
}
} // namespace

QList<int> primaryWeights(const QString &text)
{
    const QString folded = text.toLower();
    QList<int> weights;
    weights.reserve(folded.size());
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const QChar ch = folded.at(i);
        if (i + 1 < folded.size()) {
            const QString pair = folded.mid(i, 2);
            if (pair == QStringLiteral("dž") || pair == QLatin1String("lj") || pair == QLatin1String("nj")) {
                weights << letterWeight(pair);
                ++i;
                continue;
            }
        }
        if (ch.isDigit()) {
            weights << kDigitBase + ch.digitValue();
            continue;
        }
        if (!ch.isLetter()) {
            if (!ch.isMark()) // combining accents weigh nothing at this level
                weights << kSeparatorWeight;
            continue;
        }
        int w = letterWeight(QString(ch));
        if (w < 0) {
            // A foreign letter with an accent (á, ê, ā) sorts as its base letter.
            const QString decomposition = ch.decomposition();
            if (!decomposition.isEmpty())
                w = letterWeight(decomposition.left(1).toLower());
        }
        weights << (w < 0 ? kOtherLetterBase + ch.unicode() : w);
    }
    return weights;
}

bool lessThan(const QString &a, const QString &b)
{
    const QList<int> wa = primaryWeights(a);
    const QList<int> wb = primaryWeights(b);
    if (wa != wb)
        return std::lexicographical_compare(wa.cbegin(), wa.cend(), wb.cbegin(), wb.cend());
    // Same letters: small letters first ("musa" before "Musa"), then the raw text.
    for (qsizetype i = 0; i < qMin(a.size(), b.size()); ++i) {
        const bool la = a.at(i).isLower();
        const bool lb = b.at(i).isLower();
        if (la != lb)
            return la;
    }
    return a < b;
}

void sort(QStringList &texts)
{
    std::stable_sort(texts.begin(), texts.end(), lessThan);
}

} // namespace velmora::classification::bosnian
