// Listening while reading: "Uči od ovog ajeta" in the main text's popup menu plays the chosen
// reciter's clips from the ayah under the caret to the end of its surah, selecting each ayah in
// the text as its clip starts, without a modal window; Esc, the same item ("Zaustavi učenje")
// and a new content of the view stop it.

#include "../recitationsets/SetKit.h"
#include "../recitationwindow/RecitationData.h"
#include "TestSupport.h"

#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/DataFolder.h"
#include "data/DataSource.h"
#include "recitation/FXSnd.h"
#include "recitation/RecitationSets.h"
#include "recitation/SoundSource.h"
#include "recitation/widgets/FollowAlongPart.h"
#include "textview/widgets/RichTextView.h"

#include <QTest>
#include <QtWidgets>
#include <memory>

using namespace velmora;

class TestFollowAlong : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".local/share"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".config"))));
        if (!setkit::haveSox())
            QSKIP("sox is missing (scripts/packages.sh installs it)");
        setVolumeLister([] { return QList<MountedVolume>{}; });
        // No CD: the data without a wav folder, and a set of short MP3 clips for surah 108 and
        // the first ayahs of surah 2.
        m_data = std::make_unique<test::RecitationData>();
        QVERIFY(m_data->make(QStringLiteral(VELMORA_TEST_DATA_DIR)));
        QVERIFY(QDir(m_data->path() + QStringLiteral("/wav")).removeRecursively());
        m_set = recitationSetsFolder() + QStringLiteral("/Alafasy");
        QVERIFY(setkit::makeSet(m_set, 108, {1, 2, 3}, QStringLiteral("mp3"), 200));
        DataFolder::setPath(m_data->path());
        m_main = std::make_unique<MainWindow>();
        QVERIFY(m_main->controls().Data1->refresh());
        installMainParts(*m_main);
        m_view = m_main->controls().Rtf1;
        m_sound = m_main->controls().FXSnd1;
        QVERIFY(m_view->loadFile(QStringLiteral("KUR'AN.rtf")));
        m_main->resize(900, 700);
        QVERIFY(test::showActive(m_main.get()));
        emit m_main->driveScanRequested();
    }

    void init()
    {
        ReciterSettings::setChosen(*openProgramSettings(), {QStringLiteral("Alafasy"), m_set});
        m_selected.clear();
        m_files.clear();
        if (m_view->textLength() < 100000)
            QVERIFY(m_view->loadFile(QStringLiteral("KUR'AN.rtf")));
    }

    void followsEachAyah_data()
    {
        QTest::addColumn<QString>("listing"); // empty: the whole text
        QTest::addColumn<QString>("from");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("clips");
        const QStringList all{"108001.mp3", "108002.mp3", "108003.mp3"};
        QTest::newRow("whole text, from the first ayah")
            << "" << QStringLiteral("108:1.") << QStringList{"108:1.", "108:2.", "108:3."} << all;
        QTest::newRow("whole text, from the second ayah")
            << "" << QStringLiteral("108:2.") << QStringList{"108:2.", "108:3."} << all.mid(1);
        // A listing that lacks 108:2: its clip is heard, the selection stays on 108:1 meanwhile.
        QTest::newRow("listing") << "Nađeno 2 ajeta\r\n108:1.\tMi smo tebi, zaista, mnogo blagodati dali,\r\n"
                                    "108:3.\tonaj koji tebe mrzi sigurno će on bez spomena ostati.\r\n"
                                 << "108:1." << QStringList{"108:1.", "108:1.", "108:3."} << all;
    }

    void followsEachAyah()
    {
        QFETCH(QString, listing);
        QFETCH(QString, from);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, clips);
        if (!listing.isEmpty())
            m_view->setText(listing);
        record();
        QElapsedTimer clock;
        clock.start();
        popupItem(from);
        QVERIFY(m_view->selText().startsWith(from + QLatin1Char('\t')));
        QCOMPARE(item()->text(), QStringLiteral("Zaustavi učenje"));
        auto *part = m_main->findChild<FollowAlong *>(QStringLiteral("FollowAlong"));
        QVERIFY(part && part->isRunning());
        // Nothing modal: the events run while the clips play, and the reader can scroll meanwhile.
        QVERIFY(!QApplication::activeModalWidget());
        m_view->verticalScrollBar()->setValue(0);
        QVERIFY(test::waitUntil([part] { return !part->isRunning(); }, 5000));
        QCOMPARE(m_selected, selected);
        QStringList expected;
        for (const QString &name : std::as_const(clips))
            expected << QDir(QFileInfo(m_set).canonicalFilePath()).filePath(name);
        QCOMPARE(m_files, expected);
        QCOMPARE(item()->text(), QStringLiteral("Uči od ovog ajeta"));
        QCOMPARE(m_sound->status(), QStringLiteral("stopped"));
        // The last ayah stays selected and in sight.
        QVERIFY(m_view->selText().startsWith(selected.last() + QLatin1Char('\t')));
        QVERIFY(m_view->viewport()->rect().contains(m_view->cursorRect().center()));
        // Three clips of 200 ms, one after the other.
        QVERIFY2(clock.elapsed() >= 200 * clips.size() - 50, qPrintable(QString::number(clock.elapsed())));
    }

    void stops_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc") << "esc";
        QTest::newRow("the same item") << "item";
        QTest::newRow("a verse search") << "search";
        QTest::newRow("Uci ajet takes the player") << "uci ajet";
    }

    void stops()
    {
        QFETCH(QString, how);
        auto *part = m_main->findChild<FollowAlong *>(QStringLiteral("FollowAlong"));
        record();
        popupItem(QStringLiteral("108:1."));
        QVERIFY(part->isRunning());
        QVERIFY(test::waitUntil([this] { return m_sound->position() > 50; }, 2000));
        if (how == QLatin1String("esc")) {
            test::pressKey(m_view, Qt::Key_Escape);
        } else if (how == QLatin1String("item")) {
            QCOMPARE(item()->text(), QStringLiteral("Zaustavi učenje"));
            popupItem(QStringLiteral("108:1."));
        } else if (how == QLatin1String("search")) {
            auto *box = test::byName<QComboBox>(m_main.get(), QStringLiteral("CmbKerkoKrejt"));
            box->setFocus();
            QTest::keyClicks(box, QStringLiteral("blagodati"));
            QTest::keyClick(box, Qt::Key_Return);
        } else {
            m_main->controls().mnuLshoAjetin->trigger();
        }
        QVERIFY(test::waitUntil([part] { return !part->isRunning(); }, 3000));
        QCOMPARE(item()->text(), QStringLiteral("Uči od ovog ajeta"));
        const QStringList heard = m_files;
        if (how == QLatin1String("uci ajet")) {
            // "Uci ajet" plays the ayah under the caret from the chosen set, to its end and no further.
            QCOMPARE(m_sound->file(), heard.first());
            QCOMPARE(m_sound->status(), QStringLiteral("playing"));
            QVERIFY(test::waitUntil([this] { return m_sound->status() == QLatin1String("stopped"); }, 3000));
        }
        QTest::qWait(300); // nothing goes on to the next ayah
        QCOMPARE(m_sound->status(), QStringLiteral("stopped"));
        QCOMPARE(m_files.size(), 1);
        QCOMPARE(m_files, heard);
        if (how == QLatin1String("search")) // the listing took the whole text's place
            QVERIFY(test::waitUntil([this] { return m_view->textLength() < 100000; }));
    }

    // Nothing chosen yet, no CD and one set: the set the recitation window would preselect plays.
    void firstStartPlaysTheOnlySet()
    {
        openProgramSettings()->clear();
        auto *part = m_main->findChild<FollowAlong *>(QStringLiteral("FollowAlong"));
        record();
        popupItem(QStringLiteral("108:3."));
        QVERIFY(part->isRunning());
        QVERIFY(test::waitUntil([part] { return !part->isRunning(); }, 3000));
        QCOMPARE(
            m_files,
            QStringList{QDir(QFileInfo(m_set).canonicalFilePath()).filePath(QStringLiteral("108003.mp3"))});
    }

    void caretOutsideAnAyah()
    {
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        popupItem(QStringLiteral("2. SURA BEKARE"));
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY(answerer.texts.first().startsWith(QStringLiteral("Kursor nije u ajetu")));
        QVERIFY(!m_main->findChild<FollowAlong *>(QStringLiteral("FollowAlong"))->isRunning());
    }

    void nothingToReciteFrom()
    {
        // The set's folder moved away: no set and no CD.
        const QString away = m_home.filePath(QStringLiteral("Alafasy.away"));
        QVERIFY(QDir().rename(m_set, away));
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        popupItem(QStringLiteral("108:1."));
        QVERIFY(QDir().rename(away, m_set));
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY2(answerer.texts.first().startsWith(cdRequestMessage()) &&
                     answerer.texts.first().contains(QStringLiteral("002255.mp3")),
                 qPrintable(answerer.texts.first()));
        QVERIFY(!m_main->findChild<FollowAlong *>(QStringLiteral("FollowAlong"))->isRunning());
    }

private:
    // Puts the caret into the paragraph of `marker` and picks the item at its place in the
    // popup menu opened there with the right button.
    void popupItem(const QString &marker)
    {
        const QString text = m_view->text();
        const int start = text.startsWith(marker) ? 0 : int(text.indexOf(QStringLiteral("\n") + marker)) + 1;
        QVERIFY2(text.startsWith(marker) || start > 0, qPrintable(marker));
        m_view->setSelStart(start + int(marker.size()) + 3);
        m_view->ensureCursorVisible();
        QCoreApplication::processEvents();
        test::chooseFromPopup(*m_main, QStringLiteral("mnuUciOdAjeta"));
        // The window system gives the main window back its activation once the menu is gone.
        QVERIFY(test::showActive(m_main.get()));
    }

    QAction *item() const { return m_main->findChild<QAction *>(QStringLiteral("mnuUciOdAjeta")); }
    // The marker of the selected paragraph each time a new clip starts sounding, and the clips.
    void record()
    {
        QObject::disconnect(m_recording);
        m_recording = connect(m_sound, &FXSnd::tick, this, [this] {
            if (m_files.isEmpty() || m_files.last() != m_sound->file()) {
                m_files << m_sound->file();
                m_selected << m_view->selText().section(QLatin1Char('\t'), 0, 0);
            }
        });
    }

    QTemporaryDir m_home;
    QString m_set;
    std::unique_ptr<test::RecitationData> m_data;
    std::unique_ptr<MainWindow> m_main;
    RichTextView *m_view = nullptr;
    FXSnd *m_sound = nullptr;
    QStringList m_selected, m_files;
    QMetaObject::Connection m_recording;
};

QTEST_MAIN(TestFollowAlong)
#include "tst_followalong.moc"
