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
    void initTestCase();
    void init();
    void caretPlaysItsAyah_data();
    void caretPlaysItsAyah();
    void notAnAyahOfTheBookIsSilent_data();
    void notAnAyahOfTheBookIsSilent();
    void pauseAndContinueFromThePopup();

private:
    std::unique_ptr<test::RecitationData> m_data;
    std::unique_ptr<MainWindow> m_main;
    RichTextView *m_view = nullptr;
    FXSnd *m_sound = nullptr;
};

void TestTextRecitation::initTestCase()
{
    setVolumeLister([] { return QList<MountedVolume>{}; });
    m_data = std::make_unique<test::RecitationData>();
    QVERIFY(m_data->make(QStringLiteral(VELMORA_TEST_DATA_DIR)));
    for (auto [s, a] : {std::pair{2, 255}, std::pair{112, 1}, std::pair{1, 1}})
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

void TestTextRecitation::init()
{
    m_sound->setFile(QString()); // each case starts with an empty player
}

void TestTextRecitation::caretPlaysItsAyah_data()
{
    QTest::addColumn<QString>("paragraph"); // its start
    QTest::addColumn<int>("offset");        // of the caret; -1: just before the paragraph end
    QTest::addColumn<bool>("doubleClick");  // or "Uci ajet" of the popup menu
    QTest::addColumn<QString>("clip");      // empty: nothing is played
    const QString a255 = QStringLiteral("2:255.");
    QTest::newRow("double click in the text") << a255 << 30 << true << QStringLiteral("s2a255.wav");
    QTest::newRow("on the marker") << a255 << 0 << false << QStringLiteral("s2a255.wav");
    QTest::newRow("before the paragraph end") << a255 << -1 << false << QStringLiteral("s2a255.wav");
    QTest::newRow("surah 112") << QStringLiteral("112:1.") << 9 << false << QStringLiteral("s112a1.wav");
    QTest::newRow("first ayah of the book")
        << QStringLiteral("1:1.") << 5 << false << QStringLiteral("s1a1.wav");
    QTest::newRow("heading") << QStringLiteral("2. SURA BEKARE") << 6 << false << QString();
}

void TestTextRecitation::caretPlaysItsAyah()
{
    QFETCH(QString, paragraph);
    QFETCH(int, offset);
    QFETCH(bool, doubleClick);
    QFETCH(QString, clip);
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
    if (clip.isEmpty()) {
        QVERIFY(m_sound->file().isEmpty() && m_sound->status().isEmpty()); // no clip given
    } else {
        QCOMPARE(QFileInfo(m_sound->file()).canonicalFilePath(),
                 QFileInfo(m_data->path() + QStringLiteral("/wav/") + clip).canonicalFilePath());
        QCOMPARE(m_sound->status(), QStringLiteral("playing"));
        // The whole ayah paragraph shows which ayah is recited.
        QCOMPARE(m_view->selStart(), start);
        QCOMPARE(m_view->selLength(), end - start);
    }
    // A double click recites; it does not open the popup menu.
    QVERIFY(!m_main->controls().mnuPopupRtf->isVisible());
}

void TestTextRecitation::notAnAyahOfTheBookIsSilent_data()
{
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("ayah");
    QTest::newRow("empty ayah") << QStringLiteral("2") << QString();
    QTest::newRow("leading zero") << QStringLiteral("02") << QStringLiteral("1");
    QTest::newRow("surah 115") << QStringLiteral("115") << QStringLiteral("1");
    QTest::newRow("surah 0") << QStringLiteral("0") << QStringLiteral("1");
    QTest::newRow("beyond the surah") << QStringLiteral("2") << QStringLiteral("287");
    QTest::newRow("ayah 0") << QStringLiteral("2") << QStringLiteral("0");
    QTest::newRow("heading text") << QStringLiteral("SURA BEKARE") << QString();
    QTest::newRow("path") << QStringLiteral("1") << QStringLiteral("1/../../x");
}

void TestTextRecitation::notAnAyahOfTheBookIsSilent()
{
    QFETCH(QString, surah);
    QFETCH(QString, ayah);
    auto *part = m_main->findChild<TextRecitation *>(QStringLiteral("TextRecitation"));
    QVERIFY(part);
    test::MessageBoxAnswerer boxes;
    boxes.answer(QMessageBox::Ok);
    part->FuncPlayAjet(surah, ayah);
    QCOMPARE(m_sound->status(), QString()); // no clip was ever given to the player
    QCOMPARE(boxes.texts, QStringList());
    // The same part plays a real ayah, so the silence above is the check's doing.
    part->FuncPlayAjet(QStringLiteral("112"), QStringLiteral("1"));
    QCOMPARE(QFileInfo(m_sound->file()).fileName(), QStringLiteral("s112a1.wav"));
}

void TestTextRecitation::pauseAndContinueFromThePopup()
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

QTEST_MAIN(TestTextRecitation)
#include "tst_textrecitation.moc"
