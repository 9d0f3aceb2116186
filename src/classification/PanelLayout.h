#pragma once

#include <optional>

namespace velmora {

// Layout rules of the two classification panels, in twips. They run when a panel's height
// changes; the first step whose size would be negative ends the rule and the later steps
// keep their previous values. A top may lie above the panel; only sizes cannot be negative.

// Topic tree panel: the reference list keeps its height with its bottom 500 above the
// panel's bottom; the tree fills the space down to 50 above the list.
struct TreePanelLayout {
    std::optional<int> listTop;
    std::optional<int> treeHeight;
};
TreePanelLayout treePanelLayout(int panelHeight, int listHeight, int treeTop);

// Alphabetical panel: the topic box reaches down to 50 above the reference list, which keeps
// its height with its bottom 500 above the panel's bottom.
struct AlphabetPanelLayout {
    std::optional<int> boxHeight;
    std::optional<int> listTop;
};
AlphabetPanelLayout alphabetPanelLayout(int panelHeight, int listHeight, int boxTop);

} // namespace velmora
