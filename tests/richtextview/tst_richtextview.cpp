#include "TestSupport.h"
#include "data/DataFolder.h"
#include "textview/widgets/RichTextView.h"

#include <QtGui>
#include <QtTest>

using velmora::RichTextView;

namespace {

const QString kText =
    QStringLiteral("Sura El-Bekara\r\n"
                   "2:1.\tElif Lam Mim.\r\n"
                   "2:2.\tOvo je Knjiga u koju nema sumnje, uputa je onima koji se Allaha boje,\r\n"
                   "2:255.\tAllah je – nema boga osim Njega – Živi i Vječni! ALLAH zna.\r\n"
                   "12:5.\tOn reče: \"Sinko moj, ne kazuj san svoj braći svojoj.\"\r\n");

// The same text as RTF with formatting and code page 1250 escapes.
const QByteArray kRtf =
    "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\froman\\fcharset238 Times New Roman;}}"
    "{\\colortbl;\\red0\\green0\\blue128;}\r\n"
    "\\pard\\qc\\b\\fs28 Sura El-Bekara\\par\r\n"
    "\\pard\\plain\\fs24 {\\b\\cf1 2:1.}\\tab Elif Lam Mim.\\par\r\n"
    "{\\b\\cf1 2:2.}\\tab Ovo je Knjiga u koju nema sumnje, uputa je onima koji se Allaha boje,\\par\r\n"
    "{\\b\\cf1 2:255.}\\tab Allah je \\endash  nema boga osim Njega \\endash  \\'8eivi i "
    "Vje\\'e8ni! ALLAH zna.\\par\r\n"
    "{\\b\\cf1 12:5.}\\tab On re\\'e8e: \"Sinko moj, ne kazuj san svoj bra\\'e6i svojoj.\"\\par\r\n"
    "}";

} // namespace

class TestRichTextView : public QObject {
    Q_OBJECT
    RichTextView *m_view = nullptr;
    static int at(const char *what) { return int(kText.indexOf(QString::fromUtf8(what))); } // in kText

private slots:
    void init()
    {
        m_view = new RichTextView;
        m_view->resize(500, 300);
        QVERIFY(m_view->loadRtf(kRtf));
    }

    void cleanup()
    {
        delete m_view;
        velmora::DataFolder::reset();
    }

    void crLfText()
    {
        QCOMPARE(m_view->text(), kText);
        QCOMPARE(m_view->textLength(), int(kText.size()));
        // Every position maps to the document character it counts and back; the line feed of a
        // paragraph end falls on the paragraph end, like its carriage return.
        const QTextDocument *doc = m_view->document();
        for (int p = 0; p <= kText.size(); ++p) {
            const int d = m_view->toDocumentPosition(p);
            const bool lineFeed = p > 0 && kText.at(p - 1) == QLatin1Char('\r');
            QCOMPARE(m_view->fromDocumentPosition(d), lineFeed ? p - 1 : p);
            if (p < kText.size() && !lineFeed)
                QCOMPARE(doc->characterAt(d),
                         kText.at(p) == QLatin1Char('\r') ? QChar(QChar::ParagraphSeparator) : kText.at(p));
        }
        for (int d = 0; d < doc->characterCount(); ++d)
            QCOMPARE(m_view->toDocumentPosition(m_view->fromDocumentPosition(d)), d);
        // A change made through QTextEdit itself reads back with CR LF too.
        m_view->QTextEdit::setPlainText(QStringLiteral("x\ny"));
        QCOMPARE(m_view->text(), QStringLiteral("x\r\ny"));
    }

    void setText_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read");
        const QString line = QStringLiteral("2:255.\tAllah je – nema boga osim Njega\r\n");
        QTest::newRow("LF, CR and CR LF each end a paragraph")
            << "a\nb\rc\r\nd" << QStringLiteral("a\r\nb\r\nc\r\nd");
        QTest::newRow("CR then CR LF: two ends") << "a\r\r\nb" << QStringLiteral("a\r\n\r\nb");
        QTest::newRow("trailing CR leaves an empty last paragraph") << "a\r" << QStringLiteral("a\r\n");
        QTest::newRow("vertical tab is a line break") << "a\vb\r\nc\v" << QStringLiteral("a\vb\r\nc\v");
        QTest::newRow("empty") << "" << QStringLiteral("");
        // Past 64K characters: the text goes in place into a short document, and a short text
        // then replaces the long document.
        QTest::newRow("long listing") << line.repeated(2000) << line.repeated(2000);
    }

    void setText()
    {
        QFETCH(QString, written);
        QFETCH(QString, read);
        // The caret stands in a bold, coloured marker of the whole text.
        QVERIFY(m_view->find(QStringLiteral("2:1.")) >= 0);
        for (int pass = 0; pass < 2; ++pass) {
            m_view->setText(written);
            QCOMPARE(m_view->text(), read);
            QCOMPARE(m_view->textLength(), int(read.size()));
            QCOMPARE(m_view->selStart(), 0);
            QCOMPARE(m_view->textCursor().position(), 0); // the text edit's own caret too
            QVERIFY(!m_view->textCursor().hasSelection());
            // The last position maps onto the document's last character, so lengths agree.
            QCOMPARE(m_view->fromDocumentPosition(m_view->document()->characterCount() - 1),
                     int(read.size()));
            // Unformatted: nothing of the whole text's formats carries over.
            for (QTextBlock b = m_view->document()->begin(); b.isValid(); b = b.next()) {
                for (auto it = b.begin(); !it.atEnd(); ++it) {
                    const QTextCharFormat f = it.fragment().charFormat();
                    QVERIFY(!f.hasProperty(QTextFormat::FontWeight) &&
                            !f.hasProperty(QTextFormat::ForegroundBrush));
                    QCOMPARE(f.font().family(), m_view->font().family());
                }
            }
            m_view->setText(QStringLiteral("short"));
            QCOMPARE(m_view->text(), QStringLiteral("short"));
        }
    }

    void selection_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("expectedText");
        QTest::newRow("across a paragraph end") << at("Mim.") << 10 << QStringLiteral("Mim.\r\n2:2.");
        QTest::newRow("length past the end") << int(kText.size()) - 3 << 50 << QStringLiteral("\"\r\n");
        QTest::newRow("start before 0") << -4 << 4 << QStringLiteral("Sura");
    }

    void selection()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, expectedText);
        const int expectedStart = qMax(0, start);
        m_view->setSelStart(start);
        QCOMPARE(m_view->selLength(), 0);
        m_view->setSelLength(length);
        QCOMPARE(m_view->selStart(), expectedStart);
        QCOMPARE(m_view->selLength(), int(expectedText.size()));
        QCOMPARE(m_view->selText(), expectedText);
        // The widget's own selection covers the same characters.
        const QTextCursor c = m_view->textCursor();
        QCOMPARE(c.selectionStart(), m_view->toDocumentPosition(expectedStart));
        QCOMPARE(c.selectionEnd(), m_view->toDocumentPosition(expectedStart + int(expectedText.size())));
    }

    void find_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("options");
        QTest::addColumn<int>("expected");
        const auto row = [](const char *name, const char *what, int from, int to, int options, int expected) {
            QTest::newRow(name) << QString::fromUtf8(what) << from << to << options << expected;
        };
        const int allaha = at("Allaha"), allah2 = at("Allah je"), allah3 = at("ALLAH");
        row("absent", "xyzzy", 0, -1, 0, -1);
        row("empty", "", 0, -1, 0, -1);
        row("letter case ignored, inside a word", "lLaH", 0, -1, 0, allaha + 1);
        row("Bosnian letters any case", "VJEČNI", 0, -1, 0, at("Vječni"));
        row("from after the first", "allah", allaha + 1, -1, 0, allah2);
        row("to in front of the match", "allah", allaha + 1, allah2, 0, -1);
        row("match straddling to", "allah", allaha + 1, allah2 + 2, 0, allah2);
        row("to past the end", "allah", allah3, 100000, 0, allah3);
        row("from past the end", "allah", 100000, -1, 0, -1);
        row("match case option", "ALLAH", 0, -1, RichTextView::FindMatchCase, allah3);
        row("whole word option", "allah", 0, -1, RichTextView::FindWholeWord, allah2);
        row("across a paragraph end", "mim.\r\n2:2.", 0, -1, 0, at("Mim."));
        row("marker inside a longer marker", "2:5.\t", 0, -1, 0, at("12:5.") + 1);
    }

    void find()
    {
        QFETCH(QString, what);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, options);
        QFETCH(int, expected);
        m_view->setSelStart(7);
        m_view->setSelLength(3);
        QCOMPARE(m_view->find(what, from, to, options), expected);
        // Found: the match is selected; not found: the selection stays.
        QCOMPARE(m_view->selStart(), expected < 0 ? 7 : expected);
        QCOMPARE(m_view->selText(), expected < 0 ? QStringLiteral("-Be") : kText.mid(expected, what.size()));
        QCOMPARE(m_view->textCursor().selectionStart(), m_view->toDocumentPosition(m_view->selStart()));
    }

    void spanOverTabSelectsMarker()
    {
        const int marker = at("2:255.\t");
        m_view->setSelStart(marker);
        m_view->span(QStringLiteral("\t"), true, true);
        QCOMPARE(m_view->selStart(), marker);
        QCOMPARE(m_view->selText(), QStringLiteral("2:255."));
        // On to the carriage return: the start stays, the end stops in front of the paragraph end.
        m_view->span(QStringLiteral("\r"), true, true);
        QCOMPARE(m_view->selText(), kText.mid(marker, at("\r\n12:5.") - marker));
        // At the end of the text the span stops there.
        m_view->setSelStart(at("12:5."));
        m_view->span(QStringLiteral("#"), true, true);
        QCOMPARE(m_view->selStart() + m_view->selLength(), int(kText.size()));
    }

    void upTo_data()
    {
        QTest::addColumn<bool>("forward");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("expected");
        // Backward to "\r": in front of the carriage return ending the paragraph before.
        QTest::newRow("paragraph 3 first char") << false << at("2:2.") << at("\r\n2:2.");
        QTest::newRow("paragraph 3 before its end") << false << at("\r\n2:255.") << at("\r\n2:2.");
        QTest::newRow("paragraph 5 first char") << false << at("12:5.") << at("\r\n12:5.");
        QTest::newRow("first paragraph goes to 0") << false << 6 << 0;
        // Forward to " ,.?!:".
        QTest::newRow("to the end of the word") << true << at("Knjiga") << at("Knjiga") + 6;
        QTest::newRow("stays on a character of the set") << true << at("Knjiga") + 6 << at("Knjiga") + 6;
        QTest::newRow("end of the text when none follows")
            << true << int(kText.size()) - 2 << int(kText.size());
    }

    void upTo()
    {
        QFETCH(bool, forward);
        QFETCH(int, caret);
        QFETCH(int, expected);
        m_view->setSelStart(caret);
        m_view->setSelLength(2);
        m_view->upTo(forward ? QStringLiteral(" ,.?!:") : QStringLiteral("\r"), forward, false);
        QCOMPARE(m_view->selStart(), expected);
        QCOMPARE(m_view->selLength(), 0);
        if (!forward && expected > 0) { // two on from the carriage return is the next paragraph
            m_view->setSelStart(m_view->selStart() + 2);
            QCOMPARE(m_view->textCursor().positionInBlock(), 0);
            QCOMPARE(m_view->textCursor().block().text(),
                     kText.mid(expected + 2).section(QLatin1String("\r\n"), 0, 0));
        }
    }

    void selectionFormats()
    {
        // A colour on one word, a size on another: each lands on exactly those characters.
        const int coloured = m_view->find(QStringLiteral("vječni"));
        m_view->setSelColor(QColor(255, 0, 0));
        m_view->flushColors(); // shown over the text until written into the document
        QVERIFY(m_view->extraSelections().isEmpty());
        const int sized = m_view->find(QStringLiteral("knjiga"));
        m_view->setSelFontSize(31);
        QVERIFY(coloured > 0 && sized > 0);
        const auto inside = [this](int d, int start) {
            return d >= m_view->toDocumentPosition(start) && d < m_view->toDocumentPosition(start) + 6;
        };
        QTextCursor c(m_view->document());
        for (int d = 0; d < m_view->document()->characterCount() - 1; ++d) {
            c.setPosition(d + 1); // the format of the character in front of the cursor
            QCOMPARE(c.charFormat().foreground().color() == QColor(255, 0, 0), inside(d, coloured));
            QCOMPARE(c.charFormat().fontPointSize() == 31.0, inside(d, sized));
        }
        // Only the format changed: the text and the selection stay.
        QCOMPARE(m_view->text(), kText);
        QCOMPARE(m_view->selText(), QStringLiteral("Knjiga"));
    }

    void loadFile()
    {
        QTemporaryDir dir;
        QVERIFY(velmora::test::writeFile(dir.filePath(QStringLiteral("KUR'AN.rtf")),
                                         "{\\rtf1\\ansi\\ansicpg1250 \\'8aura\\par}") &&
                velmora::test::writeFile(dir.filePath(QStringLiteral("notes.rtf")), "words"));
        velmora::DataFolder::setPath(dir.path());
        // Any letter case, relative or absolute; refused with a reason and the content kept when
        // missing, not RTF or a folder.
        const QString read = QStringLiteral("Šura\r\n");
        const std::pair<QString, QString> cases[] = {{QStringLiteral("kur'an.rtf"), read},
                                                     {QStringLiteral("KUR'AN.RTF"), read},
                                                     {dir.filePath(QStringLiteral("kur'an.RTF")), read},
                                                     {QStringLiteral("missing.rtf"), kText},
                                                     {QStringLiteral("notes.rtf"), kText},
                                                     {dir.path(), kText}};
        for (const auto &[name, expected] : cases) {
            m_view->setText(kText);
            m_view->setSelStart(30);
            QString error;
            QVERIFY2(m_view->loadFile(name, &error) == (expected == read), qPrintable(name));
            QCOMPARE(error.isEmpty(), expected == read);
            QCOMPARE(m_view->text(), expected);
            QCOMPARE(m_view->selStart(), expected == read ? 0 : 30);
        }
    }

    void mouseEvents()
    {
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view));
        QSignalSpy doubles(m_view, &RichTextView::doubleClicked);
        QSignalSpy releases(m_view, &RichTextView::mouseReleased);
        QWidget *vp = m_view->viewport();
        const QPoint pos(40, 30);
        QTest::mouseClick(vp, Qt::RightButton, {}, pos);
        QTest::mouseClick(vp, Qt::LeftButton, {}, pos);
        QTest::mouseClick(vp, Qt::MiddleButton, {}, pos);
        QCOMPARE(releases.size(), 3);
        QCOMPARE(releases.at(0).at(1).toPoint(), vp->mapToGlobal(pos));
        for (int i = 0; i < 3; ++i) // right 2, left 1, middle 4
            QCOMPARE(releases.at(i).at(0).toInt(), (QList<int>{2, 1, 4}.at(i)));
        QCOMPARE(doubles.size(), 0);
        QTest::mouseDClick(vp, Qt::LeftButton, {}, pos);
        QCOMPARE(doubles.size(), 1);
    }

    void wholeText()
    {
        if (!velmora::test::useDefaultData())
            QSKIP("the default data has not been made");
        QString error;
        QVERIFY2(m_view->loadFile(QStringLiteral("kur'an.rtf"), &error), qPrintable(error));
        const QString text = m_view->text();
        QVERIFY(!text.contains(QChar(0xFFFD)));
        // Every ayah paragraph starts with its marker and a tab; the last is 114:6.
        QCOMPARE(text.count(QRegularExpression(QStringLiteral("(^|\n)\\d+:\\d+\\.\t"))), 6236);
        QVERIFY(text.contains(QStringLiteral("\r\n114:6.\t")));
    }
};

QTEST_MAIN(TestRichTextView)
#include "tst_richtextview.moc"
