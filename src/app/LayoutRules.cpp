#include "app/LayoutRules.h"

namespace velmora {

MainLayoutResult computeMainLayout(const MainLayoutInput &in)
{
    MainLayoutResult r;
    // Step 1: the text view fills the window to the right of the left column.
    const int rtfWidth = in.outerWidth - in.rtfLeft - 100;
    if (rtfWidth < 0 || in.clientHeight < 0)
        return r;
    r.rtfWidth = rtfWidth;
    r.rtfHeight = in.clientHeight;
    r.stepsDone = 1;

    // Step 2: the topic tree panel reaches the bottom of the window.
    const int klasifikim = in.outerHeight - in.panelTop;
    if (klasifikim < 0)
        return r;
    r.klasifikimHeight = klasifikim;
    r.stepsDone = 2;

    // Step 3: the reference list keeps its height, 500 above the panel's bottom. A position
    // may lie above the panel's top; only sizes cannot be negative.
    const int listTop = klasifikim - (in.listHeight + 500);
    r.listTop = listTop;
    r.stepsDone = 3;

    // Step 4: the tree fills the space above the list.
    const int tree = klasifikim - (in.treeTop + in.listHeight + 500 + 50);
    if (tree < 0)
        return r;
    r.treeHeight = tree;
    r.stepsDone = 4;

    // Steps 5 and 6: the other two panels reach the bottom of the window.
    const int panel = in.outerHeight - in.panelTop;
    r.tematAlfabetHeight = panel;
    r.stepsDone = 5;
    r.sureAjetHeight = panel;
    r.stepsDone = 6;
    return r;
}

SideSplit splitBesideText(int width, int sharePermille)
{
    SideSplit split;
    if (width <= 0)
        return split;
    const int share = sharePermille < 0 ? 0 : (sharePermille > 1000 ? 1000 : sharePermille);
    split.sideWidth = int((static_cast<long long>(width) * share + 500) / 1000);
    split.textWidth = width - split.sideWidth;
    return split;
}

} // namespace velmora
