#include "TestSupport.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "textview/widgets/RichTextView.h"

#include <QtTest>
#include <QtWidgets>

using namespace velmora;

namespace {

bool isRed(const QTextDocument *doc, int pos)
{
    const QTextBlock b = doc->findBlock(pos);
    for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (pos >= f.position() && pos < f.position() + f.length())
            return f.charFormat().foreground().color() == QColor(255, 0, 0);
    }
    return false;
}

// What the first paint of the view showing a listing showed: whether every occurrence of the
// word on the screen was red, and whether the last occurrence of the listing was red already.
class FirstListingPaint : public QObject {
public:
    FirstListingPaint(RichTextView *view, const QString &word) : m_view(view), m_word(word)
    {
        view->viewport()->installEventFilter(this);
    }
    bool seen = false;
    int onScreen = 0;
    int onScreenRed = 0;
    bool lastRed = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || seen)
            return false;
        const QTextDocument *doc = m_view->document();
        const QTextBlock second = doc->firstBlock().next();
        if (!second.isValid() || !second.text().contains(QStringLiteral(" izraz ")))
            return false;
        seen = true;
        const QString text = doc->toRawText();
        const int screenEnd = m_view->cursorForPosition(m_view->viewport()->rect().bottomRight()).position();
        for (qsizetype at = text.indexOf(m_word, 0, Qt::CaseInsensitive); at >= 0 && at < screenEnd;
             at = text.indexOf(m_word, at + m_word.size(), Qt::CaseInsensitive)) {
            ++onScreen;
            onScreenRed += isRed(doc, int(at)) ? 1 : 0;
        }
        lastRed = isRed(doc, int(text.lastIndexOf(m_word, -1, Qt::CaseInsensitive)));
        return false;
    }

private:
    RichTextView *m_view;
    QString m_word;
};

} // namespace

class TestFirstScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.path());
        QVERIFY(test::useDefaultData());
        m_w = std::make_unique<MainWindow>();
        QVERIFY(test::startMainWindow(*m_w));
    }

    void firstScreenPaintedRedBeforeTheRest_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("ignoreMarks");
        QTest::newRow("je") << "je" << false;
        QTest::newRow("je, Bez kvačica") << "je" << true;
    }

    // The reader sees the first screen of a long listing with its red words at once: the first
    // paint that shows the listing has every found word of the screen red, while the end of the
    // listing is still being coloured; when the search ends, the end is red too.
    void firstScreenPaintedRedBeforeTheRest()
    {
        QFETCH(QString, word);
        QFETCH(bool, ignoreMarks);
        MainControls &c = m_w->controls();
        if (m_w->isResultsView())
            QVERIFY(m_w->leaveResultsView());
        if (c.chkBezKvacica->isChecked() != ignoreMarks)
            test::clickAt(c.chkBezKvacica);
        QCOMPARE(c.chkBezKvacica->isChecked(), ignoreMarks);
        c.CmbKerkoKrejt->clear();
        FirstListingPaint paint(c.Rtf1, word);
        QVERIFY(test::searchAsReader(*m_w, word, 30000));
        QVERIFY(paint.seen);
        QVERIFY(paint.onScreen > 3);
        QCOMPARE(paint.onScreenRed, paint.onScreen);
        QVERIFY(!paint.lastRed);
        c.Rtf1->setSelStart(0);
        const QString text = c.Rtf1->document()->toRawText();
        QVERIFY(isRed(c.Rtf1->document(), int(text.lastIndexOf(word, -1, Qt::CaseInsensitive))));
    }

private:
    std::unique_ptr<MainWindow> m_w;
    QTemporaryDir m_home;
};

QTEST_MAIN(TestFirstScreen)
#include "tst_firstscreen.moc"
