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

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <memory>

using namespace velmora;

class TestTextRecitation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void startUpScanFindsTheClips();
    void uciAjetPlaysTheAyahUnderTheCaret_data();
    void uciAjetPlaysTheAyahUnderTheCaret();
    void doubleClickPlaysTheAyah();
    void notAnAyahOfTheBookIsSilent_data();
    void notAnAyahOfTheBookIsSilent();
    void headingIsSilent();
    void pauseAndContinueFromThePopup();
    void newAyahReplacesThePlayingClip();
    void withoutTheCdNothingIsTested();

private:
    int markerPos(const QString &marker) const;
    bool messageBoxShown() const;
    QString canonical(const QString &path) const { return QFileInfo(path).canonicalFilePath(); }

    std::unique_ptr<test::RecitationData> m_data;
    std::unique_ptr<MainWindow> m_main;
    RichTextView *m_view = nullptr;
    FXSnd *m_sound = nullptr;
};

void TestTextRecitation::initTestCase()
{
    QVERIFY2(DataFolder::holdsData(QStringLiteral(VELMORA_TEST_DATA_DIR)),
             "default data missing: run set-up");
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
}

void TestTextRecitation::init()
{
    // Each case starts with an empty player, the caret at 0 and a fresh start-up drive scan.
    m_sound->setFile(QString());
    m_view->setSelStart(0);
    CDDriveLetter.clear();
    emit m_main->driveScanRequested();
}

void TestTextRecitation::cleanupTestCase()
{
    m_main.reset();
    DataFolder::reset();
}

int TestTextRecitation::markerPos(const QString &marker) const
{
    // The first occurrence from the start, at the start of a paragraph.
    const QString text = m_view->text();
    const int p = int(text.indexOf(marker + QLatin1Char('\t')));
    return p > 0 && text.at(p - 1) == QLatin1Char('\n') ? p : -1;
}

bool TestTextRecitation::messageBoxShown() const
{
    QCoreApplication::processEvents();
    const auto tops = QApplication::topLevelWidgets();
    for (QWidget *w : tops) {
        if (qobject_cast<QMessageBox *>(w) && w->isVisible())
            return true;
    }
    return false;
}

void TestTextRecitation::startUpScanFindsTheClips()
{
    QCOMPARE(canonical(CDDriveLetter), canonical(m_data->path()));
}

void TestTextRecitation::uciAjetPlaysTheAyahUnderTheCaret_data()
{
    QTest::addColumn<QString>("marker");
    QTest::addColumn<int>("offset"); // from the marker's start; -1: just before the paragraph end
    QTest::addColumn<int>("surah");
    QTest::addColumn<int>("ayah");
    QTest::newRow("on the marker") << QStringLiteral("2:255.") << 0 << 2 << 255;
    QTest::newRow("inside the marker") << QStringLiteral("2:255.") << 3 << 2 << 255;
    QTest::newRow("in the text") << QStringLiteral("2:255.") << 40 << 2 << 255;
    QTest::newRow("before the paragraph end") << QStringLiteral("2:255.") << -1 << 2 << 255;
    QTest::newRow("surah 112") << QStringLiteral("112:1.") << 9 << 112 << 1;
    QTest::newRow("first ayah of the book") << QStringLiteral("1:1.") << 5 << 1 << 1;
}

void TestTextRecitation::uciAjetPlaysTheAyahUnderTheCaret()
{
    QFETCH(QString, marker);
    QFETCH(int, offset);
    QFETCH(int, surah);
    QFETCH(int, ayah);
    const int start = markerPos(marker);
    QVERIFY(start > 0);
    const int end = int(m_view->text().indexOf(QLatin1Char('\r'), start));
    m_view->setSelStart(offset < 0 ? end : start + offset);
    m_main->controls().mnuLshoAjetin->trigger();
    QCOMPARE(canonical(m_sound->file()), canonical(m_data->clip(surah, ayah)));
    QCOMPARE(m_sound->status(), QStringLiteral("playing"));
    // The whole ayah paragraph shows which ayah is recited.
    QCOMPARE(m_view->selStart(), start);
    QCOMPARE(m_view->selLength(), end - start);
    QVERIFY(!messageBoxShown());
}

void TestTextRecitation::doubleClickPlaysTheAyah()
{
    const int start = markerPos(QStringLiteral("2:255."));
    QVERIFY(start > 0);
    m_view->setSelStart(start + 30);
    m_view->ensureCursorVisible();
    QCoreApplication::processEvents();
    const QPoint at = m_view->cursorRect().center();
    QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(canonical(m_sound->file()), canonical(m_data->clip(2, 255)));
    QVERIFY(m_sound->file().endsWith(QStringLiteral("/wav/s2a255.wav")));
    QCOMPARE(m_sound->status(), QStringLiteral("playing"));
    QVERIFY(m_view->selText().startsWith(QStringLiteral("2:255.\t")));
    QVERIFY(!m_view->selText().contains(QLatin1Char('\r')));
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
    QTest::newRow("both empty") << QString() << QString();
}

void TestTextRecitation::notAnAyahOfTheBookIsSilent()
{
    QFETCH(QString, surah);
    QFETCH(QString, ayah);
    auto *part = m_main->findChild<TextRecitation *>(QStringLiteral("TextRecitation"));
    QVERIFY(part);
    part->FuncPlayAjet(surah, ayah);
    QCOMPARE(m_sound->file(), QString());
    QCOMPARE(m_sound->status(), QString()); // no clip was ever given to the player
    QVERIFY(!messageBoxShown());
    // The same part plays a real ayah, so the silence above is the check's doing.
    part->FuncPlayAjet(QStringLiteral("112"), QStringLiteral("1"));
    QCOMPARE(canonical(m_sound->file()), canonical(m_data->clip(112, 1)));
}

void TestTextRecitation::headingIsSilent()
{
    const int heading = int(m_view->text().indexOf(QStringLiteral("SURA BEKARE")));
    QVERIFY(heading > 0);
    m_view->setSelStart(heading + 3);
    m_main->controls().mnuLshoAjetin->trigger();
    QCOMPARE(m_sound->file(), QString());
    QVERIFY(!messageBoxShown());
}

void TestTextRecitation::pauseAndContinueFromThePopup()
{
    m_view->setSelStart(markerPos(QStringLiteral("112:1.")) + 8);
    m_main->controls().mnuLshoAjetin->trigger();
    QCOMPARE(m_sound->status(), QStringLiteral("playing"));
    m_main->controls().mnuPauzoje->trigger();
    QCOMPARE(m_sound->status(), QStringLiteral("paused"));
    m_main->controls().mnuVazhdo->trigger();
    QCOMPARE(m_sound->status(), QStringLiteral("playing"));
    // Nothing waits for the clip: it ends by itself while the events run.
    QVERIFY(test::waitUntil([this] { return m_sound->status() == QLatin1String("stopped"); }, 3000));
}

void TestTextRecitation::newAyahReplacesThePlayingClip()
{
    m_view->setSelStart(markerPos(QStringLiteral("2:255.")) + 8);
    m_main->controls().mnuLshoAjetin->trigger();
    m_view->setSelStart(markerPos(QStringLiteral("112:1.")) + 8);
    m_main->controls().mnuLshoAjetin->trigger();
    QCOMPARE(canonical(m_sound->file()), canonical(m_data->clip(112, 1)));
    QCOMPARE(m_sound->status(), QStringLiteral("playing"));
    QCOMPARE(m_sound->position() < 300, true);
}

void TestTextRecitation::withoutTheCdNothingIsTested()
{
    CDDriveLetter.clear();
    m_view->setSelStart(markerPos(QStringLiteral("2:255.")) + 8);
    m_main->controls().mnuLshoAjetin->trigger();
    // No clip can be found, the player is asked anyway and stays silent; no message.
    QCOMPARE(m_sound->status(), QStringLiteral("stopped"));
    QVERIFY(!messageBoxShown());
}

QTEST_MAIN(TestTextRecitation)
#include "tst_textrecitation.moc"
