#include "TestSupport.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "app/widgets/Splash.h"
#include "data/DataFolder.h"
#include "textview/widgets/RichTextView.h"

#include <QtTest>
#include <QtWidgets>

using namespace velmora;
using velmora::test::byName;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(test::useDefaultData(), "the default data is missing: run velmora-data make-default");
        m_w = std::make_unique<MainWindow>();
        installMainParts(*m_w);
        QVERIFY(m_w->formLoad(MainWindow::Options{0, false}));
    }

    // The tooltip and the text shown of each control, by name (and index for a control array).
    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("text");
        const std::tuple<const char *, int, const char *, const char *> rows[] = {
            {"cmdCopy", -1, "Kopiranje selektiranog teksta", ""},
            {"txtKerkim", -1, "Trazena rijec", "Allah"},
            {"cmdKerkim", -1, "Trazi naprijed", ""},
            {"cmdKerkimPrapa", -1, "Trazi unazad", ""},
            {"Label3", -1, "", "Trazenje teksta"},
            {"cmdLeximAjet", -1, "Ucenje ajeta", ""},
            {"CmdShowCmbKlasifikim", -1, "Tematska klasifikacija po abecedi", ""},
            {"CmdKlasifikim", -1, "Tematska klasifikacija ajeta", ""},
            {"cmdSipasSureve", -1, "Klasifikacija po surama", ""},
            {"cmdRrethProg", -1, "O programu...", ""},
            {"cmdFund", -1, "Kraj", ""},
            {"CmbNrFonti", -1, "Velicina teksta", "10"},
            {"CmbFontNames", -1, "Vrsta slova - ime fonta", "Verdana"},
            {"CmbNrSure", -1, "Broj sure", "1"},
            {"CmbEmrSure", -1, "Ime sure", "Fatiha"},
            {"CmbTotalAjete", -1, "Trazenje sure po ukupnom broju ajeta", "7"},
            {"CmbNrAjeti", -1, "Ajet selektirane sure", "1"},
            {"Label4", -1, "", "Trazenje ajeta"},
            {"CmbKerkoKrejt", -1, "Rijec koja se nalazi po ajetima", ""},
            {"ChkKerkoSure", -1, "Trazenje se odvija unutar selektirane sure", "Samo aktuelna sura"},
            {"cmdKerkoAll", -1, "Trazi", ""},
            {"cmdKtheKuranin", -1, "Vrati tekst Kur'ana", ""},
            {"Label2", 0, "", "Sure"},
            {"Label2", 1, "", "Ime"},
            {"Label2", 2, "", "Ukupno ajeta"},
            {"Label2", 3, "", "Ajet"},
            {"Label2", 5, "", "Vrsta slova"},
            {"Label2", 6, "", "Velicina"},
        };
        for (const auto &[name, index, tip, text] : rows)
            QTest::addRow(index < 0 ? "%s" : "%s %d", name, index) << name << index << tip << text;
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(int, index);
        QFETCH(QString, text);
        QWidget *w = byName<QWidget>(m_w.get(), name, index);
        QVERIFY2(w, qPrintable(name));
        QTEST(w->toolTip(), "tip");
        QString shown;
        if (auto *l = qobject_cast<QLabel *>(w))
            shown = l->text();
        else if (auto *e = qobject_cast<QLineEdit *>(w))
            shown = e->text();
        else if (auto *c = qobject_cast<QComboBox *>(w))
            shown = c->currentText();
        else if (auto *k = qobject_cast<QCheckBox *>(w))
            shown = k->text();
        QCOMPARE(shown, text);
    }

    void popupMenuItems()
    {
        auto *menu = byName<QMenu>(m_w.get(), QStringLiteral("mnuPopupRtf"));
        QVERIFY(menu);
        QStringList names, captions;
        for (QAction *a : menu->actions()) {
            names << a->objectName();
            captions << a->text();
        }
        QCOMPARE(names, (QStringList{"mnuSelektojeAjetin", "mnuSelektoKrejtTekstin", "mnuKopjim",
                                     "mnuLshoAjetin", "mnuPauzoje", "mnuVazhdo", "mnuUciOdAjeta",
                                     "mnuArapskiTekst", "mnuZabiljeziAjet", "mnuZabiljeske", "mnuStampaj"}));
        QCOMPARE(captions, (QStringList{"Selektiraj ajet", "Selektiraj cjeli tekst",
                                        "Kopiraj selektirani tekst", "Uci ajet", "Pauziraj ucenje",
                                        "Produzi ucenje", "Uči od ovog ajeta", "Arapski tekst i tefsir",
                                        "Zabilježi ajet", "Zabilješke...", "Štampaj / PDF..."}));
    }

    void startupShowsWholeText()
    {
        MainControls &c = m_w->controls();
        QVERIFY(c.pictCmbSureAjet->isVisible());
        QVERIFY(c.PictKlasifikim->isHidden());
        QVERIFY(c.pictCmbTematAlfabet->isHidden());
        QVERIFY(c.cmdKtheKuranin->isHidden());
        QCOMPARE(c.CmbKerkoKrejt->width(), m_w->twips(1935));
        QCOMPARE(c.Rtf1->selStart(), 0);
        const QString text = c.Rtf1->text();
        QVERIFY(text.contains(QStringLiteral("\r\n1:1.\t")));
        QVERIFY(text.contains(QStringLiteral("\r\n114:6.\t")));
        QCOMPARE(m_w->windowTitle(), QStringLiteral("Velmora 4.0"));
        // Listings and reports are set in the view's font: the very font of the book's ayah text,
        // which the text layout then shares with the whole text instead of loading it again.
        QTextCursor ayah(c.Rtf1->document());
        ayah.setPosition(c.Rtf1->toDocumentPosition(int(text.indexOf(QStringLiteral("1:1.\t"))) + 6));
        QCOMPARE(ayah.charFormat().font().resolve(c.Rtf1->document()->defaultFont()), c.Rtf1->font());
    }

    void splashWaitsOnMonotonicClock()
    {
        QElapsedTimer t;
        t.start();
        bool painted = false;
        QTimer::singleShot(50, [&] { painted = true; }); // the event loop runs during the wait
        Splash::showFor(300, {});
        QVERIFY(t.elapsed() >= 300);
        QVERIFY(t.elapsed() < 2000);
        QVERIFY(painted);
    }

    void shrinkingStopsSilently()
    {
        MainControls &c = m_w->controls();
        m_w->resize(900, 700);
        QCoreApplication::processEvents();
        const QSize panel = c.pictCmbSureAjet->size();
        // Narrower than the left column: the text view cannot get a width, so nothing changes.
        m_w->resize(120, 700);
        QCoreApplication::processEvents();
        QCOMPARE(c.pictCmbSureAjet->size(), panel);
        m_w->resize(900, 700);
        QCoreApplication::processEvents();
        QVERIFY(c.Rtf1->width() > 0);
    }

    void fundFocusGoesToSurahSelector()
    {
        MainControls &c = m_w->controls();
        m_w->activateWindow();
        const bool active = QTest::qWaitForWindowActive(m_w.get());
        c.cmdFund->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        c.cmdRrethProg->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        if (!active || !m_w->isActiveWindow())
            QSKIP("the offscreen platform did not activate the window");
        // The surah selector got the focus and dropped its list down (the list then holds it).
        QTRY_VERIFY_WITH_TIMEOUT(c.CmbNrSure->view()->isVisible(), 2000);
        c.CmbNrSure->hidePopup();
    }

    void activationFromAnotherProgramKeepsThePlace()
    {
        MainControls &c = m_w->controls();
        c.CmbNrSure->setEditText(QStringLiteral("2"));
        QTest::keyClick(c.CmbNrSure, Qt::Key_Return);
        QVERIFY(test::waitUntil([&] { return c.CmbEmrSure->currentText() != QStringLiteral("Fatiha"); }));
        const int caret = c.Rtf1->selStart();
        // Switching back from another application activates the window: nothing is reset.
        QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(m_w.get(), &deactivate);
        QCoreApplication::sendEvent(m_w.get(), &activate);
        QCoreApplication::processEvents();
        QCOMPARE(c.CmbNrSure->currentText(), QStringLiteral("2"));
        QCOMPARE(c.Rtf1->selStart(), caret);
    }

    void missingWholeTextEndsInOrder()
    {
        QTemporaryDir dir;
        QVERIFY(test::copyDefaultData(dir.path(), {QStringLiteral("Bazabos.db")}));
        DataFolder::setPath(dir.path());
        MainWindow w;
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        QVERIFY(!w.formLoad(MainWindow::Options{0, false}));
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY(answerer.texts.first().contains(QStringLiteral("KUR'AN.rtf")));
        QVERIFY(answerer.texts.first().contains(dir.path()));
        QVERIFY(!w.isVisible());
        QVERIFY(test::useDefaultData());
    }

    void damagedAccessFileEndsInOrder_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("usage map of a table") << 94;
        QTest::newRow("definition of the object catalog") << 2;
    }

    // A reader's Access file whose damage makes libmdb crash: the conversion at start-up fails in
    // its own process, the reader is told which file, and the program ends in order with nothing
    // left in the cache.
    void damagedAccessFileEndsInOrder()
    {
        QFETCH(int, page);
        QTemporaryDir dir;
        QFile nwind(QStringLiteral(VELMORA_FIXTURES_DIR "/mdb/nwind.mdb"));
        QVERIFY(nwind.open(QIODevice::ReadOnly));
        QByteArray bytes = nwind.readAll();
        // The usage map pointer of the table definition on that page, aimed at a row with no map.
        bytes[page * 2048 + 0x23] = char(0x03);
        bytes[page * 2048 + 0x24] = char(0x01);
        const QString mdb = dir.filePath(QStringLiteral("bazabos.MDB"));
        QFile damaged(mdb);
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(bytes) == bytes.size());
        damaged.close();
        QVERIFY(test::copyDefaultData(dir.path(), {QStringLiteral("KUR'AN.rtf")}));
        DataFolder::setPath(dir.path());
        QTemporaryDir cacheHome;
        const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));

        MainWindow w;
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        const bool loaded = w.formLoad(MainWindow::Options{0, false});
        qputenv("XDG_CACHE_HOME", oldCache);
        QVERIFY(test::useDefaultData());

        QVERIFY(!loaded);
        QCOMPARE(answerer.texts.size(), 1);
        const QString told = answerer.texts.first();
        QVERIFY2(told.contains(mdb) && told.contains(QStringLiteral("oštećena")), qPrintable(told));
        QVERIFY(!w.isVisible());
        // Nothing in the cache: no store, no temporary file.
        QStringList cached;
        for (QDirIterator it(cacheHome.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext();)
            cached << it.next();
        QCOMPARE(cached, QStringList());
    }

private:
    std::unique_ptr<MainWindow> m_w;
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
