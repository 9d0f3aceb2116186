#include "classification/widgets/TopicTreePanel.h"

#include "classification/PanelLayout.h"
#include "classification/TopicData.h"
#include "classification/widgets/ItemClickSignal.h"
#include "classification/widgets/ReferenceList.h"
#include "classification/widgets/TopicReportView.h"
#include "classification/widgets/TopicTreeImages.h"
#include "common/Twips.h"
#include "common/widgets/Controls.h"
#include "common/widgets/ImageList.h"
#include "common/widgets/MessageBoxes.h"
#include "common/widgets/TwipsGeometry.h"
#include "data/Database.h"
#include "textview/widgets/RichTextView.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QIcon>
#include <QListWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace velmora {

namespace {
} // namespace

TopicTreePanel::TopicTreePanel(const Controls &controls, ResultsView &results, QObject *parent)
    : QObject(parent), m_c(controls), m_results(results)
{
    setObjectName(QStringLiteral("TopicTreePanel"));
    buildControls();

    connect(m_c.CmdKlasifikim, &QToolButton::clicked, this, &TopicTreePanel::CmdKlasifikim_Click);
    connect(m_expandAll, &QToolButton::clicked, this, &TopicTreePanel::cmdExpandAll_Click);
    connect(m_collapseAll, &QToolButton::clicked, this, &TopicTreePanel::CmdCollapseAll_Click);
    connect(m_treeClick, &ItemClickSignal::clicked, this, &TopicTreePanel::TreeView1_NodeClick);
    connect(m_lines, &ReferenceList::clicked, this, &TopicTreePanel::lstAjetKlasifikim_Click);
    m_c.PictKlasifikim->installEventFilter(this);
}

void TopicTreePanel::buildControls()
{
    QWidget *panel = m_c.PictKlasifikim;
    m_images = topicTreeImages(this);

    auto button = [panel](const char *name, const char *tip, const char *file) {
        return iconButton(panel, name, QLatin1String(tip),
                          QIcon(QStringLiteral(":/velmora/icons/") + QLatin1String(file)), 120, 120, 375,
                          375);
    };
    // The two buttons lie on the same spot; one replaces the other.
    m_expandAll = button("cmdExpandAll", "Pokazi grane", "expand.svg");
    m_collapseAll = button("CmdCollapseAll", "Pokazi stablo", "collapse.svg");
    m_collapseAll->hide();

    m_tree = new QTreeWidget(panel);
    m_tree->setObjectName(QStringLiteral("TreeView1"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setSortingEnabled(false);
    m_tree->setRootIsDecorated(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setIconSize(m_images->image(0).size());
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    placeTwips(m_tree, 120, 600, 2415, 2040 - 50 - 600);
    m_treeClick = new ItemClickSignal(m_tree);

    m_lines = new ReferenceList(panel, "lstAjetKlasifikim", 120, 2040, 2415, 1410);
}

int TopicTreePanel::listHeight() const
{
    return m_lines->widget()->height();
}

int TopicTreePanel::treeTop() const
{
    return m_tree->y();
}

void TopicTreePanel::CmdKlasifikim_Click()
{
    m_c.PictKlasifikim->setVisible(true);
    m_c.pictCmbTematAlfabet->setVisible(false);
    m_c.pictCmbSureAjet->setVisible(false);
    QCoreApplication::processEvents();
    // The flag is read after the yield: a click handled meanwhile may have filled the tree.
    if (treeFilled())
        return;
    if (fillTree())
        m_treeFilled = true;
}

bool TopicTreePanel::fillTree()
{
    QString error;
    std::optional<QList<TopicNode>> nodes;
    {
        const data::Database db = data::Database::open(topicStoreName());
        nodes = loadTopicTree(db, &error);
    }
    if (!nodes) {
        tellReader(m_c.frmMain, QStringLiteral("Tematska klasifikacija se ne može učitati iz baze "
                                               "podataka \"%1\": %2\nPokušajte ponovo.")
                                    .arg(topicStoreName(), error));
        return false;
    }
    ItemClickSignal::Mute mute(m_treeClick);
    m_tree->setUpdatesEnabled(false);
    for (const TopicNode &node : *nodes)
        addNode(node);
    m_tree->setUpdatesEnabled(true);
    return true;
}

void TopicTreePanel::addNode(const TopicNode &node)
{
    QTreeWidgetItem *item = nullptr;
    if (node.parentKey.isEmpty() && node.image == TopicNode::Chapter) {
        item = new QTreeWidgetItem(m_tree);
    } else {
        QTreeWidgetItem *parent = m_nodesByKey.value(node.parentKey);
        if (!parent)
            return;
        item = new QTreeWidgetItem(parent);
    }
    item->setText(0, node.text);
    item->setData(0, Qt::UserRole, node.key);
    item->setIcon(0, QIcon(m_images->image(node.image)));
    m_nodesByKey.insert(node.key, item);
}

void TopicTreePanel::TreeView1_NodeClick()
{
    QTreeWidgetItem *node = m_tree->currentItem();
    if (!node)
        return;
    // A chapter lists nothing.
    if (node->childCount() > 0)
        return;

    m_lines->clear();
    const QString topic = topicNameFromNodeText(node->text(0));
    QStringList lines;
    {
        const data::Database db = data::Database::open(topicStoreName());
        lines = loadReferenceLines(db, topic);
    }
    m_lines->fill(lines);
    lstAjetKlasifikim_Click();
}

void TopicTreePanel::lstAjetKlasifikim_Click()
{
    const QTreeWidgetItem *node = m_tree->currentItem();
    showTopicAyahs(m_c.Rtf1, m_results, m_lines->currentLine(), node ? node->text(0) : QString());
}

void TopicTreePanel::cmdExpandAll_Click()
{
    m_expandAll->setVisible(false);
    m_collapseAll->setVisible(true);
    QCoreApplication::processEvents();
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        (*it)->setExpanded(true);
}

void TopicTreePanel::CmdCollapseAll_Click()
{
    m_expandAll->setVisible(true);
    m_collapseAll->setVisible(false);
    QCoreApplication::processEvents();
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        (*it)->setExpanded(false);
}

void TopicTreePanel::PictKlasifikim_Resize()
{
    const double dpi = logicalDpi(m_c.PictKlasifikim);
    const TreePanelLayout r =
        treePanelLayout(pixelsToTwips(m_c.PictKlasifikim->height(), dpi),
                        pixelsToTwips(m_lines->widget()->height(), dpi), pixelsToTwips(m_tree->y(), dpi));
    if (r.listTop)
        m_lines->widget()->move(m_lines->widget()->x(), twips(m_lines->widget(), *r.listTop));
    if (r.treeHeight)
        m_tree->resize(m_tree->width(), twips(m_tree, *r.treeHeight));
}

bool TopicTreePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_c.PictKlasifikim && event->type() == QEvent::Resize)
        PictKlasifikim_Resize();
    return QObject::eventFilter(watched, event);
}

} // namespace velmora
