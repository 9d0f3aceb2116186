#include "classification/PanelLayout.h"

namespace velmora {

TreePanelLayout treePanelLayout(int panelHeight, int listHeight, int treeTop)
{
    TreePanelLayout r;
    r.listTop = panelHeight - (listHeight + 500);
    const int tree = panelHeight - (treeTop + listHeight + 500 + 50);
    if (tree < 0)
        return r;
    r.treeHeight = tree;
    return r;
}

AlphabetPanelLayout alphabetPanelLayout(int panelHeight, int listHeight, int boxTop)
{
    AlphabetPanelLayout r;
    const int box = panelHeight - (listHeight + 500 + 50 + boxTop);
    if (box < 0)
        return r;
    r.boxHeight = box;
    r.listTop = panelHeight - (listHeight + 500);
    return r;
}

} // namespace velmora
