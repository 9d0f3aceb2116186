#pragma once

namespace velmora {

class MainWindow;

// Connects the parts of every subsystem (selectors, text commands, search, find, topics,
// recitation, About) to the main window's controls.
void installMainParts(MainWindow &window);

} // namespace velmora
