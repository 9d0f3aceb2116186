#include "RecitationData.h"
#include "ScriptedControl.h"
#include "TestSupport.h"

#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/DataFolder.h"
#include "data/Database.h"
#include "recitation/FXSnd.h"
#include "recitation/SoundSource.h"
#include "recitation/widgets/RecitationWindow.h"
#include "textview/widgets/RichTextView.h"
#include "textview/widgets/SurahSelectors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace velmora;
using velmora::test::byName;

namespace {

// Records what the sequencer asks of the real player, and hands every call on to it.
class RecordingControl : public SoundControl {
public:
    explicit RecordingControl(SoundControl *inner) : m_inner(inner) {}
    QStringList files;
    QList<qint64> startedMs; // time of each command 5
    QElapsedTimer clock;
    std::function<void(const QString &)> onPoll;

    void setFile(const QString &path) override
    {
        files << path;
        m_inner->setFile(path);
    }
    void setCommand(int command) override
    {
        if (command == 5)
            startedMs << clock.elapsed();
        m_inner->setCommand(command);
    }
    qint32 position() const override
    {
        if (onPoll)
            onPoll(files.isEmpty() ? QString() : files.last());
        return m_inner->position();
    }
    qint32 startPosition() const override { return m_inner->startPosition(); }
    qint32 length() const override { return m_inner->length(); }
    QString status() const override { return m_inner->status(); }

private:
    SoundControl *m_inner;
};

QString storeText(const QString &folder, const QString &query, const QString &field)
{
    const data::Database db = data::Database::openPath(QDir(folder).filePath(QStringLiteral("Bazabos.db")));
    data::Recordset rows = db.openRecordset(query);
    if (!rows.isValid() || rows.eof())
        return QStringLiteral("<none>");
    return rows.field(field).value_or(QStringLiteral("<null>"));
}

} // namespace

class TestRecitationWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlsAndCaptions_data();
    void controlsAndCaptions();
    void openingState();
    void activationOnlyOnOpening();
    void roundingOfTheVolume_data();
    void roundingOfTheVolume();
    void volumeBar_data();
    void volumeBar();
    void volumeReadBackAtLoad();
    void modes_data();
    void modes();
    void repeatThenOneSurahClearsRepeat();
    void modeFillsAnEmptyAyah();
    void selectorChoicesShowTheAyah();
    void enterInASelectorRecites_data();
    void enterInASelectorRecites();
    void pauseAndContinue();
    void cdMissingMessage();
    void rejectedTexts_data();
    void rejectedTexts();
    void oneAyahPlaysItsClip();
    void typedSurahPlaysWhole();
    void oneSurahOrder_data();
    void oneSurahOrder();
    void wholeQuranHas112Bismillahs();
    void closingDuringBismillahStops();
    void closingDuringAyahStops();
    void secondUciNests();
    void timerFollowsTheClip();
    void waitEndsWithoutWakeups();
    void realSoundPlaysSurahInOrder();
    void realSoundSkipsMissingClip();
    void realSoundClosingStops();
    void openedModallyFromMainWindow();

private:
    RecitationWindow *openWindow();
    QString kuranText(int surah, int ayah) const;
    QString surahName(int surah) const;
    QString clip(int s, int a) const { return m_data->clip(s, a); }

    std::unique_ptr<test::RecitationData> m_data;
    std::unique_ptr<RecitationWindow> m_win;
    test::ScriptedControl m_sound;
};

void TestRecitationWindow::initTestCase()
{
    QVERIFY2(DataFolder::holdsData(QStringLiteral(VELMORA_TEST_DATA_DIR)),
             "default data missing: run set-up");
    // Media of this machine must not take the place of the test's clips.
    setVolumeLister([] { return QList<MountedVolume>{}; });
}

void TestRecitationWindow::init()
{
    m_data = std::make_unique<test::RecitationData>();
    QVERIFY(m_data->make(QStringLiteral(VELMORA_TEST_DATA_DIR)));
    DataFolder::setPath(m_data->path());
    CDDriveLetter.clear();
    m_sound = test::ScriptedControl();
}

void TestRecitationWindow::cleanup()
{
    m_win.reset();
    DataFolder::reset();
}

RecitationWindow *TestRecitationWindow::openWindow()
{
    m_win = std::make_unique<RecitationWindow>();
    m_win->show();
    return m_win.get();
}

QString TestRecitationWindow::kuranText(int surah, int ayah) const
{
    return storeText(
        m_data->path(),
        QStringLiteral("select * FROM kuran where nrsure = %1 And nrajet = %2").arg(surah).arg(ayah),
        QStringLiteral("tekstajet"));
}

QString TestRecitationWindow::surahName(int surah) const
{
    return storeText(m_data->path(), QStringLiteral("SELECT * FROM sure WHERE numri=%1").arg(surah),
                     QStringLiteral("EmriBoshnjakisht"));
}

void TestRecitationWindow::controlsAndCaptions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("caption");
    auto row = [](const char *name, const char *cls, const char *caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(cls)
                            << QString::fromLatin1(caption);
    };
    row("Label1", "QLabel", "Prouciti");
    row("Option1", "QRadioButton", "Jedan ajet");
    row("Option2", "QRadioButton", "Jedno sure");
    row("Option7", "QRadioButton", "Cijeli Kur'an");
    row("LblNrSure", "QLabel", "Sure");
    row("LblEmrSure", "QLabel", "Ime");
    row("LblNrAjet", "QLabel", "Ajet");
    row("Label2", "QLabel", "Ukupno ajeta");
    row("CmbNrSure", "QComboBox", "1");
    row("CmbEmrSure", "QComboBox", "Fatiha");
    row("CmbNrAjeti", "QComboBox", "1");
    row("CmbTotalAjete", "QComboBox", "7");
    row("cmdLexo", "QPushButton", "Uci");
    row("cmdPause", "QPushButton", "Pauziraj");
    row("cmdResume", "QPushButton", "Produzi");
    row("chkRepeat", "QCheckBox", "Ponovi");
    row("cmdFund", "QPushButton", "Vrati se");
    row("lblWave", "QLabel", "Zvuk");
    row("lblWavAjet", "QLabel", "");
    row("VSBWavVolume", "QScrollBar", "");
    row("SldAjet", "QSlider", "");
    row("RichTextBox1", "velmora::RichTextView", "");
    row("Timer2", "QTimer", "");
    row("FXSnd1", "velmora::FXSnd", "");
    row("DataBazaSuret", "velmora::data::DataSource", "");
    row("DataBazaKuran", "velmora::data::DataSource", "");
}

void TestRecitationWindow::controlsAndCaptions()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, caption);
    RecitationWindow *w = openWindow();
    QCOMPARE(w->objectName(), QStringLiteral("frmLexim"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Ucenje ajeta"));
    QObject *o = byName<QObject>(w, name);
    QVERIFY2(o, qPrintable(name));
    QCOMPARE(QString::fromLatin1(o->metaObject()->className()), className);
    if (auto *l = qobject_cast<QLabel *>(o))
        QCOMPARE(l->text(), caption);
    else if (auto *b = qobject_cast<QAbstractButton *>(o))
        QCOMPARE(b->text(), caption);
    else if (auto *c = qobject_cast<QComboBox *>(o))
        QCOMPARE(c->currentText(), caption);
}

void TestRecitationWindow::openingState()
{
    RecitationWindow *w = openWindow();
    QVERIFY(byName<QRadioButton>(w, QStringLiteral("Option1"))->isChecked());
    QVERIFY(byName<QPushButton>(w, QStringLiteral("cmdLexo"))->font().bold());
    QVERIFY(!byName<QCheckBox>(w, QStringLiteral("chkRepeat"))->isChecked());
    QVERIFY(byName<QLabel>(w, QStringLiteral("Label2"))->isHidden());
    QVERIFY(byName<QComboBox>(w, QStringLiteral("CmbTotalAjete"))->isHidden());
    // The hidden count selector is filled like the others: one entry per surah.
    QCOMPARE(byName<QComboBox>(w, QStringLiteral("CmbTotalAjete"))->count(), 114);
    QCOMPARE(byName<QComboBox>(w, QStringLiteral("CmbNrSure"))->count(), 114);
    QCOMPARE(byName<QComboBox>(w, QStringLiteral("CmbNrAjeti"))->count(), 7);
    QCOMPARE(byName<QLabel>(w, QStringLiteral("lblWavAjet"))->text(), QString());
    // The text area shows where the snapshot of table kuran starts: its first row.
    QCOMPARE(byName<RichTextView>(w, QStringLiteral("RichTextBox1"))->toPlainText(), kuranText(1, 1));
    auto *timer = byName<QTimer>(w, QStringLiteral("Timer2"));
    QVERIFY(!timer->isActive());
    QVERIFY(timer->interval() >= 10 && timer->interval() <= 20);
    // The drive scan of the activation found the copied wav folder beside the data.
    QCOMPARE(QDir(CDDriveLetter).canonicalPath(), QDir(m_data->path()).canonicalPath());
    // The volume label shows the player's volume read back into the bar.
    FXSnd probe;
    const int percent = RecitationWindow::volumeToPercent(probe.volume());
    QCOMPARE(byName<QScrollBar>(w, QStringLiteral("VSBWavVolume"))->value(), percent);
    QCOMPARE(byName<QLabel>(w, QStringLiteral("lblVolVal"))->text(),
             percent == 0 ? QStringLiteral("0%") : QStringLiteral(" %1%").arg(percent));
    QCOMPARE(byName<QScrollBar>(w, QStringLiteral("VSBWavVolume"))->isEnabled(),
             w->soundPlayer()->volumeSupported());
}

void TestRecitationWindow::activationOnlyOnOpening()
{
    RecitationWindow *w = openWindow();
    auto *surah = byName<QComboBox>(w, QStringLiteral("CmbNrSure"));
    surah->setEditText(QStringLiteral("5"));
    CDDriveLetter.clear();
    // The reader goes to another program and comes back, or the window is minimised and
    // restored during a recitation: the selectors stay and the drive is not scanned again.
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(w, &deactivate);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(w, &activate);
    w->hide();
    w->show();
    QCoreApplication::processEvents();
    QCOMPARE(surah->currentText(), QStringLiteral("5"));
    QVERIFY(CDDriveLetter.isEmpty());
}

void TestRecitationWindow::roundingOfTheVolume_data()
{
    QTest::addColumn<double>("volume");
    QTest::addColumn<int>("percent");
    QTest::newRow("silent") << 0.0 << 0;
    QTest::newRow("32768 is 50") << 32768.0 << 50;
    QTest::newRow("full") << 65535.0 << 100;
    QTest::newRow("32767.5 written back") << 32767.5 << 50;
    QTest::newRow("just under a half rounds down") << 655.35 * 0.49 << 0;
    QTest::newRow("just over a half rounds up") << 655.35 * 0.51 << 1;
    QTest::newRow("one unit") << 1.0 << 0;
}

void TestRecitationWindow::roundingOfTheVolume()
{
    QFETCH(double, volume);
    QFETCH(int, percent);
    QCOMPARE(RecitationWindow::volumeToPercent(volume), percent);
}

void TestRecitationWindow::volumeBar_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<double>("sent");
    QTest::addColumn<QString>("label");
    QTest::newRow("bottom") << 0 << 0.0 << QStringLiteral(" 0%");
    QTest::newRow("half") << 50 << 32767.5 << QStringLiteral(" 50%");
    QTest::newRow("top") << 100 << 65535.0 << QStringLiteral(" 100%");
    QTest::newRow("seven") << 7 << 4587.45 << QStringLiteral(" 7%");
}

void TestRecitationWindow::volumeBar()
{
    QFETCH(int, value);
    QFETCH(double, sent);
    QFETCH(QString, label);
    RecitationWindow *w = openWindow();
    auto *bar = byName<QScrollBar>(w, QStringLiteral("VSBWavVolume"));
    bar->setValue(value == 0 ? 1 : 0); // so that the value below is a change
    bar->setValue(value);
    QCOMPARE(byName<QLabel>(w, QStringLiteral("lblVolVal"))->text(), label);
    QVERIFY(qAbs(w->soundPlayer()->volume() - sent) < 1e-6);
}

void TestRecitationWindow::volumeReadBackAtLoad()
{
    RecitationWindow *w = openWindow();
    auto *bar = byName<QScrollBar>(w, QStringLiteral("VSBWavVolume"));
    bar->setValue(0);
    w->soundPlayer()->setVolume(32768);
    w->Form_Load();
    QCOMPARE(bar->value(), 50);
    QCOMPARE(byName<QLabel>(w, QStringLiteral("lblVolVal"))->text(), QStringLiteral(" 50%"));
    // The bar's own change handling wrote the value back as a percentage of 655.35.
    QVERIFY(qAbs(w->soundPlayer()->volume() - 32767.5) < 1e-6);
}

void TestRecitationWindow::modes_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<bool>("surah");
    QTest::addColumn<bool>("ayah");
    QTest::newRow("Jedan ajet") << QStringLiteral("Option1") << true << true << true;
    QTest::newRow("Jedno sure") << QStringLiteral("Option2") << false << true << false;
    QTest::newRow("Cijeli Kur'an") << QStringLiteral("Option7") << false << false << false;
}

void TestRecitationWindow::modes()
{
    QFETCH(QString, option);
    QFETCH(bool, repeat);
    QFETCH(bool, surah);
    QFETCH(bool, ayah);
    RecitationWindow *w = openWindow();
    // Pass through another mode first, so that every row selects its option afresh.
    byName<QRadioButton>(w, option == QLatin1String("Option2") ? QStringLiteral("Option7")
                                                               : QStringLiteral("Option2"))
        ->click();
    byName<QRadioButton>(w, option)->click();
    auto shown = [w](const char *name) { return !byName<QWidget>(w, QLatin1String(name))->isHidden(); };
    QCOMPARE(shown("chkRepeat"), repeat);
    QCOMPARE(shown("LblNrSure"), surah);
    QCOMPARE(shown("CmbNrSure"), surah);
    QCOMPARE(shown("LblEmrSure"), surah);
    QCOMPARE(shown("CmbEmrSure"), surah);
    QCOMPARE(shown("LblNrAjet"), ayah);
    QCOMPARE(shown("CmbNrAjeti"), ayah);
    QVERIFY(!shown("Label2"));
    QVERIFY(!shown("CmbTotalAjete"));
}

void TestRecitationWindow::repeatThenOneSurahClearsRepeat()
{
    RecitationWindow *w = openWindow();
    auto *repeat = byName<QCheckBox>(w, QStringLiteral("chkRepeat"));
    repeat->click();
    QCOMPARE(w->soundPlayer()->repeat(), 1);
    byName<QRadioButton>(w, QStringLiteral("Option2"))->click();
    QVERIFY(!repeat->isChecked());
    QVERIFY(repeat->isHidden());
    QCOMPARE(w->soundPlayer()->repeat(), 0);
}

void TestRecitationWindow::modeFillsAnEmptyAyah()
{
    RecitationWindow *w = openWindow();
    auto *ayah = byName<QComboBox>(w, QStringLiteral("CmbNrAjeti"));
    ayah->setEditText(QString());
    byName<QComboBox>(w, QStringLiteral("CmbTotalAjete"))->setEditText(QStringLiteral("99"));
    byName<QRadioButton>(w, QStringLiteral("Option2"))->click();
    QCOMPARE(ayah->currentText(), QStringLiteral("1"));
    QCOMPARE(byName<QComboBox>(w, QStringLiteral("CmbTotalAjete"))->currentText(), QStringLiteral("7"));
    QCOMPARE(byName<QLabel>(w, QStringLiteral("lblWavAjet"))->text(),
             QStringLiteral("Sure 1. %1, ajet 1 od 7").arg(surahName(1)));
    // A mode change with an ayah in the selector shows nothing new.
    byName<QLabel>(w, QStringLiteral("lblWavAjet"))->clear();
    byName<QRadioButton>(w, QStringLiteral("Option1"))->click();
    QCOMPARE(byName<QLabel>(w, QStringLiteral("lblWavAjet"))->text(), QString());
}

void TestRecitationWindow::selectorChoicesShowTheAyah()
{
    RecitationWindow *w = openWindow();
    auto *surah = byName<QComboBox>(w, QStringLiteral("CmbNrSure"));
    auto *name = byName<QComboBox>(w, QStringLiteral("CmbEmrSure"));
    auto *ayah = byName<QComboBox>(w, QStringLiteral("CmbNrAjeti"));
    auto *status = byName<QLabel>(w, QStringLiteral("lblWavAjet"));
    auto *text = byName<RichTextView>(w, QStringLiteral("RichTextBox1"));

    surah->setCurrentIndex(surah->findText(QStringLiteral("2")));
    emit surah->activated(surah->currentIndex());
    QCOMPARE(name->currentText(), surahName(2));
    QCOMPARE(ayah->count(), 286);
    QCOMPARE(ayah->currentText(), QStringLiteral("1"));
    QCOMPARE(status->text(), QStringLiteral("Sure 2. %1, ajet 1 od 286").arg(surahName(2)));
    QCOMPARE(text->toPlainText(), kuranText(2, 1));

    ayah->setCurrentIndex(254);
    emit ayah->activated(254);
    QCOMPARE(status->text(), QStringLiteral("Sure 2. %1, ajet 255 od 286").arg(surahName(2)));
    QCOMPARE(text->toPlainText(), kuranText(2, 255));

    // A name is found by a seek on the surah table's name index.
    const int row = name->findText(surahName(112));
    QVERIFY(row >= 0);
    name->setCurrentIndex(row);
    emit name->activated(row);
    QCOMPARE(surah->currentText(), QStringLiteral("112"));
    QCOMPARE(ayah->count(), 4);
    QCOMPARE(status->text(), QStringLiteral("Sure 112. %1, ajet 1 od 4").arg(surahName(112)));

    // A name that is no surah's falls back to Fatiha.
    name->setEditText(QStringLiteral("Nema takve"));
    w->selectors()->CmbEmrSure_Click();
    QCOMPARE(name->currentText(), QStringLiteral("Fatiha"));
    QCOMPARE(surah->currentText(), QStringLiteral("1"));
    QCOMPARE(status->text(), QStringLiteral("Sure 1. %1, ajet 1 od 7").arg(surahName(1)));
    QVERIFY(m_sound.played.isEmpty());
}

void TestRecitationWindow::enterInASelectorRecites_data()
{
    QTest::addColumn<QString>("combo");
    QTest::newRow("surah number") << QStringLiteral("CmbNrSure");
    QTest::newRow("surah name") << QStringLiteral("CmbEmrSure");
    QTest::newRow("ayah number") << QStringLiteral("CmbNrAjeti");
}

void TestRecitationWindow::enterInASelectorRecites()
{
    QFETCH(QString, combo);
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    // The typed surah is not looked up by Enter: the name stays until the ayah is shown.
    byName<QComboBox>(w, QStringLiteral("CmbNrSure"))->setEditText(QStringLiteral("3"));
    byName<QComboBox>(w, QStringLiteral("CmbNrAjeti"))->setEditText(QStringLiteral("2"));
    QStringList namesSeen;
    m_sound.onPoll = [&](const QString &, int) {
        namesSeen << byName<QComboBox>(w, QStringLiteral("CmbEmrSure"))->currentText();
    };
    QTest::keyClick(byName<QComboBox>(w, combo), Qt::Key_Return);
    // Once, not a second time through a default button of the dialog.
    QCOMPARE(m_sound.played, QStringList{clip(3, 2)});
    QVERIFY(!namesSeen.isEmpty());
    QCOMPARE(namesSeen.first(), surahName(3));
}

void TestRecitationWindow::pauseAndContinue()
{
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    byName<QPushButton>(w, QStringLiteral("cmdPause"))->click();
    byName<QPushButton>(w, QStringLiteral("cmdResume"))->click();
    QCOMPARE(m_sound.commands, (QList<int>{6, 10}));
}

void TestRecitationWindow::cdMissingMessage()
{
    QDir(m_data->wavDir()).removeRecursively();
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    test::MessageBoxAnswerer answerer;
    answerer.answer(QMessageBox::Ok);
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QCOMPARE(answerer.texts,
             QStringList{QStringLiteral("Da bi culi ucenje ajeta trebate unijeti CD u CD-ROM jedinici ") +
                         CDDriveLetter});
    QVERIFY(m_sound.played.isEmpty());
}

void TestRecitationWindow::rejectedTexts_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("ayah");
    QTest::addColumn<QString>("message");
    const QString noSurah = QStringLiteral("Sura \"%1\" ne postoji. Upišite broj sure od 1 do 114.");
    const QString noAyah = QStringLiteral("Sura %1 nema ajet \"%2\". Upišite broj ajeta od 1 do %3.");
    const QString one = QStringLiteral("Option1");
    QTest::newRow("letters") << one << QStringLiteral("abc") << QStringLiteral("1")
                             << noSurah.arg(QStringLiteral("abc"));
    QTest::newRow("surah 0") << one << QStringLiteral("0") << QStringLiteral("1")
                             << noSurah.arg(QStringLiteral("0"));
    QTest::newRow("surah 115") << one << QStringLiteral("115") << QStringLiteral("1")
                               << noSurah.arg(QStringLiteral("115"));
    QTest::newRow("leading zero") << one << QStringLiteral("02") << QStringLiteral("1")
                                  << noSurah.arg(QStringLiteral("02"));
    QTest::newRow("blank before") << one << QStringLiteral(" 2") << QStringLiteral("1")
                                  << noSurah.arg(QStringLiteral(" 2"));
    QTest::newRow("empty surah") << one << QString() << QStringLiteral("1") << noSurah.arg(QString());
    QTest::newRow("ayah beyond the end") << one << QStringLiteral("2") << QStringLiteral("287")
                                         << noAyah.arg(QStringLiteral("2"), QStringLiteral("287")).arg(286);
    QTest::newRow("ayah 0") << one << QStringLiteral("1") << QStringLiteral("0")
                            << noAyah.arg(QStringLiteral("1"), QStringLiteral("0")).arg(7);
    QTest::newRow("ayah with a letter") << one << QStringLiteral("1") << QStringLiteral("1a")
                                        << noAyah.arg(QStringLiteral("1"), QStringLiteral("1a")).arg(7);
    QTest::newRow("path in the ayah") << one << QStringLiteral("1") << QStringLiteral("1/../../x")
                                      << noAyah.arg(QStringLiteral("1"), QStringLiteral("1/../../x")).arg(7);
    QTest::newRow("percent signs") << one << QStringLiteral("%2") << QStringLiteral("1")
                                   << QStringLiteral(
                                          "Sura \"%2\" ne postoji. Upišite broj sure od 1 do 114.");
    QTest::newRow("one surah, letters") << QStringLiteral("Option2") << QStringLiteral("x9")
                                        << QStringLiteral("1") << noSurah.arg(QStringLiteral("x9"));
}

void TestRecitationWindow::rejectedTexts()
{
    QFETCH(QString, option);
    QFETCH(QString, surah);
    QFETCH(QString, ayah);
    QFETCH(QString, message);
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    byName<QRadioButton>(w, option)->click();
    byName<QComboBox>(w, QStringLiteral("CmbNrSure"))->setEditText(surah);
    byName<QComboBox>(w, QStringLiteral("CmbNrAjeti"))->setEditText(ayah);
    test::MessageBoxAnswerer answerer;
    answerer.answer(QMessageBox::Ok);
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QCOMPARE(answerer.texts, QStringList{message});
    QVERIFY(m_sound.played.isEmpty());
    QVERIFY(m_sound.commands.isEmpty());
}

void TestRecitationWindow::oneAyahPlaysItsClip()
{
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    byName<QComboBox>(w, QStringLiteral("CmbNrSure"))->setEditText(QStringLiteral("2"));
    byName<QComboBox>(w, QStringLiteral("CmbNrAjeti"))->setEditText(QStringLiteral("255"));
    QString statusWhilePlaying;
    m_sound.onPoll = [&](const QString &, int) {
        statusWhilePlaying = byName<QLabel>(w, QStringLiteral("lblWavAjet"))->text();
    };
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QCOMPARE(m_sound.played, QStringList{clip(2, 255)});
    QCOMPARE(statusWhilePlaying, QStringLiteral("Sure 2. %1, ajet 255 od 286").arg(surahName(2)));
    QCOMPARE(byName<RichTextView>(w, QStringLiteral("RichTextBox1"))->toPlainText(), kuranText(2, 255));
    QVERIFY(!byName<QTimer>(w, QStringLiteral("Timer2"))->isActive());
    QVERIFY(!w->stopRequested());
}

void TestRecitationWindow::typedSurahPlaysWhole()
{
    // Surah 2 typed over Fatiha and started with Enter: no lookup ran, the hidden count still
    // says 7, yet the whole of surah 2 is played.
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    m_sound.polls = 1;
    byName<QRadioButton>(w, QStringLiteral("Option2"))->click();
    QCOMPARE(byName<QComboBox>(w, QStringLiteral("CmbTotalAjete"))->currentText(), QStringLiteral("7"));
    byName<QComboBox>(w, QStringLiteral("CmbNrSure"))->setEditText(QStringLiteral("2"));
    QTest::keyClick(byName<QComboBox>(w, QStringLiteral("CmbNrSure")), Qt::Key_Return);
    QCOMPARE(m_sound.played.size(), 1 + 286);
    QCOMPARE(m_sound.played.last(), clip(2, 286));
}

void TestRecitationWindow::oneSurahOrder_data()
{
    QTest::addColumn<int>("surah");
    QTest::addColumn<int>("ayahs");
    QTest::addColumn<bool>("bismillah");
    QTest::newRow("surah 2") << 2 << 286 << true;
    QTest::newRow("surah 1, no Bismillah") << 1 << 7 << false;
    QTest::newRow("surah 9, no Bismillah") << 9 << 129 << false;
    QTest::newRow("surah 108") << 108 << 3 << true;
}

void TestRecitationWindow::oneSurahOrder()
{
    QFETCH(int, surah);
    QFETCH(int, ayahs);
    QFETCH(bool, bismillah);
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    byName<QRadioButton>(w, QStringLiteral("Option2"))->click();
    auto *nr = byName<QComboBox>(w, QStringLiteral("CmbNrSure"));
    nr->setEditText(QString::number(surah));
    w->selectors()->CmbNrSure_Click();
    QStringList statuses;
    m_sound.onPoll = [&](const QString &, int poll) {
        if (poll == 1)
            statuses << byName<QLabel>(w, QStringLiteral("lblWavAjet"))->text();
    };
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QStringList expected;
    if (bismillah)
        expected << clip(1, 1);
    for (int a = 1; a <= ayahs; ++a)
        expected << clip(surah, a);
    QCOMPARE(m_sound.played, expected);
    QCOMPARE(statuses.size(), expected.size());
    if (bismillah)
        QCOMPARE(statuses.first(), QStringLiteral("Bismil-lah..."));
    QCOMPARE(statuses.last(),
             QStringLiteral("Sure %1. %2, ajet %3 od %3").arg(surah).arg(surahName(surah)).arg(ayahs));
}

void TestRecitationWindow::wholeQuranHas112Bismillahs()
{
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    m_sound.polls = 1;
    byName<QRadioButton>(w, QStringLiteral("Option7"))->click();
    int bismillahs = 0;
    int fatihaStatus = 0;
    m_sound.onPoll = [&](const QString &, int) {
        const QString status = byName<QLabel>(w, QStringLiteral("lblWavAjet"))->text();
        bismillahs += status == QLatin1String("Bismil-lah...");
        fatihaStatus += status == QStringLiteral("Sure 1. %1, ajet 3 od 7").arg(surahName(1));
    };
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QCOMPARE(bismillahs, 112);
    QCOMPARE(fatihaStatus, 1);
    QCOMPARE(m_sound.played.count(clip(1, 1)), 113); // 112 Bismillahs and the first ayah of surah 1
    QCOMPARE(m_sound.played.size(), 6236 + 112);
    QCOMPARE(m_sound.played.first(), clip(1, 1));
    QCOMPARE(m_sound.played.at(6), clip(1, 7));
    QCOMPARE(m_sound.played.at(7), clip(1, 1)); // the Bismillah before surah 2
    QCOMPARE(m_sound.played.at(8), clip(2, 1));
    QCOMPARE(m_sound.played.last(), clip(114, 6));
    const int at9 = m_sound.played.indexOf(clip(9, 1));
    QCOMPARE(m_sound.played.at(at9 - 1), clip(8, 75));
}

void TestRecitationWindow::closingDuringBismillahStops()
{
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    byName<QRadioButton>(w, QStringLiteral("Option2"))->click();
    byName<QComboBox>(w, QStringLiteral("CmbNrSure"))->setEditText(QStringLiteral("2"));
    w->selectors()->CmbNrSure_Click();
    m_sound.onPoll = [&](const QString &, int) {
        byName<QPushButton>(w, QStringLiteral("cmdFund"))->click();
    };
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QCOMPARE(m_sound.played, QStringList{clip(1, 1)});
    QVERIFY(m_sound.commands.contains(11));
    QVERIFY(!w->isShown());
    QVERIFY(!byName<QTimer>(w, QStringLiteral("Timer2"))->isActive());
}

void TestRecitationWindow::closingDuringAyahStops()
{
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    m_sound.polls = 1;
    byName<QRadioButton>(w, QStringLiteral("Option7"))->click();
    m_sound.onPoll = [&](const QString &file, int) {
        if (file == clip(3, 2))
            w->close();
    };
    QElapsedTimer t;
    t.start();
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QCOMPARE(m_sound.played.last(), clip(3, 2));
    QCOMPARE(m_sound.commands.last(), 11);
    QVERIFY(!byName<QTimer>(w, QStringLiteral("Timer2"))->isActive());
    QVERIFY(t.elapsed() < 5000);
}

void TestRecitationWindow::secondUciNests()
{
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    byName<QRadioButton>(w, QStringLiteral("Option2"))->click();
    byName<QComboBox>(w, QStringLiteral("CmbNrSure"))->setEditText(QStringLiteral("108"));
    w->selectors()->CmbNrSure_Click();
    bool nested = false;
    m_sound.onPoll = [&](const QString &file, int) {
        if (!nested && file == clip(108, 2)) {
            nested = true;
            byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
        }
    };
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QCOMPARE(m_sound.played, (QStringList{clip(1, 1), clip(108, 1), clip(108, 2), clip(1, 1), clip(108, 1),
                                          clip(108, 2), clip(108, 3), clip(108, 3)}));
}

void TestRecitationWindow::timerFollowsTheClip()
{
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    m_sound.polls = 4;
    auto *timer = byName<QTimer>(w, QStringLiteral("Timer2"));
    auto *slider = byName<QSlider>(w, QStringLiteral("SldAjet"));
    QList<bool> active;
    QList<int> values;
    m_sound.onPoll = [&](const QString &, int poll) {
        active << timer->isActive();
        if (poll == 3) {
            w->Timer2_Timer();
            values << slider->value();
        }
    };
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QCOMPARE(active, (QList<bool>{true, true, true, true}));
    // The tick read the position itself (which moves the scripted clip on to 4) and put it
    // into the slider.
    QCOMPARE(values, QList<int>{4});
    QCOMPARE(slider->maximum(), 4);
    QVERIFY(!timer->isActive());
}

void TestRecitationWindow::waitEndsWithoutWakeups()
{
    // A control that never wakes the loop, and the slider timer off (as a nested run leaves
    // it when it ends inside the wait of the outer one): each pass still ends, by the guard.
    RecitationWindow *w = openWindow();
    w->setSoundControl(&m_sound);
    m_sound.wakes = false;
    m_sound.polls = 8;
    m_sound.onPoll = [w](const QString &, int) { w->setTimerEnabled(false); };
    QElapsedTimer t;
    t.start();
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QCOMPARE(m_sound.played.size(), 1);
    QVERIFY2(t.elapsed() < 8 * RecitationWindow::kWaitGuardMs * 4, qPrintable(QString::number(t.elapsed())));
}

void TestRecitationWindow::realSoundPlaysSurahInOrder()
{
    QVERIFY(m_data->addSurah(112, 4, 250));
    RecitationWindow *w = openWindow();
    FXSndControl fx(w->soundPlayer());
    RecordingControl rec(&fx);
    rec.clock.start();
    auto *slider = byName<QSlider>(w, QStringLiteral("SldAjet"));
    int sliderMax = 0;
    rec.onPoll = [&](const QString &) { sliderMax = std::max(sliderMax, slider->value()); };
    w->setSoundControl(&rec);
    byName<QRadioButton>(w, QStringLiteral("Option2"))->click();
    byName<QComboBox>(w, QStringLiteral("CmbNrSure"))->setEditText(QStringLiteral("112"));
    w->selectors()->CmbNrSure_Click();
    QElapsedTimer t;
    t.start();
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    const qint64 elapsed = t.elapsed();
    QStringList expected{clip(1, 1)};
    for (int a = 1; a <= 4; ++a)
        expected << clip(112, a);
    QCOMPARE(rec.files.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(QFileInfo(rec.files.at(i)).canonicalFilePath(),
                 QFileInfo(expected.at(i)).canonicalFilePath());
    QCOMPARE(w->soundPlayer()->status(), QStringLiteral("stopped"));
    // Five clips of 250 ms, one after the other, each waited for to its end.
    QVERIFY2(elapsed >= 5 * 250 - 50 && elapsed < 5 * 250 + 5000, qPrintable(QString::number(elapsed)));
    for (int i = 1; i < rec.startedMs.size(); ++i)
        QVERIFY(rec.startedMs.at(i) - rec.startedMs.at(i - 1) >= 200);
    QVERIFY(sliderMax > 0);
}

void TestRecitationWindow::realSoundSkipsMissingClip()
{
    QVERIFY(m_data->addSurah(108, 3, 600));
    QVERIFY(QFile::remove(m_data->clip(108, 2)));
    RecitationWindow *w = openWindow();
    FXSndControl fx(w->soundPlayer());
    RecordingControl rec(&fx);
    rec.clock.start();
    w->setSoundControl(&rec);
    byName<QRadioButton>(w, QStringLiteral("Option2"))->click();
    byName<QComboBox>(w, QStringLiteral("CmbNrSure"))->setEditText(QStringLiteral("108"));
    w->selectors()->CmbNrSure_Click();
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QCOMPARE(rec.files.size(), 4);
    QVERIFY(rec.files.at(2).endsWith(QStringLiteral("s108a2.wav")));
    // The missing clip ends at its first poll: the next starts right after, well within the
    // length of a clip.
    const qint64 gap = rec.startedMs.at(3) - rec.startedMs.at(2);
    QVERIFY2(gap < 300, qPrintable(QString::number(gap)));
}

void TestRecitationWindow::realSoundClosingStops()
{
    QVERIFY(m_data->addSurah(108, 3, 800));
    RecitationWindow *w = openWindow();
    FXSndControl fx(w->soundPlayer());
    RecordingControl rec(&fx);
    rec.clock.start();
    QString statusAfterClose;
    rec.onPoll = [&](const QString &file) {
        if (file.endsWith(QStringLiteral("s108a1.wav")) && statusAfterClose.isNull()) {
            w->close();
            statusAfterClose = w->soundPlayer()->status();
        }
    };
    w->setSoundControl(&rec);
    byName<QRadioButton>(w, QStringLiteral("Option2"))->click();
    byName<QComboBox>(w, QStringLiteral("CmbNrSure"))->setEditText(QStringLiteral("108"));
    w->selectors()->CmbNrSure_Click();
    QElapsedTimer t;
    t.start();
    byName<QPushButton>(w, QStringLiteral("cmdLexo"))->click();
    QCOMPARE(statusAfterClose, QStringLiteral("stopped"));
    QCOMPARE(rec.files.size(), 2);
    // The Bismillah and the start of the first ayah; four clips would take 3200 ms.
    QVERIFY2(t.elapsed() < 800 + 800, qPrintable(QString::number(t.elapsed())));
}

void TestRecitationWindow::openedModallyFromMainWindow()
{
    MainWindow main;
    QVERIFY(main.controls().Data1->refresh());
    installMainParts(main);
    int activations = 0;
    connect(&main, &MainWindow::activated, this, [&] { ++activations; });
    bool wasModal = false;
    QString ayahShown;
    // Whatever happens below, the modal window does not stay open for ever.
    QTimer::singleShot(10000, this, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    QTimer::singleShot(0, this, [&] {
        QVERIFY(test::waitUntil(
            [] { return qobject_cast<RecitationWindow *>(QApplication::activeModalWidget()); }));
        auto *lexim = qobject_cast<RecitationWindow *>(QApplication::activeModalWidget());
        wasModal = lexim->windowModality() == Qt::ApplicationModal && lexim->parentWidget() == &main;
        ayahShown = byName<QComboBox>(lexim, QStringLiteral("CmbNrAjeti"))->currentText();
        byName<QPushButton>(lexim, QStringLiteral("cmdFund"))->click();
    });
    main.controls().cmdLeximAjet->click();
    QVERIFY(wasModal);
    QCOMPARE(ayahShown, QStringLiteral("1"));
    QCOMPARE(activations, 1);
    QVERIFY(!main.findChild<RecitationWindow *>());
}

QTEST_MAIN(TestRecitationWindow)
#include "tst_recitationwindow.moc"
