#include "app/widgets/MainParts.h"

#include "app/widgets/MainWindow.h"

namespace velmora {

void installMainParts(MainWindow &window)
{
    (void)window;
}

} // namespace velmora
