#include "TestSupport.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "classification/TopicReferences.h"
#include "classification/widgets/SimpleComboBox.h"
#include "classification/widgets/TopicListPanel.h"
#include "classification/widgets/TopicTreePanel.h"
#include "data/DataFolder.h"
#include "textview/widgets/RichTextView.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>
#include <memory>

using namespace velmora;
using velmora::test::byName;

namespace {

const QString kDataDir = QStringLiteral(VELMORA_TEST_DATA_DIR);
const QString kCheck = QStringLiteral("panels-check");

// The first column of a direct read of the default store, beside the program's data layer.
QStringList column(const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(QSqlDatabase::database(kCheck));
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    QStringList out;
    if (q.exec())
        while (q.next())
            out << q.value(0).toString();
    return out;
}

QStringList itemsOf(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class TestPanels : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!velmora::test::useDefaultData())
            QSKIP("the default data has not been made (run the set-up)");
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kCheck);
        db.setDatabaseName(DataFolder::findFile(kDataDir, QStringLiteral("Bazabos.db")));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QVERIFY(db.open());
        RichTextView view;
        view.loadFile(QStringLiteral("KUR'AN.rtf"));
        m_wholeText = view.text();
        QVERIFY(m_wholeText.size() > 1000);
    }

    void init() { startWindow(kDataDir); }

    void cleanup() { m_window.reset(); }

    void fillsOnceAfterFailure_data()
    {
        QTest::addColumn<bool>("fromTree");
        QTest::newRow("topic tree") << true;
        QTest::newRow("alphabetical list") << false;
    }

    void fillsOnceAfterFailure()
    {
        QFETCH(bool, fromTree);
        MainControls &c = m_window->controls();
        QToolButton *button = fromTree ? c.CmdKlasifikim : c.CmdShowCmbKlasifikim;
        // TreeFilled of the tree panel, TopicListFilled of the alphabetical panel.
        auto filled = [&] {
            return fromTree ? m_window->findChild<TopicTreePanel *>()->treeFilled()
                            : m_window->findChild<TopicListPanel *>()->topicListFilled();
        };
        auto count = [&] { return fromTree ? tree()->topLevelItemCount() : box()->count(); };
        // First a data folder without a store.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        DataFolder::setPath(dir.path());
        velmora::test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        click(button);
        QCOMPARE(answerer.texts.size(), 1);
        QCOMPARE(filled(), false);
        QCOMPARE(count(), 0);

        // The store is back: the next click fills the panel from it, the focus in the topic box.
        DataFolder::setPath(kDataDir);
        click(button);
        QCOMPARE(answerer.texts.size(), 1);
        QCOMPARE(filled(), true);
        QVERIFY(!(fromTree ? c.PictKlasifikim : c.pictCmbTematAlfabet)->isHidden());
        const QStringList expected =
            column(fromTree ? QStringLiteral("select distinct EmriKreu from KreuMeTema")
                            : QStringLiteral("select * from VetemTemat"));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(count(), expected.size());
        if (fromTree)
            QCOMPARE(tree()->topLevelItem(0)->text(0),
                     column(QStringLiteral("select NrKreu || '. ' || EmriKreu from KreuMeTema")).value(0));
        else
            QCOMPARE(box()->itemText(count() - 1), expected.last());
        QCOMPARE(m_window->focusWidget() == box()->lineEdit(), !fromTree);

        // Shown again: nothing added, the focus back in the topic box.
        click(c.cmdSipasSureve);
        click(button);
        QCOMPARE(count(), expected.size());
        QCOMPARE(m_window->focusWidget() == box()->lineEdit(), !fromTree);
    }

    void topicReport_data() { fillsOnceAfterFailure_data(); }

    void topicReport()
    {
        QFETCH(bool, fromTree);
        MainControls &c = m_window->controls();
        const QString topic =
            column(QStringLiteral("select tema from klasifikim where ajetet <> '' limit 1")).value(0);
        const QStringList expectedLines =
            column(QStringLiteral(
                       "select nrsure || ' (' || emrsure || '): ' || ajetet from klasifikim where tema = ?"),
                   {topic});
        QVERIFY(!expectedLines.isEmpty());

        QString title = topic;
        if (fromTree) {
            click(c.CmdKlasifikim);
            QTreeWidgetItem *node = nullptr;
            for (QTreeWidgetItemIterator it(tree()); *it && !node; ++it)
                if ((*it)->parent() && topicNameFromNodeText((*it)->text(0)) == topic)
                    node = *it;
            QVERIFY(node);
            clickItem(node);
            title = node->text(0);
        } else {
            click(c.CmdShowCmbKlasifikim);
            const auto found = box()->listWidget()->findItems(topic, Qt::MatchExactly);
            QVERIFY(!found.isEmpty());
            clickRow(box()->listWidget(), box()->listWidget()->row(found.first()));
        }
        QListWidget *lines = list(fromTree);
        QCOMPARE(itemsOf(lines), expectedLines);
        QCOMPARE(lines->currentRow(), 0);

        const QString first = expectedLines.first();
        const QString report = c.Rtf1->text();
        QVERIFY2(report.startsWith(QStringLiteral("\r\nAjeti iz teme \"") + title +
                                   QStringLiteral("\":\r\nselektirali ste ajet (ajete): ") + first +
                                   QStringLiteral("\r\n") + QString(58, QLatin1Char('*')) +
                                   QStringLiteral("\r\n\r\n")),
                 qPrintable(report.left(300)));
        // Every ayah the first line names, a paragraph with its marker, the text from the store.
        const ReferenceLine ref = splitReferenceLine(first);
        QStringList expectedAyahs;
        for (int a : scanReferences(ref.references).ayahs) {
            const QStringList t =
                column(QStringLiteral("select tekstajet from kuran where nrsure = ? and nrajet = ?"),
                       {ref.surah.toInt(), a});
            if (!t.isEmpty())
                expectedAyahs << ref.surah + QLatin1Char(':') + QString::number(a) + QStringLiteral(".\t") +
                                     t.first();
        }
        QVERIFY(!expectedAyahs.isEmpty());
        QStringList paragraphs = report.split(QStringLiteral("\r\n")).mid(5); // after the header
        paragraphs.removeAll(QString());
        QCOMPARE(paragraphs, expectedAyahs);
        QVERIFY(m_window->isResultsView());
        QVERIFY(!c.cmdKtheKuranin->isVisible());
        QCOMPARE(c.CmbKerkoKrejt->width(), m_window->twips(1455));

        // Back to the whole text, the line already selected clicked again shows its report again.
        QVERIFY(m_window->leaveResultsView());
        QCOMPARE(c.Rtf1->text(), m_wholeText);
        clickRow(lines, 0);
        QCOMPARE(c.Rtf1->text(), report);
        if (fromTree) { // a click on the chapter changes nothing
            clickItem(tree()->currentItem()->parent());
            QCOMPARE(itemsOf(lines), expectedLines);
            QCOMPARE(c.Rtf1->text(), report);
        }

        // The selectors button brings the whole text back.
        click(c.cmdSipasSureve);
        QVERIFY(!c.pictCmbSureAjet->isHidden());
        QCOMPARE(c.Rtf1->text(), m_wholeText);
        QVERIFY(c.cmdKtheKuranin->isHidden());
        QCOMPARE(c.CmbKerkoKrejt->width(), m_window->twips(1935));
    }

    void missingWholeTextKeepsWayBack()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(
            test::copyDefaultData(dir.path(), {QStringLiteral("Bazabos.db"), QStringLiteral("KUR'AN.rtf")}));
        startWindow(dir.path());
        MainControls &c = m_window->controls();
        click(c.CmdShowCmbKlasifikim);
        clickRow(box()->listWidget(), 0);
        const QString report = c.Rtf1->text();
        QVERIFY(report.startsWith(QStringLiteral("\r\nAjeti iz teme")));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("KUR'AN.rtf"))));

        velmora::test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        click(c.cmdSipasSureve);
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY(answerer.texts.last().contains(QStringLiteral("kur'an.rtf"), Qt::CaseInsensitive));
        // The result stays with its way back in sight.
        QCOMPARE(c.Rtf1->text(), report);
        QVERIFY(!c.pictCmbSureAjet->isHidden());
        QVERIFY(c.cmdKtheKuranin->isVisible());
        QCOMPARE(c.CmbKerkoKrejt->width(), m_window->twips(1455));

        // With the file back (another letter case), the return works.
        QVERIFY(QFile::copy(QStringLiteral(VELMORA_TEST_DATA_DIR "/KUR'AN.rtf"),
                            dir.filePath(QStringLiteral("kur'an.rtf"))));
        click(c.cmdKtheKuranin);
        QCOMPARE(c.Rtf1->text(), m_wholeText);
        QVERIFY(c.cmdKtheKuranin->isHidden());
    }

private:
    void startWindow(const QString &dataDir)
    {
        m_window.reset();
        DataFolder::setPath(dataDir);
        m_window = std::make_unique<MainWindow>();
        installMainParts(*m_window);
        QVERIFY(m_window->formLoad(MainWindow::Options{0, false}));
    }

    void click(QToolButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void clickItem(QTreeWidgetItem *item) { test::clickItem(tree(), tree()->indexFromItem(item)); }
    void clickRow(QListWidget *list, int row) { test::clickItem(list, list->model()->index(row, 0)); }
    QTreeWidget *tree() { return byName<QTreeWidget>(m_window.get(), QStringLiteral("TreeView1")); }
    SimpleComboBox *box()
    {
        return byName<SimpleComboBox>(m_window.get(), QStringLiteral("cmbKlasifikimTematik"));
    }
    QListWidget *list(bool fromTree)
    {
        return byName<QListWidget>(m_window.get(), fromTree ? QStringLiteral("lstAjetKlasifikim")
                                                            : QStringLiteral("LstAjetetPrejCmbTema"));
    }

    std::unique_ptr<MainWindow> m_window;
    QString m_wholeText;
};

QTEST_MAIN(TestPanels)
#include "tst_panels.moc"
