#pragma once

#include "recitation/SoundControl.h"

#include <QString>
#include <functional>

namespace velmora {

// The recitation window as the sequencer sees it: its selectors, its text area, status line,
// slider and timer, whether it is still shown, the stop flag and the data lookups.
class SequencerHost {
public:
    virtual ~SequencerHost() = default;
    virtual bool isShown() const = 0;
    virtual bool stopRequested() const = 0;

    virtual QString surahText() const = 0; // CmbNrSure
    virtual QString nameText() const = 0;  // CmbEmrSure
    virtual QString ayahText() const = 0;  // CmbNrAjeti
    virtual QString countText() const = 0; // CmbTotalAjete
    virtual void setSelectorTexts(const QString &surah, const QString &name, const QString &ayah,
                                  const QString &count) = 0;
    // Hatme: puts a surah number into the surah selector and runs its change handling.
    virtual void chooseSurah(const QString &surah) = 0;

    virtual void setAyahText(const QString &text) = 0; // RichTextBox1
    virtual void setStatus(const QString &text) = 0;   // lblWavAjet
    virtual void setSlider(qint32 maximum, qint32 value) = 0;
    virtual void setTimerEnabled(bool on) = 0;

    // DataBazaKuran: find first "nrsure =S and nrajet =A"; the text of the current row
    // afterwards (unchanged when nothing was found).
    virtual QString findAyahText(const QString &condition) = 0;
    // DataBazaSuret: index "numri", seek the surah; fields 0, 2 and 3 of the row found.
    virtual bool seekSurah(const QString &surah, QString *number, QString *name, QString *count) = 0;

    // The ayah the window now shows, after its surah was found: the one being recited, or
    // the one the selectors moved to. Nothing by default.
    virtual void ayahShown(const QString & /*surah*/, const QString & /*ayah*/) {}

    // The path of a clip, from the sound source.
    virtual QString clipPath(const QString &surah, const QString &ayah) const = 0;

    // One pass of a wait loop: lets pending events run, waiting for the next one.
    virtual void waitForEvents() = 0;
};

// Plays one ayah, one surah with its Bismillah, or the whole Qur'an, clip after clip.
// Everything runs on the caller's thread; a second run started from an event during the
// waits nests inside the first.
class Sequencer {
public:
    Sequencer(SequencerHost &host, SoundControl &sound) : m_host(host), m_sound(sound) {}

    // Shows an ayah while the window is shown. Returns false when the surah was not found in
    // the surah table (the selectors are then left as they are) or the window is not shown.
    bool TregojeTekstinEAjetit(const QString &NrSure, const QString &NrAjet);
    void PlayNjeAjet(const QString &NrSure, const QString &NrAjet);
    void LexojeBismilahun();
    // Plays the surah of `NrSure`; with an empty argument the surah selector's text at the
    // first ayah is used.
    void PlayNjeSure(const QString &NrSure = QString());
    void Hatme();

    static QString statusLine(const QString &surah, const QString &name, const QString &ayah,
                              const QString &count);

private:
    // Returns false when the window went away during the wait (the caller returns at once).
    enum class WaitEnd { Ended, Stopped, WindowGone };
    WaitEnd waitForClip(bool testStop);

    SequencerHost &m_host;
    SoundControl &m_sound;
};

// Reads a text as a number the way the recitation window does (leading digits; 0 if none).
int leadingNumber(const QString &text);

} // namespace velmora
