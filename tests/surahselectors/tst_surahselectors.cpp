// The selector logic on its own, with the options a second window uses: its own after-choice
// step, Enter doing something else than a lookup, no drop-down on focus, the name found by a
// seek; and the fallback when the after-choice step fails.
#include "TestSupport.h"

#include "data/DataSource.h"
#include "textview/widgets/SurahSelectors.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest/QtTest>
#include <memory>

using namespace velmora;

class TestSurahSelectors : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void enterRunsTheEnterStepOnly();
    void focusDoesNotDropWhenSwitchedOff();
    void pickRunsLookupAndAfterChoice();
    void failingAfterChoiceFallsBackOnce_data();
    void failingAfterChoiceFallsBackOnce();
    void failingTwiceStops();
    void nameBySeek_data();
    void nameBySeek();
    void closedStoreEndsWithoutLoop();

private:
    std::unique_ptr<SurahSelectors> make(SurahSelectors::Options options, data::DataSource *source = nullptr);

    std::unique_ptr<QWidget> m_host;
    QComboBox *m_nr = nullptr;
    QComboBox *m_name = nullptr;
    QComboBox *m_count = nullptr;
    QComboBox *m_ayah = nullptr;
    std::unique_ptr<data::DataSource> m_source;
    int m_afterChoices = 0;
    int m_enters = 0;
};

void TestSurahSelectors::initTestCase()
{
    QVERIFY2(test::useDefaultData(), "the default data is missing: run scripts/setup.sh");
}

void TestSurahSelectors::init()
{
    m_host = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(m_host.get());
    for (QComboBox **slot : {&m_nr, &m_name, &m_count, &m_ayah}) {
        *slot = new QComboBox(m_host.get());
        (*slot)->setEditable(true);
        layout->addWidget(*slot);
    }
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    m_source =
        std::make_unique<data::DataSource>(QStringLiteral("DataBazaSuret"), QStringLiteral("Bazabos.mdb"),
                                           QStringLiteral("Sure"), data::DataSource::Kind::Table);
    QVERIFY(m_source->refresh());
    m_afterChoices = 0;
    m_enters = 0;
}

void TestSurahSelectors::cleanup()
{
    while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    m_host.reset();
    m_source.reset();
}

std::unique_ptr<SurahSelectors> TestSurahSelectors::make(SurahSelectors::Options options,
                                                         data::DataSource *source)
{
    auto s = std::make_unique<SurahSelectors>(m_nr, m_name, m_count, m_ayah, source ? source : m_source.get(),
                                              std::move(options));
    s->refillAndReset();
    return s;
}

void TestSurahSelectors::enterRunsTheEnterStepOnly()
{
    SurahSelectors::Options o;
    o.afterChoice = [this] {
        ++m_afterChoices;
        return true;
    };
    o.onEnter = [this] { ++m_enters; };
    o.dropDownOnFocus = false;
    auto s = make(std::move(o));
    for (QComboBox *c : {m_nr, m_name, m_ayah}) {
        c->setFocus();
        c->lineEdit()->selectAll();
        QTest::keyClicks(c, QStringLiteral("5"));
        QTest::keyClick(c, Qt::Key_Return);
    }
    QCOMPARE(m_enters, 3);
    QCOMPARE(m_afterChoices, 0);
    // No lookup: the other selectors did not follow the typed texts.
    QCOMPARE(m_nr->currentText(), QStringLiteral("5"));
    QCOMPARE(m_count->currentText(), QStringLiteral("7"));
    QCOMPARE(m_ayah->count(), 7);
}

void TestSurahSelectors::focusDoesNotDropWhenSwitchedOff()
{
    SurahSelectors::Options o;
    o.dropDownOnFocus = false;
    auto s = make(std::move(o));
    m_host->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_host.get()));
    m_name->setFocus(Qt::TabFocusReason);
    QTest::qWait(50);
    QVERIFY(m_name->hasFocus());
    QVERIFY(!m_name->view()->isVisible());
}

void TestSurahSelectors::pickRunsLookupAndAfterChoice()
{
    SurahSelectors::Options o;
    o.afterChoice = [this] {
        ++m_afterChoices;
        // The step sees the selectors already in line.
        return m_nr->currentText() == QStringLiteral("2") && m_ayah->count() == 286;
    };
    auto s = make(std::move(o));
    const int row = m_nr->findText(QStringLiteral("2"));
    m_nr->setCurrentIndex(row);
    emit m_nr->activated(row);
    QCOMPARE(m_afterChoices, 1);
    QCOMPARE(m_nr->currentText(), QStringLiteral("2"));
    QCOMPARE(m_ayah->currentText(), QStringLiteral("1"));
}

void TestSurahSelectors::failingAfterChoiceFallsBackOnce_data()
{
    QTest::addColumn<int>("selector");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("fallback");
    QTest::newRow("number") << 0 << QStringLiteral("2") << QStringLiteral("1");
    QTest::newRow("name") << 1 << QStringLiteral("Nisa") << QStringLiteral("Fatiha");
    QTest::newRow("count") << 2 << QStringLiteral("286") << QStringLiteral("7");
    QTest::newRow("ayah") << 3 << QStringLiteral("9") << QStringLiteral("1");
}

void TestSurahSelectors::failingAfterChoiceFallsBackOnce()
{
    QFETCH(int, selector);
    QFETCH(QString, typed);
    QFETCH(QString, fallback);
    QStringList seen;
    SurahSelectors::Options o;
    QComboBox *own = QList<QComboBox *>{m_nr, m_name, m_count, m_ayah}.at(selector);
    // The first run's last step fails; the run with the fallback value succeeds.
    o.afterChoice = [this, own, &seen] {
        ++m_afterChoices;
        seen.append(own->currentText());
        return m_afterChoices > 1;
    };
    auto s = make(std::move(o));
    own->setEditText(typed);
    switch (selector) {
    case 0:
        s->CmbNrSure_Click();
        break;
    case 1:
        s->CmbEmrSure_Click();
        break;
    case 2:
        s->CmbTotalAjete_Click();
        break;
    default:
        s->CmbNrAjeti_Click();
        break;
    }
    QCOMPARE(m_afterChoices, 2);
    QCOMPARE(seen, (QStringList{typed, fallback}));
    QCOMPARE(own->currentText(), fallback);
    if (selector != 3) {
        QCOMPARE(m_nr->currentText(), QStringLiteral("1"));
        QCOMPARE(m_name->currentText(), QStringLiteral("Fatiha"));
        QCOMPARE(m_ayah->count(), 7);
    }
}

void TestSurahSelectors::failingTwiceStops()
{
    SurahSelectors::Options o;
    o.afterChoice = [this] {
        ++m_afterChoices;
        return false;
    };
    auto s = make(std::move(o));
    m_nr->setEditText(QStringLiteral("40"));
    s->CmbNrSure_Click();
    QCOMPARE(m_afterChoices, 2);
    QCOMPARE(m_nr->currentText(), QStringLiteral("1"));
}

void TestSurahSelectors::nameBySeek_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::newRow("Ali-'Imran") << QStringLiteral("Ali-'Imran") << QStringLiteral("3");
    QTest::newRow("'Asr'") << QStringLiteral("'Asr'") << QStringLiteral("103");
    QTest::newRow("unknown falls back") << QStringLiteral("Nema je") << QStringLiteral("1");
}

void TestSurahSelectors::nameBySeek()
{
    QFETCH(QString, name);
    QFETCH(QString, number);
    for (const bool bySeek : {false, true}) {
        SurahSelectors::Options o;
        o.nameBySeek = bySeek;
        auto s = make(std::move(o));
        m_name->setEditText(name);
        s->CmbEmrSure_Click();
        QCOMPARE(m_nr->currentText(), number);
        QCOMPARE(m_ayah->count(), m_count->currentText().toInt());
        QCOMPARE(m_ayah->currentText(), QStringLiteral("1"));
    }
}

void TestSurahSelectors::closedStoreEndsWithoutLoop()
{
    // A data source that cannot open: every lookup fails, the handler tries once more with the
    // fallback value and stops there.
    data::DataSource broken(QStringLiteral("broken"), QStringLiteral("nema-je.mdb"), QStringLiteral("Sure"),
                            data::DataSource::Kind::Table);
    QVERIFY(!broken.refresh());
    SurahSelectors::Options o;
    o.afterChoice = [this] {
        ++m_afterChoices;
        return true;
    };
    auto s = make(std::move(o), &broken);
    QCOMPARE(m_nr->count(), 0);
    m_nr->setEditText(QStringLiteral("2"));
    s->CmbNrSure_Click();
    QCOMPARE(m_nr->currentText(), QStringLiteral("1"));
    m_count->setEditText(QStringLiteral("5"));
    s->CmbTotalAjete_Click();
    QCOMPARE(m_count->currentText(), QStringLiteral("7"));
    QCOMPARE(m_afterChoices, 0);
}

QTEST_MAIN(TestSurahSelectors)
#include "tst_surahselectors.moc"
