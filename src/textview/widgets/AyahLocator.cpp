#include "textview/widgets/AyahLocator.h"

#include "textview/AyahMarker.h"
#include "textview/widgets/RichTextView.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

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
// Every occurrence of `word`, found one after the other from the end of the previous one,
// with the matching of the view's find: letter case ignored, inside words too, within one
// paragraph, a no-break space matching a blank. The document's text is read once, with its
// paragraph separators in place, so that string positions are document positions.
QList<Occurrence> findOccurrences(const QTextDocument *doc, const QString &word)
{
    QList<Occurrence> found;
    if (word.contains(QChar::ParagraphSeparator))
        return found;
    QString text = doc->toRawText();
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    for (qsizetype at = text.indexOf(word, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(word, at + word.size(), Qt::CaseInsensitive))
        found.append({int(at), int(at + word.size())});
    return found;
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

    const QList<Occurrence> found = findOccurrences(doc, word);

    // All occurrences change colour in one edit block: the view then lays the changed
    // paragraphs out once, instead of once per occurrence (thousands of layout passes over the
    // whole text for a frequent word).
    if (!found.isEmpty()) {
        QTextCharFormat red;
        red.setForeground(QColor(255, 0, 0));
        ownEdit = true;
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        for (const Occurrence &o : found) {
            cursor.setPosition(o.from);
            cursor.setPosition(o.to, QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(red);
        }
        cursor.endEditBlock();
        ownEdit = false;
    }
    // One yield per occurrence, so that the window repaints and the reader's actions run in
    // between, as a colouring that walks the text one occurrence at a time allows.
    for (qsizetype i = 0; i < found.size(); ++i) {
        QCoreApplication::processEvents();
        if (!stillOurs())
            return;
    }

    view->setSelStart(0);
    view->takeFocus();
}

} // namespace velmora
