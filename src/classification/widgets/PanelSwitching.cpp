#include "classification/widgets/PanelSwitching.h"

#include "app/widgets/MainWindow.h"
#include "classification/widgets/TopicParts.h"

#include <QCoreApplication>
#include <QToolButton>

namespace velmora {

PanelSwitching::PanelSwitching(MainWindow &window)
    : QObject(&window), m_window(window), m_c(window.controls())
{
    setObjectName(QStringLiteral("PanelSwitching"));
    connect(m_c.cmdSipasSureve, &QToolButton::clicked, this, &PanelSwitching::cmdSipasSureve_Click);
    connect(m_c.cmdKtheKuranin, &QToolButton::clicked, this, &PanelSwitching::cmdKtheKuranin_Click);
}

void PanelSwitching::cmdSipasSureve_Click()
{
    m_c.PictKlasifikim->setVisible(false);
    m_c.pictCmbTematAlfabet->setVisible(false);
    m_c.pictCmbSureAjet->setVisible(true);
    // Leaving the results view reloads the whole text. When it cannot be loaded the reader
    // is told and the return button stays, now in sight with the selectors panel.
    if (m_window.isResultsView())
        m_window.leaveResultsView();
    QCoreApplication::processEvents();
}

void PanelSwitching::cmdKtheKuranin_Click()
{
    m_window.leaveResultsView();
}

void installPanelSwitching(MainWindow &window)
{
    new PanelSwitching(window);
}

} // namespace velmora
