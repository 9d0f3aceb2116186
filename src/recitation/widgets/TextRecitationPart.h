#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

namespace velmora {

class FXSnd;
class RichTextView;

// Reciting from the main text: "Uci ajet" in the text view's popup menu, or a double click in
// the text, plays the clip of the ayah under the caret on the main window's own sound player;
// "Pauziraj ucenje" and "Produzi ucenje" pause and continue it. Nothing waits for the clip:
// the command starts it and returns.
class TextRecitation : public QObject {
    Q_OBJECT
public:
    TextRecitation(RichTextView *view, FXSnd *sound, QObject *parent = nullptr);

    // Selects the ayah paragraph under the caret, reads its marker and plays its clip.
    void mnuLshoAjetin_Click();
    // Plays the clip of the given surah and ayah texts, as they stand. Texts that are not a
    // surah and ayah of the book (a heading's text, a marker with a missing number) name a
    // clip that does not exist: the player takes it, which ends a clip that was playing, and
    // stays silent. Nothing is said to the reader.
    void FuncPlayAjet(const QString &strNrSure, const QString &strNrAjet);
    // Where the clips come from; by default the CD's paths (clipPath()).
    void setClipSource(std::function<QString(const QString &surah, const QString &ayah)> source)
    {
        m_source = std::move(source);
    }
    void mnuPauzoje_Click();
    void mnuVazhdo_Click();

private:
    QPointer<RichTextView> m_view;
    QPointer<FXSnd> m_sound;
    std::function<QString(const QString &, const QString &)> m_source;
};

} // namespace velmora
