// Locating, selecting and colouring on a text view that holds a small text of the same
// paragraph form as the whole text: headings without a tab, ayah paragraphs that start with
// their marker, every paragraph ended by CR LF.
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/RichTextView.h"
#include "textview/widgets/TextCommands.h"

#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QtTest/QtTest>
#include <memory>

using namespace velmora;

namespace {

const QString CRLF = QStringLiteral("\r\n");

// A text in the form of the whole text: a title, surah headings, ayah paragraphs in ascending
// order; surahs 2, 12 and 22 each have an ayah 5, so the marker 2:5. occurs inside 12:5. and 22:5.
QString sampleText()
{
    QString t;
    t += QStringLiteral("KUR'AN") + CRLF;
    t += QStringLiteral("SURA FATIHA") + CRLF;
    t += QStringLiteral("1:1.\tU ime Allaha, Milostivog, Samilosnog!") + CRLF;
    t += QStringLiteral("1:2.\tHvala Allahu, Gospodaru svjetova,") + CRLF;
    t += QStringLiteral("SURA BEKARA") + CRLF;
    for (int a = 1; a <= 7; ++a)
        t += QStringLiteral("2:%1.\tAjet %1 druge sure; ALLAH zna, allahu ekber.").arg(a) + CRLF;
    t += QStringLiteral("2:255.\tAllah je, nema boga osim Njega, Zivi i Vjecni!") + CRLF;
    t += QStringLiteral("SURA JUSUF") + CRLF;
    for (int a = 4; a <= 6; ++a)
        t += QStringLiteral("12:%1.\tJusufov ajet %1.").arg(a) + CRLF;
    t += QStringLiteral("SURA HADZ") + CRLF;
    for (int a = 4; a <= 6; ++a)
        t += QStringLiteral("22:%1.\tAjet %1 o hadzu, Allahov poziv.").arg(a) + CRLF;
    t += QStringLiteral("114:6.\tod dzina i od ljudi.") + CRLF;
    return t;
}

// A verse search listing: an empty line, the summary, the stars, an empty line, ayah lines.
QString sampleListing()
{
    return CRLF + QStringLiteral("Ukupno je prona|eno 3 ajeta u kojima se spominje izraz Allah:") + CRLF +
           QStringLiteral("* * * * * * * * * * * * * * * * * * *") + CRLF + CRLF +
           QStringLiteral("2:255.\tAllah je, nema boga osim Njega") + CRLF +
           QStringLiteral("12:5.\tAllah zna") + CRLF + QStringLiteral("22:5.\tAllahov poziv") + CRLF;
}

// Start of the paragraph that begins with `marker` (tab included) in `text`.
int paragraphOf(const QString &text, const QString &marker)
{
    int at = 0;
    while ((at = text.indexOf(marker, at)) >= 0) {
        if (at == 0 || text.at(at - 1) == QLatin1Char('\n'))
            return at;
        ++at;
    }
    return -1;
}

struct Span {
    int from;
    int to;
};

// Spans as text, so that a failed comparison shows them.
QString str(const QList<Span> &spans)
{
    QString s;
    for (const Span &sp : spans)
        s += QStringLiteral("[%1,%2) ").arg(sp.from).arg(sp.to);
    return s;
}

// Red runs of the view, in view positions (CR LF counted), neighbouring runs joined.
QList<Span> redSpans(RichTextView *view)
{
    QList<Span> spans;
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().foreground().color() != QColor(255, 0, 0))
                continue;
            const int from = view->fromDocumentPosition(f.position());
            const int to = view->fromDocumentPosition(f.position() + f.length());
            if (!spans.isEmpty() && spans.last().to == from)
                spans.last().to = to;
            else
                spans.append({from, to});
        }
    }
    return spans;
}

// Occurrences of `word` in the view's text, letter case ignored, each search going on from
// the end of the previous occurrence.
QList<Span> occurrences(const QString &text, const QString &word)
{
    QList<Span> spans;
    for (int at = text.indexOf(word, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(word, at + word.size(), Qt::CaseInsensitive)) {
        if (!spans.isEmpty() && spans.last().to == at)
            spans.last().to = at + word.size();
        else
            spans.append({at, int(at + word.size())});
    }
    return spans;
}

} // namespace

class TestAyahLocator : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void kerkojeInListing();

    void selectInHeading();
    void selectInFirstParagraph();
    void selectInListing();

    void colourWord_data();
    void colourWord();
    void colourMatchesTheDocumentsFind_data();
    void colourMatchesTheDocumentsFind();
    void colourAbsentWord();
    void colourEmptyWord();
    void colourYieldsOncePerOccurrence();
    void colourStopsWhenTextReplaced();
    void colourSurvivesViewDeletion();
    void colourNestedRunOwnsView();
    void colourGoesOnAfterFontChange();

private:
    std::unique_ptr<RichTextView> m_view;
};

void TestAyahLocator::init()
{
    m_view = std::make_unique<RichTextView>();
    m_view->resize(500, 300);
    m_view->setText(sampleText());
    m_view->show();
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void TestAyahLocator::cleanup()
{
    m_view.reset();
}

void TestAyahLocator::kerkojeInListing()
{
    m_view->setText(sampleListing());
    kerkoje(m_view.get(), QStringLiteral("12"), QStringLiteral("5"));
    QCOMPARE(m_view->selText(), QStringLiteral("12:5.\tAllah zna"));
    QVERIFY(m_view->hasFocus());
    // Not in the listing, though its marker text occurs inside 12:5. and 22:5.: the first
    // paragraph, which is empty here, rather than the tail of another ayah's line.
    kerkoje(m_view.get(), QStringLiteral("2"), QStringLiteral("5"));
    QCOMPARE(m_view->selStart(), 0);
    QCOMPARE(m_view->selText(), QString());
    // An ayah later in the listing than a line whose marker ends in the same text.
    m_view->setText(sampleListing() + QStringLiteral("2:5.\tDruga sura") + CRLF);
    kerkoje(m_view.get(), QStringLiteral("2"), QStringLiteral("5"));
    QCOMPARE(m_view->selText(), QStringLiteral("2:5.\tDruga sura"));
}

void TestAyahLocator::selectInHeading()
{
    // A heading has no tab: the selection runs from the heading's first character through the
    // next tab in the text and on to the end of the paragraph that holds that tab.
    const QString text = m_view->text();
    const int heading = text.indexOf(QStringLiteral("SURA JUSUF"));
    m_view->setSelStart(heading + 4);
    const QString m = velmora::selectAyahAtCaret(m_view.get());
    QCOMPARE(m, QStringLiteral("SURA JUSUF\r\n12:4."));
    QCOMPARE(m_view->selStart(), heading);
    QCOMPARE(m_view->selText(), QStringLiteral("SURA JUSUF\r\n12:4.\tJusufov ajet 4."));
}

void TestAyahLocator::selectInFirstParagraph()
{
    // No paragraph end before the caret: the start is 0 plus 2, the third character.
    m_view->setSelStart(4);
    const QString m = velmora::selectAyahAtCaret(m_view.get());
    QCOMPARE(m, QStringLiteral("R'AN\r\nSURA FATIHA\r\n1:1."));
    QCOMPARE(m_view->selStart(), 2);
    QVERIFY(m_view->selText().endsWith(QStringLiteral("1:1.\tU ime Allaha, Milostivog, Samilosnog!")));
}

void TestAyahLocator::selectInListing()
{
    m_view->setText(sampleListing());
    const QString text = m_view->text();
    const int start = paragraphOf(text, QStringLiteral("22:5.\t"));
    m_view->setSelStart(start + 9);
    QCOMPARE(velmora::selectAyahAtCaret(m_view.get()), QStringLiteral("22:5."));
    QCOMPARE(m_view->selText(), QStringLiteral("22:5.\tAllahov poziv"));
}

void TestAyahLocator::colourWord_data()
{
    QTest::addColumn<QString>("word");
    QTest::newRow("allah in small letters") << QStringLiteral("allah");
    QTest::newRow("ALLAH") << QStringLiteral("ALLAH");
    QTest::newRow("inside words") << QStringLiteral("jet");
    QTest::newRow("two words") << QStringLiteral("druge sure");
}

void TestAyahLocator::colourWord()
{
    QFETCH(QString, word);
    const QString text = m_view->text();
    const QList<Span> expected = occurrences(text, word);
    QVERIFY(expected.size() >= 2);
    m_view->setSelStart(50);
    SkuqjeFjalesh(m_view.get(), word);
    QCOMPARE(str(redSpans(m_view.get())), str(expected));
    QCOMPARE(m_view->selStart(), 0);
    QCOMPARE(m_view->selText(), QString());
    QVERIFY(m_view->hasFocus());
    // The text itself is unchanged.
    QCOMPARE(m_view->text(), text);
}

void TestAyahLocator::colourMatchesTheDocumentsFind_data()
{
    QTest::addColumn<QString>("word");
    QTest::newRow("allah") << QStringLiteral("allah");
    QTest::newRow("blank matches a no-break space") << QStringLiteral("nema boga");
    QTest::newRow("repeated letters") << QStringLiteral("aa");
    QTest::newRow("marker text") << QStringLiteral("2:5.");
}

void TestAyahLocator::colourMatchesTheDocumentsFind()
{
    // The occurrences are those that the view's find reaches one after the other.
    QFETCH(QString, word);
    m_view->setText(sampleText() + QStringLiteral("2:256.\tNema\u00A0boga, nema boga; aaaaa Aa") + CRLF);
    QList<Span> expected;
    QTextDocument *doc = m_view->document();
    for (QTextCursor hit = doc->find(word, 0); !hit.isNull(); hit = doc->find(word, hit.selectionEnd())) {
        const int from = m_view->fromDocumentPosition(hit.selectionStart());
        const int to = m_view->fromDocumentPosition(hit.selectionEnd());
        if (!expected.isEmpty() && expected.last().to == from)
            expected.last().to = to;
        else
            expected.append({from, to});
    }
    QVERIFY(!expected.isEmpty());
    SkuqjeFjalesh(m_view.get(), word);
    QCOMPARE(str(redSpans(m_view.get())), str(expected));
}

void TestAyahLocator::colourAbsentWord()
{
    m_view->setSelStart(30);
    SkuqjeFjalesh(m_view.get(), QStringLiteral("Musa"));
    QVERIFY(redSpans(m_view.get()).isEmpty());
    QCOMPARE(m_view->selStart(), 0);
    QVERIFY(m_view->hasFocus());
}

void TestAyahLocator::colourEmptyWord()
{
    m_view->setSelStart(30);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
    ticker.start(0);
    SkuqjeFjalesh(m_view.get(), QString());
    ticker.stop();
    QVERIFY(redSpans(m_view.get()).isEmpty());
    QCOMPARE(m_view->selStart(), 30);
    QCOMPARE(ticks, 0);
}

void TestAyahLocator::colourYieldsOncePerOccurrence()
{
    const int n = int(occurrences(m_view->text(), QStringLiteral("allah")).size());
    QVERIFY(n > 5);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
    ticker.start(0);
    SkuqjeFjalesh(m_view.get(), QStringLiteral("allah"));
    ticker.stop();
    // A zero timer fires once per pass of the event loop.
    QVERIFY2(ticks >= n - 1, qPrintable(QStringLiteral("%1 passes for %2 occurrences").arg(ticks).arg(n)));
    QVERIFY2(ticks <= 2 * n, qPrintable(QStringLiteral("%1 passes for %2 occurrences").arg(ticks).arg(n)));
}

void TestAyahLocator::colourStopsWhenTextReplaced()
{
    // The whole text comes back while the words are coloured: the new text is left alone.
    const QString replacement = QStringLiteral("Allah Allah Allah") + CRLF + QStringLiteral("allah") + CRLF;
    QTimer::singleShot(0, m_view.get(), [this, replacement] { m_view->setText(replacement); });
    SkuqjeFjalesh(m_view.get(), QStringLiteral("allah"));
    QCOMPARE(m_view->text(), replacement);
    QVERIFY(redSpans(m_view.get()).isEmpty());
}

void TestAyahLocator::colourSurvivesViewDeletion()
{
    QPointer<RichTextView> view(m_view.get());
    QTimer::singleShot(0, this, [this] { m_view.reset(); });
    SkuqjeFjalesh(view, QStringLiteral("allah"));
    QVERIFY(view.isNull());
}

void TestAyahLocator::colourNestedRunOwnsView()
{
    // A new search arrives during the yields: its listing and its colouring win.
    bool nestedDone = false;
    QTimer::singleShot(0, m_view.get(), [this, &nestedDone] {
        m_view->setText(sampleListing());
        SkuqjeFjalesh(m_view.get(), QStringLiteral("zna"));
        nestedDone = true;
    });
    SkuqjeFjalesh(m_view.get(), QStringLiteral("allah"));
    QVERIFY(nestedDone);
    QCOMPARE(m_view->text(), sampleListing());
    QCOMPARE(str(redSpans(m_view.get())), str(occurrences(sampleListing(), QStringLiteral("zna"))));
}

void TestAyahLocator::colourGoesOnAfterFontChange()
{
    // A new font size picked during the yields changes formats only: every occurrence still
    // ends up red, in the new size.
    QTimer::singleShot(0, m_view.get(), [this] { applyFontSize(m_view.get(), QStringLiteral("14")); });
    SkuqjeFjalesh(m_view.get(), QStringLiteral("allah"));
    QCOMPARE(str(redSpans(m_view.get())), str(occurrences(m_view->text(), QStringLiteral("allah"))));
    QTextCursor last(m_view->document());
    last.movePosition(QTextCursor::End);
    QCOMPARE(last.charFormat().fontPointSize(), 14.0);
}

QTEST_MAIN(TestAyahLocator)
#include "tst_ayahlocator.moc"
