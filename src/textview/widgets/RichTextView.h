#pragma once

#include <QColor>
#include <QTextEdit>

namespace velmora {

// The rich text view of the main window (Rtf1) and of the recitation window.
//
// Positions count the characters of the plain text from 0, every paragraph end counting as
// the two characters carriage return and line feed, as the program's selection arithmetic
// expects. QTextDocument separates paragraphs with a single character; this class translates
// positions both ways and returns plain text with CR LF.
class RichTextView : public QTextEdit {
    Q_OBJECT
public:
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

    void setSelColor(const QColor &color);
    void setSelFontName(const QString &family);
    void setSelFontSize(double points);

    // Finds `what` from `from` up to `to` (-1: the end). Options 0: letter case ignored,
    // matches inside words count. Found: selects it and returns its start; else -1 and the
    // selection is unchanged.
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

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    mutable QString m_textCache;
    mutable bool m_textValid = false;
};

} // namespace velmora
