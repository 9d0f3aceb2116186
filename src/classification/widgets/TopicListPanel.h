#pragma once

#include <QObject>

class QLabel;
class QListWidget;

namespace velmora {

class ItemClickSignal;
class MainWindow;
class SimpleComboBox;
struct MainControls;

// The alphabetical panel pictCmbTematAlfabet: every topic name in cmbKlasifikimTematik,
// loaded once per run from VetemTemat (flag TopicListFilled of the main window); a chosen
// topic lists its reference lines in LstAjetetPrejCmbTema and shows the first line's ayahs.
class TopicListPanel : public QObject {
    Q_OBJECT
public:
    explicit TopicListPanel(MainWindow &window);

    void CmdShowCmbKlasifikim_Click();
    void cmbKlasifikimTematik_Click();
    void LstAjetetPrejCmbTema_Click();
    void pictCmbTematAlfabet_Resize();

    bool topicListFilled() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // Loads the names; false after telling the reader on a failure, with the box left empty
    // so that a later click tries again.
    bool fillTopics();

    MainWindow &m_window;
    MainControls &m_c;
    QLabel *m_label = nullptr;
    SimpleComboBox *m_box = nullptr;
    QListWidget *m_list = nullptr;
    ItemClickSignal *m_listClick = nullptr;
};

} // namespace velmora
