// The selector logic on its own, with the options the recitation window uses: its own
// after-choice step, Enter doing something else than a lookup, no drop-down on focus, the name
// found by a seek; and the fallback when the after-choice step or the store fails.
#include "TestSupport.h"

#include "data/DataSource.h"
#include "textview/widgets/SurahSelectors.h"

#include <QtTest>
#include <QtWidgets>
#include <memory>

using namespace velmora;

class TestSurahSelectors : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY2(test::useDefaultData(), "the default data is missing: run scripts/setup.sh");
        m_host = std::make_unique<QWidget>();
        for (QComboBox **slot : {&m_nr, &m_name, &m_count, &m_ayah}) {
            *slot = new QComboBox(m_host.get());
            (*slot)->setEditable(true);
        }
        m_host->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
        m_source =
            std::make_unique<data::DataSource>(QStringLiteral("DataBazaSuret"), QStringLiteral("Bazabos.mdb"),
                                               QStringLiteral("Sure"), data::DataSource::Kind::Table);
        QVERIFY(m_source->refresh());
        m_afterChoices = m_enters = 0;
    }

    void cleanup() { m_host.reset(); }

    void enterRunsTheEnterStepOnly()
    {
        SurahSelectors::Options o;
        o.afterChoice = [this] { return ++m_afterChoices > 0; };
        o.onEnter = [this] { ++m_enters; };
        o.dropDownOnFocus = false;
        auto s = make(std::move(o));
        m_host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_host.get()));
        for (QComboBox *c : {m_nr, m_name, m_ayah}) {
            c->setFocus(Qt::TabFocusReason);
            QTest::qWait(20);
            // No drop-down on focus.
            QVERIFY(c->hasFocus());
            QVERIFY(!c->view()->isVisible());
            QTest::keyClick(c, Qt::Key_A, Qt::ControlModifier); // select the text, then type over it
            QTest::keyClicks(c, QStringLiteral("5"));
            QTest::keyClick(c, Qt::Key_Return);
        }
        QCOMPARE(m_enters, 3);
        QCOMPARE(m_afterChoices, 0);
        // No lookup: the other selectors did not follow the typed texts.
        QCOMPARE(m_nr->currentText(), QStringLiteral("5"));
        QCOMPARE(m_count->currentText(), QStringLiteral("7"));
    }

    // clang-format off
    void failingAfterChoiceFallsBackOnce_data()
    {
        QTest::addColumn<int>("selector");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<int>("failures"); // of the after-choice step before it succeeds
        QTest::newRow("number") << 0 << "2" << "1" << 1;
        QTest::newRow("name") << 1 << "Nisa" << "Fatiha" << 1;
        QTest::newRow("count") << 2 << "286" << "7" << 1;
        QTest::newRow("ayah") << 3 << "9" << "1" << 1;
        QTest::newRow("failing twice stops") << 0 << "40" << "1" << 99;
    }
    // clang-format on

    void failingAfterChoiceFallsBackOnce()
    {
        QFETCH(int, selector);
        QFETCH(QString, typed);
        QFETCH(QString, fallback);
        QFETCH(int, failures);
        QStringList seen;
        SurahSelectors::Options o;
        QComboBox *own = QList<QComboBox *>{m_nr, m_name, m_count, m_ayah}.at(selector);
        o.afterChoice = [this, own, &seen, failures] {
            seen.append(own->currentText());
            return ++m_afterChoices > failures;
        };
        auto s = make(std::move(o));
        own->setEditText(typed);
        using Click = void (SurahSelectors::*)();
        const Click clicks[] = {&SurahSelectors::CmbNrSure_Click, &SurahSelectors::CmbEmrSure_Click,
                                &SurahSelectors::CmbTotalAjete_Click, &SurahSelectors::CmbNrAjeti_Click};
        (s.get()->*clicks[selector])();
        QCOMPARE(m_afterChoices, 2);
        QCOMPARE(seen, (QStringList{typed, fallback}));
        QCOMPARE(own->currentText(), fallback);
        if (selector != 3) {
            QCOMPARE(m_nr->currentText(), QStringLiteral("1"));
            QCOMPARE(m_name->currentText(), QStringLiteral("Fatiha"));
            QCOMPARE(m_ayah->count(), 7);
        }
    }

    void nameBySeek()
    {
        SurahSelectors::Options o;
        o.nameBySeek = true;
        auto s = make(std::move(o));
        // Ali-'Imran is found; an unknown name falls back to Fatiha.
        for (const auto &[name, number] : {std::pair{"Ali-'Imran", "3"}, std::pair{"Nema je", "1"}}) {
            m_name->setEditText(QString::fromLatin1(name));
            s->CmbEmrSure_Click();
            QCOMPARE(m_nr->currentText(), QString::fromLatin1(number));
            QCOMPARE(m_ayah->count(), m_count->currentText().toInt());
            QCOMPARE(m_ayah->currentText(), QStringLiteral("1"));
        }
    }

    void closedStoreEndsWithoutLoop()
    {
        // A data source that cannot open: every lookup fails, the handler tries once more with the
        // fallback value and stops there.
        data::DataSource broken(QStringLiteral("broken"), QStringLiteral("nema-je.mdb"),
                                QStringLiteral("Sure"), data::DataSource::Kind::Table);
        QVERIFY(!broken.refresh());
        SurahSelectors::Options o;
        o.afterChoice = [this] { return ++m_afterChoices > 0; };
        auto s = make(std::move(o), &broken);
        m_nr->setEditText(QStringLiteral("2"));
        s->CmbNrSure_Click();
        QCOMPARE(m_nr->currentText(), QStringLiteral("1"));
        m_count->setEditText(QStringLiteral("5"));
        s->CmbTotalAjete_Click();
        QCOMPARE(m_count->currentText(), QStringLiteral("7"));
        QCOMPARE(m_afterChoices, 0);
    }

private:
    std::unique_ptr<SurahSelectors> make(SurahSelectors::Options options, data::DataSource *source = nullptr)
    {
        auto s = std::make_unique<SurahSelectors>(m_nr, m_name, m_count, m_ayah,
                                                  source ? source : m_source.get(), std::move(options));
        s->refillAndReset();
        return s;
    }

    std::unique_ptr<QWidget> m_host;
    QComboBox *m_nr = nullptr, *m_name = nullptr, *m_count = nullptr, *m_ayah = nullptr;
    std::unique_ptr<data::DataSource> m_source;
    int m_afterChoices = 0, m_enters = 0;
};

QTEST_MAIN(TestSurahSelectors)
#include "tst_surahselectors.moc"
