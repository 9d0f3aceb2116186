#pragma once

#include <QHash>
#include <QObject>

class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmora {

class ImageList;
class ItemClickSignal;
class ReferenceList;
class ResultsView;
class RichTextView;
struct TopicNode;

// The topic tree panel PictKlasifikim: chapters and their topics in TreeView1, filled once
// per run from KreuMeTema (the flag TreeFilled); a topic lists its reference lines in
// lstAjetKlasifikim and shows the first line's ayahs at once.
class TopicTreePanel : public QObject {
    Q_OBJECT
public:
    // The panel it builds its controls in, the other two panels it hides, its button, the
    // view its reports go to and the window that tells the reader.
    struct Controls {
        QWidget *PictKlasifikim = nullptr;
        QWidget *pictCmbTematAlfabet = nullptr;
        QWidget *pictCmbSureAjet = nullptr;
        QToolButton *CmdKlasifikim = nullptr;
        RichTextView *Rtf1 = nullptr;
        QWidget *frmMain = nullptr;
    };

    TopicTreePanel(const Controls &controls, ResultsView &results, QObject *parent = nullptr);

    void CmdKlasifikim_Click();
    void TreeView1_NodeClick();
    void lstAjetKlasifikim_Click();
    void cmdExpandAll_Click();
    void CmdCollapseAll_Click();
    void PictKlasifikim_Resize();

    bool treeFilled() const { return m_treeFilled; }
    // The panel's own geometry that the main window's layout rules take into account, in
    // pixels: the height of the reference list and the top of the tree.
    int listHeight() const;
    int treeTop() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // Reads the whole tree and adds its nodes; false after telling the reader on a failure,
    // with the tree left empty so that a later click tries again.
    bool fillTree();
    void addNode(const TopicNode &node);

    Controls m_c;
    ResultsView &m_results;
    bool m_treeFilled = false;
    QToolButton *m_expandAll = nullptr;
    QToolButton *m_collapseAll = nullptr;
    QTreeWidget *m_tree = nullptr;
    ReferenceList *m_lines = nullptr;
    ImageList *m_images = nullptr;
    ItemClickSignal *m_treeClick = nullptr;
    QHash<QString, QTreeWidgetItem *> m_nodesByKey;
};

} // namespace velmora
