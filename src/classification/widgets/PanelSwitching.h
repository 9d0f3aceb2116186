#pragma once

#include <QObject>

class QToolButton;
class QWidget;

namespace velmora {

class ResultsView;

// The selectors button and the way back to the whole text. The two classification buttons
// switch the panels in their own parts (TopicTreePanel, TopicListPanel).
class PanelSwitching : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QToolButton *cmdSipasSureve = nullptr;
        QToolButton *cmdKtheKuranin = nullptr;
        QWidget *pictCmbSureAjet = nullptr;
        QWidget *PictKlasifikim = nullptr;
        QWidget *pictCmbTematAlfabet = nullptr;
    };

    PanelSwitching(const Controls &controls, ResultsView &results, QObject *parent = nullptr);

    // Shows the selectors panel; when a result is shown, brings the whole text back.
    void cmdSipasSureve_Click();
    // Brings the whole text back.
    void cmdKtheKuranin_Click();

private:
    Controls m_c;
    ResultsView &m_results;
};

} // namespace velmora
