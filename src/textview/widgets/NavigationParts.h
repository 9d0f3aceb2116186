#pragma once

namespace velmora {

class MainWindow;
class SurahSelectors;

// The main window's parts for reading and navigating the text.

// The four selectors of the selector panel; a choice locates and selects the ayah in Rtf1.
// Each activation of the window refills and resets them. Returns the selectors, owned by the
// window.
SurahSelectors *installSelectorPart(MainWindow &window);

// "Selektiraj ajet" in the text view's popup menu.
void installAyahSelectPart(MainWindow &window);

// The font lists, copy (button and popup item) and "Selektiraj cjeli tekst".
void installTextCommandsPart(MainWindow &window);

} // namespace velmora
