#pragma once

#include <QString>

namespace velmora {

// The program's title: caption of the main window and of every message box, and the
// application name in the settings store.
inline QString programTitle()
{
    return QStringLiteral("Velmora 4.0");
}

} // namespace velmora
