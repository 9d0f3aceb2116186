#include "recitation/Sequencer.h"

namespace velmora {

int leadingNumber(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    while (i < t.size() && t.at(i).isDigit() && t.at(i).unicode() < 128)
        ++i;
    bool ok = false;
    const int n = t.left(std::min<qsizetype>(i, 9)).toInt(&ok);
    return ok ? n : 0;
}

QString Sequencer::statusLine(const QString &surah, const QString &name, const QString &ayah,
                              const QString &count)
{
    return QStringLiteral("Sure ") + surah + QStringLiteral(". ") + name + QStringLiteral(", ajet ") + ayah +
           QStringLiteral(" od ") + count;
}

bool Sequencer::TregojeTekstinEAjetit(const QString &NrSure, const QString &NrAjet)
{
    if (!m_host.isShown())
        return false;
    m_host.setAyahText(
        m_host.findAyahText(QStringLiteral("nrsure =") + NrSure + QStringLiteral(" and nrajet =") + NrAjet));
    QString number, name, count;
    const bool found = m_host.seekSurah(NrSure, &number, &name, &count);
    if (found) {
        m_host.setSelectorTexts(number, name, NrAjet, count);
        m_host.ayahShown(number, NrAjet);
    }
    m_host.setStatus(
        statusLine(m_host.surahText(), m_host.nameText(), m_host.ayahText(), m_host.countText()));
    return found;
}

Sequencer::WaitEnd Sequencer::waitForClip(bool testStop)
{
    for (;;) {
        if (!m_host.isShown())
            return WaitEnd::WindowGone;
        if (testStop && m_host.stopRequested())
            return WaitEnd::Stopped;
        const qint32 position = m_sound.position();
        const qint32 length = m_sound.length();
        const QString status = m_sound.status();
        if (status == QLatin1String("stopped") || status.isEmpty() || length == position)
            return WaitEnd::Ended;
        if (!m_host.isShown()) {
            m_host.setTimerEnabled(false);
            return WaitEnd::WindowGone;
        }
        // Waits for the next event instead of spinning; the sound control wakes the loop
        // while it plays.
        m_host.waitForEvents();
    }
}

void Sequencer::PlayNjeAjet(const QString &NrSure, const QString &NrAjet)
{
    if (!m_host.isShown())
        return;
    if (m_host.stopRequested()) {
        m_host.setTimerEnabled(false);
        return;
    }
    m_sound.setFile(m_host.clipPath(NrSure, NrAjet));
    m_host.setTimerEnabled(true);
    m_sound.setCommand(5);
    m_host.setSlider(m_sound.length(), m_sound.startPosition());
    TregojeTekstinEAjetit(NrSure, NrAjet);
    if (waitForClip(true) == WaitEnd::WindowGone)
        return;
    m_host.setTimerEnabled(false);
}

void Sequencer::LexojeBismilahun()
{
    if (!m_host.isShown())
        return;
    m_sound.setFile(m_host.clipPath(QStringLiteral("1"), QStringLiteral("1")));
    m_host.setTimerEnabled(true);
    m_sound.setCommand(5);
    m_host.setSlider(m_sound.length(), m_sound.startPosition());
    m_host.setAyahText(QStringLiteral("U ime Allaha, Milostivog, Samilosnog!"));
    m_host.setStatus(QStringLiteral("Bismil-lah..."));
    waitForClip(false);
    m_host.setTimerEnabled(false);
}

void Sequencer::PlayNjeSure(const QString &NrSure)
{
    const int selected = leadingNumber(m_host.surahText());
    if (selected != 1 && selected != 9)
        LexojeBismilahun();
    const int count = leadingNumber(m_host.countText());
    QString surah;
    for (int i = 1; i <= count; ++i) {
        if (!m_host.isShown())
            return;
        if (i == 1)
            surah = NrSure.isEmpty() ? m_host.surahText() : NrSure;
        PlayNjeAjet(surah, QString::number(i));
        if (i == leadingNumber(m_host.countText()))
            return;
    }
}

void Sequencer::Hatme()
{
    for (int s = 1; s <= 114; ++s) {
        m_host.chooseSurah(QString::number(s));
        PlayNjeSure();
    }
}

} // namespace velmora
