// The reciter list of the recitation window: the CD and the recitation sets found, the last
// choice preselected at the next opening, a folder added with "Dodaj učača...", and the one
// ayah, one surah and whole-Qur'an modes played from a set.

#include "../recitationsets/SetKit.h"
#include "../recitationwindow/RecitationWindowFixture.h"

#include "recitation/FXSnd.h"
#include "recitation/RecitationSets.h"

#include <QTest>
#include <QtWidgets>
#include <memory>

using namespace velmora;
using velmora::test::byName;

class TestReciters : public QObject, test::RecitationWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        test::useOwnHome(m_home.path());
        if (!setkit::haveSox())
            QSKIP("sox is missing (scripts/packages.sh installs it)");
    }

    void init()
    {
        QVERIFY(prepare());
        // Each case starts without sets and without a stored choice.
        QVERIFY(QDir(m_home.filePath(QStringLiteral(".local/share"))).removeRecursively());
        openProgramSettings()->clear();
    }

    void cleanup() { tearDown(); }

    // The reciter list and its button fit into the room the window had: every control of the
    // window stands where it stands without them.
    void existingControlsStayInPlace()
    {
        RecitationWindow *w = openWindow();
        const QStringList names{"Option1",    "Option2",     "Option7",      "CmbNrSure", "CmbEmrSure",
                                "CmbNrAjeti", "LblNrSure",   "cmdLexo",      "cmdPause",  "cmdResume",
                                "chkRepeat",  "cmdFund",     "VSBWavVolume", "lblVolVal", "SldAjet",
                                "lblWavAjet", "RichTextBox1"};
        const auto places = [&] {
            w->layout()->activate();
            QList<QRect> rects;
            for (const QString &name : names) {
                QWidget *c = byName<QWidget>(w, name);
                rects << QRect(c->mapTo(w, QPoint(0, 0)), c->size());
            }
            return rects;
        };
        const QList<QRect> with = places();
        for (const char *name : {"LblUcac", "CmbUcac", "cmdDodajUcaca"})
            ctl(name)->hide();
        const QList<QRect> without = places();
        for (qsizetype i = 0; i < names.size(); ++i)
            QVERIFY2(with.at(i) == without.at(i), qPrintable(names.at(i)));
    }

    void listOffered_data()
    {
        QTest::addColumn<bool>("cd");        // the copied wav folder is there
        QTest::addColumn<QString>("stored"); // the choice in the settings store: a set's name, "CD" or ""
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("current");
        const QStringList all{"CD", "Husari", "Minshawi"};
        QTest::newRow("first start: the CD") << true << "" << all << "CD";
        QTest::newRow("last choice preselected") << true << "Minshawi" << all << "Minshawi";
        QTest::newRow("CD chosen last") << true << "CD" << all << "CD";
        QTest::newRow("no CD: the first set") << false << "" << QStringList{"Husari", "Minshawi"} << "Husari";
        QTest::newRow("the chosen CD is gone")
            << false << "CD" << QStringList{"Husari", "Minshawi"} << "Husari";
        QTest::newRow("the chosen set is gone") << true << "Nestali" << all << "CD";
    }

    void listOffered()
    {
        QFETCH(bool, cd);
        QFETCH(QString, stored);
        QFETCH(QStringList, items);
        if (!cd)
            QVERIFY(QDir(m_data->path() + QStringLiteral("/wav")).removeRecursively());
        QVERIFY(setkit::makeSet(setFolder(QStringLiteral("Minshawi")), 2, {255}, QStringLiteral("mp3"), 100));
        QVERIFY(setkit::makeSet(setFolder(QStringLiteral("Husari")), 2, {255}, QStringLiteral("ogg"), 100));
        QVERIFY(QDir().mkpath(setFolder(QStringLiteral("Prazno")))); // no clips: not offered
        if (!stored.isEmpty())
            ReciterSettings::setChosen(
                *openProgramSettings(),
                {stored, stored == QLatin1String("CD") ? QString() : setFolder(stored)});
        openWindow();
        QCOMPARE(this->items(), items);
        QTEST(ctl<QComboBox>("CmbUcac")->currentText(), "current");
    }

    void choiceKeptForTheNextOpening()
    {
        QVERIFY(setkit::makeSet(setFolder(QStringLiteral("Minshawi")), 2, {255}, QStringLiteral("mp3"), 100));
        openWindow();
        QCOMPARE(items(), (QStringList{"CD", "Minshawi"}));
        auto *box = ctl<QComboBox>("CmbUcac");
        QVERIFY(test::showActive(m_win.get()));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->currentText(), QStringLiteral("Minshawi"));
        // The one ayah chosen plays from the set at once.
        ctl<QComboBox>("CmbNrSure")->setEditText(QStringLiteral("2"));
        ctl<QComboBox>("CmbNrAjeti")->setEditText(QStringLiteral("255"));
        ctl<QPushButton>("cmdLexo")->click();
        QCOMPARE(m_sound.played, QStringList{setFolder(QStringLiteral("Minshawi/002255.mp3"))});
        ctl<QPushButton>("cmdFund")->click();
        openWindow();
        QCOMPARE(ctl<QComboBox>("CmbUcac")->currentText(), QStringLiteral("Minshawi"));
        // And back to the CD, kept as well.
        ctl<QComboBox>("CmbUcac")->setFocus();
        QTest::keyClick(ctl<QComboBox>("CmbUcac"), Qt::Key_Up);
        m_win->close();
        openWindow();
        QCOMPARE(ctl<QComboBox>("CmbUcac")->currentText(), QStringLiteral("CD"));
    }

    void setPlays_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("surah");
        QTest::addColumn<int>("ayah");
        QTest::addColumn<QStringList>("played"); // names in the set's folder
        QTest::newRow("one ayah") << "Option1" << 108 << 2 << QStringList{"108002.mp3"};
        QTest::newRow("one surah, with the Bismillah")
            << "Option2" << 108 << 1 << QStringList{"001001.mp3", "108001.mp3", "108002.mp3", "108003.mp3"};
    }

    void setPlays()
    {
        QFETCH(QString, mode);
        QFETCH(int, surah);
        QFETCH(int, ayah);
        QFETCH(QStringList, played);
        const QString folder = setFolder(QStringLiteral("Alafasy"));
        QVERIFY(setkit::makeSet(folder, 108, {1, 2, 3}, QStringLiteral("mp3"), 100));
        ReciterSettings::setChosen(*openProgramSettings(), {QStringLiteral("Alafasy"), folder});
        RecitationWindow *w = openWindow();
        m_sound.polls = 1;
        QCOMPARE(ctl<QComboBox>("CmbUcac")->currentText(), QStringLiteral("Alafasy"));
        if (mode == QLatin1String("Option2")) {
            chooseOneSurah(surah);
        } else {
            byName<QRadioButton>(w, mode)->click();
            ctl<QComboBox>("CmbNrSure")->setEditText(QString::number(surah));
            ctl<QComboBox>("CmbNrAjeti")->setEditText(QString::number(ayah));
        }
        ctl<QPushButton>("cmdLexo")->click();
        QStringList expected;
        for (const QString &name : std::as_const(played))
            expected << QDir(folder).filePath(name);
        QCOMPARE(m_sound.played, expected);
    }

    void wholeQuranFromASet()
    {
        // A set of a few ayahs: the rest are clips the set lacks, each passed as a missing clip.
        const QString folder = setFolder(QStringLiteral("Djelimicni"));
        QVERIFY(setkit::makeSet(folder, 114, {6}, QStringLiteral("mp3"), 100));
        QVERIFY(QDir(m_data->path() + QStringLiteral("/wav")).removeRecursively()); // and no CD
        openWindow();
        QCOMPARE(items(), QStringList{"Djelimicni"});
        m_sound.polls = 1;
        ctl<QRadioButton>("Option7")->click();
        ctl<QPushButton>("cmdLexo")->click();
        const QStringList &played = m_sound.played;
        QCOMPARE(played.size(), 6236 + 112);
        QCOMPARE(played.last(), QDir(folder).filePath(QStringLiteral("114006.mp3")));
        const QString lacking = played.at(played.size() - 2); // 114:5
        QVERIFY(lacking.startsWith(folder) && !QFileInfo::exists(lacking));
    }

    void addFolder_data()
    {
        QTest::addColumn<bool>("clips");
        QTest::addColumn<QString>("ending");
        QTest::newRow("a folder of MP3 clips") << true << "mp3";
        QTest::newRow("a folder of FLAC clips in capitals") << true << "FLAC";
        QTest::newRow("a folder without clips") << false << "mp3";
    }

    void addFolder()
    {
        QFETCH(bool, clips);
        QFETCH(QString, ending);
        QTemporaryDir elsewhere;
        const QString folder = elsewhere.filePath(QStringLiteral("Moj učač"));
        QVERIFY(QDir().mkpath(folder));
        const QString kind = ending.toLower();
        const QString name = clips ? setkit::clipName(2, 255, ending) : QStringLiteral("bilješke.txt");
        QVERIFY(setkit::makeClip(QDir(folder).filePath(name), kind, 100));
        openWindow();
        QVERIFY(test::showActive(m_win.get()));
        const QStringList before = items();

        // The folder dialog: the reader types the folder's path and presses Enter.
        bool dialogSeen = false;
        QTimer::singleShot(0, this, [&] {
            QVERIFY(test::waitUntil(
                [] { return qobject_cast<QFileDialog *>(QApplication::activeModalWidget()); }));
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QCOMPARE(dialog->objectName(), QStringLiteral("dlgDodajUcaca"));
            dialogSeen = true;
            auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            edit->setFocus();
            edit->selectAll();
            // A dialog still open after a failed step would hold the test up.
            const QPointer<QFileDialog> guard(dialog);
            QTimer::singleShot(3000, dialog, [guard] {
                if (guard)
                    guard->reject();
            });
            // The path pasted in (it holds letters like č), then Enter.
            QGuiApplication::clipboard()->setText(folder);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        test::clickAt(ctl<QPushButton>("cmdDodajUcaca"));
        QVERIFY(test::waitUntil([&] { return dialogSeen && !QApplication::activeModalWidget(); }));
        if (!clips) {
            QCOMPARE(answerer.texts.size(), 1);
            QVERIFY2(answerer.texts.first().contains(QStringLiteral("nema datoteka učenja")) &&
                         answerer.texts.first().contains(QStringLiteral("002255.mp3")) &&
                         answerer.texts.first().contains(QDir::toNativeSeparators(folder)),
                     qPrintable(answerer.texts.first()));
            QCOMPARE(items(), before);
            QVERIFY(ReciterSettings::addedFolders(*openProgramSettings()).isEmpty());
            return;
        }
        QVERIFY2(answerer.texts.isEmpty(), qPrintable(answerer.texts.join(QLatin1Char('|'))));
        QCOMPARE(items(), before + QStringList{QStringLiteral("Moj učač")});
        QCOMPARE(ctl<QComboBox>("CmbUcac")->currentText(), QStringLiteral("Moj učač"));
        // Kept: the next opening lists it and has it chosen.
        m_win->close();
        openWindow();
        QCOMPARE(ctl<QComboBox>("CmbUcac")->currentText(), QStringLiteral("Moj učač"));
        ctl<QComboBox>("CmbNrSure")->setEditText(QStringLiteral("2"));
        ctl<QComboBox>("CmbNrAjeti")->setEditText(QStringLiteral("255"));
        ctl<QPushButton>("cmdLexo")->click();
        QCOMPARE(m_sound.played,
                 QStringList{QFileInfo(folder).canonicalFilePath() + QLatin1Char('/') + name});
    }

    // Through the real player: a set that lacks the clip of 108:2 plays 108:1, passes 108:2 at once
    // and plays 108:3, each MP3 clip to its end.
    void missingClipOfASetIsSkipped()
    {
        const QString folder = setFolder(QStringLiteral("Alafasy"));
        QVERIFY(setkit::makeSet(folder, 108, {1, 3}, QStringLiteral("mp3"), 300));
        ReciterSettings::setChosen(*openProgramSettings(), {QStringLiteral("Alafasy"), folder});
        RecitationWindow *w = openWindow();
        FXSndControl fx(w->soundPlayer());
        m_sound.real = &fx;
        chooseOneSurah(108);
        m_sound.clock.start();
        ctl<QPushButton>("cmdLexo")->click();
        const qint64 elapsed = m_sound.clock.elapsed();
        QCOMPARE(m_sound.played.size(), 4);
        QCOMPARE(m_sound.played.at(2), folder + QStringLiteral("/108002.missing"));
        QCOMPARE(w->soundPlayer()->status(), QStringLiteral("stopped"));
        // Three clips heard (Bismillah, 108:1, 108:3), the missing one took no time.
        QVERIFY2(elapsed >= 3 * 280 && elapsed < 3 * 300 + 1200, qPrintable(QString::number(elapsed)));
        QVERIFY(m_sound.startedMs.at(3) - m_sound.startedMs.at(2) < 100);
    }

private:
    QStringList items() const
    {
        QStringList names;
        auto *box = ctl<QComboBox>("CmbUcac");
        for (int i = 0; i < box->count(); ++i)
            names << box->itemText(i);
        return names;
    }
    QString setFolder(const QString &name) const { return recitationSetsFolder() + QLatin1Char('/') + name; }

    QTemporaryDir m_home;
};

QTEST_MAIN(TestReciters)
#include "tst_reciters.moc"
