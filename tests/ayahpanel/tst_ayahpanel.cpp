// The ayah panel beside the text view, driven through a real main window on the default data:
// its texts against the store, following the reader's clicks and keys, the selectors and the
// recitation window, headings keeping the last ayah, a store without the Arabic text and the
// commentary, the layout shown and hidden, and its settings.
#include "TestSupport.h"

#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "common/Twips.h"
#include "data/DataFolder.h"
#include "recitation/widgets/RecitationWindow.h"
#include "textview/widgets/AyahPanel.h"
#include "textview/widgets/RichTextView.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>

using namespace velmora;

namespace {

struct StoreRow {
    QString name, translation, arabic, commentary;
};

// The ayah's row read straight from the SQLite file, past the program's query layer.
StoreRow storeRow(int surah, int ayah)
{
    StoreRow row;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("expected"));
        db.setDatabaseName(QStringLiteral(VELMORA_TEST_DATA_DIR "/Bazabos.db"));
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT tekstajet, tekstarapski, tefsir FROM kuran WHERE nrsure = ? AND "
                                     "nrajet = ?"));
            q.addBindValue(surah);
            q.addBindValue(ayah);
            if (q.exec() && q.next())
                row = {{}, q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
            q.prepare(QStringLiteral("SELECT EmriBoshnjakisht FROM sure WHERE Numri = ?"));
            q.addBindValue(surah);
            if (q.exec() && q.next())
                row.name = q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("expected"));
    return row;
}

} // namespace

class TestAyahPanel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QVERIFY2(test::useDefaultData(), "the default data is missing: run scripts/setup.sh");
        m_w = std::make_unique<MainWindow>();
        QVERIFY(test::startMainWindow(*m_w));
        QVERIFY(panel());
        QVERIFY(item());
    }

    void cleanupTestCase() { m_w.reset(); }

    void init()
    {
        QVERIFY(test::useDefaultData());
        if (!item()->isChecked())
            pressF4();
        QVERIFY(!panel()->isHidden());
    }

    // Hidden, the text view has exactly the place it had before the panel existed; shown, the two
    // share that width, the panel on the right.
    void hiddenKeepsTheLayout()
    {
        pressF4();
        QVERIFY(panel()->isHidden());
        m_w->resize(1000, 700);
        QCoreApplication::processEvents();
        const QRect designed = view()->geometry();
        QCOMPARE(designed.left(), m_w->twips(2640));
        const int outer = pixelsToTwips(m_w->frameGeometry().width(), m_w->dpi());
        QCOMPARE(designed.width(), m_w->twips(outer - 2640 - 100));

        pressF4();
        QVERIFY(panel()->isVisible());
        QVERIFY(view()->width() < designed.width());
        QCOMPARE(panel()->x(), view()->geometry().right() + 1);
        QCOMPARE(view()->width() + panel()->width(), designed.width());
        QCOMPARE(panel()->height(), designed.height());

        pressF4();
        QCOMPARE(view()->geometry(), designed);
        pressF4();
    }

    void textsMatchTheStore_data()
    {
        QTest::addColumn<int>("surah");
        QTest::addColumn<int>("ayah");
        QTest::newRow("1:1, the first paragraph after the headings") << 1 << 1;
        QTest::newRow("2:5, not 12:5 whose marker holds it") << 2 << 5;
        QTest::newRow("112:1") << 112 << 1; // 2:255 and 114:6 are followed by keys below
    }

    void textsMatchTheStore()
    {
        QFETCH(int, surah);
        QFETCH(int, ayah);
        clickInto(QStringLiteral("%1:%2.\t").arg(surah).arg(ayah));
        verifyShows(surah, ayah);
        QVERIFY(panel()->noteText().isEmpty());
    }

    // Keys move the caret; the panel follows across paragraphs and does no lookup while the caret
    // stays within one ayah.
    void followsKeys()
    {
        clickInto(QStringLiteral("2:255.\t"));
        verifyShows(2, 255);
        const int lookups = panel()->lookups();
        for (int i = 0; i < 5; ++i)
            test::pressKey(m_w.get(), Qt::Key_Right);
        QTest::qWait(20);
        QCOMPARE(panel()->lookups(), lookups);

        const int block = view()->textCursor().blockNumber();
        for (int i = 0; i < 40 && view()->textCursor().blockNumber() == block; ++i)
            test::pressKey(m_w.get(), Qt::Key_Down);
        verifyShows(2, 256);
        QCOMPARE(panel()->lookups(), lookups + 1);

        // The text ends with an empty paragraph, which keeps the ayah; one line up is the last ayah.
        test::pressKey(m_w.get(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(view()->textCursor().block().text().isEmpty());
        QTest::qWait(20);
        verifyShows(2, 256);
        for (int i = 0; i < 5 && view()->textCursor().block().text().isEmpty(); ++i)
            test::pressKey(m_w.get(), Qt::Key_Up);
        verifyShows(114, 6);
    }

    void headingKeepsTheLastAyah()
    {
        clickInto(QStringLiteral("1:7.\t"));
        verifyShows(1, 7);
        // The paragraphs between 1:7 and 2:1 are the next surah's headings.
        const int block = view()->textCursor().blockNumber();
        for (int i = 0; i < 40 && view()->textCursor().blockNumber() == block; ++i)
            test::pressKey(m_w.get(), Qt::Key_Down);
        QVERIFY(!view()->textCursor().block().text().contains(QLatin1Char('\t')));
        QTest::qWait(20);
        verifyShows(1, 7);

        // The start of the text is a heading too.
        test::pressKey(m_w.get(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view()->textCursor().blockNumber(), 0);
        QTest::qWait(20);
        verifyShows(1, 7);
    }

    void followsSelectorsAndRecitation()
    {
        MainControls &c = m_w->controls();
        c.CmbNrSure->setEditText(QStringLiteral("36"));
        QTest::keyClick(c.CmbNrSure, Qt::Key_Return);
        verifyShows(36, 1);

        // The recitation window shows the ayah it recites (or the one its selectors chose).
        RecitationWindow *opened = nullptr;
        QTimer::singleShot(0, m_w.get(), [&] {
            opened = qobject_cast<RecitationWindow *>(QApplication::activeModalWidget());
            if (!opened)
                return;
            opened->sequencer().TregojeTekstinEAjetit(QStringLiteral("112"), QStringLiteral("3"));
            QTimer::singleShot(0, opened, &QDialog::accept);
        });
        RecitationWindow lexim(m_w.get());
        m_w->execModal(&lexim);
        QVERIFY(opened);
        verifyShows(112, 3);
    }

    // A reader's own store without the Arabic text and the commentary: the translation alone, one
    // line saying what the store lacks, the columns checked once for that store.
    void storeWithoutTheColumns()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("Bazabos.db"));
        QVERIFY(QFile::copy(QStringLiteral(VELMORA_TEST_DATA_DIR "/Bazabos.db"), store));
        QFile::setPermissions(store, QFile::ReadOwner | QFile::WriteOwner);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bare"));
            db.setDatabaseName(store);
            QVERIFY(db.open());
            QSqlQuery q(db);
            for (const char *sql :
                 {"CREATE TABLE k AS SELECT nrsure, nrajet, tekstajet FROM kuran WHERE nrsure <= 3",
                  "DROP TABLE kuran", "ALTER TABLE k RENAME TO kuran", "DELETE FROM klasifikim", "VACUUM"})
                QVERIFY2(q.exec(QLatin1String(sql)), sql);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bare"));
        QVERIFY(test::copyDefaultData(dir.path(), {QStringLiteral("KUR'AN.rtf")}));
        DataFolder::setPath(dir.path());

        const int checks = panel()->source().columnChecks();
        clickInto(QStringLiteral("2:255.\t"));
        QTRY_COMPARE(panel()->ayah(), 255);
        QCOMPARE(panel()->noteText(), QStringLiteral("Arapski tekst i tefsir nisu u ovoj bazi podataka."));
        QCOMPARE(panel()->translationText(), storeRow(2, 255).translation.trimmed());
        QCOMPARE(panel()->arabicText(), QString());
        QCOMPARE(panel()->commentaryText(), QString());
        QVERIFY(test::byName<QWidget>(panel(), QStringLiteral("txtTekstArapski"))->isHidden());
        clickInto(QStringLiteral("3:7.\t"));
        QTRY_COMPARE(panel()->surah(), 3);
        QCOMPARE(panel()->translationText(), storeRow(3, 7).translation.trimmed());
        QCOMPARE(panel()->source().columnChecks(), checks + 1);

        // Back on a store with the columns, everything shows again.
        QVERIFY(test::useDefaultData());
        clickInto(QStringLiteral("2:286.\t"));
        verifyShows(2, 286);
        QVERIFY(panel()->noteText().isEmpty());
        QCOMPARE(panel()->source().columnChecks(), checks + 2);
    }

    // F4 in a combo box drops its list, as it always did; elsewhere it shows and hides the panel.
    void f4StaysWithComboBoxes()
    {
        QVERIFY(test::showActive(m_w.get()));
        // In the text view the key hides and shows the panel...
        QTest::keyClick(view(), Qt::Key_F4);
        QVERIFY(panel()->isHidden());
        QTest::keyClick(view(), Qt::Key_F4);
        QVERIFY(!panel()->isHidden());
        // ...in a combo box it drops the list down.
        QComboBox *box = m_w->controls().CmbNrFonti;
        box->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(box, Qt::Key_F4);
        QTRY_VERIFY(box->view()->isVisible());
        box->hidePopup();
        QVERIFY(!panel()->isHidden());
        QVERIFY(item()->isChecked());
    }

    // Shown or hidden and the width the reader dragged to are in the settings store and come back
    // with the next start.
    void settingsKept()
    {
        QWidget *handle = test::byName<QWidget>(panel(), QStringLiteral("AyahPanelHandle"));
        QVERIFY(handle);
        const int before = panel()->share();
        const int textWidth = view()->width();
        QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(2, 100));
        QTest::mouseMove(handle, QPoint(-100, 100));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(-100, 100));
        QVERIFY(panel()->share() > before);
        QVERIFY(view()->width() < textWidth);

        const auto stored = [](const char *key) {
            QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora"),
                        QStringLiteral("Velmora 4.0"));
            return s.value(QStringLiteral("Arapski tekst i tefsir/") + QLatin1String(key));
        };
        QCOMPARE(stored("Prikazan").toBool(), true);
        QCOMPARE(stored("Sirina").toInt(), panel()->share());

        {
            MainWindow again;
            installMainParts(again);
            QVERIFY(again.formLoad(MainWindow::Options{0, false}));
            auto *p = test::byName<AyahPanel>(&again, QStringLiteral("AyahPanel"));
            QVERIFY(!p->isHidden());
            QCOMPARE(p->share(), panel()->share());
            QVERIFY(test::byName<QAction>(&again, QStringLiteral("mnuArapskiTekst"))->isChecked());
            // The first ayah below the headings, once the text is there.
            QTRY_COMPARE(p->surah() * 1000 + p->ayah(), 1001);
        }

        // The popup menu's item hides it; the next start keeps it hidden.
        QVERIFY(m_w->controls().mnuPopupRtf->actions().contains(item()));
        item()->trigger();
        QVERIFY(panel()->isHidden());
        QCOMPARE(stored("Prikazan").toBool(), false);
        MainWindow third;
        installMainParts(third);
        QVERIFY(third.formLoad(MainWindow::Options{0, false}));
        QVERIFY(test::byName<AyahPanel>(&third, QStringLiteral("AyahPanel"))->isHidden());
    }

private:
    RichTextView *view() const { return m_w->controls().Rtf1; }
    AyahPanel *panel() const { return test::byName<AyahPanel>(m_w.get(), QStringLiteral("AyahPanel")); }
    QAction *item() const { return test::byName<QAction>(m_w.get(), QStringLiteral("mnuArapskiTekst")); }
    // F4 with the focus in the text view.
    void pressF4()
    {
        view()->setFocus(Qt::OtherFocusReason);
        test::pressKey(m_w.get(), Qt::Key_F4);
    }
    // Clicks into the paragraph that starts with `marker`, scrolled into sight first.
    void clickInto(const QString &marker)
    {
        RichTextView *v = view();
        const int at = int(v->text().indexOf(QStringLiteral("\n") + marker)) + 1;
        QVERIFY2(at > 0, qPrintable(marker));
        const QTextBlock block = v->document()->findBlock(v->toDocumentPosition(at));
        const QRectF r = v->document()->documentLayout()->blockBoundingRect(block);
        // Scrolled with the bar, as the reader does: the caret stays where it was until the click.
        // The text is laid out lazily; the bar reaches the paragraph once the layout has got there.
        const int top = int(r.top()) - 20;
        QVERIFY(test::waitUntil([v, top] {
            v->verticalScrollBar()->setValue(top);
            const int shownTop = top - v->verticalScrollBar()->value();
            return shownTop >= 0 && shownTop < v->viewport()->height() - 40;
        }));
        const QPoint inside(int(r.left()) + 60, int(r.top() - v->verticalScrollBar()->value()) + 8);
        test::clickAt(v->viewport(), inside);
        QCOMPARE(v->textCursor().block().blockNumber(), block.blockNumber());
    }

    void verifyShows(int surah, int ayah)
    {
        QTRY_COMPARE(panel()->surah() * 1000 + panel()->ayah(), surah * 1000 + ayah);
        const StoreRow row = storeRow(surah, ayah);
        QCOMPARE(panel()->titleText(), QStringLiteral("%1, %2:%3").arg(row.name).arg(surah).arg(ayah));
        QCOMPARE(panel()->arabicText(), row.arabic.trimmed());
        QCOMPARE(panel()->translationText(), row.translation.trimmed());
        QCOMPARE(panel()->commentaryText(), row.commentary.trimmed());
    }

    QTemporaryDir m_settingsDir;
    std::unique_ptr<MainWindow> m_w;
};

QTEST_MAIN(TestAyahPanel)
#include "tst_ayahpanel.moc"
