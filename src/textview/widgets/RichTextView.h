#pragma once

#include <QColor>
#include <QList>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

class QTextCharFormat;
class QTextDocument;

namespace velmora {

// The rich text view of the main window (Rtf1) and of the recitation window.
//
// Positions count the characters of the plain text from 0, every paragraph end counting as
// the two characters carriage return and line feed, as the program's selection arithmetic
// expects. QTextDocument separates paragraphs with a single character; this class translates
// positions both ways and returns plain text with CR LF.
//
// A position that falls on the line feed of a paragraph end shows at the paragraph's end, like
// the carriage return in front of it (the document has one character there). A selection the
// program writes is remembered in this class's own count, so a value written reads back
// unchanged until the reader moves the caret or the content changes; stepping from the
// carriage return by two always lands on the first character of the next paragraph.
// A line break inside a paragraph (U+2028 in the document) reads as the one character "\v".
class RichTextView : public QTextEdit {
    Q_OBJECT
public:
    // Options of find(); 0 ignores letter case and lets matches lie inside words.
    enum FindOption { FindWholeWord = 2, FindMatchCase = 4, FindNoHighlight = 8 };

    explicit RichTextView(QWidget *parent = nullptr);

    // Replaces the content with a rich-text file; `name` is resolved in the data folder
    // without regard to letter case. Caret at 0. False with `error` set when the file is
    // missing or unreadable (the content is then left as it was).
    bool loadFile(const QString &name, QString *error = nullptr);
    // Replaces the content with RTF held in memory.
    bool loadRtf(const QByteArray &rtf, QString *error = nullptr);

    // The whole plain text, paragraphs ended by "\r\n". Cached until the content changes.
    QString text() const;
    // Replaces the content with unformatted text; "\r\n", "\n" and "\r" all end a paragraph.
    void setText(const QString &plain);
    int textLength() const;

    int selStart() const;
    void setSelStart(int pos); // moves the caret, empties the selection
    int selLength() const;
    void setSelLength(int length); // selects that many characters from the start
    QString selText() const;

    // Colours the selected characters. The colour shows at once; it is written into the
    // document's character formats in batches (every document change makes Qt re-flow all
    // paragraphs after it, so colouring thousands of words one by one would be quadratic):
    // when 256 colourings wait, when the view is idle for a moment, and before any other
    // selection or format operation of this class (flushColors()). The view's extra
    // selections show the waiting colours; they belong to this class.
    void setSelColor(const QColor &color);
    // Writes waiting colours into the document now.
    void flushColors();
    void setSelFontName(const QString &family);
    void setSelFontSize(double points);

    // Finds `what` from `from` up to `to` (-1: the end). Options 0: letter case ignored,
    // matches inside words count. Found: selects it and returns its start; else -1 and the
    // selection is unchanged. A match counts when it starts at or after `from` and before `to`
    // (it may run past `to`), so that searching [E, end) and then [0, E) together find every
    // occurrence, including one that straddles E.
    int find(const QString &what, int from = 0, int to = -1, int options = 0);
    // Extends the selection forward over characters not in `set`, stopping in front of the
    // first one in it or at the end (forward = true, negate = true).
    void span(const QString &set, bool forward = true, bool negate = true);
    // Moves the caret to the nearest character of `set` (negate = false): backward it stops
    // in front of it (0 if none); forward it stops in front of it, stays when the caret's
    // character is in it, the end if none. The selection is empty afterwards.
    void upTo(const QString &set, bool forward = true, bool negate = false);

    void refresh();
    // Keyboard focus; the selection shows and the caret scrolls into sight.
    void takeFocus();

    // Position translation between the CR LF count and QTextDocument positions.
    int toDocumentPosition(int pos) const;
    int fromDocumentPosition(int docPos) const;

signals:
    void doubleClicked();
    // A mouse button was released over the view; button 1 left, 2 right, 4 middle.
    void mouseReleased(int button, const QPoint &globalPos);
    // The menu key or Shift+F10 asked for the popup menu; `globalPos` is below the caret (or
    // the middle of the view when the caret is out of sight).
    void menuKeyPressed(const QPoint &globalPos);
    // The content was replaced as a whole (a file or RTF loaded, a plain text set): a listing,
    // a report or the whole text took the place of what was shown.
    void contentReplaced();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QTextCursor selectionRange() const;
    void caretToStart();
    QTextDocument *newDocument();
    void installDocument(QTextDocument *doc);
    void select(int start, int length);
    void mergeSelectionFormat(const QTextCharFormat &format);
    void showPendingColors();
    void dropPendingColors();
    void contentChanged();
    void cursorMoved();
    QPoint menuPosition() const;
    // Gives the text colours of `doc` that do not read on the view's background (the black
    // and dark blue of the whole text's file on a dark colour scheme) colours that do, and
    // the file's own colours back when they read again.
    void adaptColours(QTextDocument *doc);

    mutable QString m_textCache;
    mutable bool m_textValid = false;
    mutable const QTextDocument *m_textDoc = nullptr;

    // The selection last written through this class, in the CR LF count.
    int m_selStart = 0;
    int m_selLength = 0;
    bool m_selKnown = false;
    bool m_settingSelection = false;
    bool m_formatting = false;

    struct PendingColor {
        QTextCursor range;
        QColor color;
    };
    QList<PendingColor> m_pendingColors;
    QTimer m_flushTimer;
};

} // namespace velmora
