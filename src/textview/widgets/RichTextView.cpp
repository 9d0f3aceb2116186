#include "textview/widgets/RichTextView.h"

#include "data/DataFolder.h"
#include "textview/ReadableColours.h"
#include "textview/RtfReader.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace velmora {

RichTextView::RichTextView(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    connect(this, &QTextEdit::textChanged, this, &RichTextView::contentChanged);
    connect(this, &QTextEdit::cursorPositionChanged, this, &RichTextView::cursorMoved);
    connect(this, &QTextEdit::selectionChanged, this, &RichTextView::cursorMoved);
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(300);
    connect(&m_flushTimer, &QTimer::timeout, this, &RichTextView::flushColors);
    // Text set in place goes into a document made like every later one.
    installDocument(newDocument());
}

// ---- content ----

bool RichTextView::loadFile(const QString &name, QString *error)
{
    // A bare name is looked up in the data folder; a relative path with folders starts there
    // too. Only the file name's letter case is free.
    QFileInfo info(name);
    if (!info.isAbsolute())
        info = QFileInfo(QDir(DataFolder::path()), name);
    const QString path = DataFolder::findFile(info.absolutePath(), info.fileName());
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("Datoteka \"%1\" nije pronađena.").arg(name);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error =
                QStringLiteral("Datoteka \"%1\" ne može se otvoriti (nema prava čitanja ili je zauzeta).")
                    .arg(QDir::toNativeSeparators(path));
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Datoteka \"%1\" ne može se pročitati do kraja.")
                         .arg(QDir::toNativeSeparators(path));
        return false;
    }
    return loadRtf(data, error);
}

bool RichTextView::loadRtf(const QByteArray &rtf, QString *error)
{
    if (!RtfReader::looksLikeRtf(rtf)) {
        if (error)
            *error = QStringLiteral("Datoteka nije tekst u formatu RTF (Rich Text Format).");
        return false;
    }
    // The new content is built in a document of its own, away from the widget, and shown in
    // one step: no layout work happens while it is filled and a failure leaves the view as it
    // was.
    QTextDocument *doc = newDocument();
    if (!RtfReader::read(rtf, doc, error)) {
        delete doc;
        return false;
    }
    // On a dark colour scheme, before the document is shown (no layout work yet).
    if (isDarkBackground(palette().color(QPalette::Base)))
        adaptColours(doc);
    installDocument(doc);
    return true;
}

namespace {
// The colour the file gave a run of text whose shown colour was changed to read, and the
// colour it was given then: a run coloured anew since (a found word made red) keeps its new
// colour as its own.
constexpr int kFileColour = QTextFormat::UserProperty + 1;
constexpr int kShownColour = QTextFormat::UserProperty + 2;
} // namespace

void RichTextView::adaptColours(QTextDocument *doc)
{
    const QColor base = palette().color(QPalette::Base);
    const QColor text = palette().color(QPalette::Text);
    struct Change {
        int from;
        int to;
        QTextCharFormat format;
    };
    QList<Change> changes;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat f = fragment.charFormat();
            const bool changedBefore =
                f.hasProperty(kFileColour) && f.colorProperty(kShownColour) == f.foreground().color();
            if (!changedBefore && f.foreground().style() == Qt::NoBrush)
                continue;
            const QColor file = changedBefore ? f.colorProperty(kFileColour) : f.foreground().color();
            const QColor shown = readableColour(file, base, text);
            const bool stale = f.hasProperty(kFileColour) && !changedBefore;
            if (shown == f.foreground().color() && !stale)
                continue;
            f.setForeground(shown);
            if (shown == file) {
                f.clearProperty(kFileColour);
                f.clearProperty(kShownColour);
            } else {
                f.setProperty(kFileColour, file);
                f.setProperty(kShownColour, shown);
            }
            changes.append({fragment.position(), fragment.position() + fragment.length(), f});
        }
    }
    if (changes.isEmpty())
        return;
    const bool wasFormatting = m_formatting;
    m_formatting = true;
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (const Change &c : changes) {
        cursor.setPosition(c.from);
        cursor.setPosition(c.to, QTextCursor::KeepAnchor);
        cursor.setCharFormat(c.format);
    }
    cursor.endEditBlock();
    m_formatting = wasFormatting;
}

void RichTextView::changeEvent(QEvent *event)
{
    QTextEdit::changeEvent(event);
    // The desktop's colour scheme changed (or the program's palette): the shown text follows.
    if (event->type() == QEvent::PaletteChange)
        adaptColours(document());
}

void RichTextView::setText(const QString &plain)
{
    emit contentReplaced();
    // One pass: CR LF, CR and LF each end a paragraph; a vertical tab is a line break. The
    // runs between those characters are copied whole.
    QString t;
    t.reserve(plain.size());
    const QChar *const data = plain.constData();
    const qsizetype n = plain.size();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = data[i].unicode();
        if (c != u'\r' && c != u'\v')
            continue;
        t.append(data + runStart, i - runStart);
        if (c == u'\v') {
            t += QChar::LineSeparator;
        } else {
            t += QLatin1Char('\n');
            if (i + 1 < n && data[i + 1] == QLatin1Char('\n'))
                ++i;
        }
        runStart = i + 1;
    }
    t.append(data + runStart, n - runStart);
    // A text that replaces a long document goes into a new document: dropping the old one
    // whole is cheaper than clearing it. Otherwise the text replaces the shown document's
    // text, which the text edit lays out once, a screen at a time for a long text (the rest
    // follows in the background); taking a new document would lay it out again for its page
    // size and for its scroll bars.
    constexpr qsizetype kLongText = 64 * 1024;
    if (document()->characterCount() > kLongText) {
        QTextDocument *doc = newDocument();
        doc->setPlainText(t);
        installDocument(doc);
        return;
    }
    dropPendingColors();
    m_textValid = false;
    m_textCache.clear();
    m_settingSelection = true;
    document()->setUndoRedoEnabled(false);
    // A new default font lays the old text out again: set it only when it changed.
    if (document()->defaultFont() != font())
        document()->setDefaultFont(font());
    // The text edit gives new text the format at its caret, which may be a marker's of the
    // whole text: a caret at 0 that selects nothing and carries an empty format makes the new
    // text take the view's own font and colour. (Setting the format on the text edit instead
    // would reformat a selection, laying the old text out again for nothing; giving the text
    // to the document directly would leave the caret at the end of the new text, where the
    // next caret move makes the text edit lay all of it out at once.)
    QTextCursor plainCaret(document());
    plainCaret.setCharFormat(QTextCharFormat());
    setTextCursor(plainCaret);
    QTextEdit::setPlainText(t);
    m_settingSelection = false;
    caretToStart();
}

QTextDocument *RichTextView::newDocument()
{
    auto *doc = new QTextDocument(this);
    doc->setUndoRedoEnabled(false);
    doc->setDefaultFont(font());
    doc->setDocumentMargin(document()->documentMargin());
    // Paragraphs run in the view's direction unless the file gives one (\rtlpar). Besides
    // being what a rich edit control does, a fixed direction spares the layout a scan of
    // every following paragraph's text on each change of format (colouring words).
    QTextOption option = doc->defaultTextOption();
    option.setTextDirection(layoutDirection());
    doc->setDefaultTextOption(option);
    return doc;
}

void RichTextView::installDocument(QTextDocument *doc)
{
    emit contentReplaced();
    // Documents made here belong to the view; the first one belongs to Qt's text control,
    // which deletes it itself when it is replaced.
    dropPendingColors();
    QTextDocument *old = document();
    const bool ownsOld = old && old != doc && old->parent() == this;
    m_textValid = false;
    m_textCache.clear();
    m_settingSelection = true;
    setDocument(doc);
    m_settingSelection = false;
    if (ownsOld)
        delete old;
    caretToStart();
}

// New content: the caret at 0 with nothing selected, the view at the beginning.
void RichTextView::caretToStart()
{
    m_selStart = 0;
    m_selLength = 0;
    m_selKnown = true;
    m_textValid = false;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void RichTextView::contentChanged()
{
    if (m_formatting)
        return;
    m_textValid = false;
    m_selKnown = false;
    // Colours still waiting were meant for the text that is gone.
    dropPendingColors();
}

void RichTextView::cursorMoved()
{
    if (!m_settingSelection && !m_formatting)
        m_selKnown = false;
}

QString RichTextView::text() const
{
    const QTextDocument *doc = document();
    if (m_textValid && m_textDoc == doc)
        return m_textCache;
    QString s;
    s.reserve(textLength());
    bool first = true;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (!first)
            s += QLatin1String("\r\n");
        first = false;
        s += b.text();
    }
    s.replace(QChar::LineSeparator, QLatin1Char('\v'));
    m_textCache = s;
    m_textValid = true;
    m_textDoc = doc;
    return m_textCache;
}

int RichTextView::textLength() const
{
    const QTextDocument *doc = document();
    return doc->characterCount() - 1 + doc->blockCount() - 1;
}

// ---- positions ----

int RichTextView::toDocumentPosition(int pos) const
{
    const QTextDocument *doc = document();
    if (pos <= 0)
        return 0;
    // Block i starts at document position p(i) and at p(i) + i in the CR LF count: find the
    // last block whose start is not after `pos`.
    int lo = 0;
    int hi = doc->blockCount() - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (doc->findBlockByNumber(mid).position() + mid <= pos)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(lo);
    const int offset = pos - (block.position() + lo);
    // Past the block's text lie its carriage return and line feed; both show at its end.
    return block.position() + qMin(offset, block.length() - 1);
}

int RichTextView::fromDocumentPosition(int docPos) const
{
    const QTextDocument *doc = document();
    docPos = qBound(0, docPos, doc->characterCount() - 1);
    QTextBlock block = doc->findBlock(docPos);
    if (!block.isValid())
        block = doc->lastBlock();
    return docPos + block.blockNumber();
}

// ---- selection ----

int RichTextView::selStart() const
{
    if (m_selKnown)
        return m_selStart;
    return fromDocumentPosition(textCursor().selectionStart());
}

int RichTextView::selLength() const
{
    if (m_selKnown)
        return m_selLength;
    const QTextCursor c = textCursor();
    return fromDocumentPosition(c.selectionEnd()) - fromDocumentPosition(c.selectionStart());
}

void RichTextView::setSelStart(int pos)
{
    flushColors();
    select(qBound(0, pos, textLength()), 0);
}

void RichTextView::setSelLength(int length)
{
    flushColors();
    const int start = selStart();
    select(start, qBound(0, length, textLength() - start));
}

QString RichTextView::selText() const
{
    const int length = selLength();
    if (length <= 0)
        return {};
    return text().mid(selStart(), length);
}

void RichTextView::select(int start, int length)
{
    QTextCursor c(document());
    c.setPosition(toDocumentPosition(start));
    if (length > 0)
        c.setPosition(toDocumentPosition(start + length), QTextCursor::KeepAnchor);
    m_settingSelection = true;
    setTextCursor(c);
    m_settingSelection = false;
    m_selStart = start;
    m_selLength = length;
    m_selKnown = true;
}

QTextCursor RichTextView::selectionRange() const
{
    QTextCursor c(document());
    const int start = selStart();
    const int length = selLength();
    if (length <= 0)
        return c;
    c.setPosition(toDocumentPosition(start));
    c.setPosition(toDocumentPosition(start + length), QTextCursor::KeepAnchor);
    return c;
}

void RichTextView::mergeSelectionFormat(const QTextCharFormat &format)
{
    flushColors();
    QTextCursor c = selectionRange();
    if (!c.hasSelection())
        return;
    // Only formats change: the plain text, its cache and the selection stay valid.
    m_formatting = true;
    c.mergeCharFormat(format);
    m_formatting = false;
}

void RichTextView::setSelColor(const QColor &color)
{
    const QTextCursor range = selectionRange();
    if (!range.hasSelection())
        return;
    m_pendingColors.append(PendingColor{range, color});
    if (m_pendingColors.size() >= 256) {
        flushColors();
        return;
    }
    showPendingColors();
    m_flushTimer.start();
}

void RichTextView::showPendingColors()
{
    QList<QTextEdit::ExtraSelection> shown;
    shown.reserve(m_pendingColors.size());
    for (const PendingColor &p : std::as_const(m_pendingColors)) {
        QTextEdit::ExtraSelection sel;
        sel.cursor = p.range;
        sel.format.setForeground(p.color);
        shown.append(sel);
    }
    setExtraSelections(shown);
}

void RichTextView::flushColors()
{
    m_flushTimer.stop();
    if (m_pendingColors.isEmpty())
        return;
    // All waiting colours in one edit block: the layout re-flows once.
    m_formatting = true;
    QTextCursor c(document());
    c.beginEditBlock();
    for (const PendingColor &p : std::as_const(m_pendingColors)) {
        if (p.range.document() != document() || !p.range.hasSelection())
            continue;
        c.setPosition(p.range.anchor());
        c.setPosition(p.range.position(), QTextCursor::KeepAnchor);
        QTextCharFormat f;
        f.setForeground(p.color);
        c.mergeCharFormat(f);
    }
    c.endEditBlock();
    m_formatting = false;
    m_pendingColors.clear();
    setExtraSelections({});
}

void RichTextView::dropPendingColors()
{
    m_flushTimer.stop();
    if (m_pendingColors.isEmpty())
        return;
    m_pendingColors.clear();
    setExtraSelections({});
}

void RichTextView::setSelFontName(const QString &family)
{
    if (family.isEmpty())
        return;
    QTextCharFormat f;
    f.setFontFamilies(QStringList{family});
    mergeSelectionFormat(f);
}

void RichTextView::setSelFontSize(double points)
{
    if (!(points > 0))
        return;
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeSelectionFormat(f);
}

// ---- find, span, move up to ----

int RichTextView::find(const QString &what, int from, int to, int options)
{
    if (what.isEmpty())
        return -1;
    const QString t = text();
    const int n = int(t.size());
    from = qMax(0, from);
    if (from > n)
        return -1;
    const int end = (to < 0 || to > n) ? n : to;
    const Qt::CaseSensitivity cs = (options & FindMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const auto isWordChar = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
    int p = from;
    for (;;) {
        p = int(t.indexOf(what, p, cs));
        if (p < 0 || p >= end)
            return -1;
        if (!(options & FindWholeWord))
            break;
        const int e = p + int(what.size());
        if ((p == 0 || !isWordChar(t.at(p - 1))) && (e >= n || !isWordChar(t.at(e))))
            break;
        ++p;
    }
    if (!(options & FindNoHighlight))
        select(p, int(what.size()));
    return p;
}

void RichTextView::span(const QString &set, bool forward, bool negate)
{
    flushColors();
    const QString t = text();
    const int n = int(t.size());
    int start = selStart();
    int end = start + selLength();
    // negate: the span runs over characters not in the set; otherwise over those in it.
    const auto spans = [&](QChar c) { return set.contains(c) != negate; };
    if (forward) {
        while (end < n && spans(t.at(end)))
            ++end;
    } else {
        while (start > 0 && spans(t.at(start - 1)))
            --start;
    }
    select(start, end - start);
}

void RichTextView::upTo(const QString &set, bool forward, bool negate)
{
    flushColors();
    const QString t = text();
    const int n = int(t.size());
    // negate false: stop at a character of the set; negate true: at one not in it.
    const auto stops = [&](QChar c) { return set.contains(c) != negate; };
    int p = qBound(0, selStart(), n);
    if (forward) {
        while (p < n && !stops(t.at(p)))
            ++p;
    } else {
        int i = p - 1;
        while (i >= 0 && !stops(t.at(i)))
            --i;
        p = qMax(i, 0);
    }
    select(p, 0);
}

// ---- display and events ----

void RichTextView::refresh()
{
    flushColors();
    viewport()->update();
}

void RichTextView::takeFocus()
{
    flushColors();
    setFocus(Qt::OtherFocusReason);
    ensureCursorVisible();
    // The caret stands at the selection's end; bring its start into sight as well, which wins
    // when the selection is taller than the view.
    const QTextCursor c = textCursor();
    if (c.hasSelection()) {
        QTextCursor start(document());
        start.setPosition(c.selectionStart());
        const QRect r = cursorRect(start);
        if (r.top() < 0)
            verticalScrollBar()->setValue(verticalScrollBar()->value() + r.top());
    }
    viewport()->update();
}

void RichTextView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTextEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

void RichTextView::mouseReleaseEvent(QMouseEvent *event)
{
    QTextEdit::mouseReleaseEvent(event);
    int button = 0;
    switch (event->button()) {
    case Qt::LeftButton:
        button = 1;
        break;
    case Qt::RightButton:
        button = 2;
        break;
    case Qt::MiddleButton:
        button = 4;
        break;
    default:
        break;
    }
    emit mouseReleased(button, event->globalPosition().toPoint());
}

void RichTextView::contextMenuEvent(QContextMenuEvent *event)
{
    // The program shows its own popup menu when the right button is released; from the
    // keyboard it opens at the caret.
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard)
        emit menuKeyPressed(menuPosition());
}

void RichTextView::keyPressEvent(QKeyEvent *event)
{
    // Shift+F10 opens the popup menu as the menu key does, as in most desktop programs.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        event->accept();
        emit menuKeyPressed(menuPosition());
        return;
    }
    QTextEdit::keyPressEvent(event);
}

QPoint RichTextView::menuPosition() const
{
    const QRect caret = cursorRect();
    const QRect shown = viewport()->rect();
    const QPoint at = shown.contains(caret.center()) ? caret.bottomLeft() : shown.center();
    return viewport()->mapToGlobal(at);
}

} // namespace velmora
