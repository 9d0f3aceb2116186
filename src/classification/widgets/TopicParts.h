#pragma once

namespace velmora {

class MainWindow;

// The thematic classification parts of the main window. Each builds its controls inside
// the main window's panels and connects its handlers; the window owns what they create.

// The topic tree panel PictKlasifikim: CmdKlasifikim, the tree, expand/collapse all and the
// reference list with its report.
void installTopicTreePanel(MainWindow &window);
// The alphabetical panel pictCmbTematAlfabet: CmdShowCmbKlasifikim, the topic box and the
// reference list with its report.
void installTopicListPanel(MainWindow &window);
// The selectors button cmdSipasSureve and the return button cmdKtheKuranin.
void installPanelSwitching(MainWindow &window);

} // namespace velmora
