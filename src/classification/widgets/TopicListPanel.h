#pragma once

#include <QObject>

class QLabel;
class QToolButton;
class QWidget;

namespace velmora {

class ItemClickSignal;
class ReferenceList;
class ResultsView;
class RichTextView;
class SimpleComboBox;

// The alphabetical panel pictCmbTematAlfabet: every topic name in cmbKlasifikimTematik,
// loaded once per run from VetemTemat (the flag TopicListFilled); a chosen
// topic lists its reference lines in LstAjetetPrejCmbTema and shows the first line's ayahs.
class TopicListPanel : public QObject {
    Q_OBJECT
public:
    // The panel it builds its controls in, the other two panels it hides, its button, the
    // view its reports go to and the window that tells the reader.
    struct Controls {
        QWidget *pictCmbTematAlfabet = nullptr;
        QWidget *PictKlasifikim = nullptr;
        QWidget *pictCmbSureAjet = nullptr;
        QToolButton *CmdShowCmbKlasifikim = nullptr;
        RichTextView *Rtf1 = nullptr;
        QWidget *frmMain = nullptr;
    };

    TopicListPanel(const Controls &controls, ResultsView &results, QObject *parent = nullptr);

    void CmdShowCmbKlasifikim_Click();
    void cmbKlasifikimTematik_Click();
    void LstAjetetPrejCmbTema_Click();
    void pictCmbTematAlfabet_Resize();

    bool topicListFilled() const { return m_topicListFilled; }
    // Its label "Teme", Label2 with index 4 of the main window's label array.
    QLabel *label() const { return m_label; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // Loads the names; false after telling the reader on a failure, with the box left empty
    // so that a later click tries again.
    bool fillTopics();

    Controls m_c;
    ResultsView &m_results;
    bool m_topicListFilled = false;
    QLabel *m_label = nullptr;
    SimpleComboBox *m_box = nullptr;
    ReferenceList *m_lines = nullptr;
};

} // namespace velmora
