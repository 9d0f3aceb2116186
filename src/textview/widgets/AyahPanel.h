#pragma once

#include "textview/AyahTexts.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QSplitter;
class QTextDocument;
class QTextEdit;

namespace velmora {

class RichTextView;

// The ayah panel (AyahPanel): beside the text view, for the ayah the reader is in, the surah's
// name and the ayah's reference, the Arabic text (right to left, in a Qur'an font), the Bosnian
// translation and the commentary (tefsir). All three texts can be selected and copied.
//
// While shown it follows the view's caret: when the caret enters another paragraph that is an
// ayah paragraph (2:255. and a tab at its start), the panel shows that ayah; a heading, a
// summary line or any other paragraph without a marker keeps the ayah shown last. Before any
// ayah was shown, the first ayah paragraph at or after the caret is taken. Several caret moves
// within one turn of the event loop (the steps of selecting an ayah) make one update, after
// them; a move within the same paragraph costs nothing. While hidden it does no work at all.
//
// The left edge of the panel is a handle (AyahPanelHandle): dragging it sets the panel's share
// of the width beside the left column.
class AyahPanel : public QWidget {
    Q_OBJECT
public:
    explicit AyahPanel(RichTextView *view, QWidget *parent = nullptr);

    // Shows the panel and brings it up to the caret at once, or hides it.
    void setShown(bool shown);

    // Shows the given ayah now, as if the caret had entered its paragraph (for a part that
    // moves through the ayahs without moving the caret).
    void showAyah(int surah, int ayah);

    // The ayah shown; 0 and 0 before any.
    int surah() const { return m_surah; }
    int ayah() const { return m_ayah; }
    QString titleText() const;
    QString arabicText() const;
    QString translationText() const;
    QString commentaryText() const;
    // The one line that says what the store lacks (the Arabic text, the commentary or both);
    // empty when it has both.
    QString noteText() const;

    // The panel's share of the width beside the left column, in thousandths (150 to 750).
    int share() const { return m_share; }
    void setShare(int permille);
    static constexpr int kDefaultShare = 400;
    static int clampShare(int permille);

    // The font of the Arabic text: "Amiri Quran" when installed, else the first font that
    // writes Arabic, else the toolkit's default (empty).
    static QString arabicFontFamily();

    // Lookups in the store so far (benchmarks, tests).
    int lookups() const { return m_lookups; }
    // The store reader, for its column checks.
    const AyahTexts &source() const { return m_source; }

signals:
    // The reader dragged the panel's edge; `finished` when the button was released.
    void shareChanged(int permille, bool finished);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void caretMoved();
    void followCaret();
    void showEntry(int surah, int ayah, const AyahTexts::Entry &entry);

    QPointer<RichTextView> m_view;
    QWidget *m_handle = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_note = nullptr;
    QSplitter *m_split = nullptr;
    QTextEdit *m_arabic = nullptr;
    QTextEdit *m_translation = nullptr;
    QWidget *m_commentaryBox = nullptr;
    QTextEdit *m_commentary = nullptr;

    AyahTexts m_source;
    QTimer m_follow;
    // The paragraph of the caret at the last update: document and block number.
    QPointer<QTextDocument> m_doc;
    int m_block = -1;
    int m_surah = 0;
    int m_ayah = 0;
    int m_lookups = 0;
    int m_share = kDefaultShare;
    bool m_dragging = false;
};

} // namespace velmora
