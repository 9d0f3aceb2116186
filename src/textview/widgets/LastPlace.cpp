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
#include <memory>

namespace velmora {

namespace {

// Paragraphs laid out per step while the view moves to the kept place: about a hundredth of a
// second's work.
constexpr int kBlocksPerStep = 150;

// The block of the first paragraph that starts with the ayah's marker; invalid when none does.
// The paragraphs are walked one by one: the document's own find, which matches text across
// paragraphs and formats, takes close to half a second to reach the end of the whole text.
QTextBlock paragraphOf(const QTextDocument *doc, const AyahRef &ref)
{
    const QString marker = buildMarker(QString::number(ref.surah), QString::number(ref.ayah));
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block.length() > marker.size() && block.text().startsWith(marker))
            return block;
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
    const QTextDocument *doc = m_view->document();
    const QTextBlock target = paragraphOf(doc, *kept);
    if (!target.isValid())
        return;
    m_place = kept;
    // Bringing an ayah near the end into sight needs the text laid out up to it, half a
    // second for the whole text. That is done a piece at a time while the window is already
    // there and responsive; the view then moves to the ayah. Whatever the reader does with the
    // view in the meantime (a click, a scroll, a search) wins over the move.
    const int targetNumber = target.blockNumber();
    const int startScroll = m_view->verticalScrollBar()->value();
    auto *steps = new QTimer(this);
    steps->setInterval(0);
    auto laidOut = std::make_shared<int>(0);
    connect(steps, &QTimer::timeout, this,
            [this, steps, doc, laidOut, targetNumber, startScroll, ref = *kept] {
                const bool untouched = m_view && m_view->document() == doc &&
                                       m_view->verticalScrollBar()->value() == startScroll &&
                                       !m_view->textCursor().hasSelection() &&
                                       m_view->textCursor().position() == 0;
                if (!untouched) {
                    steps->deleteLater();
                    steps->stop();
                    return;
                }
                *laidOut = std::min(*laidOut + kBlocksPerStep, targetNumber);
                doc->documentLayout()->blockBoundingRect(doc->findBlockByNumber(*laidOut));
                if (*laidOut < targetNumber)
                    return;
                steps->stop();
                steps->deleteLater();
                scrollToAyah(m_view, ref);
                emit placeRestored();
            });
    steps->start();
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
