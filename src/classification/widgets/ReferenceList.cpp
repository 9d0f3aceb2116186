#include "classification/widgets/ReferenceList.h"

#include "classification/widgets/ItemClickSignal.h"
#include "common/widgets/TwipsGeometry.h"

#include <QListWidget>

namespace velmora {

ReferenceList::ReferenceList(QWidget *panel, const char *name, int left, int top, int width, int height)
    : QObject(panel), m_list(new QListWidget(panel))
{
    m_list->setObjectName(QLatin1String(name));
    m_list->setFont(QFont(QStringLiteral("Times New Roman"), 9));
    m_list->setToolTip(QStringLiteral("Kliknite ovdje da bi se pokazao ajet (ajeti)"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    placeTwips(m_list, left, top, width, height);
    m_clicks = new ItemClickSignal(m_list);
    connect(m_clicks, &ItemClickSignal::clicked, this, &ReferenceList::clicked);
}

void ReferenceList::clear()
{
    ItemClickSignal::Mute mute(m_clicks);
    m_list->clear();
}

void ReferenceList::fill(const QStringList &lines)
{
    ItemClickSignal::Mute mute(m_clicks);
    m_list->addItems(lines);
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

QString ReferenceList::currentLine() const
{
    const QListWidgetItem *line = m_list->currentItem();
    return line ? line->text() : QString();
}

} // namespace velmora
