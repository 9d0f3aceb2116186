#include "TestSupport.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "textview/ReadableColours.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/RichTextView.h"

#include <QtTest>
#include <QtWidgets>

using namespace velmora;

namespace {

// A dark colour scheme as desktops give it (the colours of a common dark theme).
QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x2a, 0x2e, 0x32));
    p.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
    p.setColor(QPalette::Base, QColor(0x1b, 0x1e, 0x20));
    p.setColor(QPalette::AlternateBase, QColor(0x23, 0x26, 0x29));
    p.setColor(QPalette::Text, QColor(0xfc, 0xfc, 0xfc));
    p.setColor(QPalette::Button, QColor(0x31, 0x36, 0x3b));
    p.setColor(QPalette::ButtonText, QColor(0xfc, 0xfc, 0xfc));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    p.setColor(QPalette::HighlightedText, QColor(0xfc, 0xfc, 0xfc));
    p.setColor(QPalette::ToolTipBase, QColor(0x31, 0x36, 0x3b));
    p.setColor(QPalette::ToolTipText, QColor(0xfc, 0xfc, 0xfc));
    p.setColor(QPalette::PlaceholderText, QColor(0xa1, 0xa9, 0xb1));
    return p;
}

// The colour a character is shown in: its own, or the view's text colour when it has none.
QColor shownColour(const QTextCharFormat &f, const QWidget *view)
{
    return f.foreground().style() == Qt::NoBrush ? view->palette().color(QPalette::Text)
                                                 : f.foreground().color();
}

struct Lowest {
    double contrast = 21;
    QString where;
};

// The lowest contrast of any character of the blocks whose text starts with one of `starts`
// against the view's background.
Lowest lowestContrast(RichTextView *view, const QStringList &starts)
{
    Lowest lowest;
    const QColor base = view->palette().color(QPalette::Base);
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
        bool wanted = false;
        for (const QString &s : starts)
            wanted = wanted || b.text().startsWith(s);
        if (!wanted)
            continue;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const double c = contrastRatio(shownColour(it.fragment().charFormat(), view), base);
            if (c < lowest.contrast) {
                lowest.contrast = c;
                lowest.where = b.text().left(40);
            }
        }
    }
    return lowest;
}

QColor headingColour(RichTextView *view)
{
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next()) {
        if (b.text() == QLatin1String("2. SURA BEKARE"))
            return b.begin().fragment().charFormat().foreground().color();
    }
    return QColor();
}

} // namespace

class TestDarkPalette : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(test::useDefaultData());
        m_light = QApplication::palette();
        QVERIFY(!isDarkBackground(m_light.color(QPalette::Base)));
    }

    void cleanup() { QApplication::setPalette(m_light); }

    void readableColour_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QString>("expected"); // "same", "text" or "lifted" (same hue, 7:1)

        const QColor white(255, 255, 255), dark(0x1b, 0x1e, 0x20), darkGrey(0x3c, 0x3f, 0x41);
        QTest::newRow("black body text on white: as the file has it") << QColor(0, 0, 0) << white << "same";
        QTest::newRow("dark blue heading on white: as the file has it")
            << QColor(0, 0, 128) << white << "same";
        QTest::newRow("dark red on white: as the file has it") << QColor(128, 0, 0) << white << "same";
        QTest::newRow("found-word red on white") << QColor(255, 0, 0) << white << "same";
        QTest::newRow("found-word red on dark") << QColor(255, 0, 0) << dark << "same";
        QTest::newRow("black body text on dark: the scheme's text") << QColor(0, 0, 0) << dark << "text";
        QTest::newRow("grey on dark: the scheme's text") << QColor(60, 60, 60) << dark << "text";
        QTest::newRow("dark blue heading on dark: lighter blue") << QColor(0, 0, 128) << dark << "lifted";
        QTest::newRow("dark red on dark: lighter red") << QColor(128, 0, 0) << dark << "lifted";
        QTest::newRow("dark blue heading on dark grey") << QColor(0, 0, 128) << darkGrey << "lifted";
        QTest::newRow("yellow on white: darker yellow") << QColor(255, 255, 0) << white << "lifted";
    }

    void readableColour()
    {
        QFETCH(QColor, colour);
        QFETCH(QColor, background);
        QFETCH(QString, expected);
        const QColor text(0xfc, 0xfc, 0xfc);
        const QColor shown = velmora::readableColour(colour, background, text);
        if (expected == QLatin1String("same")) {
            QCOMPARE(shown, colour);
            QVERIFY(contrastRatio(shown, background) >= 3.0);
        } else if (expected == QLatin1String("text")) {
            QCOMPARE(shown, text);
        } else {
            QVERIFY2(contrastRatio(shown, background) >= 7.0,
                     qPrintable(shown.name() + QStringLiteral(" %1").arg(contrastRatio(shown, background))));
            // The same colour family: the hue stays within a few degrees.
            QVERIFY2(qAbs(shown.toHsl().hslHue() - colour.toHsl().hslHue()) <= 4, qPrintable(shown.name()));
        }
    }

    void wholeTextReadsOnTheSchemeAtStart_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light scheme") << false;
        QTest::newRow("dark scheme") << true;
    }

    // Headings, the ayahs and the translator's line all stand out from the view's background by
    // 7:1 at least, on a light scheme as the file colours them, on a dark one made lighter.
    void wholeTextReadsOnTheSchemeAtStart()
    {
        QFETCH(bool, dark);
        if (dark)
            QApplication::setPalette(darkPalette());
        MainWindow w;
        QVERIFY(test::startMainWindow(w));
        RichTextView *view = w.controls().Rtf1;
        QCOMPARE(isDarkBackground(view->palette().color(QPalette::Base)), dark);
        const Lowest lowest = lowestContrast(view, {QStringLiteral("KUR'AN"), QStringLiteral("Prijevod"),
                                                    QStringLiteral("1. SURA"), QStringLiteral("2. SURA"),
                                                    QStringLiteral("El-"), QStringLiteral("U ime Allaha"),
                                                    QStringLiteral("1:"), QStringLiteral("2:")});
        QVERIFY2(lowest.contrast >= 7.0,
                 qPrintable(QStringLiteral("%1 in \"%2\"").arg(lowest.contrast).arg(lowest.where)));
        if (!dark)
            QCOMPARE(headingColour(view), QColor(0, 0, 128)); // the file's own colour, untouched
        else
            QVERIFY(headingColour(view).blue() > headingColour(view).red() + 40); // still blue
    }

    // The desktop switches to a dark scheme and back while the program runs: the text follows,
    // and on the way back the file's own colours return exactly.
    void schemeChangedWhileRunning()
    {
        MainWindow w;
        QVERIFY(test::startMainWindow(w));
        RichTextView *view = w.controls().Rtf1;
        const QStringList starts{QStringLiteral("2. SURA"), QStringLiteral("2:255.")};
        QCOMPARE(headingColour(view), QColor(0, 0, 128));
        QApplication::setPalette(darkPalette());
        QVERIFY(test::waitUntil([&] { return isDarkBackground(view->palette().color(QPalette::Base)); }));
        QVERIFY(lowestContrast(view, starts).contrast >= 7.0);
        QApplication::setPalette(m_light);
        QVERIFY(test::waitUntil([&] { return !isDarkBackground(view->palette().color(QPalette::Base)); }));
        QCOMPARE(headingColour(view), QColor(0, 0, 128));
        QVERIFY(lowestContrast(view, starts).contrast >= 7.0);
    }

    void foundWordsStayRedAndReadable_data() { wholeTextReadsOnTheSchemeAtStart_data(); }

    // A listing on either scheme: its text reads, its found words are the one red, which stands
    // out from either background.
    void foundWordsStayRedAndReadable()
    {
        QFETCH(bool, dark);
        if (dark)
            QApplication::setPalette(darkPalette());
        MainWindow w;
        QVERIFY(test::startMainWindow(w));
        MainControls &c = w.controls();
        QVERIFY(test::searchAsReader(w, QStringLiteral("Musa")));
        c.Rtf1->setSelStart(0); // colours still waiting go into the document
        const QColor base = c.Rtf1->palette().color(QPalette::Base);
        int red = 0;
        double lowestText = 21;
        for (QTextBlock b = c.Rtf1->document()->begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                const QColor colour = shownColour(f.charFormat(), c.Rtf1);
                if (f.text().compare(QLatin1String("Musa"), Qt::CaseInsensitive) == 0) {
                    QCOMPARE(colour, QColor(255, 0, 0));
                    ++red;
                } else {
                    lowestText = std::min(lowestText, contrastRatio(colour, base));
                }
            }
        }
        QVERIFY(red > 100);
        QVERIFY(lowestText >= 7.0);
    }

    // A word of the file's text made red on a dark scheme stays red when the scheme changes; the
    // rest of the text gets the file's own colour back.
    void wordColouredAfterwardsKeepsItsRed()
    {
        QApplication::setPalette(darkPalette());
        RichTextView view;
        QVERIFY(view.loadRtf("{\\rtf1{\\colortbl ;\\red0\\green0\\blue0;}\\pard\\cf1 U ime Allaha\\par}"));
        const auto colourAt = [&view](int pos) {
            QTextCursor c(view.document());
            c.setPosition(pos + 1);
            return c.charFormat().foreground().color();
        };
        QCOMPARE(colourAt(0), darkPalette().color(QPalette::Text));
        SkuqjeFjalesh(&view, QStringLiteral("Allah"));
        view.setSelStart(0);
        QCOMPARE(colourAt(6), QColor(255, 0, 0));
        QApplication::setPalette(m_light);
        QVERIFY(test::waitUntil([&] { return colourAt(0) == QColor(0, 0, 0); }));
        QCOMPARE(colourAt(6), QColor(255, 0, 0));
        QCOMPARE(colourAt(10), QColor(255, 0, 0));
    }

private:
    QPalette m_light;
};

QTEST_MAIN(TestDarkPalette)
#include "tst_darkpalette.moc"
