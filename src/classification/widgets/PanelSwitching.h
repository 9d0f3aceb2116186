#pragma once

#include <QObject>

namespace velmora {

class MainWindow;
struct MainControls;

// The selectors button and the way back to the whole text. The two classification buttons
// switch the panels in their own parts (TopicTreePanel, TopicListPanel).
class PanelSwitching : public QObject {
    Q_OBJECT
public:
    explicit PanelSwitching(MainWindow &window);

    // Shows the selectors panel; when a result is shown, brings the whole text back.
    void cmdSipasSureve_Click();
    // Brings the whole text back.
    void cmdKtheKuranin_Click();

private:
    MainWindow &m_window;
    MainControls &m_c;
};

} // namespace velmora
