#pragma once

#include <optional>

namespace velmora {

// The main window's resize rules, in twips. Each step computes one size from the window's
// size and the results of the earlier steps; the first step whose size would be negative
// ends the layout and the remaining controls keep their previous sizes.
struct MainLayoutInput {
    int outerWidth = 0;  // W
    int outerHeight = 0; // H
    int clientHeight = 0;
    int rtfLeft = 2640;
    int panelTop = 1440;   // top of the three left panels
    int listHeight = 1410; // lstAjetKlasifikim
    int treeTop = 600;     // TreeView1 inside PictKlasifikim
};

struct MainLayoutResult {
    std::optional<int> rtfWidth;
    std::optional<int> rtfHeight;
    std::optional<int> klasifikimHeight;
    std::optional<int> listTop;
    std::optional<int> treeHeight;
    std::optional<int> tematAlfabetHeight;
    std::optional<int> sureAjetHeight;
    int stepsDone = 0;
};

MainLayoutResult computeMainLayout(const MainLayoutInput &in);

// A right-hand area beside the text view (the ayah panel), laid out only while it is shown:
// the width that the rules above give the text view is shared between the two, the area
// taking `sharePermille` thousandths of it (rounded), the text view the rest. Any unit.
struct SideSplit {
    int textWidth = 0;
    int sideWidth = 0;
};
SideSplit splitBesideText(int width, int sharePermille);

} // namespace velmora
