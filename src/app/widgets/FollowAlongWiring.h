#pragma once

namespace velmora {

class MainWindow;

// Listening while reading: the popup item "Uči od ovog ajeta" of the main text and its part.
void installFollowAlongPart(MainWindow &window);

} // namespace velmora
