#include "textview/widgets/AyahLocator.h"

#include "textview/AyahMarker.h"
#include "textview/widgets/RichTextView.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <functional>

namespace velmora {

namespace {
const QString kParagraphEnd = QStringLiteral("\r");
const QString kTab = QStringLiteral("\t");

// Every colouring run of a view gets the next number; a run that finds a newer number on its
// view after a yield leaves the view to the newer run.
const char *const kColourRunProperty = "velmoraColourRun";

qulonglong colourRun(const QObject *view)
{
    return view->property(kColourRunProperty).toULongLong();
}

qulonglong startColourRun(QObject *view)
{
    const qulonglong run = colourRun(view) + 1;
    view->setProperty(kColourRunProperty, QVariant::fromValue(run));
    return run;
}

// Whether the view position `pos` is the first character of a paragraph.
bool startsParagraph(const RichTextView *view, int pos)
{
    const int docPos = view->toDocumentPosition(pos);
    return view->document()->findBlock(docPos).position() == docPos;
}

struct Occurrence {
    int from;
    int to;
};

// The text of a document as the colouring searches it: its paragraph separators in place, so
// that string positions are document positions, and a no-break space read as a blank.
QString searchedText(const QTextDocument *doc)
{
    QString text = doc->toRawText();
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    return text;
}

// The occurrences of `word` in `text` from `start` on, found one after the other from the end
// of the previous one, up to the first that starts after `stopAfter`, with the matching of the
// view's find: letter case ignored, inside words too, within one paragraph.
QList<Occurrence> findOccurrences(const QString &text, const QString &word, qsizetype start,
                                  qsizetype stopAfter)
{
    QList<Occurrence> found;
    if (word.contains(QChar::ParagraphSeparator))
        return found;
    for (qsizetype at = text.indexOf(word, start, Qt::CaseInsensitive); at >= 0 && at <= stopAfter;
         at = text.indexOf(word, at + word.size(), Qt::CaseInsensitive))
        found.append({int(at), int(at + word.size())});
    return found;
}

// The same for the non-empty matches of `pattern`.
QList<Occurrence> findOccurrences(const QString &text, const QRegularExpression &pattern, qsizetype start,
                                  qsizetype stopAfter)
{
    QList<Occurrence> found;
    if (!pattern.isValid())
        return found;
    for (QRegularExpressionMatchIterator it = pattern.globalMatch(text, start); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedStart() > stopAfter)
            break;
        if (m.capturedLength() > 0)
            found.append({int(m.capturedStart()), int(m.capturedEnd())});
    }
    return found;
}

using Finder = std::function<QList<Occurrence>(const QString &text, qsizetype start, qsizetype stopAfter)>;

// Colours the occurrences that `find` gives in the view's document red; see SkuqjeFjalesh.
void colourOccurrences(RichTextView *view, const Finder &find)
{
    const QPointer<RichTextView> guard(view);
    const qulonglong run = startColourRun(view);
    view->setSelStart(0);

    const QPointer<QTextDocument> doc(view->document());
    // A change of the text by anyone else while this run yields (a new listing, the whole text
    // loaded again) makes the positions below meaningless. Format changes (a new font, the
    // colouring itself) keep the text and its positions.
    bool textChanged = false;
    bool ownEdit = false;
    QObject watcher;
    QObject::connect(doc, &QTextDocument::contentsChange, &watcher,
                     [&textChanged, &ownEdit](int, int removed, int added) {
                         if (!ownEdit && removed != added)
                             textChanged = true;
                     });
    const auto stillOurs = [&] {
        return guard && doc && guard->document() == doc && !textChanged && colourRun(guard) == run;
    };

    // Occurrences change colour in edit blocks: the view then lays the changed paragraphs out
    // once per block, instead of once per occurrence (thousands of layout passes over the
    // whole text for a frequent word).
    const auto colourRed = [&](const Occurrence *begin, const Occurrence *end) {
        if (begin == end)
            return;
        QTextCharFormat red;
        red.setForeground(QColor(255, 0, 0));
        ownEdit = true;
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        for (const Occurrence *o = begin; o != end; ++o) {
            cursor.setPosition(o->from);
            cursor.setPosition(o->to, QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(red);
        }
        cursor.endEditBlock();
        ownEdit = false;
    };
    // What the reader sees first comes first: the occurrences up to the end of the view's
    // screen are found and coloured, and the screen painted, before the rest of a long
    // listing is found and coloured (one edit block again: in steps, each step would make the
    // view lay the text out up to it anew, which costs more in all than it spares). The
    // search runs from the start of the text in both parts, one occurrence after another.
    const QString text = searchedText(doc);
    const QRect screen = view->viewport()->rect();
    const int screenTo = view->cursorForPosition(screen.bottomRight()).position();
    const QList<Occurrence> first = find(text, 0, screenTo);
    colourRed(first.constData(), first.constData() + first.size());
    qsizetype yields = 0;
    if (!first.isEmpty()) {
        QCoreApplication::processEvents();
        ++yields;
        if (!stillOurs())
            return;
    }
    const QList<Occurrence> rest = find(text, first.isEmpty() ? 0 : first.last().to, text.size());
    colourRed(rest.constData(), rest.constData() + rest.size());

    // One yield per occurrence in all, so that the window repaints and the reader's actions
    // run in between, as a colouring that walks the text one occurrence at a time allows.
    for (const qsizetype total = first.size() + rest.size(); yields < total; ++yields) {
        QCoreApplication::processEvents();
        if (!stillOurs())
            return;
    }

    view->setSelStart(0);
    view->takeFocus();
}

} // namespace

void kerkoje(RichTextView *view, const QString &surahText, const QString &ayahText)
{
    if (!view)
        return;
    view->setSelStart(0);
    // Found: the marker is selected. Not found: the caret is still at 0, nothing selected.
    // Only a marker that starts a paragraph counts: in a listing that lacks ayah 2:5 the text
    // 2:5. still occurs inside the marker of 12:5, and that line must not pass for ayah 2:5.
    const QString marker = buildMarker(surahText, ayahText);
    int from = 0;
    for (int at = view->find(marker, from); at >= 0; at = view->find(marker, from)) {
        if (startsParagraph(view, at))
            break;
        from = at + 1;
        view->setSelStart(0);
    }
    view->span(kParagraphEnd, true, true);
    view->takeFocus();
}

int selectAyahParagraph(RichTextView *view, const QString &surahText, const QString &ayahText, int from)
{
    if (!view)
        return -1;
    const QString marker = buildMarker(surahText, ayahText);
    for (int at = view->find(marker, std::max(from, 0), -1, RichTextView::FindNoHighlight); at >= 0;
         at = view->find(marker, at + 1, -1, RichTextView::FindNoHighlight)) {
        if (!startsParagraph(view, at))
            continue;
        view->setSelStart(at);
        view->span(kParagraphEnd, true, true);
        view->ensureCursorVisible();
        return at;
    }
    return -1;
}

QString selectAyahAtCaret(RichTextView *view)
{
    if (!view)
        return QString();
    // In front of the carriage return that ends the previous paragraph, then past it and its
    // line feed: the first character of the caret's paragraph, where its marker starts.
    view->upTo(kParagraphEnd, false, false);
    view->setSelStart(std::min(view->selStart() + 2, view->textLength()));
    view->span(kTab, true, true);
    const QString marker = view->selText();
    view->span(kParagraphEnd, true, true);
    view->refresh();
    return marker;
}

void SkuqjeFjalesh(RichTextView *view, const QString &word)
{
    if (!view || word.isEmpty())
        return;
    colourOccurrences(view, [&word](const QString &text, qsizetype start, qsizetype stopAfter) {
        return findOccurrences(text, word, start, stopAfter);
    });
}

void SkuqjeFjalesh(RichTextView *view, const QRegularExpression &pattern)
{
    if (!view || pattern.pattern().isEmpty())
        return;
    colourOccurrences(view, [&pattern](const QString &text, qsizetype start, qsizetype stopAfter) {
        return findOccurrences(text, pattern, start, stopAfter);
    });
}

} // namespace velmora
