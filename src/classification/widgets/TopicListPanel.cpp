#include "classification/widgets/TopicListPanel.h"

#include "classification/PanelLayout.h"
#include "classification/TopicData.h"
#include "classification/widgets/ItemClickSignal.h"
#include "classification/widgets/ReferenceList.h"
#include "classification/widgets/SimpleComboBox.h"
#include "classification/widgets/TopicReportView.h"
#include "common/Twips.h"
#include "common/widgets/MessageBoxes.h"
#include "common/widgets/TwipsGeometry.h"
#include "data/Database.h"
#include "textview/widgets/RichTextView.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

namespace velmora {

namespace {
} // namespace

TopicListPanel::TopicListPanel(const Controls &controls, ResultsView &results, QObject *parent)
    : QObject(parent), m_c(controls), m_results(results)
{
    setObjectName(QStringLiteral("TopicListPanel"));
    buildControls();

    connect(m_c.CmdShowCmbKlasifikim, &QToolButton::clicked, this,
            &TopicListPanel::CmdShowCmbKlasifikim_Click);
    connect(m_box, &SimpleComboBox::clicked, this, &TopicListPanel::cmbKlasifikimTematik_Click);
    connect(m_lines, &ReferenceList::clicked, this, &TopicListPanel::LstAjetetPrejCmbTema_Click);
    m_c.pictCmbTematAlfabet->installEventFilter(this);
}

void TopicListPanel::buildControls()
{
    QWidget *panel = m_c.pictCmbTematAlfabet;
    const QFont listFont(QStringLiteral("Times New Roman"), 9);

    m_label = new QLabel(QStringLiteral("Teme"), panel);
    m_label->setObjectName(QStringLiteral("Label2"));
    m_label->setProperty("index", 4);
    placeTwips(m_label, 120, 120, 2415, 240);

    m_box = new SimpleComboBox(panel);
    m_box->setObjectName(QStringLiteral("cmbKlasifikimTematik"));
    m_box->setFont(listFont);
    placeTwips(m_box, 120, 360, 2415, 1755);

    m_lines = new ReferenceList(panel, "LstAjetetPrejCmbTema", 120, 2400, 2415, 1410);
}

void TopicListPanel::CmdShowCmbKlasifikim_Click()
{
    m_c.pictCmbTematAlfabet->setVisible(true);
    m_c.PictKlasifikim->setVisible(false);
    m_c.pictCmbSureAjet->setVisible(false);
    m_box->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    // The flag is read after the yield: a click handled meanwhile may have loaded the names.
    if (topicListFilled())
        return;
    if (fillTopics())
        m_topicListFilled = true;
}

bool TopicListPanel::fillTopics()
{
    QString error;
    std::optional<QStringList> names;
    {
        const data::Database db = data::Database::open(topicStoreName());
        names = loadTopicNames(db, &error);
    }
    if (!names) {
        tellReader(m_c.frmMain, QStringLiteral("Popis tema se ne može učitati iz baze podataka "
                                               "\"%1\": %2\nPokušajte ponovo.")
                                    .arg(topicStoreName(), error));
        return false;
    }
    for (const QString &name : *names)
        m_box->addItem(name);
    return true;
}

void TopicListPanel::cmbKlasifikimTematik_Click()
{
    m_lines->clear();
    QStringList lines;
    {
        const data::Database db = data::Database::open(topicStoreName());
        lines = loadReferenceLines(db, trimBlanks(m_box->text()));
    }
    m_lines->fill(lines);
    LstAjetetPrejCmbTema_Click();
}

void TopicListPanel::LstAjetetPrejCmbTema_Click()
{
    showTopicAyahs(m_c.Rtf1, m_results, m_lines->currentLine(), m_box->text());
}

void TopicListPanel::pictCmbTematAlfabet_Resize()
{
    const double dpi = logicalDpi(m_c.pictCmbTematAlfabet);
    const AlphabetPanelLayout r =
        alphabetPanelLayout(pixelsToTwips(m_c.pictCmbTematAlfabet->height(), dpi),
                            pixelsToTwips(m_lines->widget()->height(), dpi), pixelsToTwips(m_box->y(), dpi));
    if (r.boxHeight)
        m_box->resize(m_box->width(), twips(m_box, *r.boxHeight));
    if (r.listTop)
        m_lines->widget()->move(m_lines->widget()->x(), twips(m_lines->widget(), *r.listTop));
}

bool TopicListPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_c.pictCmbTematAlfabet && event->type() == QEvent::Resize)
        pictCmbTematAlfabet_Resize();
    return QObject::eventFilter(watched, event);
}

} // namespace velmora
