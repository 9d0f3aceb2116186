#include "RecitationWindowFixture.h"

#include "recitation/FXSnd.h"
#include "recitation/RecitationSets.h"
#include "textview/widgets/RichTextView.h"

#include <QTest>
#include <QtWidgets>
#include <memory>

using namespace velmora;
using velmora::test::byName;

class TestRecitationWindow : public QObject, test::RecitationWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // A data home and settings store of the test's own: no recitation set of this machine is
        // offered, and the reader's choice of reciter stays untouched.
        QVERIFY(m_home.isValid());
        test::useOwnHome(m_home.path());
    }

    void init() { QVERIFY(prepare()); }
    void cleanup() { tearDown(); }

    void activationOnlyWhenOpening()
    {
        openWindow();
        auto *surah = ctl<QComboBox>("CmbNrSure");
        QCOMPARE(surah->currentText(), QStringLiteral("1"));
        QCOMPARE(ctl<QComboBox>("CmbEmrSure")->currentText(), QStringLiteral("Fatiha"));
        surah->setEditText(QStringLiteral("36"));
        // The reader comes back to the window from another program (and from a minimised
        // window): the choice stays as it is.
        QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(m_win.get(), &deactivate);
        QCoreApplication::sendEvent(m_win.get(), &activate);
        m_win->hide();
        m_win->show();
        QCoreApplication::processEvents();
        QCOMPARE(surah->currentText(), QStringLiteral("36"));
    }

    void volumeBar_data()
    {
        QTest::addColumn<int>("value"); // -1: the player's volume 32768 read back at load
        QTest::addColumn<double>("sent");
        QTest::addColumn<QString>("label");
        QTest::newRow("bottom") << 0 << 0.0 << QStringLiteral(" 0%");
        QTest::newRow("top") << 100 << 65535.0 << QStringLiteral(" 100%");
        QTest::newRow("32768 read back at load") << -1 << 32767.5 << QStringLiteral(" 50%");
    }

    void volumeBar()
    {
        QFETCH(int, value);
        QFETCH(double, sent);
        RecitationWindow *w = openWindow();
        auto *bar = ctl<QScrollBar>("VSBWavVolume");
        bar->setValue(value == 0 ? 1 : 0); // so that the value below is a change
        if (value < 0) {
            w->soundPlayer()->setVolume(32768);
            w->Form_Load();
            QCOMPARE(bar->value(), 50);
        } else {
            bar->setValue(value);
        }
        QTEST(ctl<QLabel>("lblVolVal")->text(), "label");
        // The bar's change handling sends its value as a percentage of 655.35.
        QVERIFY(qAbs(w->soundPlayer()->volume() - sent) < 1e-6);
    }

    void modes_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("repeat");
        QTest::addColumn<bool>("surah");
        QTest::addColumn<bool>("ayah");
        QTest::newRow("Jedan ajet") << QStringLiteral("Option1") << true << true << true;
        QTest::newRow("Jedno sure") << QStringLiteral("Option2") << false << true << false;
        QTest::newRow("Cijeli Kur'an") << QStringLiteral("Option7") << false << false << false;
    }

    void modes()
    {
        QFETCH(QString, option);
        QFETCH(bool, repeat);
        QFETCH(bool, ayah);
        RecitationWindow *w = openWindow();
        ctl<QCheckBox>("chkRepeat")->click();
        QCOMPARE(w->soundPlayer()->repeat(), 1);
        // Pass through another mode first, so that every row selects its option afresh; "Ponovi"
        // is cleared on the way ("Jedno sure" for two rows, "Cijeli Kur'an" for one).
        ctl<QRadioButton>(option == QLatin1String("Option2") ? "Option7" : "Option2")->click();
        byName<QRadioButton>(w, option)->click();
        QVERIFY(!ctl<QCheckBox>("chkRepeat")->isChecked());
        QCOMPARE(w->soundPlayer()->repeat(), 0);
        auto shown = [this](const char *name) { return !ctl(name)->isHidden(); };
        QCOMPARE(shown("chkRepeat"), repeat);
        for (const char *name : {"LblNrSure", "CmbNrSure", "LblEmrSure", "CmbEmrSure"})
            QTEST(shown(name), "surah");
        QCOMPARE(shown("LblNrAjet"), ayah);
        QCOMPARE(shown("CmbNrAjeti"), ayah);
        QVERIFY(!shown("Label2") && !shown("CmbTotalAjete"));
    }

    void oneAyah_data()
    {
        QTest::addColumn<int>("surah");
        QTest::addColumn<int>("ayah");
        QTest::addColumn<QString>("status");
        QTest::newRow("2:255") << 2 << 255 << QStringLiteral("Sure 2. Bekare, ajet 255 od 286");
        QTest::newRow("last ayah of surah 2")
            << 2 << 286 << QStringLiteral("Sure 2. Bekare, ajet 286 od 286");
        QTest::newRow("last ayah of surah 1") << 1 << 7 << QStringLiteral("Sure 1. Fatiha, ajet 7 od 7");
        QTest::newRow("last ayah of the book") << 114 << 6 << QStringLiteral("Sure 114. Nas, ajet 6 od 6");
    }

    // "Jedan ajet" plays the chosen ayah alone, the last of its surah as well as any other.
    void oneAyah()
    {
        QFETCH(int, surah);
        QFETCH(int, ayah);
        QFETCH(QString, status);
        RecitationWindow *w = openWindow();
        byName<QRadioButton>(w, QStringLiteral("Option1"))->click();
        ctl<QComboBox>("CmbNrSure")->setEditText(QString::number(surah));
        ctl<QComboBox>("CmbNrAjeti")->setEditText(QString::number(ayah));
        QStringList statuses;
        m_sound.onPoll = [&](const QString &, int) { statuses << this->status(); };
        uci();
        QCOMPARE(m_sound.played, QStringList{clip(surah, ayah)});
        QCOMPARE(statuses.value(0), status);
    }

    void enterInASelectorRecites_data()
    {
        QTest::addColumn<QString>("combo");
        QTest::newRow("surah number") << QStringLiteral("CmbNrSure");
        QTest::newRow("surah name") << QStringLiteral("CmbEmrSure");
        QTest::newRow("ayah number") << QStringLiteral("CmbNrAjeti");
    }

    void enterInASelectorRecites()
    {
        QFETCH(QString, combo);
        RecitationWindow *w = openWindow();
        ctl<QComboBox>("CmbNrSure")->setEditText(QStringLiteral("2"));
        ctl<QComboBox>("CmbNrAjeti")->setEditText(QStringLiteral("255"));
        QStringList statuses;
        m_sound.onPoll = [&](const QString &, int) { statuses << status(); };
        QTest::keyClick(byName<QComboBox>(w, combo), Qt::Key_Return);
        // Once, not a second time through a default button of the dialog.
        QCOMPARE(m_sound.played, QStringList{clip(2, 255)});
        QCOMPARE(statuses.value(0), QStringLiteral("Sure 2. Bekare, ajet 255 od 286"));
        QVERIFY(ctl<RichTextView>("RichTextBox1")
                    ->toPlainText()
                    .startsWith(QStringLiteral("Allah je – nema boga")));
    }

    void pauseAndContinue()
    {
        openWindow();
        ctl<QPushButton>("cmdPause")->click();
        ctl<QPushButton>("cmdResume")->click();
        QCOMPARE(m_sound.commands, (QList<int>{6, 10}));
    }

    void cdMissingMessage()
    {
        QDir(m_data->path() + QStringLiteral("/wav")).removeRecursively();
        openWindow();
        QCOMPARE(ctl<QComboBox>("CmbUcac")->count(), 0); // no CD, no set: nothing offered
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        uci();
        // The CD's message as it always was, then (no recitation set either) where the sets go
        // and how their clips are named.
        QCOMPARE(answerer.texts.size(), 1);
        const QString text = answerer.texts.first();
        QVERIFY2(
            text.startsWith(QStringLiteral("Da bi culi ucenje ajeta trebate unijeti CD u CD-ROM jedinici ")),
            qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(recitationSetsFolder())) &&
                     text.contains(QStringLiteral("002255.mp3")),
                 qPrintable(text));
        QVERIFY(m_sound.played.isEmpty());
    }

    void rejectedTexts_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("surah");
        QTest::addColumn<QString>("ayah");
        QTest::addColumn<QString>("message");
        const QString noSurah = QStringLiteral("Sura \"%1\" ne postoji. Upišite broj sure od 1 do 114.");
        const QString noAyah = QStringLiteral("Sura %1 nema ajet \"%2\". Upišite broj ajeta od 1 do %3.");
        const QString one = QStringLiteral("1"), jedanAjet = QStringLiteral("Option1");
        for (const char *s : {"abc", "0", "115", "02", " 2", "", "%2"})
            QTest::addRow("surah '%s'", s)
                << jedanAjet << QString::fromLatin1(s) << one << noSurah.arg(QLatin1String(s));
        for (const char *a : {"0", "1a", "1/../../x"})
            QTest::addRow("ayah '%s' of surah 1", a)
                << jedanAjet << one << QString::fromLatin1(a) << noAyah.arg(one, QLatin1String(a)).arg(7);
        QTest::newRow("ayah beyond the end")
            << jedanAjet << QStringLiteral("2") << QStringLiteral("287")
            << noAyah.arg(QStringLiteral("2"), QStringLiteral("287")).arg(286);
        QTest::newRow("one surah, letters")
            << QStringLiteral("Option2") << QStringLiteral("x9") << one << noSurah.arg(QStringLiteral("x9"));
    }

    void rejectedTexts()
    {
        QFETCH(QString, option);
        QFETCH(QString, surah);
        QFETCH(QString, ayah);
        QFETCH(QString, message);
        RecitationWindow *w = openWindow();
        byName<QRadioButton>(w, option)->click();
        ctl<QComboBox>("CmbNrSure")->setEditText(surah);
        ctl<QComboBox>("CmbNrAjeti")->setEditText(ayah);
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        uci();
        QCOMPARE(answerer.texts, QStringList{message});
        QVERIFY(m_sound.commands.isEmpty());
    }

    void oneSurahOrder_data()
    {
        QTest::addColumn<int>("surah");
        QTest::addColumn<bool>("bismillah");
        QTest::addColumn<bool>("typed"); // typed over Fatiha and started with Enter: no lookup ran
        QTest::addColumn<QString>("lastStatus");
        QTest::newRow("surah 2") << 2 << true << false << QStringLiteral("Sure 2. Bekare, ajet 286 od 286");
        QTest::newRow("surah 1, no Bismillah")
            << 1 << false << false << QStringLiteral("Sure 1. Fatiha, ajet 7 od 7");
        QTest::newRow("surah 9, no Bismillah")
            << 9 << false << false << QStringLiteral("Sure 9. Tevbe, ajet 129 od 129");
        QTest::newRow("surah 2 typed, count still 7")
            << 2 << true << true << QStringLiteral("Sure 2. Bekare, ajet 286 od 286");
    }

    void oneSurahOrder()
    {
        QFETCH(int, surah);
        QFETCH(bool, bismillah);
        QFETCH(bool, typed);
        QFETCH(QString, lastStatus);
        openWindow();
        m_sound.polls = 1;
        QStringList statuses;
        m_sound.onPoll = [&](const QString &, int) { statuses << status(); };
        chooseOneSurah(typed ? 1 : surah); // typed: a lookup of Fatiha left the count at 7
        if (typed) {
            ctl<QComboBox>("CmbNrSure")->setEditText(QString::number(surah));
            QTest::keyClick(ctl<QComboBox>("CmbNrSure"), Qt::Key_Return);
        } else {
            uci();
        }
        const int ayahs = lastStatus.section(QLatin1Char(' '), -1).toInt();
        QStringList expected;
        if (bismillah)
            expected << clip(1, 1);
        for (int a = 1; a <= ayahs; ++a)
            expected << clip(surah, a);
        QCOMPARE(m_sound.played, expected);
        QCOMPARE(statuses.first() == QLatin1String("Bismil-lah..."), bismillah);
        QCOMPARE(statuses.last(), lastStatus);
    }

    void wholeQuranHas112Bismillahs()
    {
        openWindow();
        m_sound.polls = 1;
        ctl<QRadioButton>("Option7")->click();
        QStringList statuses;
        m_sound.onPoll = [&](const QString &, int) { statuses << status(); };
        uci();
        QCOMPARE(statuses.count(QStringLiteral("Bismil-lah...")), 112);
        QCOMPARE(statuses.count(QStringLiteral("Sure 1. Fatiha, ajet 3 od 7")), 1);
        const QStringList &played = m_sound.played;
        QCOMPARE(played.size(), 6236 + 112);
        QCOMPARE(played.count(clip(1, 1)), 113); // 112 Bismillahs and the first ayah of surah 1
        QCOMPARE(played.mid(6, 3), (QStringList{clip(1, 7), clip(1, 1), clip(2, 1)}));
        QCOMPARE(played.at(played.indexOf(clip(9, 1)) - 1), clip(8, 75));
    }

    void closingStops_data()
    {
        QTest::addColumn<int>("surah"); // the clip during which the window is closed
        QTest::addColumn<int>("ayah");
        QTest::addColumn<bool>("button"); // "Vrati se" during surah 2 alone, or the close box
        QTest::newRow("during the Bismillah, Vrati se") << 1 << 1 << true;
        QTest::newRow("during an ayah of the whole Qur'an, close box") << 3 << 2 << false;
    }

    void closingStops()
    {
        QFETCH(int, surah);
        QFETCH(int, ayah);
        QFETCH(bool, button);
        RecitationWindow *w = openWindow();
        m_sound.polls = 1;
        button ? chooseOneSurah(2) : ctl<QRadioButton>("Option7")->click();
        m_sound.onPoll = [&](const QString &file, int) {
            if (file == clip(surah, ayah))
                button ? ctl<QPushButton>("cmdFund")->click() : void(w->close());
        };
        uci();
        // The clip closed on is the last one started.
        QCOMPARE(m_sound.played.indexOf(clip(surah, ayah)), m_sound.played.size() - 1);
        QVERIFY(m_sound.commands.contains(11));
        QVERIFY(!w->isShown() && !ctl<QTimer>("Timer2")->isActive());
    }

    void secondUciNests()
    {
        openWindow();
        chooseOneSurah(108);
        bool nested = false;
        m_sound.onPoll = [&](const QString &file, int) {
            if (!nested && file == clip(108, 2)) {
                nested = true;
                uci();
            }
        };
        uci();
        QCOMPARE(m_sound.played, (QStringList{clip(1, 1), clip(108, 1), clip(108, 2), clip(1, 1),
                                              clip(108, 1), clip(108, 2), clip(108, 3), clip(108, 3)}));
    }

    void waitEndsWithoutWakeups()
    {
        // A control that never wakes the loop, and the slider timer off (as a nested run leaves
        // it when it ends inside the wait of the outer one): each pass still ends, by the guard.
        RecitationWindow *w = openWindow();
        m_sound.wakes = false;
        m_sound.polls = 8;
        m_sound.onPoll = [w](const QString &, int) { w->setTimerEnabled(false); };
        m_sound.clock.start();
        uci();
        QCOMPARE(m_sound.played.size(), 1);
        // Eight polls, each ended by the guard at the latest.
        QVERIFY(m_sound.clock.elapsed() < 8 * RecitationWindow::kWaitGuardMs * 4);
    }

    void realSound_data()
    {
        QTest::addColumn<int>("ms");     // length of each clip
        QTest::addColumn<bool>("close"); // closed during the first ayah
        QTest::newRow("in order, a missing clip skipped at once") << 400 << false;
        QTest::newRow("closing stops the sound") << 800 << true;
    }

    void realSound()
    {
        QFETCH(int, ms);
        QFETCH(bool, close);
        // Surah 108, without the clip of its second ayah unless the row closes.
        QVERIFY(m_data->addSurah(108, 3, ms));
        QVERIFY(close || QFile::remove(m_data->clip(108, 2)));
        RecitationWindow *w = openWindow();
        FXSndControl fx(w->soundPlayer());
        m_sound.real = &fx;
        QString statusAfterClose;
        int sliderMax = 0;
        m_sound.onPoll = [&](const QString &file, int) {
            sliderMax = std::max(sliderMax, ctl<QSlider>("SldAjet")->value());
            if (close && file == clip(108, 1) && statusAfterClose.isNull()) {
                w->close();
                statusAfterClose = w->soundPlayer()->status();
            }
        };
        chooseOneSurah(108);
        m_sound.clock.start();
        uci();
        const qint64 elapsed = m_sound.clock.elapsed();
        const QStringList all{clip(1, 1), clip(108, 1), clip(108, 2), clip(108, 3)};
        QCOMPARE(m_sound.played, close ? all.mid(0, 2) : all);
        QCOMPARE(w->soundPlayer()->status(), QStringLiteral("stopped"));
        if (close) {
            QCOMPARE(statusAfterClose, QStringLiteral("stopped"));
            // The Bismillah and the start of the first ayah; four clips would take 3200 ms.
            QVERIFY2(elapsed < 2 * ms, qPrintable(QString::number(elapsed)));
            return;
        }
        // Three clips, each waited for to its end; the missing one ends at its first poll.
        QVERIFY2(elapsed >= 3 * ms - 50 && elapsed < 3 * ms + 5000, qPrintable(QString::number(elapsed)));
        const QList<qint64> &at = m_sound.startedMs;
        QVERIFY(at[1] - at[0] >= ms - 50 && at[2] - at[1] >= ms - 50);
        QVERIFY2(at[3] - at[2] < ms / 2, qPrintable(QString::number(at[3] - at[2])));
        QVERIFY(sliderMax > 0);
    }

private:
    QString status() const { return ctl<QLabel>("lblWavAjet")->text(); }
    void uci() const { ctl<QPushButton>("cmdLexo")->click(); }
    QString clip(int s, int a) const { return m_data->clip(s, a); }

    QTemporaryDir m_home;
};

QTEST_MAIN(TestRecitationWindow)
#include "tst_recitationwindow.moc"
