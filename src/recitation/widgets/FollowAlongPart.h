#pragma once

#include "recitation/RecitationSets.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QShortcut;

namespace velmora {

class FXSnd;
class RichTextView;

// Listening while reading: "Uči od ovog ajeta" in the text view's popup menu plays the ayahs
// of the surah under the caret, from that ayah to the surah's end, with the reader's chosen
// reciter, on the main window's sound player. Nothing is modal and nothing waits: the part
// follows the player's ticks. Each ayah's paragraph is selected and scrolled into sight when
// its clip starts (found by its marker, so listings and reports work as the whole text does;
// an ayah a listing lacks is heard without a selection), and the reader may scroll and read on
// meanwhile.
//
// While it runs the menu item reads "Zaustavi učenje" and stops it, as Esc in the window does.
// It also stops when the view's content is replaced (a search, a topic report, the return to
// the whole text) and gives way when another command takes the player ("Uci ajet").
class FollowAlong : public QObject {
    Q_OBJECT
public:
    struct Controls {
        RichTextView *Rtf1;
        FXSnd *FXSnd1;
        QAction *mnuUciOdAjeta;
    };

    static QString startText() { return QStringLiteral("Uči od ovog ajeta"); }
    static QString stopText() { return QStringLiteral("Zaustavi učenje"); }

    FollowAlong(const Controls &controls, QObject *parent = nullptr);

    // Where the clips come from; by default the reciter chosen in the recitation window,
    // looked up again at each start.
    void setClipSource(std::function<ClipSource()> source) { m_source = std::move(source); }

    // The menu item: starts from the ayah under the caret, or stops a run.
    void mnuUciOdAjeta_Click();
    void start();
    void stop();
    bool isRunning() const { return m_running; }
    // The ayah whose clip was started last (0 when none).
    int surah() const { return m_surah; }
    int ayah() const { return m_ayah; }

private:
    void playAyah(int ayah);
    void onTick();
    void setRunning(bool running);

    QPointer<RichTextView> m_view;
    QPointer<FXSnd> m_sound;
    QPointer<QAction> m_item;
    QShortcut *m_escape = nullptr;
    std::function<ClipSource()> m_source;
    ClipSource m_clips;
    bool m_running = false;
    bool m_advancing = false;
    bool m_settingFile = false;
    quint64 m_run = 0; // the number of the current run; a queued step of an older run is dropped
    int m_surah = 0;
    int m_ayah = 0;
    int m_count = 0;
    int m_searchFrom = 0;
    QString m_path; // the file handed to the player for the current ayah
};

} // namespace velmora
