#include "app/widgets/FollowAlongWiring.h"

#include "app/widgets/MainWindow.h"
#include "recitation/widgets/FollowAlongPart.h"
#include "recitation/widgets/TextRecitationPart.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

namespace velmora {

void installFollowAlongPart(MainWindow &window)
{
    MainControls &c = window.controls();
    QAction *item = c.mnuPopupRtf->addAction(FollowAlong::startText());
    item->setObjectName(QStringLiteral("mnuUciOdAjeta"));
    auto *part = new FollowAlong({c.Rtf1, c.FXSnd1, item}, &window);
    part->setObjectName(QStringLiteral("FollowAlong"));
    // The recitation window plays on its own player and is modal: the run stops before it
    // opens (pressed comes before the click that opens it).
    QObject::connect(c.cmdLeximAjet, &QToolButton::pressed, part, &FollowAlong::stop);
    // "Uci ajet" plays the chosen reciter too (the CD's clip while the CD is the choice).
    if (auto *single = window.findChild<TextRecitation *>(QStringLiteral("TextRecitation"))) {
        single->setClipSource(
            [](const QString &surah, const QString &ayah) { return chosenClipSource()(surah, ayah); });
    }
}

} // namespace velmora
