#include "recitation/widgets/TextRecitationPart.h"

#include "app/widgets/MainWindow.h"
#include "data/DataSource.h"
#include "recitation/BookPlace.h"
#include "recitation/FXSnd.h"
#include "recitation/SoundSource.h"
#include "textview/AyahMarker.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/RichTextView.h"

#include <QAction>

namespace velmora {

TextRecitation::TextRecitation(RichTextView *view, FXSnd *sound, data::DataSource *surahs, QObject *parent)
    : QObject(parent), m_view(view), m_sound(sound), m_surahs(surahs)
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
    if (!m_sound || !m_surahs)
        return;
    if (!m_surahs->isOpen() && !m_surahs->refresh())
        return;
    if (checkPlace(m_surahs->table(), strNrSure, &strNrAjet) != PlaceCheck::Ok)
        return;
    // No CD test here and no waiting: without the CD the player gets a path that does not
    // exist and stays silent.
    m_sound->setFile(clipPath(strNrSure, strNrAjet));
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

void installTextRecitationPart(MainWindow &window)
{
    MainControls &c = window.controls();
    auto *part = new TextRecitation(c.Rtf1, c.FXSnd1, c.Data1, &window);
    part->setObjectName(QStringLiteral("TextRecitation"));
    QObject::connect(c.mnuLshoAjetin, &QAction::triggered, part, &TextRecitation::mnuLshoAjetin_Click);
    QObject::connect(c.Rtf1, &RichTextView::doubleClicked, part, &TextRecitation::mnuLshoAjetin_Click);
    QObject::connect(c.mnuPauzoje, &QAction::triggered, part, &TextRecitation::mnuPauzoje_Click);
    QObject::connect(c.mnuVazhdo, &QAction::triggered, part, &TextRecitation::mnuVazhdo_Click);
    // The drive scan of the start-up, which the clip paths of the text's ayahs rest on.
    QObject::connect(&window, &MainWindow::driveScanRequested, part, [] { FindCDRomDrive(); });
}

} // namespace velmora
