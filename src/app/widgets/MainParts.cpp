#include "app/widgets/MainParts.h"

#include "about/widgets/AboutWindow.h"
#include "app/widgets/MainWindow.h"
#include "recitation/widgets/RecitationWindow.h"
#include "recitation/widgets/TextRecitationPart.h"

#include <QToolButton>

namespace velmora {

void installMainParts(MainWindow &window)
{
    MainControls &c = window.controls();

    // The About window, modal; the main window's activation runs when it closes.
    QObject::connect(c.cmdRrethProg, &QToolButton::clicked, &window, [&window] {
        AboutWindow about(&window);
        window.execModal(&about);
    });

    installRecitationWindowPart(window);
    installTextRecitationPart(window);
}

} // namespace velmora
