#include "search/MarkFreeWords.h"

#include <QList>

namespace velmora {

namespace {

// The letters with marks that a plain letter also stands for, in the plain letter's case.
QString marksOf(QChar c)
{
    switch (c.unicode()) {
    case u'c':
        return QStringLiteral("čć");
    case u'C':
        return QStringLiteral("ČĆ");
    case u's':
        return QStringLiteral("š");
    case u'S':
        return QStringLiteral("Š");
    case u'z':
        return QStringLiteral("ž");
    case u'Z':
        return QStringLiteral("Ž");
    case u'd':
        return QStringLiteral("đ");
    case u'D':
        return QStringLiteral("Đ");
    default:
        return QString();
    }
}

bool isJ(QChar c)
{
    return c == u'j' || c == u'J';
}

// One piece of a word: a fixed text, or the choice between dj (as a list and j) and đ.
struct Piece {
    QString text;
    QString alternative; // not empty: the piece is a choice, `text` its first option
};

// A character list of the word, from its "[" up to and including its "]", with the letters
// with marks added beside each plain letter it names, alone or inside a range (a-z).
QString widenedList(QStringView list)
{
    const QString inner = list.mid(1, list.size() - 2).toString();
    QString added;
    auto add = [&](QChar plain) {
        for (QChar m : marksOf(plain)) {
            if (!inner.contains(m) && !added.contains(m))
                added += m;
        }
    };
    const qsizetype start = inner.startsWith(u'!') ? 1 : 0;
    for (qsizetype k = start; k < inner.size(); ++k) {
        if (k + 2 < inner.size() && inner[k + 1] == u'-') {
            for (QChar plain : QStringLiteral("cCsSzZdD")) {
                if (plain >= inner[k] && plain <= inner[k + 2])
                    add(plain);
            }
            k += 2;
        } else {
            add(inner[k]);
        }
    }
    return QLatin1Char('[') + inner + added + QLatin1Char(']');
}

} // namespace

QStringList markFreeForms(const QString &word)
{
    QList<Piece> pieces;
    QString fixed;
    int choices = 0;
    const qsizetype n = word.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = word[i];
        if (c == u'[') {
            const qsizetype close = word.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0) {
                // An unclosed list: the store refuses the pattern as it would without this
                // option; it is passed on unchanged so that it says so.
                fixed += QStringView(word).mid(i);
                break;
            }
            fixed += widenedList(QStringView(word).mid(i, close - i + 1));
            i = close;
            continue;
        }
        const QString marks = marksOf(c);
        if (marks.isEmpty()) {
            fixed += c;
            continue;
        }
        const QString list = QLatin1Char('[') + c + marks + QLatin1Char(']');
        if ((c == u'd' || c == u'D') && i + 1 < n && isJ(word[i + 1])) {
            if (++choices > 30 || (1 << choices) > kMaxMarkFreeForms)
                return {};
            pieces.append({fixed, QString()});
            fixed.clear();
            pieces.append({list + word[i + 1], marks});
            ++i;
            continue;
        }
        fixed += list;
    }
    pieces.append({fixed, QString()});

    QStringList forms;
    const int count = 1 << choices;
    for (int bits = 0; bits < count; ++bits) {
        QString form;
        int choice = 0;
        for (const Piece &p : pieces) {
            if (p.alternative.isEmpty()) {
                form += p.text;
                continue;
            }
            form += (bits >> choice & 1) ? p.alternative : p.text;
            ++choice;
        }
        forms.append(form);
    }
    return forms;
}

QRegularExpression markFreeExpression(const QStringList &forms)
{
    // Within one paragraph: the view separates paragraphs with U+2029.
    const QString anyOne = QStringLiteral("[^\\x{2029}]");
    QStringList alternatives;
    for (const QString &form : forms) {
        QString rx;
        const qsizetype n = form.size();
        for (qsizetype i = 0; i < n; ++i) {
            const QChar c = form[i];
            if (c == u'*') {
                rx += anyOne + QStringLiteral("*?");
            } else if (c == u'?') {
                rx += anyOne;
            } else if (c == u'#') {
                rx += QStringLiteral("[0-9]");
            } else if (c == u'[' && form.indexOf(QLatin1Char(']'), i + 1) > i) {
                const qsizetype close = form.indexOf(QLatin1Char(']'), i + 1);
                QStringView inner = QStringView(form).mid(i + 1, close - i - 1);
                i = close;
                bool negated = false;
                if (inner.startsWith(u'!')) {
                    negated = true;
                    inner = inner.mid(1);
                }
                if (inner.isEmpty()) {
                    // "[]" stands for the empty text; "[!]" for any one character.
                    if (negated)
                        rx += anyOne;
                    continue;
                }
                QString set;
                for (qsizetype k = 0; k < inner.size(); ++k) {
                    // A range a-z; a "-" first or last stands for itself.
                    if (k + 2 < inner.size() && inner[k + 1] == u'-') {
                        set += QRegularExpression::escape(inner.mid(k, 1)) + QLatin1Char('-') +
                               QRegularExpression::escape(inner.mid(k + 2, 1));
                        k += 2;
                    } else {
                        set += QRegularExpression::escape(inner.mid(k, 1));
                    }
                }
                rx += negated ? QStringLiteral("[^\\x{2029}") + set + QLatin1Char(']')
                              : QLatin1Char('[') + set + QLatin1Char(']');
            } else if (c.isHighSurrogate() && i + 1 < n && form[i + 1].isLowSurrogate()) {
                rx += QRegularExpression::escape(form.mid(i, 2));
                ++i;
            } else {
                rx += QRegularExpression::escape(QString(c));
            }
        }
        alternatives.append(QStringLiteral("(?:") + rx + QLatin1Char(')'));
    }
    return QRegularExpression(alternatives.join(QLatin1Char('|')),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::UseUnicodePropertiesOption);
}

} // namespace velmora
