#include "../recitationwindow/RecitationData.h"
#include "TestSupport.h"

#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/DataFolder.h"
#include "data/DataSource.h"
#include "recitation/FXSnd.h"
#include "recitation/SoundSource.h"
#include "recitation/widgets/TextRecitationPart.h"
#include "textview/widgets/RichTextView.h"

#include <QTest>
#include <QtWidgets>
#include <memory>

using namespace velmora;

class TestTextRecitation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        setVolumeLister([] { return QList<MountedVolume>{}; });
        m_data = std::make_unique<test::RecitationData>();
        QVERIFY(m_data->make(QStringLiteral(VELMORA_TEST_DATA_DIR)));
        for (auto [s, a] :
             {std::pair{2, 255}, std::pair{112, 1}, std::pair{1, 1}, std::pair{1, 7}, std::pair{2, 286}})
            QVERIFY(m_data->addClip(s, a, 400));
        DataFolder::setPath(m_data->path());
        m_main = std::make_unique<MainWindow>();
        QVERIFY(m_main->controls().Data1->refresh());
        installMainParts(*m_main);
        m_view = m_main->controls().Rtf1;
        m_sound = m_main->controls().FXSnd1;
        QVERIFY(m_view->loadFile(QStringLiteral("KUR'AN.rtf")));
        m_main->resize(900, 700);
        m_main->show();
        emit m_main->driveScanRequested(); // the start-up scan finds the clips beside the data
    }

    void init()
    {
        m_sound->setFile(QString()); // each case starts with an empty player
    }

    void caretPlaysItsAyah_data()
    {
        QTest::addColumn<QString>("paragraph"); // its start
        QTest::addColumn<int>("offset");        // of the caret; -1: just before the paragraph end
        QTest::addColumn<bool>("doubleClick");  // or "Uci ajet" of the popup menu
        QTest::addColumn<QString>("clip");      // the clip the player is given
        QTest::addColumn<bool>("plays");        // false: the clip does not exist
        const auto row = [](const char *name, const char *paragraph, int offset, bool doubleClick,
                            const char *clip, bool plays = true) {
            QTest::newRow(name) << QString::fromLatin1(paragraph) << offset << doubleClick
                                << QString::fromLatin1(clip) << plays;
        };
        row("double click in the text", "2:255.", 30, true, "s2a255.wav");
        row("on the marker", "2:255.", 0, false, "s2a255.wav");
        row("before the paragraph end", "2:255.", -1, false, "s2a255.wav");
        row("surah 112", "112:1.", 9, false, "s112a1.wav");
        row("first ayah of the book", "1:1.", 5, false, "s1a1.wav");
        row("last ayah of surah 1", "1:7.", 5, false, "s1a7.wav");
        row("last ayah of surah 2, double click", "2:286.", 12, true, "s2a286.wav");
        // A heading's marker has no ayah number: its clip does not exist, and giving it to the
        // player ends the clip that was playing.
        row("heading", "2. SURA BEKARE", 6, false, "s2a.wav", false);
    }

    void caretPlaysItsAyah()
    {
        QFETCH(QString, paragraph);
        QFETCH(int, offset);
        QFETCH(bool, doubleClick);
        QFETCH(QString, clip);
        QFETCH(bool, plays);
        // Another clip is playing when the reader asks for this one.
        m_sound->setFile(m_data->path() + QStringLiteral("/wav/s112a1.wav"));
        m_sound->setCommand(5);
        QCOMPARE(m_sound->status(), QStringLiteral("playing"));
        const QString text = m_view->text();
        const int start = int(text.indexOf(QLatin1Char('\n') + paragraph)) + 1;
        QVERIFY(start > 0);
        const int end = int(text.indexOf(QLatin1Char('\r'), start));
        m_view->setSelStart(offset < 0 ? end : start + offset);
        if (doubleClick) {
            m_view->ensureCursorVisible();
            QCoreApplication::processEvents();
            QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, m_view->cursorRect().center());
        } else {
            m_main->controls().mnuLshoAjetin->trigger();
        }
        QCOMPARE(QFileInfo(m_sound->file()).fileName(), clip);
        QCOMPARE(QFileInfo(QFileInfo(m_sound->file()).absolutePath()).canonicalFilePath(),
                 QFileInfo(m_data->path() + QStringLiteral("/wav")).canonicalFilePath());
        if (!plays) {
            QCOMPARE(m_sound->status(), QStringLiteral("stopped"));
        } else {
            QCOMPARE(m_sound->status(), QStringLiteral("playing"));
            // The whole ayah paragraph shows which ayah is recited.
            QCOMPARE(m_view->selStart(), start);
            QCOMPARE(m_view->selLength(), end - start);
        }
        // A double click recites; it does not open the popup menu.
        QVERIFY(!m_main->controls().mnuPopupRtf->isVisible());
    }

    void notAnAyahOfTheBookStopsTheClip_data()
    {
        QTest::addColumn<QString>("surah");
        QTest::addColumn<QString>("ayah");
        QTest::addColumn<QString>("clip");
        // Separators in the texts cannot lead the path out of the clip folder.
        const char *const rows[][4] = {
            {"empty ayah", "2", "", "s2a.wav"},
            {"leading zero", "02", "1", "s02a1.wav"},
            {"surah 115", "115", "1", "s115a1.wav"},
            {"surah 0", "0", "1", "s0a1.wav"},
            {"beyond the surah", "2", "287", "s2a287.wav"},
            {"ayah 0", "2", "0", "s2a0.wav"},
            {"heading text", "SURA BEKARE", "", "sSURA BEKAREa.wav"},
            {"path", "1", "1/../../x", "s1a1_.._.._x.wav"},
        };
        for (const auto &[name, surah, ayah, clip] : rows)
            QTest::newRow(name) << QString::fromLatin1(surah) << QString::fromLatin1(ayah)
                                << QString::fromLatin1(clip);
    }

    // A text that is no ayah of the book names a clip that does not exist: the player takes it,
    // which ends the clip that was playing, and nothing is said to the reader.
    void notAnAyahOfTheBookStopsTheClip()
    {
        QFETCH(QString, surah);
        QFETCH(QString, ayah);
        auto *part = m_main->findChild<TextRecitation *>(QStringLiteral("TextRecitation"));
        QVERIFY(part);
        part->FuncPlayAjet(QStringLiteral("112"), QStringLiteral("1"));
        QCOMPARE(m_sound->status(), QStringLiteral("playing"));
        part->FuncPlayAjet(surah, ayah);
        QTEST(QFileInfo(m_sound->file()).fileName(), "clip");
        QCOMPARE(QFileInfo(QFileInfo(m_sound->file()).absolutePath()).canonicalFilePath(),
                 QFileInfo(m_data->path() + QStringLiteral("/wav")).canonicalFilePath());
        QCOMPARE(m_sound->status(), QStringLiteral("stopped"));
    }

    void pauseAndContinueFromThePopup()
    {
        m_view->setSelStart(int(m_view->text().indexOf(QStringLiteral("\n112:1."))) + 9);
        m_main->controls().mnuLshoAjetin->trigger();
        QTest::qWait(150);
        m_main->controls().mnuPauzoje->trigger();
        QCOMPARE(m_sound->status(), QStringLiteral("paused"));
        const qint32 pausedAt = m_sound->position();
        QVERIFY(pausedAt > 0);
        m_main->controls().mnuVazhdo->trigger();
        QCOMPARE(m_sound->status(), QStringLiteral("playing"));
        QVERIFY(m_sound->position() >= pausedAt); // goes on from where it was paused
        // Nothing waits for the clip: it ends by itself while the events run.
        QVERIFY(test::waitUntil([this] { return m_sound->status() == QLatin1String("stopped"); }, 3000));
    }

private:
    std::unique_ptr<test::RecitationData> m_data;
    std::unique_ptr<MainWindow> m_main;
    RichTextView *m_view = nullptr;
    FXSnd *m_sound = nullptr;
};

QTEST_MAIN(TestTextRecitation)
#include "tst_textrecitation.moc"
