// Bookmarks, the last place read, copying an ayah with its reference and printing, driven
// through a real main window on the default data, with a settings store of the test's own.
#include "TestSupport.h"

#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/Database.h"
#include "textview/Bookmarks.h"
#include "textview/ReadingPlace.h"
#include "textview/widgets/RichTextView.h"
#include "textview/widgets/TextPrinting.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

using namespace velmora;
using test::ayahText;
using test::paragraphOf;
using test::shownWindow;

namespace {

QString marker(int surah, int ayah)
{
    return QStringLiteral("%1:%2.\t").arg(surah).arg(ayah);
}

} // namespace

class TestReadingComforts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QVERIFY2(test::useDefaultData(), "the default data is missing: run velmora-data make-default");
    }

    void init()
    {
        // Every test starts from an empty settings store and a fresh program.
        m_settings.reset();
        openReaderSettings()->clear();
        QVERIFY(startWindow());
    }

    void cleanup()
    {
        delete m_w;
        m_w = nullptr;
        m_settings.reset();
        while (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    }

    void copyWithReference_data()
    {
        QTest::addColumn<int>("surah");
        QTest::addColumn<int>("ayah");
        QTest::addColumn<QString>("listing"); // words searched first; empty: the whole text
        QTest::addColumn<int>("change");   // 0 the located ayah, -1 one character less, 1 the next ayah too
        QTest::addColumn<bool>("viaMenu"); // the popup item, otherwise Ctrl+C
        QTest::addColumn<QString>("reference");
        QTest::newRow("whole ayah, menu") << 2 << 255 << "" << 0 << true << " (Bekare, 2:255)";
        QTest::newRow("whole ayah, Ctrl+C") << 2 << 255 << "" << 0 << false << " (Bekare, 2:255)";
        QTest::newRow("last ayah of the book") << 114 << 6 << "" << 0 << false << " (Nas, 114:6)";
        QTest::newRow("ayah of a search listing") << 20 << 30 << "Harun" << 0 << true << " (Taha, 20:30)";
        QTest::newRow("part of an ayah, menu") << 2 << 255 << "" << -1 << true << "";
        QTest::newRow("part of an ayah, Ctrl+C") << 2 << 255 << "" << -1 << false << "";
        QTest::newRow("two ayahs, menu") << 2 << 254 << "" << 1 << true << "";
        QTest::newRow("two ayahs, Ctrl+C") << 2 << 254 << "" << 1 << false << "";
    }

    void copyWithReference()
    {
        QFETCH(int, surah);
        QFETCH(int, ayah);
        QFETCH(QString, listing);
        QFETCH(int, change);
        QFETCH(bool, viaMenu);
        QFETCH(QString, reference);
        RichTextView *view = c().Rtf1;
        if (!listing.isEmpty())
            QVERIFY(test::searchAsReader(*m_w, listing));
        locate(surah, ayah);
        if (change < 0) {
            test::pressKey(view, Qt::Key_Left, Qt::ShiftModifier);
        } else if (change > 0) {
            const QString text = view->text();
            const int start = view->selStart();
            const int next = int(text.indexOf(QLatin1Char('\r'), text.indexOf(QLatin1Char('\n'), start)));
            view->setSelLength(next - start);
        }
        const QString selected = view->selText();
        QVERIFY(!selected.isEmpty());
        QApplication::clipboard()->setText(QStringLiteral("held before"));
        if (viaMenu) {
            test::chooseFromPopup(*m_w, QStringLiteral("mnuKopjim"));
        } else {
            QCOMPARE(QApplication::focusWidget(), view);
            test::pressKey(view, Qt::Key_C, Qt::ControlModifier);
        }
        // The selection itself is as it was.
        QCOMPARE(view->selText(), selected);
        QString expected = selected + reference;
        // The view's own copy of a longer selection ends its paragraphs with a line feed only.
        if (!viaMenu && reference.isEmpty())
            expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(QApplication::clipboard()->text(), expected);
        if (!reference.isEmpty()) {
            QVERIFY(QApplication::clipboard()->text().contains(ayahText(surah, ayah)));
            QVERIFY(!QApplication::clipboard()->mimeData()->hasHtml());
        }
    }

    void bookmarkFromThePopupMenu()
    {
        locate(18, 10);
        test::chooseFromPopup(*m_w, QStringLiteral("mnuZabiljeziAjet"));
        // A click inside another ayah puts the caret there; that ayah is marked next.
        clickIntoNextAyah();
        test::chooseFromPopup(*m_w, QStringLiteral("mnuZabiljeziAjet"));
        const QList<Bookmark> marked = Bookmarks::load(settings());
        QCOMPARE(marked.size(), 2);
        QCOMPARE(marked.at(0).place, (AyahRef{18, 11}));
        QCOMPARE(marked.at(1).place, (AyahRef{18, 10}));
        QVERIFY(qAbs(marked.at(0).marked.secsTo(QDateTime::currentDateTime())) < 60);
        // Marking an ayah again does not list it twice.
        locate(18, 10);
        test::chooseFromPopup(*m_w, QStringLiteral("mnuZabiljeziAjet"));
        const QList<Bookmark> again = Bookmarks::load(settings());
        QCOMPARE(again.size(), 2);
        QCOMPARE(again.at(0).place, (AyahRef{18, 10}));
    }

    void bookmarkOutsideAnAyahTellsTheReader()
    {
        // The caret at the heading of surah 2.
        RichTextView *view = c().Rtf1;
        const int heading = int(view->text().indexOf(QStringLiteral("2. SURA")));
        QVERIFY(heading > 0);
        view->setSelStart(heading + 3);
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        test::chooseFromPopup(*m_w, QStringLiteral("mnuZabiljeziAjet"));
        QVERIFY(test::waitUntil([&answerer] { return answerer.texts.size() == 1; }));
        QVERIFY(answerer.texts.first().contains(QStringLiteral("nije u ajetu")));
        QVERIFY(Bookmarks::load(settings()).isEmpty());
    }

    void bookmarksWindowOpensDeletesAndSkipsDamaged()
    {
        const QDateTime when(QDate(2024, 3, 1), QTime(18, 30));
        QSettings &s = settings();
        Bookmarks::add(s, AyahRef{2, 255}, when);
        Bookmarks::add(s, AyahRef{18, 10}, when.addDays(1));
        Bookmarks::add(s, AyahRef{1, 200}, when.addDays(2)); // an ayah the book does not have
        s.setValue(QStringLiteral("Zabiljeske/Zabiljeska 40"), QStringLiteral("2:255|half written"));
        s.sync();
        m_settings.reset();

        // From a search listing: opening a bookmark brings the whole text back.
        QVERIFY(test::searchAsReader(*m_w, QStringLiteral("Musa")));
        QStringList shownRows;
        bool checked = false;
        test::chooseFromPopup(*m_w, QStringLiteral("mnuZabiljeske"), [&] {
            // Whatever happens here, the window does not stay open.
            const auto closeAnyway = qScopeGuard([] {
                if (QDialog *left = shownWindow<QDialog>(QStringLiteral("frmZabiljeske")))
                    left->reject();
            });
            QTRY_VERIFY(shownWindow<QDialog>(QStringLiteral("frmZabiljeske")));
            QDialog *window = shownWindow<QDialog>(QStringLiteral("frmZabiljeske"));
            auto *list = window->findChild<QTreeWidget *>(QStringLiteral("lstZabiljeske"));
            QVERIFY(list);
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                const QTreeWidgetItem *row = list->topLevelItem(i);
                shownRows << QStringList{row->text(0), row->text(1), row->text(2), row->text(3)}.join(
                    QLatin1Char('|'));
            }
            // Delete takes the current (top) bookmark from the store at once.
            QTRY_COMPARE(QApplication::focusWidget(), list);
            test::pressKey(list, Qt::Key_Delete);
            QCOMPARE(list->topLevelItemCount(), 1);
            QCOMPARE(list->currentItem()->text(0), QStringLiteral("2:255"));
            // Enter opens it.
            test::pressKey(list, Qt::Key_Return);
            checked = true;
        });
        QVERIFY(checked);
        QVERIFY(!shownWindow<QDialog>(QStringLiteral("frmZabiljeske")));

        const QString words18 = firstWords(ayahText(18, 10), 8);
        QVERIFY(words18.startsWith(QStringLiteral("Kad se nekoliko")));
        QCOMPARE(
            shownRows,
            (QStringList{
                QStringLiteral("18:10|Kehf|%1|02.03.2024. 18:30").arg(words18),
                QStringLiteral("2:255|Bekare|%1|01.03.2024. 18:30").arg(firstWords(ayahText(2, 255), 8))}));
        // The store keeps the others, damaged ones included.
        QSettings &after = settings();
        QStringList left;
        for (const Bookmark &b : Bookmarks::load(after))
            left << formatAyahRef(b.place);
        QCOMPARE(left, (QStringList{"1:200", "2:255"}));
        QCOMPARE(after.value(QStringLiteral("Zabiljeske/Zabiljeska 40")).toString(),
                 QStringLiteral("2:255|half written"));

        // The chosen ayah is located in the whole text, as the selectors do it.
        QVERIFY(!m_w->isResultsView());
        RichTextView *view = c().Rtf1;
        QVERIFY(view->text().contains(QStringLiteral("114:6.\t")));
        QCOMPARE(view->selStart(), paragraphOf(view->text(), marker(2, 255)));
        QVERIFY(view->selText().endsWith(ayahText(2, 255).right(10)));
        QCOMPARE(c().CmbNrSure->currentText(), QStringLiteral("2"));
        QCOMPARE(c().CmbEmrSure->currentText(), QStringLiteral("Bekare"));
        QCOMPARE(c().CmbNrAjeti->currentText(), QStringLiteral("255"));
        QVERIFY(view->viewport()->rect().intersects(view->cursorRect()));
    }

    void lastPlaceKeptOnClosing_data()
    {
        QTest::addColumn<bool>("throughKraj");
        QTest::addColumn<bool>("clickNextAyah"); // a click in the following ayah after locating 18:10
        QTest::addColumn<bool>("thenSearch");    // a listing shown, and clicked in, when the program ends
        QTest::addColumn<QString>("kept");
        QTest::newRow("frame, located") << false << false << false << "18:10";
        QTest::newRow("Kraj, located") << true << false << false << "18:10";
        QTest::newRow("frame, clicked in the text") << false << true << false << "18:11";
        QTest::newRow("frame, ending on a listing") << false << false << true << "18:10";
        QTest::newRow("Kraj, ending on a listing") << true << true << true << "18:11";
    }

    void lastPlaceKeptOnClosing()
    {
        QFETCH(bool, throughKraj);
        QFETCH(bool, clickNextAyah);
        QFETCH(bool, thenSearch);
        QFETCH(QString, kept);
        RichTextView *view = c().Rtf1;
        locate(18, 10);
        if (clickNextAyah)
            clickIntoNextAyah();
        if (thenSearch) {
            QVERIFY(test::searchAsReader(*m_w, QStringLiteral("Harun")));
            locate(20, 30); // the listing's line, which is no place in the whole text
            test::clickAt(view->viewport(), view->viewport()->rect().center());
        }
        QCoreApplication::processEvents();
        if (throughKraj) {
            test::clickAt(c().cmdFund);
            // "Kraj" asks the application to quit, which would end every later event loop of this
            // test program at once (modal windows included): a short run of the application's own
            // loop takes the request.
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            QCoreApplication::exec();
        } else {
            m_w->close();
        }
        const auto place = LastPlace::load(settings());
        QCOMPARE(place ? formatAyahRef(*place) : QString(), kept);

        // The next start opens the whole text at that ayah; the selectors are reset as always.
        QVERIFY(startWindow());
        view = c().Rtf1;
        const auto ref = parseAyahRef(kept);
        QVERIFY(ref);
        const int at = paragraphOf(view->text(), marker(ref->surah, ref->ayah));
        QVERIFY(test::waitUntil([view, at] { return view->selStart() == at; }));
        QCOMPARE(view->selLength(), 0);
        QVERIFY(view->verticalScrollBar()->value() > 0);
        const QRect caret = view->cursorRect();
        QVERIFY2(
            caret.top() >= 0 && caret.top() < view->viewport()->height() / 4,
            qPrintable(QStringLiteral("caret at %1 of %2").arg(caret.top()).arg(view->viewport()->height())));
        QCOMPARE(c().CmbNrSure->currentText(), QStringLiteral("1"));
        QCOMPARE(c().CmbEmrSure->currentText(), QStringLiteral("Fatiha"));
        QCOMPARE(c().CmbNrAjeti->currentText(), QStringLiteral("1"));
        QVERIFY(!m_w->isResultsView());
        // Closed at once, the place stays what it was.
        m_w->close();
        QCOMPARE(LastPlace::load(settings()), ref);
    }

    // The move to a kept place near the end comes once the text is laid out up to it; a reader who
    // clicks into the text before that keeps the place clicked, and the view does not jump away.
    void readerActingFirstKeepsTheView()
    {
        settings().setValue(LastPlace::key(), QStringLiteral("114:6"));
        m_settings.reset();
        // The window is made here rather than by startWindow(), which waits for its activation:
        // the click comes before the event loop has run.
        delete m_w;
        m_w = new MainWindow;
        installMainParts(*m_w);
        QVERIFY(m_w->formLoad(MainWindow::Options{0, false}));
        RichTextView *view = c().Rtf1;
        QCOMPARE(view->verticalScrollBar()->value(), 0);
        QTextBlock ayah = view->document()->begin();
        while (ayah.isValid() && !ayah.text().startsWith(QStringLiteral("1:3.\t")))
            ayah = ayah.next();
        QVERIFY(ayah.isValid());
        QVERIFY(view->viewport()->rect().contains(view->cursorRect(QTextCursor(ayah))));
        test::clickAt(view->viewport(), view->cursorRect(QTextCursor(ayah)).center() + QPoint(40, 0));
        QTest::qWait(1500);
        QCOMPARE(view->verticalScrollBar()->value(), 0);
        QCOMPARE(view->document()->findBlock(view->textCursor().position()).blockNumber(),
                 ayah.blockNumber());
        m_w->close();
        QCOMPARE(LastPlace::load(settings()), std::optional<AyahRef>(AyahRef{1, 3}));
    }

    void startWithoutAUsablePlace_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("nothing kept") << QVariant();
        QTest::newRow("ayah the text does not have") << QVariant(QStringLiteral("1:9"));
    }

    void startWithoutAUsablePlace()
    {
        QFETCH(QVariant, stored);
        if (stored.isValid()) {
            settings().setValue(LastPlace::key(), stored);
            m_settings.reset();
        }
        QVERIFY(startWindow());
        RichTextView *view = c().Rtf1;
        QTest::qWait(300);
        QCOMPARE(view->selStart(), 0);
        QCOMPARE(view->selLength(), 0);
        QCOMPARE(view->verticalScrollBar()->value(), 0);
        // Closing without having located anything leaves the store as it was.
        m_w->close();
        QCOMPARE(settings().value(LastPlace::key()), stored);
    }

    void printListingToPdf()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftotext.isEmpty() || pdftoppm.isEmpty())
            QSKIP("pdftotext and pdftoppm (poppler-utils) are needed to read the PDF back");
        QVERIFY(test::searchAsReader(*m_w, QStringLiteral("Musa")));
        RichTextView *view = c().Rtf1;
        const QString shown = view->text();
        const QString summary = shown.trimmed().section(QStringLiteral("\r\n"), 0, 0);
        QVERIFY2(summary.contains(QStringLiteral("izraz Musa")), qPrintable(shown.left(300)));

        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("listing.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageMargins(QMarginsF(20, 15, 20, 15), QPageLayout::Millimeter);
        QString error;
        QVERIFY2(printView(view, printer, &error), qPrintable(error));

        const QString text =
            test::runProgram(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")}, 60000, false)
                .out;
        QVERIFY(!text.isEmpty());
        const QString flat = text.simplified();
        QVERIFY2(flat.contains(summary.simplified()), qPrintable(summary));
        // Every listed ayah is there, marker and words.
        int ayahs = 0;
        for (const QString &line : shown.split(QStringLiteral("\r\n"))) {
            const QString m = line.section(QLatin1Char('\t'), 0, 0);
            if (!m.endsWith(QLatin1Char('.')) || !m.contains(QLatin1Char(':')))
                continue;
            ++ayahs;
            QVERIFY2(flat.contains(m), qPrintable(m));
            const QString firstWords =
                velmora::firstWords(line.section(QLatin1Char('\t'), 1), 3).remove("...");
            QVERIFY2(flat.contains(firstWords), qPrintable(firstWords));
        }
        QVERIFY(ayahs > 10);
        // No line is in the PDF twice, hidden or not (the last line of a page again on the next).
        QCOMPARE(flat.count(QRegularExpression(QStringLiteral("(?<![0-9])2:51\\.(?![0-9])"))), 1);
        int ends = 0, endsOnce = 0;
        for (const QString &line : shown.split(QStringLiteral("\r\n"))) {
            if (line.size() > 60 && line.contains(QLatin1Char('\t'))) {
                const QString end = line.right(40).simplified();
                ++ends;
                endsOnce += flat.count(end) == 1;
                QVERIFY2(flat.count(end) <= 1, qPrintable(end));
            }
        }
        // (An end that runs across a page break has the header in between.)
        QVERIFY(endsOnce > ends * 9 / 10);
        // A header line on every page: the title and the page number. The text at the top of each
        // page (the 15 mm margin and the header, 58 points of the page's 842) is read on its own.
        const int pageCount = int(text.count(QLatin1Char('\f')));
        QVERIFY(pageCount >= 2);
        const QString tops =
            test::runProgram(
                pdftotext,
                QStringLiteral("-layout -x 0 -y 0 -W 595 -H 58 %1 -").arg(pdf).split(QLatin1Char(' ')), 60000,
                false)
                .out;
        const QStringList heads = tops.split(QLatin1Char('\f'));
        QVERIFY(heads.size() >= pageCount);
        for (int p = 0; p < pageCount; ++p)
            QCOMPARE(heads.at(p).simplified(), QStringLiteral("Velmora 4.0 Strana %1").arg(p + 1));

        // The red words print red: the first page, drawn as a picture, has red in it.
        QCOMPARE(
            test::runProgram(pdftoppm, {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-f"),
                                        QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                        QStringLiteral("-png"), pdf, out.filePath(QStringLiteral("page"))})
                .code,
            0);
        const QStringList pngs = QDir(out.path()).entryList({QStringLiteral("page*.png")});
        QCOMPARE(pngs.size(), 1);
        const QImage page(out.filePath(pngs.first()));
        QVERIFY(!page.isNull());
        int red = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QColor px = page.pixelColor(x, y);
                red += px.red() > 150 && px.green() < 110 && px.blue() < 110;
            }
        QVERIFY2(red > 20, qPrintable(QString::number(red)));
    }

    void printPageRange()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is needed to read the PDF back");
        QVERIFY(test::searchAsReader(*m_w, QStringLiteral("Musa")));
        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("range.pdf"));
        for (const auto &[from, to, ok] : {std::tuple{2, 2, true}, std::tuple{50, 60, false}}) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setFromTo(from, to);
            QString error;
            QVERIFY2(printView(c().Rtf1, printer, &error) == ok, qPrintable(error));
            if (!ok) {
                QVERIFY(error.contains(QStringLiteral("raspon")));
                continue;
            }
            const QString text = test::runProgram(pdftotext, {pdf, QStringLiteral("-")}, 60000, false).out;
            QCOMPARE(text.split(QLatin1Char('\f'), Qt::SkipEmptyParts).size(), 1);
            QVERIFY(text.contains(QStringLiteral("Strana 2")));
            QVERIFY(!text.contains(QStringLiteral("Strana 1")));
        }
    }

    void printIntoAnUnwritableFile()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_settingsDir.filePath(QStringLiteral("no-such-folder/out.pdf")));
        QString error;
        QVERIFY(!printView(c().Rtf1, printer, &error));
        QVERIFY(error.contains(QStringLiteral("out.pdf")));
    }

    // The popup item opens the system's print dialog; cancelling it prints nothing and says nothing.
    void printItemOpensThePrintDialog()
    {
        bool seen = false;
        test::chooseFromPopup(*m_w, QStringLiteral("mnuStampaj"), [&] {
            QTRY_VERIFY(shownWindow<QPrintDialog>());
            seen = true;
            shownWindow<QPrintDialog>()->reject();
        });
        QVERIFY(seen);
        QVERIFY(!shownWindow<QPrintDialog>());
        QVERIFY(test::unexpectedBoxes().isEmpty());
    }

private:
    MainWindow *startWindow()
    {
        delete m_w;
        m_w = new MainWindow;
        if (!test::startMainWindow(*m_w))
            return nullptr;
        QCoreApplication::processEvents();
        return m_w;
    }

    MainControls &c() { return m_w->controls(); }
    // As in the selectors: the surah number typed and Enter, then the ayah number and Enter.
    void locate(int surah, int ayah)
    {
        for (const auto &[box, number] : {std::pair{c().CmbNrSure, surah}, std::pair{c().CmbNrAjeti, ayah}}) {
            box->clearEditText();
            QTest::keyClicks(box, QString::number(number));
            QTest::keyClick(box, Qt::Key_Return);
        }
        QVERIFY(test::waitUntil(
            [this, surah, ayah] { return c().Rtf1->selText().startsWith(marker(surah, ayah)); }));
    }

    // A click with the mouse on the first word of the ayah after the selected one, scrolled into
    // sight first as a reader would.
    void clickIntoNextAyah()
    {
        RichTextView *view = c().Rtf1;
        QTextCursor next(view->document()->findBlock(view->textCursor().selectionEnd()).next());
        next.movePosition(QTextCursor::NextWord);
        QRect at = view->cursorRect(next);
        if (!view->viewport()->rect().contains(at)) {
            view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() + at.top() -
                                                view->viewport()->height() / 2);
            at = view->cursorRect(next);
        }
        QVERIFY(view->viewport()->rect().contains(at));
        test::clickAt(view->viewport(), at.center() + QPoint(2, 0));
        QVERIFY(test::waitUntil([view] { return !view->textCursor().hasSelection(); }));
    }

    QSettings &settings()
    {
        m_settings = openReaderSettings();
        return *m_settings;
    }

    QTemporaryDir m_settingsDir;
    std::unique_ptr<QSettings> m_settings;
    MainWindow *m_w = nullptr;
};

QTEST_MAIN(TestReadingComforts)
#include "tst_readingcomforts.moc"
