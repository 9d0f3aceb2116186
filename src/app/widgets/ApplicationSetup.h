#pragma once

class QTranslator;

namespace velmora {

// Names the program for the desktop and the settings store, and makes the toolkit's own texts
// (standard buttons, the edit fields' context menus) speak the reader's language. Returns the
// translator it installed, owned by the application, or nullptr when no translation of the
// toolkit was found (the program's own texts are Bosnian regardless).
QTranslator *setUpApplication();

} // namespace velmora
