#include "TestSupport.h"
#include "classification/widgets/ItemClickSignal.h"
#include "classification/widgets/SimpleComboBox.h"

#include <QtTest>
#include <QtWidgets>
#include <memory>

using namespace velmora;

class TestTopicBox : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_box = std::make_unique<SimpleComboBox>();
        m_box->resize(200, 300);
        for (const char *name : {"Abdest", "Allah", "Dova", "Namaz", "Post", "Zekat"})
            m_box->addItem(QLatin1String(name));
        QVERIFY(test::showActive(m_box.get()));
    }

    void arrowKeysInEdit_data()
    {
        QTest::addColumn<int>("start"); // -1: nothing selected
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("clicks");
        QTest::newRow("down from nothing") << -1 << int(Qt::Key_Down) << 0 << 1;
        QTest::newRow("down at the end") << 5 << int(Qt::Key_Down) << 5 << 0;
        QTest::newRow("page down stops at the end") << 1 << int(Qt::Key_PageDown) << 5 << 1;
    }

    void arrowKeysInEdit()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        if (start >= 0)
            m_box->setCurrentIndex(start);
        QSignalSpy spy(m_box.get(), &SimpleComboBox::clicked);
        test::clickAt(m_box->lineEdit()); // the reader's keys go where the click put the focus
        test::pressKey(m_box.get(), Qt::Key(key));
        QTEST(int(spy.count()), "clicks");
        QTEST(m_box->currentIndex(), "row");
        QCOMPARE(m_box->text(), m_box->itemText(m_box->currentIndex()));
    }

    void mouseTypingAndEnter()
    {
        QSignalSpy clicks(m_box.get(), &SimpleComboBox::clicked);
        m_box->setCurrentIndex(4); // a change made by the program is no click
        QCOMPARE(clicks.count(), 0);
        // The item already selected, clicked again, is a click again.
        for (int expected : {1, 2}) {
            test::clickItem(m_box->listWidget(), m_box->listWidget()->model()->index(3, 0));
            QCOMPARE(clicks.count(), expected);
            QCOMPARE(m_box->text(), QStringLiteral("Namaz"));
        }
        test::clickAt(m_box->lineEdit());
        test::pressKey(m_box.get(), Qt::Key_A, Qt::ControlModifier);
        test::pressKey(m_box.get(), Qt::Key_Backspace);
        test::typeText(m_box.get(), QStringLiteral("al"));
        QCOMPARE(m_box->currentIndex(), 1); // highlighted, not clicked
        test::typeText(m_box.get(), QStringLiteral("\"x"));
        QCOMPARE(m_box->currentIndex(), -1);
        QCOMPARE(clicks.count(), 2);
        test::pressKey(m_box.get(), Qt::Key_Return);
        QCOMPARE(clicks.count(), 3);
        QCOMPARE(m_box->text(), QStringLiteral("al\"x"));
    }

    void listClicks()
    {
        QListWidget list;
        list.addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        auto *signal = new ItemClickSignal(&list);
        list.resize(200, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QSignalSpy clicks(signal, &ItemClickSignal::clicked);
        {
            ItemClickSignal::Mute mute(signal); // the program's own change gives no click
            list.setCurrentRow(0);
        }
        // A new row gives one click, not two; the same row again gives another.
        for (int expected : {1, 2}) {
            test::clickItem(&list, list.model()->index(1, 0));
            QCOMPARE(clicks.count(), expected);
        }
        list.setFocus();
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.currentRow(), 2);
        QCOMPARE(clicks.count(), 3);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(100, 190)); // below the items
        QCOMPARE(clicks.count(), 3);
    }

private:
    std::unique_ptr<SimpleComboBox> m_box;
};

QTEST_MAIN(TestTopicBox)
#include "tst_topicbox.moc"
