#include "app/widgets/MainParts.h"

#include "about/widgets/AboutWindow.h"
#include "app/widgets/MainWindow.h"
#include "classification/widgets/TopicParts.h"
#include "recitation/widgets/RecitationWindow.h"
#include "recitation/widgets/TextRecitationPart.h"
#include "search/widgets/FindPart.h"
#include "search/widgets/VerseSearchPart.h"
#include "textview/widgets/NavigationParts.h"

#include <QToolButton>

namespace velmora {

void installMainParts(MainWindow &window)
{
    installSelectorPart(window);
    installAyahSelectPart(window);
    installTextCommandsPart(window);

    MainControls &c = window.controls();
    new VerseSearchPart(c, &window);
    new FindPart(c, &window);

    // The About window, modal; the main window's activation runs when it closes.
    QObject::connect(c.cmdRrethProg, &QToolButton::clicked, &window, [&window] {
        AboutWindow about(&window);
        window.execModal(&about);
    });

    installTopicTreePanel(window);
    installTopicListPanel(window);
    installPanelSwitching(window);

    installRecitationWindowPart(window);
    installTextRecitationPart(window);
}

} // namespace velmora
