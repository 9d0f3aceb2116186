#pragma once

#include "recitation/RecitationSets.h"
#include "recitation/Sequencer.h"
#include "recitation/SoundControl.h"

#include <QDialog>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSlider;
class QTimer;

namespace velmora {

class FXSnd;
class RichTextView;
class SurahSelectors;
namespace data {
class DataSource;
}

// The recitation window frmLexim ("Ucenje ajeta"): the reader chooses one ayah, one surah or
// the whole Qur'an and hears it recited clip after clip, with pause, continue, repeat, volume,
// the ayah's text, a status line and a position slider. The window is the sequencer's host:
// a run started by "Uci" (or Enter in a selector) plays inside that handler, waiting for
// events between polls of the sound control, so the window stays usable and a second run
// nests inside the first. Closing the window ends every run at its next test.
//
// The window is made afresh each time it opens (loading in the constructor, activation when
// it is first shown) and discarded when it closes.
class RecitationWindow : public QDialog, public SequencerHost {
    Q_OBJECT
public:
    explicit RecitationWindow(QWidget *parent = nullptr);
    ~RecitationWindow() override;

    // The window's own sound player, and the control the sequencer and the pause, continue
    // and stop commands use: an adapter over FXSnd1, or one set with setSoundControl().
    FXSnd *soundPlayer() const { return FXSnd1; }
    SoundControl *soundControl() const { return m_control; }
    // Replaces the control the sequencer drives (tests drive the window with a scripted
    // control); nullptr goes back to FXSnd1. Repeat and volume stay with FXSnd1.
    void setSoundControl(SoundControl *control);
    Sequencer &sequencer() { return m_sequencer; }
    SurahSelectors *selectors() const { return m_selectors; }

    // How long one pass of a wait loop may wait for an event when nothing wakes it (ms).
    static constexpr int kWaitGuardMs = 25;
    // The slider follows the clip twenty times a second: smooth to the eye, and no work for
    // every frame of the screen.
    static constexpr int kTimer2IntervalMs = 50;
    // The window's player wakes the wait loops when its clip ends; between, at most this far
    // apart (the slider's timer and the audio output wake them as well).
    static constexpr int kPlayerWakeMs = 250;

    // Handlers, named as the window's events.
    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void cmdLexo_Click();
    void cmdPause_Click();
    void cmdResume_Click();
    void cmdFund_Click();
    void chkRepeat_Click();
    void VSBWavVolume_Change();
    void Timer2_Timer();
    void FillFirstAjet();
    void setMode(int option); // 1, 2 or 7: the option that became selected
    // The reciter list: filled when the window opens, the last choice preselected; a choice
    // is kept in the settings store. "Dodaj učača..." adds a folder that holds a set.
    void fillReciters();
    void CmbUcac_Click();
    void cmdDodajUcaca_Click();
    // Adds the set in `folder` to the list and chooses it; false after telling the reader why
    // the folder is refused.
    bool addReciterFolder(const QString &folder);
    // The reciter the clips come from; nothing when the list is empty.
    std::optional<Reciter> currentReciter() const;

    // Volume of the sound control (0..65535) as the bar's percentage: divided by 655.35 and
    // rounded to the nearest integer, halves to the even neighbour.
    static int volumeToPercent(double volume);
    // The label's text for a percentage: a blank reserved for the sign, the number, "%".
    static QString percentText(int value);

    // SequencerHost
    bool isShown() const override;
    bool stopRequested() const override { return StopRequested; }
    QString surahText() const override;
    QString nameText() const override;
    QString ayahText() const override;
    QString countText() const override;
    void setSelectorTexts(const QString &surah, const QString &name, const QString &ayah,
                          const QString &count) override;
    void chooseSurah(const QString &surah) override;
    void setAyahText(const QString &text) override;
    void setStatus(const QString &text) override;
    void setSlider(qint32 maximum, qint32 value) override;
    void setTimerEnabled(bool on) override;
    QString findAyahText(const QString &condition) override;
    bool seekSurah(const QString &surah, QString *number, QString *name, QString *count) override;
    QString clipPath(const QString &surah, const QString &ayah) const override;
    void waitForEvents() override;
    void ayahShown(const QString &surah, const QString &ayah) override;

signals:
    // The window shows another ayah (recited, or chosen with the selectors); the numbers of
    // the surah and the ayah as the window's texts give them.
    void showsAyah(int surah, int ayah);

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void connectControls();
    // Checks the selector texts of the chosen mode before playback; false after telling the
    // reader what is wrong. `count` receives the number of ayahs of the surah selected.
    bool placeIsPlayable(int *count);
    void message(const QString &text);

    // Controls, by their names.
    QLabel *Label1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QRadioButton *Option7 = nullptr;
    QLabel *LblNrSure = nullptr;
    QComboBox *CmbNrSure = nullptr;
    QLabel *LblEmrSure = nullptr;
    QComboBox *CmbEmrSure = nullptr;
    QLabel *LblNrAjet = nullptr;
    QComboBox *CmbNrAjeti = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *CmbTotalAjete = nullptr;
    QPushButton *cmdLexo = nullptr;
    QPushButton *cmdPause = nullptr;
    QPushButton *cmdResume = nullptr;
    QCheckBox *chkRepeat = nullptr;
    QPushButton *cmdFund = nullptr;
    QLabel *LblUcac = nullptr;
    QComboBox *CmbUcac = nullptr;
    QPushButton *cmdDodajUcaca = nullptr;
    QLabel *lblWave = nullptr;
    QScrollBar *VSBWavVolume = nullptr;
    QLabel *lblVolVal = nullptr;
    QSlider *SldAjet = nullptr;
    QLabel *lblWavAjet = nullptr;
    RichTextView *RichTextBox1 = nullptr;
    QTimer *Timer2 = nullptr;
    FXSnd *FXSnd1 = nullptr;
    data::DataSource *DataBazaSuret = nullptr;
    data::DataSource *DataBazaKuran = nullptr;

    bool StopRequested = false;

    QList<Reciter> m_reciters;
    RecitationSet m_set; // the clips of the chosen set
    bool m_fillingReciters = false;

    // Hands every call on to the control in use, so that the sequencer keeps one reference.
    class Forwarding : public SoundControl {
    public:
        SoundControl *target = nullptr;
        void setFile(const QString &path) override { target->setFile(path); }
        void setCommand(int command) override { target->setCommand(command); }
        qint32 position() const override { return target->position(); }
        qint32 startPosition() const override { return target->startPosition(); }
        qint32 length() const override { return target->length(); }
        QString status() const override { return target->status(); }
    };

    SurahSelectors *m_selectors = nullptr;
    std::unique_ptr<FXSndControl> m_fxsndControl;
    SoundControl *m_control = nullptr;
    Forwarding m_forward;
    Sequencer m_sequencer;
    QTimer *m_waitGuard = nullptr;
    bool m_activated = false;
    bool m_unloaded = false;
};

} // namespace velmora
