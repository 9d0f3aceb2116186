#pragma once

namespace velmora {

class MainWindow;

// Bookmarks, the last place read, copying an ayah with its reference and printing: the items
// of the text view's popup menu and the keys and start-up steps that go with them.
void installReadingComforts(MainWindow &window);

} // namespace velmora
