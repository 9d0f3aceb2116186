#include "recitation/widgets/FollowAlongPart.h"

#include "common/widgets/MessageBoxes.h"
#include "data/DataFolder.h"
#include "data/Database.h"
#include "recitation/BookPlace.h"
#include "recitation/FXSnd.h"
#include "recitation/SoundSource.h"
#include "textview/AyahMarker.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/RichTextView.h"

#include <QAction>
#include <QShortcut>
#include <QTimer>

namespace velmora {

FollowAlong::FollowAlong(const Controls &controls, QObject *parent)
    : QObject(parent), m_view(controls.Rtf1), m_sound(controls.FXSnd1), m_item(controls.mnuUciOdAjeta),
      m_source(chosenClipSource)
{
    if (m_item) {
        m_item->setText(startText());
        connect(m_item, &QAction::triggered, this, &FollowAlong::mnuUciOdAjeta_Click);
    }
    if (m_view) {
        // Esc anywhere in the view's window stops a run; the key is taken only while one runs.
        m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_view->window(), nullptr, nullptr,
                                 Qt::WindowShortcut);
        m_escape->setObjectName(QStringLiteral("scZaustaviUcenje"));
        m_escape->setEnabled(false);
        connect(m_escape, &QShortcut::activated, this, &FollowAlong::stop);
        // A search, a topic report or the return to the whole text replaces what is followed.
        connect(m_view, &RichTextView::contentReplaced, this, &FollowAlong::stop);
    }
    if (m_sound) {
        connect(m_sound, &FXSnd::tick, this, &FollowAlong::onTick);
        // A file handed to the player by anyone else ("Uci ajet") ends the run.
        connect(m_sound, &FXSnd::fileReplaced, this, [this] {
            if (m_running && !m_settingFile) {
                setRunning(false);
                ++m_run;
            }
        });
    }
}

void FollowAlong::mnuUciOdAjeta_Click()
{
    if (m_running)
        stop();
    else
        start();
}

void FollowAlong::start()
{
    if (!m_view || !m_sound)
        return;
    stop();
    QString surah;
    QString ayah;
    readMarker(selectAyahAtCaret(m_view), &surah, &ayah);
    const data::Database store = data::Database::open(DataFolder::storeName());
    const std::optional<int> count =
        store.isOpen() ? ayahCountOf(store.openTable(QStringLiteral("Sure")), surah) : std::nullopt;
    if (!count || !isPlainNumber(ayah) || ayah.toInt() > *count) {
        tellReader(m_view->window(),
                   QStringLiteral("Kursor nije u ajetu: kliknite u ajet od kojeg treba početi "
                                  "učenje."));
        return;
    }
    if (!chosenReciterIsSet() && !WavFolderExists()) {
        tellReader(m_view->window(), noReciterMessage());
        return;
    }
    m_clips = m_source ? m_source() : ClipSource();
    if (!m_clips)
        return;
    m_surah = surah.toInt();
    m_count = *count;
    m_searchFrom = 0;
    ++m_run;
    setRunning(true);
    playAyah(ayah.toInt());
}

void FollowAlong::stop()
{
    if (!m_running)
        return;
    setRunning(false);
    ++m_run;
    // Only the run's own clip is stopped; one another command started plays on.
    if (m_sound && m_sound->file() == m_path)
        m_sound->setCommand(11);
}

void FollowAlong::setRunning(bool running)
{
    m_running = running;
    if (m_item)
        m_item->setText(running ? stopText() : startText());
    if (m_escape)
        m_escape->setEnabled(running);
}

void FollowAlong::playAyah(int ayah)
{
    if (!m_running || !m_view || !m_sound)
        return;
    if (ayah > m_count) {
        setRunning(false);
        return;
    }
    m_ayah = ayah;
    const QString surahText = QString::number(m_surah);
    const QString ayahText = QString::number(ayah);
    // The ayahs follow in the text's order: the next one lies after the one before.
    const int at = selectAyahParagraph(m_view, surahText, ayahText, m_searchFrom);
    if (at >= 0)
        m_searchFrom = at + 1;
    m_path = m_clips(surahText, ayahText);
    m_settingFile = true;
    m_sound->setFile(m_path);
    m_settingFile = false;
    m_sound->setCommand(5);
    // A clip that cannot play has ended already; the next ayah follows from the event loop,
    // so that a run of missing clips never nests.
    onTick();
}

void FollowAlong::onTick()
{
    if (!m_running || m_advancing || !m_sound)
        return;
    if (m_sound->file() != m_path) {
        // Another command took the player: the run gives way.
        setRunning(false);
        ++m_run;
        return;
    }
    const qint32 position = m_sound->position();
    const qint32 length = m_sound->length();
    const QString status = m_sound->status();
    if (status != QLatin1String("stopped") && !status.isEmpty() && length != position)
        return;
    m_advancing = true;
    const quint64 run = m_run;
    QTimer::singleShot(0, this, [this, run] {
        m_advancing = false;
        if (run == m_run)
            playAyah(m_ayah + 1);
    });
}

} // namespace velmora
