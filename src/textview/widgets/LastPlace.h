#pragma once

#include "textview/ReadingPlace.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

namespace velmora {

class RichTextView;

// Scrolls the view so that the paragraph of the ayah stands at its top, with the caret at
// the start of its marker and nothing selected. The first paragraph that starts with the
// ayah's marker counts (2:5. never lands on 12:5.). False when the view holds no such ayah.
bool scrollToAyah(RichTextView *view, const AyahRef &ref);

// The ayah whose paragraph holds the start of the view's selection (or the caret); nothing
// when that paragraph has no marker.
std::optional<AyahRef> ayahAtCaret(const RichTextView *view);

// Remembers the last ayah the reader located or selected in the whole text, keeps it in the
// settings store when the program ends and brings the whole text back to it at the next
// start. An ayah counts when the caret or the selection starts in its paragraph while the
// view shows the whole text (not a search listing or a topic report). A caret at the very
// start with nothing selected is where every new text puts it, not a place the reader chose.
class LastPlaceTracker : public QObject {
    Q_OBJECT
public:
    LastPlaceTracker(RichTextView *view, std::function<bool()> showsWholeText, QObject *parent = nullptr);

    std::optional<AyahRef> place() const { return m_place; }

    // At start-up, once the whole text is in the view: scrolls it to the kept place, with the
    // caret at the start of its marker, as soon as the text is laid out up to there (in steps
    // that leave the window responsive; placeRestored() then). With no kept place (or one the
    // text does not hold) the view stays as it is; a click, a scroll or new content before the
    // move cancels it.
    void restore();
    // When the program ends: keeps the place in the settings store. With no place noted in
    // this run, the store is left as it is.
    void save();

signals:
    void placeRestored();

private:
    void scheduleNote();
    void note();

    QPointer<RichTextView> m_view;
    std::function<bool()> m_showsWholeText;
    std::optional<AyahRef> m_place;
    bool m_noteQueued = false;
};

} // namespace velmora
