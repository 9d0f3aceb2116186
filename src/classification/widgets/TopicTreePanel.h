#pragma once

#include <QHash>
#include <QObject>

class QListWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmora {

class ImageList;
class ItemClickSignal;
class MainWindow;
struct MainControls;
struct TopicNode;

// The topic tree panel PictKlasifikim: chapters and their topics in TreeView1, filled once
// per run from KreuMeTema (flag TreeFilled of the main window); a topic lists its reference
// lines in lstAjetKlasifikim and shows the first line's ayahs at once.
class TopicTreePanel : public QObject {
    Q_OBJECT
public:
    explicit TopicTreePanel(MainWindow &window);

    void CmdKlasifikim_Click();
    void TreeView1_NodeClick();
    void lstAjetKlasifikim_Click();
    void cmdExpandAll_Click();
    void CmdCollapseAll_Click();
    void PictKlasifikim_Resize();

    bool treeFilled() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // Reads the whole tree and adds its nodes; false after telling the reader on a failure,
    // with the tree left empty so that a later click tries again.
    bool fillTree();
    void addNode(const TopicNode &node);

    MainWindow &m_window;
    MainControls &m_c;
    QToolButton *m_expandAll = nullptr;
    QToolButton *m_collapseAll = nullptr;
    QTreeWidget *m_tree = nullptr;
    QListWidget *m_list = nullptr;
    ImageList *m_images = nullptr;
    ItemClickSignal *m_treeClick = nullptr;
    ItemClickSignal *m_listClick = nullptr;
    QHash<QString, QTreeWidgetItem *> m_nodesByKey;
};

} // namespace velmora
