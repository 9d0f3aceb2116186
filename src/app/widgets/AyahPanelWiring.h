#pragma once

namespace velmora {

class MainWindow;

// The ayah panel beside the text view: its place in the window's layout, the popup-menu item
// and key that show and hide it, the ayahs it follows and its settings.
void installAyahPanelPart(MainWindow &window);

} // namespace velmora
