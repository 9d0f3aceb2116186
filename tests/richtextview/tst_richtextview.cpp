#include "data/DataFolder.h"
#include "textview/widgets/RichTextView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

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

// Start of paragraph `n` (0-based) in the CR LF count.
int paragraphStart(int n)
{
    int pos = 0;
    for (int i = 0; i < n; ++i)
        pos = int(kText.indexOf(QLatin1String("\r\n"), pos)) + 2;
    return pos;
}

int paragraphEnd(int n) // position of its carriage return
{
    return int(kText.indexOf(QLatin1Char('\r'), paragraphStart(n)));
}

} // namespace

class TestRichTextView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data();
    void init();
    void cleanup();

    void plainTextHasCrLf();
    void positionsRoundTrip();
    void selection_data();
    void selection();
    void find_data();
    void find();
    void spanOverTabSelectsMarker();
    void upToBackward_data();
    void upToBackward();
    void selectAyahUnderCaret_data();
    void selectAyahUnderCaret();
    void upToForward_data();
    void upToForward();
    void lineFeedPosition();
    void keyboardMovesCaret();
    void selectionFormats_data();
    void selectionFormats();
    void colourEveryOccurrence();
    void coloursWrittenInBatches();
    void setTextParagraphEnds_data();
    void setTextParagraphEnds();
    void loadFile();
    void mouseEvents();
    void takeFocusShowsSelection();
    void wholeText();

private:
    RichTextView *m_view = nullptr;
};

void TestRichTextView::initTestCase_data()
{
    QTest::addColumn<bool>("fromRtf");
    QTest::newRow("plain") << false;
    QTest::newRow("rtf") << true;
}

void TestRichTextView::init()
{
    QFETCH_GLOBAL(bool, fromRtf);
    m_view = new RichTextView;
    m_view->resize(500, 300);
    if (fromRtf)
        QVERIFY(m_view->loadRtf(kRtf));
    else
        m_view->setText(kText);
}

void TestRichTextView::cleanup()
{
    delete m_view;
    m_view = nullptr;
    velmora::DataFolder::reset();
}

void TestRichTextView::plainTextHasCrLf()
{
    QCOMPARE(m_view->text(), kText);
    QCOMPARE(m_view->textLength(), int(kText.size()));
    QCOMPARE(m_view->document()->blockCount(), 6);
    QVERIFY(m_view->isReadOnly());
    QCOMPARE(m_view->textInteractionFlags(), Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QCOMPARE(m_view->selStart(), 0);
    QCOMPARE(m_view->selLength(), 0);
}

void TestRichTextView::positionsRoundTrip()
{
    const QTextDocument *doc = m_view->document();
    for (int p = 0; p <= kText.size(); ++p) {
        const int d = m_view->toDocumentPosition(p);
        const bool lineFeed = p > 0 && kText.at(p - 1) == QLatin1Char('\r');
        QCOMPARE(m_view->fromDocumentPosition(d), lineFeed ? p - 1 : p);
        if (p < kText.size() && !lineFeed) {
            const QChar expected =
                kText.at(p) == QLatin1Char('\r') ? QChar(QChar::ParagraphSeparator) : kText.at(p);
            QCOMPARE(doc->characterAt(d), expected);
        }
    }
    for (int d = 0; d < doc->characterCount(); ++d)
        QCOMPARE(m_view->toDocumentPosition(m_view->fromDocumentPosition(d)), d);
}

void TestRichTextView::selection_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("expectedStart");
    QTest::addColumn<QString>("expectedText");

    const int p1 = paragraphStart(1);
    QTest::newRow("inside a paragraph") << p1 + 5 << 4 << p1 + 5 << QStringLiteral("Elif");
    QTest::newRow("across a paragraph end") << p1 + 14 << 10 << p1 + 14 << QStringLiteral("Mim.\r\n2:2.");
    QTest::newRow("the paragraph end alone")
        << paragraphEnd(1) << 2 << paragraphEnd(1) << QStringLiteral("\r\n");
    QTest::newRow("length past the end")
        << int(kText.size()) - 3 << 50 << int(kText.size()) - 3 << QStringLiteral("\"\r\n");
    QTest::newRow("start before 0") << -4 << 4 << 0 << QStringLiteral("Sura");
    QTest::newRow("start past the end") << 100000 << 3 << int(kText.size()) << QString();
}

void TestRichTextView::selection()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(int, expectedStart);
    QFETCH(QString, expectedText);
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
    // Writing the start empties the selection.
    m_view->setSelStart(expectedStart);
    QCOMPARE(m_view->selLength(), 0);
    QVERIFY(!m_view->textCursor().hasSelection());
}

void TestRichTextView::find_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("expected");

    const int allaha = int(kText.indexOf(QLatin1String("Allaha")));
    const int allah2 = int(kText.indexOf(QLatin1String("Allah je")));
    const int allah3 = int(kText.indexOf(QLatin1String("ALLAH")));
    QTest::newRow("absent") << QStringLiteral("xyzzy") << 0 << -1 << 0 << -1;
    QTest::newRow("empty") << QString() << 0 << -1 << 0 << -1;
    QTest::newRow("letter case ignored") << QStringLiteral("aLLaH") << 0 << -1 << 0 << allaha;
    QTest::newRow("inside a word") << QStringLiteral("llah") << 0 << -1 << 0 << allaha + 1;
    QTest::newRow("Bosnian letters any case")
        << QStringLiteral("VJEČNI") << 0 << -1 << 0 << int(kText.indexOf(QStringLiteral("Vječni")));
    QTest::newRow("from after the first") << QStringLiteral("allah") << allaha + 1 << -1 << 0 << allah2;
    QTest::newRow("from at a match") << QStringLiteral("allah") << allah2 << -1 << 0 << allah2;
    QTest::newRow("to in front of the match") << QStringLiteral("allah") << allaha + 1 << allah2 << 0 << -1;
    QTest::newRow("match straddling to")
        << QStringLiteral("allah") << allaha + 1 << allah2 + 2 << 0 << allah2;
    QTest::newRow("to past the end") << QStringLiteral("allah") << allah3 << 100000 << 0 << allah3;
    QTest::newRow("from past the end") << QStringLiteral("allah") << 100000 << -1 << 0 << -1;
    QTest::newRow("match case option") << QStringLiteral("ALLAH") << 0 << -1 << 4 << allah3;
    QTest::newRow("whole word option") << QStringLiteral("allah") << 0 << -1 << 2 << allah2;
    QTest::newRow("across a paragraph end")
        << QStringLiteral("mim.\r\n2:2.") << 0 << -1 << 0 << int(kText.indexOf(QLatin1String("Mim.")));
    QTest::newRow("marker found inside a longer marker")
        << QStringLiteral("2:5.\t") << 0 << -1 << 0 << int(kText.indexOf(QLatin1String("12:5."))) + 1;
}

void TestRichTextView::find()
{
    QFETCH(QString, what);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, options);
    QFETCH(int, expected);
    m_view->setSelStart(7);
    m_view->setSelLength(3);
    QCOMPARE(m_view->find(what, from, to, options), expected);
    if (expected < 0) {
        QCOMPARE(m_view->selStart(), 7);
        QCOMPARE(m_view->selLength(), 3);
        QCOMPARE(m_view->textCursor().selectedText(), QStringLiteral("-Be"));
    } else {
        QCOMPARE(m_view->selStart(), expected);
        QCOMPARE(m_view->selText().compare(what, Qt::CaseInsensitive), 0);
    }
}

void TestRichTextView::spanOverTabSelectsMarker()
{
    const int marker = int(kText.indexOf(QLatin1String("2:255.")));
    m_view->setSelStart(marker);
    m_view->span(QStringLiteral("\t"), true, true);
    QCOMPARE(m_view->selStart(), marker);
    QCOMPARE(m_view->selLength(), 6);
    QCOMPARE(m_view->selText(), QStringLiteral("2:255."));
    // Spanning on to the carriage return keeps the start and stops in front of the paragraph end.
    m_view->span(QStringLiteral("\r"), true, true);
    QCOMPARE(m_view->selStart(), marker);
    QCOMPARE(m_view->selText(),
             QStringLiteral("2:255.\tAllah je – nema boga osim Njega – Živi i Vječni! ALLAH zna."));
    // At the end of the text the span stops there.
    m_view->setSelStart(paragraphStart(4));
    m_view->span(QStringLiteral("#"), true, true);
    QCOMPARE(m_view->selStart() + m_view->selLength(), int(kText.size()));
}

void TestRichTextView::upToBackward_data()
{
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("expected");
    for (int n = 1; n <= 4; ++n) {
        const int start = paragraphStart(n);
        const int end = paragraphEnd(n);
        QTest::addRow("paragraph %d first char", n + 1) << start << paragraphEnd(n - 1);
        QTest::addRow("paragraph %d middle", n + 1) << (start + end) / 2 << paragraphEnd(n - 1);
        QTest::addRow("paragraph %d before its end", n + 1) << end << paragraphEnd(n - 1);
    }
    QTest::newRow("first paragraph goes to 0") << 6 << 0;
    QTest::newRow("at 0 stays") << 0 << 0;
}

void TestRichTextView::upToBackward()
{
    QFETCH(int, caret);
    QFETCH(int, expected);
    m_view->setSelStart(caret);
    m_view->setSelLength(2);
    m_view->upTo(QStringLiteral("\r"), false, false);
    QCOMPARE(m_view->selStart(), expected);
    QCOMPARE(m_view->selLength(), 0);
    if (expected > 0)
        QCOMPARE(kText.at(expected), QLatin1Char('\r'));
}

void TestRichTextView::selectAyahUnderCaret_data()
{
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QString>("selected");

    const QStringList paragraphs = kText.split(QLatin1String("\r\n"));
    for (int n = 1; n <= 4; ++n) {
        const QString para = paragraphs.at(n);
        const QString marker = para.left(int(para.indexOf(QLatin1Char('\t'))));
        QTest::addRow("%s on its marker", qPrintable(marker)) << paragraphStart(n) << marker << para;
        QTest::addRow("%s in its text", qPrintable(marker)) << paragraphStart(n) + 12 << marker << para;
        QTest::addRow("%s before its end", qPrintable(marker)) << paragraphEnd(n) << marker << para;
    }
    // A heading has no tab: the selection runs from its third character through the next tab
    // and on to the end of the paragraph that holds it.
    QTest::newRow("heading") << 4 << QStringLiteral("ra El-Bekara\r\n2:1.")
                             << QStringLiteral("ra El-Bekara\r\n2:1.\tElif Lam Mim.");
}

void TestRichTextView::selectAyahUnderCaret()
{
    QFETCH(int, caret);
    QFETCH(QString, marker);
    QFETCH(QString, selected);
    m_view->setSelStart(caret);
    m_view->upTo(QStringLiteral("\r"), false, false);
    m_view->setSelStart(m_view->selStart() + 2);
    m_view->span(QStringLiteral("\t"), true, true);
    QCOMPARE(m_view->selText(), marker);
    m_view->span(QStringLiteral("\r"), true, true);
    QCOMPARE(m_view->selText(), selected);
    QCOMPARE(m_view->textCursor().selectedText(),
             QString(selected).replace(QLatin1String("\r\n"), QChar(0x2029)));
}

void TestRichTextView::upToForward_data()
{
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("expected");
    const int knjiga = int(kText.indexOf(QLatin1String("Knjiga")));
    QTest::newRow("moves to the end of the word") << knjiga << knjiga + 6;
    QTest::newRow("stays on a character of the set") << knjiga + 6 << knjiga + 6;
    QTest::newRow("stops at a comma") << int(kText.indexOf(QLatin1String("sumnje,"))) + 1
                                      << int(kText.indexOf(QLatin1String("sumnje,"))) + 6;
    QTest::newRow("end of the text when none follows") << int(kText.size()) - 2 << int(kText.size());
}

void TestRichTextView::upToForward()
{
    QFETCH(int, caret);
    QFETCH(int, expected);
    m_view->setSelStart(caret);
    m_view->setSelLength(3);
    m_view->upTo(QStringLiteral(" ,.?!:"), true, false);
    QCOMPARE(m_view->selStart(), expected);
    QCOMPARE(m_view->selLength(), 0);
}

void TestRichTextView::lineFeedPosition()
{
    const int cr = paragraphEnd(1);
    const QTextBlock block1 = m_view->document()->findBlockByNumber(1);
    m_view->setSelStart(cr + 1);
    QCOMPARE(m_view->selStart(), cr + 1); // reads back as written
    QCOMPARE(m_view->textCursor().position(), block1.position() + block1.length() - 1);
    m_view->setSelStart(cr);
    QCOMPARE(m_view->textCursor().position(), block1.position() + block1.length() - 1);
    m_view->setSelStart(m_view->selStart() + 2);
    QCOMPARE(m_view->textCursor().position(), m_view->document()->findBlockByNumber(2).position());
    QCOMPARE(m_view->selStart(), paragraphStart(2));
}

void TestRichTextView::keyboardMovesCaret()
{
    m_view->setSelStart(paragraphStart(1));
    QTest::keyClick(m_view, Qt::Key_Right);
    QCOMPARE(m_view->selStart(), paragraphStart(1) + 1);
    QTest::keyClick(m_view, Qt::Key_End);
    QCOMPARE(m_view->selStart(), paragraphEnd(1));
    QTest::keyClick(m_view, Qt::Key_Right);
    QCOMPARE(m_view->selStart(), paragraphStart(2));
    QTest::keyClick(m_view, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(m_view->selText(), QStringLiteral("2"));
    // Typing changes nothing in a read-only view.
    QTest::keyClicks(m_view, QStringLiteral("abc"));
    QCOMPARE(m_view->text(), kText);
}

void TestRichTextView::selectionFormats_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("colour") << 0;
    QTest::newRow("font size") << 1;
    QTest::newRow("font name") << 2;
}

void TestRichTextView::selectionFormats()
{
    QFETCH(int, kind);
    const int start = m_view->find(QStringLiteral("vječni"));
    QVERIFY(start > 0);
    const auto has = [kind](const QTextCharFormat &f) {
        if (kind == 0)
            return f.foreground().color() == QColor(255, 0, 0);
        if (kind == 1)
            return f.fontPointSize() == 31.0;
        return f.fontFamilies().toStringList() == QStringList{QStringLiteral("Velmora Test Font")};
    };
    if (kind == 0) {
        m_view->setSelColor(QColor(255, 0, 0));
        // The colour shows at once over the selected characters and reaches the document's
        // formats on the next flush.
        const QList<QTextEdit::ExtraSelection> shown = m_view->extraSelections();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).cursor.selectionStart(), m_view->toDocumentPosition(start));
        QCOMPARE(shown.at(0).cursor.selectionEnd(), m_view->toDocumentPosition(start + 6));
        QCOMPARE(shown.at(0).format.foreground().color(), QColor(255, 0, 0));
        m_view->flushColors();
        QVERIFY(m_view->extraSelections().isEmpty());
    } else if (kind == 1)
        m_view->setSelFontSize(31);
    else
        m_view->setSelFontName(QStringLiteral("Velmora Test Font"));

    const int docStart = m_view->toDocumentPosition(start);
    QTextCursor c(m_view->document());
    for (int d = 0; d < m_view->document()->characterCount() - 1; ++d) {
        c.setPosition(d + 1); // the format of the character in front of the cursor
        const bool inside = d >= docStart && d < docStart + 6;
        QVERIFY2(has(c.charFormat()) == inside, qPrintable(QStringLiteral("at %1").arg(d)));
    }
    // Only the format changed: the text and the selection stay.
    QCOMPARE(m_view->text(), kText);
    QCOMPARE(m_view->selStart(), start);
    QCOMPARE(m_view->selText(), QStringLiteral("Vječni"));
}

void TestRichTextView::colourEveryOccurrence()
{
    // Colour every occurrence of a word with find and the selection colour, as the verse
    // search listing does.
    const QString word = QStringLiteral("allah");
    m_view->setSelStart(0);
    int p = m_view->find(word);
    int found = 0;
    while (p != -1) {
        m_view->setSelColor(Qt::red);
        ++found;
        QVERIFY(found < 10);
        p = m_view->find(word, p + int(m_view->selText().size()));
    }
    QCOMPARE(found, 3);
    // As the listing's colouring ends: the caret back to 0, which writes the colours.
    m_view->setSelStart(0);
    QVERIFY(m_view->extraSelections().isEmpty());
    int red = 0;
    QTextCursor c(m_view->document());
    for (int d = 1; d < m_view->document()->characterCount(); ++d) {
        c.setPosition(d);
        if (c.charFormat().foreground().color() == QColor(Qt::red))
            ++red;
    }
    QCOMPARE(red, 15);
}

void TestRichTextView::coloursWrittenInBatches()
{
    QStringList words;
    for (int i = 0; i < 300; ++i)
        words << QStringLiteral("Allah%1").arg(i);
    m_view->setText(words.join(QLatin1Char(' ')));
    const auto redCount = [this] {
        int red = 0;
        QTextCursor c(m_view->document());
        for (int d = 1; d < m_view->document()->characterCount(); ++d) {
            c.setPosition(d);
            red += c.charFormat().foreground().color() == QColor(Qt::red) ? 1 : 0;
        }
        return red;
    };
    int p = m_view->find(QStringLiteral("allah"));
    int found = 0;
    while (p != -1) {
        m_view->setSelColor(Qt::red);
        ++found;
        p = m_view->find(QStringLiteral("allah"), p + int(m_view->selText().size()));
    }
    QCOMPARE(found, 300);
    // The first 256 went into the document together; the rest wait, shown over the text.
    QCOMPARE(redCount(), 256 * 5);
    QCOMPARE(m_view->extraSelections().size(), 300 - 256);
    QCOMPARE(m_view->text(), words.join(QLatin1Char(' '))); // text and cache untouched
    // An idle view writes the rest by itself.
    QTRY_COMPARE_WITH_TIMEOUT(redCount(), 300 * 5, 3000);
    QVERIFY(m_view->extraSelections().isEmpty());
    // Replacing the content drops colours that still wait.
    m_view->find(QStringLiteral("allah1"));
    m_view->setSelColor(Qt::blue);
    m_view->setText(QStringLiteral("new"));
    QVERIFY(m_view->extraSelections().isEmpty());
    // So does a change made through QTextEdit itself; nothing is applied to the new text.
    m_view->setText(QStringLiteral("allah allah"));
    m_view->find(QStringLiteral("allah"));
    m_view->setSelColor(Qt::red);
    m_view->QTextEdit::setPlainText(QStringLiteral("other words"));
    QVERIFY(m_view->extraSelections().isEmpty());
    m_view->flushColors();
    QCOMPARE(redCount(), 0);
}

void TestRichTextView::setTextParagraphEnds_data()
{
    QTest::addColumn<QString>("input");
    QTest::newRow("CR LF") << QStringLiteral("a\r\nb\r\nc");
    QTest::newRow("LF") << QStringLiteral("a\nb\nc");
    QTest::newRow("CR") << QStringLiteral("a\rb\rc");
    QTest::newRow("mixed") << QStringLiteral("a\r\nb\rc");
}

void TestRichTextView::setTextParagraphEnds()
{
    QFETCH(QString, input);
    m_view->setSelStart(20);
    QCOMPARE(m_view->text(), kText); // cached before the change
    m_view->setText(input);
    QCOMPARE(m_view->document()->blockCount(), 3);
    QCOMPARE(m_view->text(), QStringLiteral("a\r\nb\r\nc"));
    QCOMPARE(m_view->selStart(), 0);
    QCOMPARE(m_view->document()->defaultFont(), m_view->font());
    QTextCursor c(m_view->document());
    c.setPosition(1);
    QVERIFY(!c.charFormat().hasProperty(QTextFormat::FontPointSize));
    // Content replaced through QTextEdit itself also refreshes the plain text.
    m_view->QTextEdit::setPlainText(QStringLiteral("x\ny"));
    QCOMPARE(m_view->text(), QStringLiteral("x\r\ny"));
}

void TestRichTextView::loadFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile rtf(dir.filePath(QStringLiteral("KUR'AN.rtf")));
    QVERIFY(rtf.open(QIODevice::WriteOnly));
    rtf.write("{\\rtf1\\ansi\\ansicpg1250 \\'8aura\\par}");
    rtf.close();
    QFile bad(dir.filePath(QStringLiteral("notes.rtf")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("just words");
    bad.close();
    velmora::DataFolder::setPath(dir.path());

    for (const QString &name : {QStringLiteral("kur'an.rtf"), QStringLiteral("KUR'AN.RTF")}) {
        m_view->setText(kText);
        m_view->setSelStart(30);
        m_view->setSelLength(4);
        QString error;
        QVERIFY2(m_view->loadFile(name, &error), qPrintable(error));
        QCOMPARE(m_view->text(), QStringLiteral("Šura\r\n"));
        QCOMPARE(m_view->selStart(), 0);
        QCOMPARE(m_view->selLength(), 0);
        QCOMPARE(m_view->textCursor().position(), 0);
    }
    // A relative path with folders starts in the data folder as well.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(QFile::copy(dir.filePath(QStringLiteral("KUR'AN.rtf")),
                        dir.filePath(QStringLiteral("sub/Tekst.RTF"))));
    m_view->setText(kText);
    QVERIFY(m_view->loadFile(QStringLiteral("sub/tekst.rtf")));
    QCOMPARE(m_view->text(), QStringLiteral("Šura\r\n"));
    m_view->setText(kText);
    QVERIFY(m_view->loadFile(dir.filePath(QStringLiteral("kur'an.RTF"))));
    QCOMPARE(m_view->text(), QStringLiteral("Šura\r\n"));

    for (const QString &name :
         {QStringLiteral("missing.rtf"), QStringLiteral("notes.rtf"), QStringLiteral("sub")}) {
        m_view->setText(kText);
        QString error;
        QVERIFY(!m_view->loadFile(name, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(m_view->text(), kText);
    }
}

void TestRichTextView::mouseEvents()
{
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    QSignalSpy doubles(m_view, &RichTextView::doubleClicked);
    QSignalSpy releases(m_view, &RichTextView::mouseReleased);
    QWidget *vp = m_view->viewport();
    const QPoint at(40, 30);

    QTest::mouseClick(vp, Qt::RightButton, {}, at);
    QTest::mouseClick(vp, Qt::LeftButton, {}, at + QPoint(30, 0));
    QTest::mouseClick(vp, Qt::MiddleButton, {}, at);
    QCOMPARE(releases.size(), 3);
    QCOMPARE(releases.at(0).at(0).toInt(), 2);
    QCOMPARE(releases.at(0).at(1).toPoint(), vp->mapToGlobal(at));
    QCOMPARE(releases.at(1).at(0).toInt(), 1);
    QCOMPARE(releases.at(2).at(0).toInt(), 4);

    QTest::mouseDClick(vp, Qt::LeftButton, {}, at);
    QCOMPARE(doubles.size(), 1);

    // No menu of the view's own: a popup left open would be closed and reported.
    bool menuShown = false;
    QTimer::singleShot(300, this, [&menuShown] {
        if (QWidget *popup = QApplication::activePopupWidget()) {
            menuShown = true;
            popup->close();
        }
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, vp->mapToGlobal(at));
    QApplication::sendEvent(vp, &menuEvent);
    QTest::qWait(350);
    QVERIFY(!menuShown);
}

void TestRichTextView::takeFocusShowsSelection()
{
    QStringList lines;
    for (int i = 1; i <= 300; ++i)
        lines << QStringLiteral("3:%1.\tRedak broj %1 s malo teksta.").arg(i);
    m_view->setText(lines.join(QLatin1String("\r\n")));
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    m_view->activateWindow();
    const int at = m_view->find(QStringLiteral("3:250.\t"));
    QVERIFY(at > 0);
    m_view->span(QStringLiteral("\r"), true, true);
    m_view->verticalScrollBar()->setValue(0);
    m_view->takeFocus();
    QTRY_VERIFY_WITH_TIMEOUT(m_view->hasFocus(), 2000);
    QTextCursor start(m_view->document());
    start.setPosition(m_view->toDocumentPosition(at));
    QVERIFY(m_view->viewport()->rect().contains(m_view->cursorRect(start)));
    QVERIFY(m_view->viewport()->rect().contains(m_view->cursorRect()));
}

void TestRichTextView::wholeText()
{
    QFETCH_GLOBAL(bool, fromRtf);
    if (!fromRtf)
        QSKIP("once is enough");
    const QString dataDir = QStringLiteral(VELMORA_TEST_DATA_DIR);
    if (velmora::DataFolder::findFile(dataDir, QStringLiteral("KUR'AN.rtf")).isEmpty())
        QSKIP("the default data has not been made");
    velmora::DataFolder::setPath(dataDir);
    QString error;
    QVERIFY2(m_view->loadFile(QStringLiteral("kur'an.rtf"), &error), qPrintable(error));
    const QString text = m_view->text();
    QCOMPARE(m_view->textLength(), int(text.size()));
    QVERIFY(!text.contains(QChar(0xFFFD)));
    QVERIFY(text.contains(QStringLiteral("pomoć tražimo")));

    // Every ayah paragraph starts with its marker and a tab, in ascending order.
    const QStringList paragraphs = text.split(QLatin1String("\r\n"));
    const QRegularExpression marker(QStringLiteral("^(\\d+):(\\d+)\\.\t"));
    int ayahs = 0;
    int lastSurah = 0;
    int lastAyah = 0;
    for (const QString &para : paragraphs) {
        const QRegularExpressionMatch m = marker.match(para);
        if (!m.hasMatch())
            continue;
        const int surah = m.captured(1).toInt();
        const int ayah = m.captured(2).toInt();
        QVERIFY2(surah > lastSurah || (surah == lastSurah && ayah == lastAyah + 1),
                 qPrintable(para.left(12)));
        if (surah != lastSurah)
            QCOMPARE(ayah, 1);
        lastSurah = surah;
        lastAyah = ayah;
        ++ayahs;
    }
    QCOMPARE(ayahs, 6236);
    QCOMPARE(lastSurah, 114);

    // Locating 2:255 and selecting it, as the selectors do, then the paragraph under a caret
    // inside it.
    m_view->setSelStart(0);
    const int at = m_view->find(QStringLiteral("2:255.\t"));
    QVERIFY(at > 0);
    m_view->span(QStringLiteral("\r"), true, true);
    const QString ayah = m_view->selText();
    QVERIFY(ayah.startsWith(QStringLiteral("2:255.\t")));
    QVERIFY(!ayah.contains(QLatin1Char('\r')));
    QCOMPARE(text.mid(at + int(ayah.size()), 2), QStringLiteral("\r\n"));
    m_view->setSelStart(at + 20);
    m_view->upTo(QStringLiteral("\r"), false, false);
    m_view->setSelStart(m_view->selStart() + 2);
    m_view->span(QStringLiteral("\t"), true, true);
    QCOMPARE(m_view->selText(), QStringLiteral("2:255."));
}

QTEST_MAIN(TestRichTextView)
#include "tst_richtextview.moc"
