#include "classification/widgets/ItemClickSignal.h"
#include "classification/widgets/SimpleComboBox.h"

#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace velmora;

namespace {

void clickRow(QListWidget *list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

} // namespace

class TestTopicBox : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void mouseSelection();
    void arrowKeysInEdit_data();
    void arrowKeysInEdit();
    void typingHighlightsWithoutClick();
    void enterClicksWithTypedText();
    void programChangesGiveNoClick();
    void listClicks();
    void treeClicks();

private:
    SimpleComboBox *m_box = nullptr;
};

void TestTopicBox::init()
{
    m_box = new SimpleComboBox;
    m_box->resize(200, 300);
    for (const char *name : {"Abdest", "Allah", "Dova", "Namaz", "Post", "Zekat"})
        m_box->addItem(QLatin1String(name));
    m_box->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_box));
}

void TestTopicBox::cleanup()
{
    delete m_box;
    m_box = nullptr;
}

void TestTopicBox::mouseSelection()
{
    QSignalSpy clicks(m_box, &SimpleComboBox::clicked);
    QCOMPARE(m_box->count(), 6);
    QCOMPARE(m_box->currentIndex(), -1);
    QVERIFY(m_box->listWidget()->y() >= m_box->lineEdit()->height());

    clickRow(m_box->listWidget(), 3);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(m_box->text(), QStringLiteral("Namaz"));
    QCOMPARE(m_box->currentIndex(), 3);

    // The item already selected, clicked again, is a click again.
    clickRow(m_box->listWidget(), 3);
    QCOMPARE(clicks.count(), 2);
    clickRow(m_box->listWidget(), 1);
    QCOMPARE(clicks.count(), 3);
    QCOMPARE(m_box->text(), QStringLiteral("Allah"));
}

void TestTopicBox::arrowKeysInEdit_data()
{
    QTest::addColumn<int>("start"); // -1: nothing selected
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("clicks");
    QTest::newRow("down from nothing") << -1 << int(Qt::Key_Down) << 0 << 1;
    QTest::newRow("up from nothing") << -1 << int(Qt::Key_Up) << 5 << 1;
    QTest::newRow("down") << 2 << int(Qt::Key_Down) << 3 << 1;
    QTest::newRow("up") << 2 << int(Qt::Key_Up) << 1 << 1;
    QTest::newRow("down at the end") << 5 << int(Qt::Key_Down) << 5 << 0;
    QTest::newRow("up at the start") << 0 << int(Qt::Key_Up) << 0 << 0;
    QTest::newRow("page down stops at the end") << 1 << int(Qt::Key_PageDown) << 5 << 1;
}

void TestTopicBox::arrowKeysInEdit()
{
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, row);
    QFETCH(int, clicks);
    if (start >= 0)
        m_box->setCurrentIndex(start);
    QSignalSpy spy(m_box, &SimpleComboBox::clicked);
    QTest::keyClick(m_box->lineEdit(), Qt::Key(key));
    QCOMPARE(spy.count(), clicks);
    QCOMPARE(m_box->currentIndex(), row);
    QCOMPARE(m_box->text(), m_box->itemText(row));
}

void TestTopicBox::typingHighlightsWithoutClick()
{
    QSignalSpy clicks(m_box, &SimpleComboBox::clicked);
    QTest::keyClicks(m_box->lineEdit(), QStringLiteral("na"));
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(m_box->text(), QStringLiteral("na"));
    QCOMPARE(m_box->currentIndex(), 3);
    QTest::keyClicks(m_box->lineEdit(), QStringLiteral("x"));
    QCOMPARE(m_box->currentIndex(), -1);
    QCOMPARE(clicks.count(), 0);
}

void TestTopicBox::enterClicksWithTypedText()
{
    QSignalSpy clicks(m_box, &SimpleComboBox::clicked);
    QTest::keyClicks(m_box->lineEdit(), QStringLiteral("Na\"maz"));
    QTest::keyClick(m_box->lineEdit(), Qt::Key_Return);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(m_box->text(), QStringLiteral("Na\"maz"));
}

void TestTopicBox::programChangesGiveNoClick()
{
    QSignalSpy clicks(m_box, &SimpleComboBox::clicked);
    m_box->setCurrentIndex(4);
    QCOMPARE(m_box->text(), QStringLiteral("Post"));
    m_box->addItem(QStringLiteral("Sabur"));
    m_box->clear();
    QCOMPARE(m_box->count(), 0);
    QCOMPARE(clicks.count(), 0);
}

void TestTopicBox::listClicks()
{
    QListWidget list;
    list.addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    auto *signal = new ItemClickSignal(&list);
    list.resize(200, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy clicks(signal, &ItemClickSignal::clicked);
    {
        ItemClickSignal::Mute mute(signal);
        list.setCurrentRow(0);
    }
    QCOMPARE(clicks.count(), 0);
    clickRow(&list, 1); // a new row: one click, not two
    QCOMPARE(clicks.count(), 1);
    clickRow(&list, 1); // the same row again
    QCOMPARE(clicks.count(), 2);
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(list.currentRow(), 2);
    QCOMPARE(clicks.count(), 3);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(100, 190)); // below the items
    QCOMPARE(clicks.count(), 3);
    {
        ItemClickSignal::Mute mute(signal);
        list.clear();
    }
    QCOMPARE(clicks.count(), 3);
}

void TestTopicBox::treeClicks()
{
    QTreeWidget tree;
    auto *chapter = new QTreeWidgetItem(&tree, {QStringLiteral("1. C")});
    auto *topic = new QTreeWidgetItem(chapter, {QStringLiteral("1. T")});
    chapter->setExpanded(true);
    auto *signal = new ItemClickSignal(&tree);
    tree.resize(200, 200);
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));
    QSignalSpy clicks(signal, &ItemClickSignal::clicked);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(topic).center());
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(tree.currentItem(), topic);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(topic).center());
    QCOMPARE(clicks.count(), 2);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(chapter).center());
    QCOMPARE(clicks.count(), 3);
    QCOMPARE(tree.currentItem(), chapter);
}

QTEST_MAIN(TestTopicBox)
#include "tst_topicbox.moc"
