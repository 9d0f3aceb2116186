#include "TestSupport.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "classification/TopicReferences.h"
#include "classification/widgets/ImageList.h"
#include "classification/widgets/SimpleComboBox.h"
#include "data/DataFolder.h"
#include "textview/widgets/RichTextView.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <memory>

using namespace velmora;
using velmora::test::byName;

namespace {

const QString kDataDir = QStringLiteral(VELMORA_TEST_DATA_DIR);

// Direct reads of the default store, beside the program's own data layer.
class Store {
public:
    explicit Store(const QString &dir)
    {
        m_name = QStringLiteral("panels-check-%1").arg(++s_count);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(DataFolder::findFile(dir, QStringLiteral("Bazabos.db")));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        m_ok = db.open();
    }
    ~Store() { QSqlDatabase::removeDatabase(m_name); }
    bool ok() const { return m_ok; }

    QList<QStringList> rows(const QString &sql, const QVariantList &values = {}) const
    {
        QList<QStringList> out;
        QSqlQuery q(QSqlDatabase::database(m_name));
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec())
            return out;
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i).toString();
            out << row;
        }
        return out;
    }

    QStringList referenceLines(const QString &topic) const
    {
        QStringList lines;
        const auto rs =
            rows(QStringLiteral("select nrsure, emrsure, ajetet from klasifikim where tema = ?"), {topic});
        for (const QStringList &r : rs)
            lines << r.at(0) + QStringLiteral(" (") + r.at(1) + QStringLiteral("): ") + r.at(2);
        return lines;
    }

    QString ayahText(int surah, int ayah) const
    {
        const auto r = rows(QStringLiteral("select tekstajet from kuran where nrsure = ? and nrajet = ?"),
                            {surah, ayah});
        return r.isEmpty() ? QString() : r.first().first();
    }

private:
    static inline int s_count = 0;
    QString m_name;
    bool m_ok = false;
};

QString wholeTextOnDisk(const QString &dir)
{
    RichTextView view;
    DataFolder::setPath(dir);
    view.loadFile(QStringLiteral("KUR'AN.rtf"));
    return view.text();
}

// The paragraphs of the view after the report's header (five paragraphs).
QStringList ayahParagraphs(const QString &text)
{
    QStringList paragraphs = text.split(QStringLiteral("\r\n"));
    paragraphs = paragraphs.mid(5);
    paragraphs.removeAll(QString());
    return paragraphs;
}

} // namespace

class TestPanels : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlsInPlace();
    void treeFilledOnce();
    void topicUnderTwoChapters();
    void chapterClickChangesNothing();
    void topicReport_data();
    void topicReport();
    void sameLineClickedAgain();
    void expandCollapseAll();
    void topicListFilledOnce();
    void typedTopics_data();
    void typedTopics();
    void selectorsButtonLeavesResults();
    void selectorsButtonWithoutResult();
    void missingWholeTextOnReturn_data();
    void missingWholeTextOnReturn();
    void fillFailureTriesAgain_data();
    void fillFailureTriesAgain();
    void panelResizeRules();

private:
    void startWindow(const QString &dataDir);
    template <typename T> T *control(const char *name, int index = -1)
    {
        T *w = byName<T>(m_window.get(), QLatin1String(name), index);
        if (!w)
            qWarning("no control %s", name);
        return w;
    }
    void click(QToolButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void clickTreeItem(QTreeWidgetItem *item);
    void clickListRow(QListWidget *list, int row);
    QTreeWidgetItem *topicNode(const QString &topic = QString());
    int nodeCount();

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<Store> m_store;
    QString m_wholeText;
};

void TestPanels::initTestCase()
{
    if (!DataFolder::holdsData(kDataDir))
        QSKIP("the default data has not been made (run the set-up)");
    m_store = std::make_unique<Store>(kDataDir);
    QVERIFY(m_store->ok());
    m_wholeText = wholeTextOnDisk(kDataDir);
    QVERIFY(m_wholeText.size() > 1000);
}

void TestPanels::init()
{
    startWindow(kDataDir);
}

void TestPanels::cleanup()
{
    m_window.reset();
    DataFolder::setPath(kDataDir);
}

void TestPanels::startWindow(const QString &dataDir)
{
    m_window.reset();
    DataFolder::setPath(dataDir);
    m_window = std::make_unique<MainWindow>();
    installMainParts(*m_window);
    QVERIFY(m_window->formLoad(MainWindow::Options{0, false}));
}

void TestPanels::clickTreeItem(QTreeWidgetItem *item)
{
    QTreeWidget *tree = item->treeWidget();
    tree->scrollToItem(item);
    const QRect r = tree->visualItemRect(item);
    QVERIFY(r.isValid());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
}

void TestPanels::clickListRow(QListWidget *list, int row)
{
    QListWidgetItem *item = list->item(row);
    QVERIFY(item);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

QTreeWidgetItem *TestPanels::topicNode(const QString &topic)
{
    auto *tree = control<QTreeWidget>("TreeView1");
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if ((*it)->childCount() == 0 && (*it)->parent() &&
            (topic.isEmpty() || topicNameFromNodeText((*it)->text(0)) == topic))
            return *it;
    }
    return nullptr;
}

int TestPanels::nodeCount()
{
    int n = 0;
    for (QTreeWidgetItemIterator it(control<QTreeWidget>("TreeView1")); *it; ++it)
        ++n;
    return n;
}

void TestPanels::controlsInPlace()
{
    MainWindow &w = *m_window;
    auto *tree = control<QTreeWidget>("TreeView1");
    auto *list = control<QListWidget>("lstAjetKlasifikim");
    auto *expand = control<QToolButton>("cmdExpandAll");
    auto *collapse = control<QToolButton>("CmdCollapseAll");
    auto *box = control<SimpleComboBox>("cmbKlasifikimTematik");
    auto *list2 = control<QListWidget>("LstAjetetPrejCmbTema");
    auto *label = control<QLabel>("Label2", 4);
    auto *images = w.findChild<ImageList *>(QStringLiteral("ImageList1"));
    QVERIFY(tree && list && expand && collapse && box && list2 && label && images);

    QCOMPARE(tree->parentWidget(), w.controls().PictKlasifikim);
    QCOMPARE(list->parentWidget(), w.controls().PictKlasifikim);
    QCOMPARE(box->parentWidget(), w.controls().pictCmbTematAlfabet);
    QCOMPARE(label->parentWidget(), w.controls().pictCmbTematAlfabet);
    QCOMPARE(label->text(), QStringLiteral("Teme"));
    QCOMPARE(w.controls().Label2.value(4), label);
    QVERIFY(tree->isHeaderHidden());
    QCOMPARE(expand->toolTip(), QStringLiteral("Pokazi grane"));
    QCOMPARE(collapse->toolTip(), QStringLiteral("Pokazi stablo"));
    QVERIFY(!expand->isHidden());
    QVERIFY(collapse->isHidden());
    QCOMPARE(expand->geometry(), collapse->geometry());
    QCOMPARE(expand->pos(), QPoint(w.twips(120), w.twips(120)));
    const QString tip = QStringLiteral("Kliknite ovdje da bi se pokazao ajet (ajeti)");
    for (QWidget *l : {static_cast<QWidget *>(list), static_cast<QWidget *>(list2)}) {
        QCOMPARE(l->toolTip(), tip);
        QCOMPARE(l->font().family(), QStringLiteral("Times New Roman"));
        QCOMPARE(l->font().pointSize(), 9);
        QCOMPARE(l->x(), w.twips(120));
        QCOMPARE(l->width(), w.twips(2415));
        QCOMPARE(l->height(), w.twips(1410));
    }
    QCOMPARE(box->font().family(), QStringLiteral("Times New Roman"));
    QCOMPARE(box->lineEdit()->font().pointSize(), 9);
    QCOMPARE(box->pos(), QPoint(w.twips(120), w.twips(360)));
    QCOMPARE(tree->pos(), QPoint(w.twips(120), w.twips(600)));
    QCOMPARE(images->count(), 2);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(!images->image(i).isNull());
        QCOMPARE(images->image(i).pixmap(16, 16).size(), QSize(16, 16));
    }
    QVERIFY(images->image(0).pixmap(16, 16).toImage() != images->image(1).pixmap(16, 16).toImage());
    QCOMPARE(w.property("TreeFilled").toBool(), false);
    QCOMPARE(w.property("TopicListFilled").toBool(), false);
    QCOMPARE(tree->topLevelItemCount(), 0);
    QCOMPARE(box->count(), 0);
}

void TestPanels::treeFilledOnce()
{
    MainControls &c = m_window->controls();
    click(c.CmdKlasifikim);
    QVERIFY(!c.PictKlasifikim->isHidden());
    QVERIFY(c.pictCmbTematAlfabet->isHidden());
    QVERIFY(c.pictCmbSureAjet->isHidden());
    QCOMPARE(m_window->property("TreeFilled").toBool(), true);

    // Independent count: one node per chapter name, one per run of rows of one topic.
    const auto rows = m_store->rows(QStringLiteral("select * from KreuMeTema"));
    QVERIFY(!rows.isEmpty());
    QSet<QString> chapters;
    int topics = 0;
    QString chapter, topic;
    for (const QStringList &r : rows) {
        if (r.at(1) != chapter) {
            chapter = r.at(1);
            chapters.insert(chapter);
            topic.clear();
        }
        if (r.at(3) != topic && !r.at(3).isEmpty())
            ++topics;
        topic = r.at(3);
    }
    auto *tree = control<QTreeWidget>("TreeView1");
    QCOMPARE(tree->topLevelItemCount(), chapters.size());
    const int count = nodeCount();
    QCOMPARE(count, chapters.size() + topics);

    // Node texts, keys and images of the first chapter and its first topic.
    QTreeWidgetItem *first = tree->topLevelItem(0);
    QCOMPARE(first->text(0), rows.first().at(0) + QStringLiteral(". ") + rows.first().at(1));
    QCOMPARE(first->data(0, Qt::UserRole).toString(), rows.first().at(1));
    QVERIFY(first->childCount() > 0);
    QCOMPARE(first->child(0)->text(0), rows.first().at(2) + QStringLiteral(". ") + rows.first().at(3));
    QCOMPARE(first->child(0)->data(0, Qt::UserRole).toString(), rows.first().at(3) + QStringLiteral("1"));
    QVERIFY(!first->icon(0).isNull());
    QVERIFY(first->icon(0).pixmap(16, 16).toImage() != first->child(0)->icon(0).pixmap(16, 16).toImage());

    // A second click shows the panel again and adds nothing.
    click(c.cmdSipasSureve);
    QVERIFY(c.PictKlasifikim->isHidden());
    click(c.CmdKlasifikim);
    QVERIFY(!c.PictKlasifikim->isHidden());
    QCOMPARE(nodeCount(), count);
}

void TestPanels::topicUnderTwoChapters()
{
    const auto shared = m_store->rows(
        QStringLiteral("select Tema from KreuMeTema group by Tema having count(distinct EmriKreu) > 1"));
    if (shared.isEmpty())
        QSKIP("the data has no topic under two chapters");
    click(m_window->controls().CmdKlasifikim);
    const QString topic = shared.first().first();
    QList<QTreeWidgetItem *> nodes;
    for (QTreeWidgetItemIterator it(control<QTreeWidget>("TreeView1")); *it; ++it) {
        if ((*it)->parent() && topicNameFromNodeText((*it)->text(0)) == topic)
            nodes << *it;
    }
    QCOMPARE(nodes.size(), 2);
    QVERIFY(nodes.at(0)->parent() != nodes.at(1)->parent());
    const QString key0 = nodes.at(0)->data(0, Qt::UserRole).toString();
    const QString key1 = nodes.at(1)->data(0, Qt::UserRole).toString();
    QVERIFY(key0 != key1);
    const QRegularExpression keyForm(QStringLiteral("^") + QRegularExpression::escape(topic) +
                                     QStringLiteral("\\d+$"));
    QVERIFY(keyForm.match(key0).hasMatch());
    QVERIFY(keyForm.match(key1).hasMatch());
}

void TestPanels::chapterClickChangesNothing()
{
    click(m_window->controls().CmdKlasifikim);
    QTreeWidgetItem *topic = topicNode();
    QVERIFY(topic);
    topic->parent()->setExpanded(true);
    clickTreeItem(topic);
    auto *list = control<QListWidget>("lstAjetKlasifikim");
    QVERIFY(list->count() > 0);
    QStringList linesBefore;
    for (int i = 0; i < list->count(); ++i)
        linesBefore << list->item(i)->text();
    const QString textBefore = m_window->controls().Rtf1->text();

    QTreeWidgetItem *chapter = control<QTreeWidget>("TreeView1")->topLevelItem(0);
    clickTreeItem(chapter);
    QCOMPARE(control<QTreeWidget>("TreeView1")->currentItem(), chapter);
    QStringList linesAfter;
    for (int i = 0; i < list->count(); ++i)
        linesAfter << list->item(i)->text();
    QCOMPARE(linesAfter, linesBefore);
    QCOMPARE(m_window->controls().Rtf1->text(), textBefore);
}

void TestPanels::topicReport_data()
{
    QTest::addColumn<bool>("fromTree");
    QTest::newRow("tree panel") << true;
    QTest::newRow("alphabetical panel") << false;
}

void TestPanels::topicReport()
{
    QFETCH(bool, fromTree);
    MainControls &c = m_window->controls();
    // A topic with ayahs: the first reference line of the first klasifikim row's topic.
    const auto any = m_store->rows(QStringLiteral("select tema from klasifikim where ajetet <> '' limit 1"));
    QVERIFY(!any.isEmpty());
    const QString topic = any.first().first();
    const QStringList expectedLines = m_store->referenceLines(topic);
    QVERIFY(!expectedLines.isEmpty());

    QString title;
    QListWidget *list = nullptr;
    if (fromTree) {
        click(c.CmdKlasifikim);
        QTreeWidgetItem *node = topicNode(topic);
        QVERIFY(node);
        node->parent()->setExpanded(true);
        clickTreeItem(node);
        title = node->text(0);
        QVERIFY(title.endsWith(QStringLiteral(". ") + topic));
        list = control<QListWidget>("lstAjetKlasifikim");
    } else {
        click(c.CmdShowCmbKlasifikim);
        auto *box = control<SimpleComboBox>("cmbKlasifikimTematik");
        const auto found = box->listWidget()->findItems(topic, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        const int row = box->listWidget()->row(found.first());
        clickListRow(box->listWidget(), row);
        QCOMPARE(box->text(), topic);
        title = topic;
        list = control<QListWidget>("LstAjetetPrejCmbTema");
    }

    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    QCOMPARE(shown, expectedLines);
    QCOMPARE(list->currentRow(), 0);

    const QString first = expectedLines.first();
    const QString text = c.Rtf1->text();
    const QString header = QStringLiteral("\r\nAjeti iz teme \"") + title + QStringLiteral("\":\r\n") +
                           QStringLiteral("selektirali ste ajet (ajete): ") + first + QStringLiteral("\r\n") +
                           QString(58, QLatin1Char('*')) + QStringLiteral("\r\n\r\n");
    QVERIFY2(text.startsWith(header), qPrintable(text.left(300)));

    // The ayah lines: every number of the line that names an ayah, each a paragraph with its
    // marker, the text fetched from the store.
    const ReferenceLine ref = splitReferenceLine(first);
    QStringList expectedAyahs;
    for (int a : scanReferences(ref.references).ayahs) {
        const QString t = m_store->ayahText(ref.surah.toInt(), a);
        if (!t.isNull())
            expectedAyahs << ref.surah + QLatin1Char(':') + QString::number(a) + QStringLiteral(".\t") + t;
    }
    QVERIFY(!expectedAyahs.isEmpty());
    QCOMPARE(ayahParagraphs(text), expectedAyahs);

    // Locating works on the report: the marker is found at a paragraph start.
    const QString marker = expectedAyahs.last().section(QLatin1Char('\t'), 0, 0) + QLatin1Char('\t');
    const int at = c.Rtf1->find(marker);
    QVERIFY(at > 0);
    QCOMPARE(text.mid(at - 2, 2), QStringLiteral("\r\n"));

    // The results view is on, its button hidden with its panel.
    QVERIFY(m_window->isResultsView());
    QVERIFY(!c.cmdKtheKuranin->isVisible());
    QCOMPARE(c.CmbKerkoKrejt->width(), m_window->twips(1455));
}

void TestPanels::sameLineClickedAgain()
{
    MainControls &c = m_window->controls();
    click(c.CmdKlasifikim);
    // A topic with at least two reference lines.
    const auto many = m_store->rows(
        QStringLiteral("select tema from klasifikim group by tema having count(*) > 1 limit 1"));
    QVERIFY(!many.isEmpty());
    QTreeWidgetItem *node = topicNode(many.first().first());
    QVERIFY(node);
    node->parent()->setExpanded(true);
    clickTreeItem(node);
    auto *list = control<QListWidget>("lstAjetKlasifikim");
    QVERIFY(list->count() > 1);

    // Back to the whole text, then a click on the line already selected shows it again.
    QVERIFY(m_window->leaveResultsView());
    QCOMPARE(c.Rtf1->text(), m_wholeText);
    clickListRow(list, 0);
    QVERIFY(
        c.Rtf1->text().contains(QStringLiteral("selektirali ste ajet (ajete): ") + list->item(0)->text()));

    // The arrow key selects the next line and shows it.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentRow(), 1);
    QVERIFY(
        c.Rtf1->text().contains(QStringLiteral("selektirali ste ajet (ajete): ") + list->item(1)->text()));
}

void TestPanels::expandCollapseAll()
{
    click(m_window->controls().CmdKlasifikim);
    auto *tree = control<QTreeWidget>("TreeView1");
    auto *expand = control<QToolButton>("cmdExpandAll");
    auto *collapse = control<QToolButton>("CmdCollapseAll");
    click(expand);
    QVERIFY(expand->isHidden());
    QVERIFY(!collapse->isHidden());
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        QVERIFY(tree->topLevelItem(i)->isExpanded());
    click(collapse);
    QVERIFY(!expand->isHidden());
    QVERIFY(collapse->isHidden());
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        QVERIFY(!(*it)->isExpanded());
}

void TestPanels::topicListFilledOnce()
{
    MainControls &c = m_window->controls();
    auto *box = control<SimpleComboBox>("cmbKlasifikimTematik");
    click(c.CmdShowCmbKlasifikim);
    QVERIFY(!c.pictCmbTematAlfabet->isHidden());
    QVERIFY(c.PictKlasifikim->isHidden());
    QVERIFY(c.pictCmbSureAjet->isHidden());
    QCOMPARE(m_window->property("TopicListFilled").toBool(), true);
    QCOMPARE(m_window->focusWidget(), box->lineEdit());

    QStringList expected;
    for (const QStringList &r : m_store->rows(QStringLiteral("select * from VetemTemat")))
        expected << r.first();
    QVERIFY(!expected.isEmpty());
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    QCOMPARE(items, expected);

    click(c.CmdKlasifikim);
    QVERIFY(c.pictCmbTematAlfabet->isHidden());
    click(c.CmdShowCmbKlasifikim);
    QCOMPARE(box->count(), expected.size());
    QCOMPARE(m_window->focusWidget(), box->lineEdit());
}

void TestPanels::typedTopics_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("hasLines");
    const auto any =
        m_store ? m_store->rows(QStringLiteral("select tema from klasifikim limit 1")) : QList<QStringList>{};
    const QString topic = any.isEmpty() ? QString() : any.first().first();
    QTest::newRow("name with blanks around") << QStringLiteral("  ") + topic + QStringLiteral(" ") << true;
    QTest::newRow("double quote inside") << QStringLiteral("Na\"maz") << false;
    // Unquoted, this name would close the literal and match every row.
    QTest::newRow("quote closing the literal") << QStringLiteral("x\" or \"1\"=\"1") << false;
    QTest::newRow("single quote in a topic name") << QStringLiteral("Kur'an") << true;
}

void TestPanels::typedTopics()
{
    QFETCH(QString, typed);
    QFETCH(bool, hasLines);
    MainControls &c = m_window->controls();
    click(c.CmdShowCmbKlasifikim);
    auto *box = control<SimpleComboBox>("cmbKlasifikimTematik");
    auto *list = control<QListWidget>("LstAjetetPrejCmbTema");
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), typed);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);

    QCOMPARE(list->count() > 0, hasLines);
    const QString text = c.Rtf1->text();
    QVERIFY(text.startsWith(QStringLiteral("\r\nAjeti iz teme \"") + typed + QStringLiteral("\":\r\n")));
    if (hasLines) {
        QCOMPARE(list->count(), m_store->referenceLines(typed.trimmed()).size());
        QVERIFY(!ayahParagraphs(text).isEmpty());
    } else {
        // No reference line: the header with an empty line, no ayahs.
        QVERIFY(text.contains(QStringLiteral("selektirali ste ajet (ajete): \r\n")));
        QVERIFY(ayahParagraphs(text).isEmpty());
    }
    QVERIFY(m_window->isResultsView());
}

void TestPanels::selectorsButtonLeavesResults()
{
    MainControls &c = m_window->controls();
    click(c.CmdKlasifikim);
    QTreeWidgetItem *node = topicNode();
    QVERIFY(node);
    node->parent()->setExpanded(true);
    clickTreeItem(node);
    QVERIFY(c.Rtf1->text() != m_wholeText);
    QVERIFY(m_window->isResultsView());

    click(c.cmdSipasSureve);
    QVERIFY(!c.pictCmbSureAjet->isHidden());
    QVERIFY(c.PictKlasifikim->isHidden());
    QVERIFY(c.pictCmbTematAlfabet->isHidden());
    QCOMPARE(c.Rtf1->text(), m_wholeText);
    QVERIFY(c.cmdKtheKuranin->isHidden());
    QCOMPARE(c.CmbKerkoKrejt->width(), m_window->twips(1935));

    // The classification panel kept its tree and list.
    click(c.CmdKlasifikim);
    QVERIFY(control<QListWidget>("lstAjetKlasifikim")->count() > 0);
    // The return button after a report made from the alphabetical panel.
    click(c.CmdShowCmbKlasifikim);
    auto *box = control<SimpleComboBox>("cmbKlasifikimTematik");
    clickListRow(box->listWidget(), 0);
    QVERIFY(m_window->isResultsView());
    click(c.cmdSipasSureve);
    QVERIFY(c.cmdKtheKuranin->isVisible() == false);
    click(c.CmdShowCmbKlasifikim);
    clickListRow(box->listWidget(), 0);
    click(c.cmdSipasSureve);
    QCOMPARE(c.Rtf1->text(), m_wholeText);
}

void TestPanels::selectorsButtonWithoutResult()
{
    MainControls &c = m_window->controls();
    c.Rtf1->setSelStart(1234);
    click(c.CmdShowCmbKlasifikim);
    click(c.cmdSipasSureve);
    QVERIFY(!c.pictCmbSureAjet->isHidden());
    QCOMPARE(c.Rtf1->selStart(), 1234);
    QCOMPARE(c.Rtf1->text(), m_wholeText);
    QVERIFY(c.cmdKtheKuranin->isHidden());
}

void TestPanels::missingWholeTextOnReturn_data()
{
    QTest::addColumn<bool>("bySelectors");
    QTest::newRow("cmdSipasSureve") << true;
    QTest::newRow("cmdKtheKuranin") << false;
}

void TestPanels::missingWholeTextOnReturn()
{
    QFETCH(bool, bySelectors);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString rtf = DataFolder::findFile(kDataDir, QStringLiteral("KUR'AN.rtf"));
    QVERIFY(QFile::copy(rtf, dir.filePath(QStringLiteral("KUR'AN.rtf"))));
    QVERIFY(QFile::copy(DataFolder::findFile(kDataDir, QStringLiteral("Bazabos.db")),
                        dir.filePath(QStringLiteral("Bazabos.db"))));
    startWindow(dir.path());
    MainControls &c = m_window->controls();

    click(c.CmdShowCmbKlasifikim);
    auto *box = control<SimpleComboBox>("cmbKlasifikimTematik");
    QVERIFY(box->count() > 0);
    clickListRow(box->listWidget(), 0);
    const QString report = c.Rtf1->text();
    QVERIFY(report.startsWith(QStringLiteral("\r\nAjeti iz teme")));
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("KUR'AN.rtf"))));

    velmora::test::MessageBoxAnswerer answerer;
    answerer.answer(QMessageBox::Ok);
    if (bySelectors) {
        click(c.cmdSipasSureve);
    } else {
        click(c.cmdSipasSureve); // shows the button's panel; the load fails here already
        QCOMPARE(answerer.texts.size(), 1);
        answerer.answer(QMessageBox::Ok);
        QVERIFY(c.cmdKtheKuranin->isVisible());
        click(c.cmdKtheKuranin);
    }
    QCOMPARE(answerer.texts.size(), bySelectors ? 1 : 2);
    QVERIFY(answerer.texts.last().contains(QStringLiteral("kur'an.rtf"), Qt::CaseInsensitive));
    // The result stays with its way back in sight.
    QCOMPARE(c.Rtf1->text(), report);
    QVERIFY(!c.pictCmbSureAjet->isHidden());
    QVERIFY(c.cmdKtheKuranin->isVisible());
    QVERIFY(m_window->isResultsView());
    QCOMPARE(c.CmbKerkoKrejt->width(), m_window->twips(1455));

    // With the file back, the return works.
    QVERIFY(QFile::copy(rtf, dir.filePath(QStringLiteral("kur'an.rtf"))));
    click(c.cmdKtheKuranin);
    QCOMPARE(c.Rtf1->text(), m_wholeText);
    QVERIFY(c.cmdKtheKuranin->isHidden());
}

void TestPanels::fillFailureTriesAgain_data()
{
    QTest::addColumn<bool>("tree");
    QTest::newRow("topic tree") << true;
    QTest::newRow("alphabetical list") << false;
}

void TestPanels::fillFailureTriesAgain()
{
    QFETCH(bool, tree);
    // A store without the classification queries.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString broken = dir.filePath(QStringLiteral("Bazabos.db"));
    QVERIFY(QFile::copy(DataFolder::findFile(kDataDir, QStringLiteral("Bazabos.db")), broken));
    QFile::setPermissions(broken, QFile::ReadOwner | QFile::WriteOwner);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("break"));
        db.setDatabaseName(broken);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY2(q.exec(QStringLiteral("DROP TABLE KreuMeTema")), qPrintable(q.lastError().text()));
        QVERIFY(q.exec(QStringLiteral("DROP TABLE VetemTemat")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("break"));
    QVERIFY(QFile::copy(DataFolder::findFile(kDataDir, QStringLiteral("KUR'AN.rtf")),
                        dir.filePath(QStringLiteral("KUR'AN.rtf"))));

    MainControls &c = m_window->controls();
    DataFolder::setPath(dir.path());
    velmora::test::MessageBoxAnswerer answerer;
    answerer.answer(QMessageBox::Ok);
    click(tree ? c.CmdKlasifikim : c.CmdShowCmbKlasifikim);
    QCOMPARE(answerer.texts.size(), 1);
    const char *flag = tree ? "TreeFilled" : "TopicListFilled";
    QCOMPARE(m_window->property(flag).toBool(), false);
    auto *treeView = control<QTreeWidget>("TreeView1");
    auto *box = control<SimpleComboBox>("cmbKlasifikimTematik");
    QCOMPARE(tree ? treeView->topLevelItemCount() : box->count(), 0);

    // The store is back: the next click fills it, once.
    DataFolder::setPath(kDataDir);
    click(tree ? c.CmdKlasifikim : c.CmdShowCmbKlasifikim);
    QCOMPARE(answerer.texts.size(), 1);
    QCOMPARE(m_window->property(flag).toBool(), true);
    const int filled = tree ? nodeCount() : box->count();
    QVERIFY(filled > 0);
    click(tree ? c.CmdKlasifikim : c.CmdShowCmbKlasifikim);
    QCOMPARE(tree ? nodeCount() : box->count(), filled);
}

void TestPanels::panelResizeRules()
{
    MainWindow &w = *m_window;
    MainControls &c = w.controls();
    auto *tree = control<QTreeWidget>("TreeView1");
    auto *list = control<QListWidget>("lstAjetKlasifikim");
    auto *box = control<SimpleComboBox>("cmbKlasifikimTematik");
    auto *list2 = control<QListWidget>("LstAjetetPrejCmbTema");
    const int slack = 2; // pixels lost to rounding twips both ways
    for (const QSize size : {QSize(w.twips(9000), w.twips(8000)), QSize(w.twips(7000), w.twips(6000))}) {
        w.resize(size);
        click(c.CmdKlasifikim);
        QVERIFY(qAbs(c.PictKlasifikim->height() - (list->y() + list->height()) - w.twips(500)) <= slack);
        QVERIFY(qAbs(list->y() - (tree->y() + tree->height()) - w.twips(50)) <= slack);
        QCOMPARE(list->height(), w.twips(1410));
        click(c.CmdShowCmbKlasifikim);
        QVERIFY(qAbs(c.pictCmbTematAlfabet->height() - (list2->y() + list2->height()) - w.twips(500)) <=
                slack);
        QVERIFY(qAbs(list2->y() - (box->y() + box->height()) - w.twips(50)) <= slack);
        QCOMPARE(list2->height(), w.twips(1410));
    }
    // Too small for the tree: the list still moves, the tree keeps its last height.
    click(c.CmdKlasifikim);
    const int treeHeight = tree->height();
    c.PictKlasifikim->resize(c.PictKlasifikim->width(), w.twips(2000));
    QCOMPARE(tree->height(), treeHeight);
    QVERIFY(qAbs(list->y() - (w.twips(2000) - w.twips(1910))) <= slack);
}

QTEST_MAIN(TestPanels)
#include "tst_panels.moc"
