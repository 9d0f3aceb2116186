#pragma once

class QWidget;

namespace velmora {

// Makes a window of the program (the main window with its panels, the recitation window, the
// About window) usable with a screen reader and the keyboard alone:
//  - every control gets the accessible name and description that screen readers speak: a
//    short name and, as description, its tooltip's text in Bosnian with its proper letters
//    (or what the control does, for a control without a tooltip); each label of a list or
//    box stands for it;
//  - Tab visits the main window's controls from top to bottom. "Kraj" comes last before the
//    surah selectors, since leaving it always sends the focus to the surah-number selector:
//    placed first, it would make Tab skip everything between them.
// Controls are found by their names under `window`, so the window may be built by any part.
void makeAccessible(QWidget *window);

} // namespace velmora
