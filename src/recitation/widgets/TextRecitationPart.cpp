#include "recitation/widgets/TextRecitationPart.h"

#include "recitation/FXSnd.h"
#include "recitation/SoundSource.h"
#include "textview/AyahMarker.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/RichTextView.h"

#include <QAction>

namespace velmora {

TextRecitation::TextRecitation(RichTextView *view, FXSnd *sound, QObject *parent)
    : QObject(parent), m_view(view), m_sound(sound)
{
}

void TextRecitation::mnuLshoAjetin_Click()
{
    if (!m_view)
        return;
    // The whole ayah paragraph stays selected, showing the reader which ayah is recited; the
    // focus stays where it is.
    const QString marker = selectAyahAtCaret(m_view);
    QString surah;
    QString ayah;
    readMarker(marker, &surah, &ayah);
    FuncPlayAjet(surah, ayah);
}

void TextRecitation::FuncPlayAjet(const QString &strNrSure, const QString &strNrAjet)
{
    if (!m_sound)
        return;
    // No CD test, no check of the numbers and no waiting: without the CD, or for a text that
    // is no ayah of the book, the player gets a path that does not exist and stays silent.
    // The path cannot leave the clip folder (clipPath keeps separators out of the name).
    m_sound->setFile(m_source ? m_source(strNrSure, strNrAjet) : clipPath(strNrSure, strNrAjet));
    m_sound->setCommand(5);
}

void TextRecitation::mnuPauzoje_Click()
{
    if (m_sound)
        m_sound->setCommand(6);
}

void TextRecitation::mnuVazhdo_Click()
{
    if (m_sound)
        m_sound->setCommand(10);
}

} // namespace velmora
