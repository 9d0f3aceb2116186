#include "textview/widgets/LastPlace.h"

#include "textview/AyahMarker.h"
#include "textview/widgets/RichTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QSettings>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

namespace velmora {

namespace {

// The block of the first paragraph that starts with the ayah's marker; invalid when none does.
QTextBlock paragraphOf(const QTextDocument *doc, const AyahRef &ref)
{
    const QString marker = buildMarker(QString::number(ref.surah), QString::number(ref.ayah));
    QTextCursor found = doc->find(marker, 0);
    while (!found.isNull()) {
        const QTextBlock block = doc->findBlock(found.selectionStart());
        if (block.position() == found.selectionStart())
            return block;
        found = doc->find(marker, found.selectionEnd());
    }
    return {};
}

void scrollBlockToTop(RichTextView *view, const QTextBlock &block)
{
    // The bounding rectangle lays the text out up to the block, so that the scroll range
    // reaches it even while the rest of a long text is still waiting for its layout.
    const QRectF rect = view->document()->documentLayout()->blockBoundingRect(block);
    view->verticalScrollBar()->setValue(int(rect.top()));
}

} // namespace

bool scrollToAyah(RichTextView *view, const AyahRef &ref)
{
    if (!view)
        return false;
    const QTextBlock block = paragraphOf(view->document(), ref);
    if (!block.isValid())
        return false;
    view->setSelStart(view->fromDocumentPosition(block.position()));
    scrollBlockToTop(view, block);
    return true;
}

std::optional<AyahRef> ayahAtCaret(const RichTextView *view)
{
    if (!view)
        return std::nullopt;
    const QTextBlock block = view->document()->findBlock(view->textCursor().selectionStart());
    if (!block.isValid())
        return std::nullopt;
    return ayahOfParagraph(block.text());
}

LastPlaceTracker::LastPlaceTracker(RichTextView *view, std::function<bool()> showsWholeText, QObject *parent)
    : QObject(parent), m_view(view), m_showsWholeText(std::move(showsWholeText))
{
    // The caret moves thousands of times while a listing is coloured: the place is read once
    // the event loop is back, not at every move.
    connect(view, &QTextEdit::cursorPositionChanged, this, &LastPlaceTracker::scheduleNote);
    connect(view, &QTextEdit::selectionChanged, this, &LastPlaceTracker::scheduleNote);
}

void LastPlaceTracker::scheduleNote()
{
    if (m_noteQueued)
        return;
    m_noteQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_noteQueued = false;
        note();
    });
}

void LastPlaceTracker::note()
{
    if (!m_view || !m_showsWholeText || !m_showsWholeText())
        return;
    const QTextCursor caret = m_view->textCursor();
    if (!caret.hasSelection() && caret.position() == 0)
        return;
    if (const auto ref = ayahAtCaret(m_view))
        m_place = ref;
}

void LastPlaceTracker::restore()
{
    auto settings = openReaderSettings();
    const auto kept = LastPlace::load(*settings);
    if (!kept || !m_view)
        return;
    if (!scrollToAyah(m_view, *kept))
        return;
    m_place = kept;
    // The window may still get its final size from the window system, which lays the text
    // out again: once that is done, the ayah is brought to the top again, unless the reader
    // has moved the view in the meantime.
    const int scrolled = m_view->verticalScrollBar()->value();
    QTimer::singleShot(0, this, [this, ref = *kept, scrolled] {
        if (m_view && m_view->verticalScrollBar()->value() == scrolled && ayahAtCaret(m_view) == ref)
            scrollBlockToTop(m_view, m_view->document()->findBlock(m_view->textCursor().position()));
    });
}

void LastPlaceTracker::save()
{
    note();
    if (!m_place)
        return;
    auto settings = openReaderSettings();
    LastPlace::save(*settings, *m_place);
}

} // namespace velmora
