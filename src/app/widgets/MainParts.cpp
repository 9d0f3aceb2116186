#include "app/widgets/MainParts.h"

#include "app/widgets/MainWindow.h"
#include "textview/widgets/NavigationParts.h"

namespace velmora {

void installMainParts(MainWindow &window)
{
    installSelectorPart(window);
    installAyahSelectPart(window);
    installTextCommandsPart(window);
}

} // namespace velmora
