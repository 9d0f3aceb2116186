#include "classification/widgets/PanelSwitching.h"

#include "common/widgets/ResultsView.h"

#include <QCoreApplication>
#include <QToolButton>
#include <QWidget>

namespace velmora {

PanelSwitching::PanelSwitching(const Controls &controls, ResultsView &results, QObject *parent)
    : QObject(parent), m_c(controls), m_results(results)
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
    if (m_results.isResultsView())
        m_results.leaveResultsView();
    QCoreApplication::processEvents();
}

void PanelSwitching::cmdKtheKuranin_Click()
{
    m_results.leaveResultsView();
}

} // namespace velmora
