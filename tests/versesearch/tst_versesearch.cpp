#include "TestSupport.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/DataFolder.h"
#include "data/Database.h"
#include "search/SearchHistory.h"
#include "search/VerseQuery.h"
#include "search/widgets/VerseSearchPart.h"
#include "textview/widgets/RichTextView.h"

#include <QtTest>
#include <QtWidgets>

using namespace velmora;

namespace {
// Counts the rows of a query on the default store, as the expected number of listed ayahs.
int countRows(const QString &sql)
{
    data::Recordset rs = data::Database::open(QStringLiteral("bazabos.mdb")).openRecordset(sql);
    return rs.isValid() ? rs.rowCount() : -1;
}

// Every occurrence of `word` (case ignored) in the view is red, and nothing else is.
bool occurrencesRed(RichTextView *view, const QStringList &words, int *checked)
{
    view->setSelStart(0); // writes any pending colour into the document
    QTextDocument *doc = view->document();
    QString plain = doc->toPlainText();
    QList<bool> shouldBeRed(plain.size(), false);
    for (const QString &w : words) {
        if (w.isEmpty())
            continue;
        for (qsizetype i = plain.indexOf(w, 0, Qt::CaseInsensitive); i >= 0;
             i = plain.indexOf(w, i + w.size(), Qt::CaseInsensitive))
            for (qsizetype k = i; k < i + w.size(); ++k)
                shouldBeRed[k] = true;
    }
    *checked = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const bool red = f.charFormat().foreground().color() == QColor(255, 0, 0);
            for (int k = f.position(); k < f.position() + f.length(); ++k) {
                if (k < plain.size() && shouldBeRed[k] != red)
                    return false;
                *checked += red ? 1 : 0;
            }
        }
    }
    return true;
}
} // namespace

class TestVerseSearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QVERIFY(test::useDefaultData());
        m_w = std::make_unique<MainWindow>();
        installMainParts(*m_w);
        QVERIFY(m_w->formLoad(MainWindow::Options{0, false}));
    }

    void init()
    {
        QVERIFY(test::useDefaultData());
        MainControls &c = m_w->controls();
        if (m_w->isResultsView())
            QVERIFY(m_w->leaveResultsView());
        c.ChkKerkoSure->setChecked(false);
    }

    // A search as typed, in the whole book or one surah (with the name its summary gives).
    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("surah"); // empty: the whole book
        QTest::addColumn<QString>("name");
        QTest::newRow("Allah") << "Allah" << QString() << QString();
        QTest::newRow("Musa&Harun in surah 20")
            << "Musa&Harun" << QStringLiteral("20") << QStringLiteral("Taha");
        QTest::newRow("apostrophe") << "Kur'an" << QString() << QString();
        QTest::newRow("empty word") << "Allah&" << QString() << QString();
        QTest::newRow("one hit in one surah, no colon")
            << "Vladara" << QStringLiteral("1") << QStringLiteral("Fatiha");
        QTest::newRow("nothing found") << "qqxyz" << QString() << QString();
    }

    // The listing holds the ayahs that hold every word, under the summary that counts them, and
    // exactly the words' occurrences are red.
    void search()
    {
        QFETCH(QString, text);
        QFETCH(QString, surah);
        QFETCH(QString, name);
        const bool restrict = !surah.isEmpty();
        const QStringList red = text.split(QLatin1Char('&'), Qt::SkipEmptyParts);
        QStringList conditions;
        for (QString word : red)
            conditions
                << QStringLiteral("tekstajet LIKE '*%1*'").arg(word.replace(u'\'', QLatin1String("''")));
        const int expected =
            countRows(QStringLiteral("SELECT * FROM kuran WHERE ") + conditions.join(QLatin1String(" AND ")) +
                      (restrict ? QStringLiteral(" and nrsure=") + surah : QString()));
        QVERIFY(expected >= 0);
        MainControls &c = m_w->controls();
        if (restrict)
            c.CmbEmrSure->setEditText(name);
        runSearch(text, restrict, restrict ? surah : QStringLiteral("1"));

        const QString shown = c.Rtf1->text();
        const QStringList paragraphs = shown.split(QStringLiteral("\r\n"));
        QCOMPARE(paragraphs.value(1), summaryLine(expected, text, restrict, name));
        QCOMPARE(paragraphs.value(2), QStringLiteral("* * * * * * * * * * * * * * * * * * *"));
        int lines = 0;
        for (const QString &p : paragraphs.mid(4)) {
            if (p.isEmpty())
                continue;
            ++lines;
            QVERIFY2(p.contains(QLatin1Char('\t')) &&
                         p.section(QLatin1Char('\t'), 0, 0).endsWith(QLatin1Char('.')),
                     qPrintable(p));
            if (restrict)
                QVERIFY(p.startsWith(surah + QLatin1Char(':')));
        }
        QCOMPARE(lines, expected);
        QVERIFY(m_w->isResultsView());
        QCOMPARE(c.CmbKerkoKrejt->width(), m_w->twips(1455));
        QCOMPARE(c.CmbKerkoKrejt->currentText(), text);
        int redChars = 0;
        QVERIFY(occurrencesRed(c.Rtf1, red, &redChars));
        QVERIFY(redChars > 0); // the summary line names the words, so something is red
        QVERIFY(test::waitUntil([&] { return c.CmbKerkoKrejt->findText(text) >= 0; })); // in the history
    }

    void emptyBoxOnlyTellsTheReader()
    {
        MainControls &c = m_w->controls();
        const QString before = c.Rtf1->text();
        const int history = c.CmbKerkoKrejt->count();
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        runSearch(QString(), false);
        QCOMPARE(answerer.texts, QStringList{QStringLiteral("Upisite rijec koju trazite!")});
        QCOMPARE(c.Rtf1->text(), before);
        QVERIFY(!m_w->isResultsView());
        QCOMPARE(c.CmbKerkoKrejt->count(), history);
    }

    void surahTextThatIsNoNumber()
    {
        MainControls &c = m_w->controls();
        const QString before = c.Rtf1->text();
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        runSearch(QStringLiteral("Allah"), true, QStringLiteral("Fatiha"));
        QCOMPARE(answerer.texts.size(), 1);
        QCOMPARE(c.Rtf1->text(), before);
        QVERIFY(!m_w->isResultsView());
    }

    void storeFailureBringsTheWholeTextBack()
    {
        QTemporaryDir dir;
        QVERIFY(test::copyDefaultData(dir.path(), {QStringLiteral("KUR'AN.rtf")}));
        QVERIFY(test::writeFile(dir.filePath(QStringLiteral("Bazabos.db")), "this is not a database"));
        DataFolder::setPath(dir.path());
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        runSearch(QStringLiteral("Allah"), false);
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY(!m_w->isResultsView());
        QVERIFY(m_w->controls().Rtf1->text().contains(QStringLiteral("\r\n2:255.\t")));
    }

    void enterSearches_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("Enter of the number pad") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("Shift+Enter") << int(Qt::Key_Return) << int(Qt::ShiftModifier);
    }

    // As a reader does it: a click into the box, the word typed, Enter; every key goes to the
    // window, which hands it to the box that has the focus.
    void enterSearches()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        MainControls &c = m_w->controls();
        QVERIFY(test::showActive(m_w.get()));
        c.Rtf1->setFocus(Qt::OtherFocusReason); // where the last search left it
        test::clickAt(c.CmbKerkoKrejt);
        QVERIFY(test::waitUntil([&] { return c.CmbKerkoKrejt->hasFocus(); }));
        test::typeText(c.CmbKerkoKrejt, QStringLiteral("Harun"));
        QCOMPARE(c.CmbKerkoKrejt->currentText(), QStringLiteral("Harun"));
        test::pressKey(c.CmbKerkoKrejt, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY(test::waitUntil([&] { return c.Rtf1->text().contains(QStringLiteral("izraz Harun:")); }));
        QCOMPARE(c.CmbKerkoKrejt->currentText(), QStringLiteral("Harun"));
    }

    void focusSelectsTheWholeText_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("a click into the box") << "click";
        QTest::newRow("focus from the program") << "code";
        QTest::newRow("Tab from the check box") << "tab";
    }

    // Whichever way the box gets the focus, its whole text is selected, so that the next search
    // is typed in place of the last one and not onto it.
    void focusSelectsTheWholeText()
    {
        QFETCH(QString, how);
        MainControls &c = m_w->controls();
        QVERIFY(test::showActive(m_w.get()));
        c.CmbKerkoKrejt->setEditText(QStringLiteral("Allah"));
        if (how == QLatin1String("click")) {
            c.Rtf1->setFocus(Qt::OtherFocusReason);
            test::clickAt(c.CmbKerkoKrejt);
        } else if (how == QLatin1String("code")) {
            c.Rtf1->setFocus(Qt::OtherFocusReason);
            c.CmbKerkoKrejt->setFocus();
        } else {
            c.ChkKerkoSure->setFocus(Qt::OtherFocusReason);
            QWidget *before = c.ChkKerkoSure;
            while (before->nextInFocusChain() != c.CmbKerkoKrejt &&
                   before->nextInFocusChain() != c.ChkKerkoSure)
                before = before->nextInFocusChain();
            // Tab from the control that stands before the box in the focus chain.
            before->setFocus(Qt::OtherFocusReason);
            test::pressKey(before,
                           before->nextInFocusChain() == c.CmbKerkoKrejt ? Qt::Key_Tab : Qt::Key_Backtab);
        }
        QVERIFY(test::waitUntil([&] { return c.CmbKerkoKrejt->hasFocus(); }));
        QTest::qWait(20); // the selection follows the focus once the event that brought it is done
        test::typeText(c.CmbKerkoKrejt, QStringLiteral("Musa"));
        QCOMPARE(c.CmbKerkoKrejt->currentText(), QStringLiteral("Musa"));
    }

    void historyChangesOnlyByAPick_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("entries"); // after it
        QTest::newRow("Enter on the text of an earlier search") << "enter" << 10;
        QTest::newRow("leaving the box on the text of an earlier search") << "leave" << 10;
        QTest::newRow("a pick from the list") << "pick" << 9;
    }

    // Ten searches in the history: typing the text of one of them is no pick from the list, and
    // neither Enter nor leaving the box drops the oldest entry; only a pick does.
    void historyChangesOnlyByAPick()
    {
        QFETCH(QString, how);
        QFETCH(int, entries);
        MainControls &c = m_w->controls();
        const QStringList ten{"Nuh",   "Ibrahim", "Musa", "Harun",    "Isa",
                              "Jusuf", "Jakub",   "Lut",  "Sulejman", "Davud"};
        setStoredHistory(ten);
        QVERIFY(test::showActive(m_w.get()));
        c.Rtf1->setFocus(Qt::OtherFocusReason); // where the last search left it
        test::clickAt(c.CmbKerkoKrejt);
        QVERIFY(test::waitUntil([&] { return c.CmbKerkoKrejt->hasFocus(); }));
        QTest::qWait(20);
        if (how == QLatin1String("pick")) {
            test::pressKey(c.CmbKerkoKrejt, Qt::Key_Down, Qt::AltModifier);
            QAbstractItemView *list = c.CmbKerkoKrejt->view();
            QVERIFY(test::waitUntil([&] { return list->isVisible(); }));
            const QModelIndex third = list->model()->index(2, 0);
            test::clickAt(list->viewport(), list->visualRect(third).center());
            QVERIFY(test::waitUntil([&] { return !list->isVisible(); }));
            QCOMPARE(c.CmbKerkoKrejt->currentText(), QStringLiteral("Musa"));
        } else {
            test::typeText(c.CmbKerkoKrejt, QStringLiteral("Musa"));
            QCOMPARE(c.CmbKerkoKrejt->currentText(), QStringLiteral("Musa")); // an entry's text
            test::pressKey(c.CmbKerkoKrejt, how == QLatin1String("enter") ? Qt::Key_Return : Qt::Key_Tab);
            if (how == QLatin1String("enter"))
                QVERIFY(
                    test::waitUntil([&] { return c.Rtf1->text().contains(QStringLiteral("izraz Musa:")); }));
            else
                QVERIFY(test::waitUntil([&] { return !c.CmbKerkoKrejt->hasFocus(); }));
        }
        QTest::qWait(20);
        QStringList expected = ten;
        if (entries == 9)
            expected.removeFirst();
        QStringList shown;
        for (int i = 0; i < c.CmbKerkoKrejt->count(); ++i)
            shown << c.CmbKerkoKrejt->itemText(i);
        QCOMPARE(shown, expected);
    }

    // A search text pasted into the box and searched with the search button: 500 words are searched
    // like two (each word one more condition); 12,501 words are more than the store takes, and the
    // reader is told so in Bosnian instead of the program ending. (It runs before "Kraj" is
    // pressed below: that asks the application to quit, and boxes opened afterwards close at once.)
    void longPastedSearches_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("listed");
        QTest::newRow("500 words") << QStringList(250, QStringLiteral("Musa&Harun")).join(u'&') << true;
        QTest::newRow("12,500 ampersands")
            << QStringLiteral("M&").repeated(12500) + QStringLiteral("H") << false;
    }

    void longPastedSearches()
    {
        QFETCH(QString, text);
        QFETCH(bool, listed);
        MainControls &c = m_w->controls();
        const int expected = countRows(
            QStringLiteral("SELECT * FROM kuran WHERE tekstajet LIKE '*Musa*' AND tekstajet LIKE '*Harun*'"));
        QVERIFY(expected > 1);
        // The text the reader has copied, pasted over what the box held.
        QGuiApplication::clipboard()->setText(text);
        m_w->activateWindow();
        c.CmbKerkoKrejt->setFocus();
        QTest::keyClick(c.CmbKerkoKrejt, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(c.CmbKerkoKrejt, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(c.CmbKerkoKrejt->currentText(), text);
        // A message box is answered either way, so that a refusal of the 500 words fails the test
        // instead of waiting for the reader.
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        // The search runs inside the click, yielding to the event loop as it goes.
        QTest::mouseClick(c.cmdKerkoAll, Qt::LeftButton);
        if (listed) {
            const QString summary =
                QStringLiteral("Ukupno je pronađeno %1 ajeta u kojima se spominje izraz %2:")
                    .arg(expected)
                    .arg(text);
            QVERIFY2(c.Rtf1->text().contains(summary), qPrintable(answerer.texts.join(u'\n')));
            QCOMPARE(static_cast<int>(c.Rtf1->text().count(QStringLiteral(".\t"))), expected);
            int red = 0;
            QVERIFY(occurrencesRed(c.Rtf1, {QStringLiteral("Musa"), QStringLiteral("Harun")}, &red));
            QVERIFY(red > 0);
            QCOMPARE(answerer.texts, QStringList());
        } else {
            QCOMPARE(answerer.texts.size(), 1);
            QVERIFY2(answerer.texts.first().contains(QStringLiteral("previše uslova")),
                     qPrintable(answerer.texts.first()));
            QVERIFY(!m_w->isResultsView());
            QVERIFY(c.Rtf1->text().contains(QStringLiteral("\r\n2:255.\t")));
        }
    }

    void historyAcrossRuns()
    {
        MainControls &c = m_w->controls();
        for (const char *w : {"Nuh", "Ibrahim", "Nuh", "nuh"})
            runSearch(QLatin1String(w), false);
        QStringList list;
        for (int i = 0; i < c.CmbKerkoKrejt->count(); ++i)
            list << c.CmbKerkoKrejt->itemText(i);
        QCOMPARE(list.count(QStringLiteral("Nuh")), 1);
        QVERIFY(list.indexOf(QStringLiteral("Ibrahim")) < list.indexOf(QStringLiteral("nuh")));
        // Leaving with "Kraj" keeps the searches of this run.
        c.cmdFund->click();
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora"),
                           QStringLiteral("Velmora 4.0"));
        QCOMPARE(SearchHistory::load(settings), list);
        // A window made afterwards loads them at its start.
        MainWindow again;
        installMainParts(again);
        QVERIFY(again.formLoad(MainWindow::Options{0, false}));
        QCOMPARE(again.controls().CmbKerkoKrejt->count(), list.size());
        QCOMPARE(again.controls().CmbKerkoKrejt->currentText(), QString());
        again.close();
    }

    void kerkojeFindsListedAyah()
    {
        MainControls &c = m_w->controls();
        runSearch(QStringLiteral("Musa&Harun"), true, QStringLiteral("20"));
        const QString shown = c.Rtf1->text();
        const int line = static_cast<int>(shown.indexOf(QStringLiteral("\r\n20:")));
        QVERIFY(line > 0);
        const QString marker = shown.mid(line + 2).section(QLatin1Char('\t'), 0, 0); // "20:30."
        c.CmbNrSure->setEditText(QStringLiteral("20"));
        c.CmbNrAjeti->setEditText(marker.section(QLatin1Char(':'), 1).chopped(1));
        QTest::keyClick(c.CmbNrAjeti, Qt::Key_Return);
        QVERIFY(test::waitUntil([&] { return c.Rtf1->selText().startsWith(marker + QLatin1Char('\t')); }));
        QCOMPARE(c.Rtf1->selStart(), line + 2);
    }

    void secondSearchDuringTheYields()
    {
        MainControls &c = m_w->controls();
        // While "Allah" is being listed, the reader searches "Harun": the listing shown at the end
        // is the second search's, whole and coloured, not a mixture.
        bool started = false;
        QTimer::singleShot(0, [&] {
            started = true;
            runSearch(QStringLiteral("Harun"), false);
        });
        runSearch(QStringLiteral("Allah"), false);
        QVERIFY(started);
        QVERIFY(test::waitUntil([&] { return c.Rtf1->text().contains(QStringLiteral("izraz Harun:")); }));
        const QString shown = c.Rtf1->text();
        QVERIFY(!shown.contains(QStringLiteral("izraz Allah")));
        const int expected = countRows(QStringLiteral("SELECT * FROM kuran WHERE tekstajet LIKE '*Harun*'"));
        QCOMPARE(static_cast<int>(shown.count(QStringLiteral(".\t"))), expected);
        int red = 0;
        QVERIFY(occurrencesRed(c.Rtf1, {QStringLiteral("Harun")}, &red));
    }

    void windowClosedDuringTheYields()
    {
        auto *w = new MainWindow;
        installMainParts(*w);
        QVERIFY(w->formLoad(MainWindow::Options{0, false}));
        QPointer<MainWindow> guard = w;
        w->controls().CmbKerkoKrejt->setEditText(QStringLiteral("je"));
        // The window goes away while the rows are read and coloured; the search ends quietly.
        QTimer::singleShot(5, w, [w] {
            w->close();
            w->deleteLater();
        });
        w->controls().cmdKerkoAll->click();
        QVERIFY(test::waitUntil([&] { return guard.isNull(); }));
    }

private:
    void runSearch(const QString &text, bool restrict, const QString &surah = QStringLiteral("1"))
    {
        MainControls &c = m_w->controls();
        c.CmbKerkoKrejt->setEditText(text);
        c.ChkKerkoSure->setChecked(restrict);
        c.CmbNrSure->setEditText(surah);
        c.cmdKerkoAll->click();
    }

    void setStoredHistory(const QStringList &entries)
    {
        {
            auto settings = VerseSearchPart::openSettings();
            settings->remove(QString());
            SearchHistory::save(*settings, entries);
        }
        emit m_w->historyLoadRequested();
        QCOMPARE(m_w->controls().CmbKerkoKrejt->count(), entries.size());
    }

    std::unique_ptr<MainWindow> m_w;
    QTemporaryDir m_settingsDir;
};

QTEST_MAIN(TestVerseSearch)
#include "tst_versesearch.moc"
