// Locating and colouring on a text view that holds a small text of the same paragraph form as
// the whole text, and reading ayah markers.
#include "textview/AyahMarker.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/RichTextView.h"

#include <QtGui>
#include <QtTest>
#include <memory>

using namespace velmora;

namespace {

const QString CRLF = QStringLiteral("\r\n");

// A title, a heading and ayah paragraphs, each ended by CR LF.
QString sampleText()
{
    QString t = QStringLiteral("KUR'AN") + CRLF + QStringLiteral("SURA BEKARA") + CRLF;
    for (int a = 1; a <= 7; ++a)
        t += QStringLiteral("2:%1.\tAjet %1 druge sure; ALLAH zna, allahu ekber.").arg(a) + CRLF;
    return t;
}

// A verse search listing in which the marker 2:5. occurs only inside 12:5. and 22:5.
QString sampleListing()
{
    return CRLF + QStringLiteral("Ukupno je pronađeno 3 ajeta:") + CRLF + CRLF +
           QStringLiteral("2:255.\tAllah je, nema boga osim Njega") + CRLF +
           QStringLiteral("12:5.\tAllah zna") + CRLF + QStringLiteral("22:5.\tAllahov poziv") + CRLF;
}

// Red runs of the view, in view positions, neighbouring runs joined, as text.
QString redSpans(RichTextView *view)
{
    QList<QPair<int, int>> spans;
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().foreground().color() != QColor(255, 0, 0))
                continue;
            const int from = view->fromDocumentPosition(f.position());
            const int to = view->fromDocumentPosition(f.position() + f.length());
            if (!spans.isEmpty() && spans.last().second == from)
                spans.last().second = to;
            else
                spans.append({from, to});
        }
    }
    QString s;
    for (const auto &[from, to] : spans)
        s += QStringLiteral("[%1,%2) ").arg(from).arg(to);
    return s;
}

} // namespace

class TestAyahLocator : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_view = std::make_unique<RichTextView>();
        m_view->resize(500, 300);
        m_view->setText(sampleText());
        m_view->show();
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup() { m_view.reset(); }

    void kerkojeInListing()
    {
        m_view->setText(sampleListing());
        kerkoje(m_view.get(), QStringLiteral("12"), QStringLiteral("5"));
        QCOMPARE(m_view->selText(), QStringLiteral("12:5.\tAllah zna"));
        QVERIFY(m_view->hasFocus());
        // Not in the listing, though its marker text occurs inside 12:5. and 22:5.: the first
        // paragraph, empty here, rather than the tail of another ayah's line.
        kerkoje(m_view.get(), QStringLiteral("2"), QStringLiteral("5"));
        QCOMPARE(m_view->selStart(), 0);
        QCOMPARE(m_view->selText(), QString());
        // An ayah later in the listing than a line whose marker ends in the same text.
        m_view->setText(sampleListing() + QStringLiteral("2:5.\tDruga sura") + CRLF);
        kerkoje(m_view.get(), QStringLiteral("2"), QStringLiteral("5"));
        QCOMPARE(m_view->selText(), QStringLiteral("2:5.\tDruga sura"));
    }

    // clang-format off
    void colourWord_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("red"); // the red spans expected
        QTest::addColumn<int>("caret");   // after colouring; the caret stands at 50 before
        // Every occurrence, letter case ignored, inside longer words too.
        const auto spans = [](const QString &word) {
            QString s;
            const QString text = sampleText();
            for (int at = text.indexOf(word, 0, Qt::CaseInsensitive); at >= 0;
                 at = text.indexOf(word, at + word.size(), Qt::CaseInsensitive))
                s += QStringLiteral("[%1,%2) ").arg(at).arg(at + word.size());
            return s;
        };
        QTest::newRow("allah in small letters") << "allah" << spans(QStringLiteral("allah")) << 0;
        QTest::newRow("ALLAH in capitals") << "ALLAH" << spans(QStringLiteral("allah")) << 0;
        QTest::newRow("two words") << "druge sure" << spans(QStringLiteral("druge sure")) << 0;
        QTest::newRow("absent word") << "Musa" << "" << 0;
        QTest::newRow("empty word colours nothing") << "" << "" << 50;
    }
    // clang-format on

    void colourWord()
    {
        QFETCH(QString, word);
        const QString text = m_view->text();
        m_view->setSelStart(50);
        SkuqjeFjalesh(m_view.get(), word);
        QTEST(redSpans(m_view.get()), "red");
        QTEST(m_view->selStart(), "caret");
        QCOMPARE(m_view->text(), text);
    }

    void colourStopsWhenTextReplaced()
    {
        // The whole text comes back while the words are coloured: the new text is left alone.
        const QString replacement =
            QStringLiteral("Allah Allah Allah") + CRLF + QStringLiteral("allah") + CRLF;
        QTimer::singleShot(0, m_view.get(), [this, replacement] { m_view->setText(replacement); });
        SkuqjeFjalesh(m_view.get(), QStringLiteral("allah"));
        QCOMPARE(m_view->text(), replacement);
        QCOMPARE(redSpans(m_view.get()), QString());
    }

    void colourSurvivesViewDeletion()
    {
        QPointer<RichTextView> view(m_view.get());
        QTimer::singleShot(0, this, [this] { m_view.reset(); });
        SkuqjeFjalesh(view, QStringLiteral("allah"));
        QVERIFY(view.isNull());
    }

    // clang-format off
    void readMarker_data()
    {
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QString>("surah");
        QTest::addColumn<QString>("ayah");
        QTest::newRow("2:255.") << "2:255." << "2" << "255";
        QTest::newRow("dot first") << ".5" << "" << "";
        QTest::newRow("dot before colon") << "3.:4." << "3" << "";
        QTest::newRow("heading text") << "SURA EL-FATIHA" << "SURA EL-FATIHA" << "";
        QTest::newRow("empty") << "" << "" << "";
        // The ayah ends one character before the end, whatever that character is.
        QTest::newRow("no final dot") << "2:255" << "2" << "25";
        QTest::newRow("colon last") << "2:" << "2" << "";
        QTest::newRow("colon then dot") << "2:." << "2" << "";
        QTest::newRow("colon first") << ":5." << "" << "5";
        QTest::newRow("second colon kept") << "1:2:3." << "1" << "2:3";
        QTest::newRow("leading zero kept") << "02:1." << "02" << "1";
    }
    // clang-format on

    void readMarker()
    {
        QFETCH(QString, marker);
        QFETCH(QString, surah);
        QFETCH(QString, ayah);
        // The reading replaces what the targets held; either target may be left out.
        QString s = QStringLiteral("old"), a = QStringLiteral("old");
        velmora::readMarker(marker, &s, &a);
        QCOMPARE(s, surah);
        QCOMPARE(a, ayah);
        s = a = QStringLiteral("old");
        velmora::readMarker(marker, &s, nullptr);
        velmora::readMarker(marker, nullptr, &a);
        QCOMPARE(s, surah);
        QCOMPARE(a, ayah);
    }

private:
    std::unique_ptr<RichTextView> m_view;
};

QTEST_MAIN(TestAyahLocator)
#include "tst_ayahlocator.moc"
