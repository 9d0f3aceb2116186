#include "app/widgets/MainParts.h"

#include "app/widgets/MainWindow.h"
#include "classification/widgets/TopicParts.h"

namespace velmora {

void installMainParts(MainWindow &window)
{
    (void)window;
    installTopicTreePanel(window);
    installTopicListPanel(window);
    installPanelSwitching(window);
}

} // namespace velmora
