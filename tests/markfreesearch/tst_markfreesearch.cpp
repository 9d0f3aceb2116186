#include "TestSupport.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/Database.h"
#include "search/VerseQuery.h"
#include "search/widgets/VerseSearchPart.h"
#include "textview/widgets/RichTextView.h"

#include <QtTest>
#include <QtWidgets>

using namespace velmora;

namespace {

// Every way of writing `word` with the marks a reader may have left out: c as c, č or ć, s as
// s or š, z as z or ž, d as d or đ, dj as dj, đj or đ. Built letter by letter, in small
// letters, independently of the program's patterns.
QStringList spellings(const QString &word)
{
    QStringList out{QString()};
    const QString w = word.toLower();
    for (qsizetype i = 0; i < w.size(); ++i) {
        QStringList options;
        const QChar c = w[i];
        if (c == u'd' && i + 1 < w.size() && w[i + 1] == u'j') {
            options = {QStringLiteral("dj"), QStringLiteral("đj"), QStringLiteral("đ")};
            ++i;
        } else if (c == u'c') {
            options = {QStringLiteral("c"), QStringLiteral("č"), QStringLiteral("ć")};
        } else if (c == u's') {
            options = {QStringLiteral("s"), QStringLiteral("š")};
        } else if (c == u'z') {
            options = {QStringLiteral("z"), QStringLiteral("ž")};
        } else if (c == u'd') {
            options = {QStringLiteral("d"), QStringLiteral("đ")};
        } else {
            options = {QString(c)};
        }
        QStringList longer;
        for (const QString &start : out)
            for (const QString &o : options)
                longer.append(start + o);
        out = longer;
    }
    return out;
}

bool holdsAny(const QString &text, const QStringList &forms)
{
    const QString lower = text.toLower();
    for (const QString &f : forms) {
        if (lower.contains(f))
            return true;
    }
    return false;
}

// The ayahs of the store (within one surah when `surah` is not empty) that hold every word in
// one of its spellings.
int expectedCount(const QStringList &words, const QString &surah)
{
    data::Recordset rows = data::Database::open(QStringLiteral("bazabos.mdb"))
                               .openRecordset(QStringLiteral("SELECT * FROM kuran"));
    int n = 0;
    while (rows.isValid() && !rows.eof()) {
        const QString text = rows.field(2).value_or(QString());
        bool all = surah.isEmpty() || rows.field(0).value_or(QString()) == surah;
        for (const QString &w : words)
            all = all && holdsAny(text, spellings(w));
        n += all ? 1 : 0;
        rows.moveNext();
    }
    return n;
}

// The characters of the view that are red, and those that some spelling of some word covers,
// compared position by position; the number of red characters in `redCount`.
QString redMismatch(RichTextView *view, const QStringList &words, int *redCount)
{
    view->setSelStart(0); // writes any colour still waiting into the document
    QTextDocument *doc = view->document();
    const QString plain = doc->toPlainText().toLower();
    QList<bool> shouldBeRed(plain.size(), false);
    for (const QString &w : words) {
        for (const QString &f : spellings(w)) {
            for (qsizetype i = plain.indexOf(f); i >= 0; i = plain.indexOf(f, i + f.size()))
                for (qsizetype k = i; k < i + f.size(); ++k)
                    shouldBeRed[k] = true;
        }
    }
    *redCount = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const bool red = f.charFormat().foreground().color() == QColor(255, 0, 0);
            for (int k = f.position(); k < f.position() + f.length() && k < plain.size(); ++k) {
                if (shouldBeRed[k] != red)
                    return QStringLiteral("at %1 (%2): red %3")
                        .arg(k)
                        .arg(plain.mid(std::max(0, k - 10), 20))
                        .arg(red);
                *redCount += red ? 1 : 0;
            }
        }
    }
    return QString();
}

} // namespace

class TestMarkFreeSearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.path());
        QVERIFY(test::useDefaultData());
        m_w = std::make_unique<MainWindow>();
        QVERIFY(test::startMainWindow(*m_w));
    }

    void init()
    {
        if (m_w->isResultsView())
            QVERIFY(m_w->leaveResultsView());
        m_w->controls().ChkKerkoSure->setChecked(false);
    }

    void tickedFindsWithoutMarks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("surah"); // empty: the whole book

        QTest::newRow("covjek finds čovjek") << "covjek" << QStringLiteral("");
        QTest::newRow("sejtan finds šejtan, capital too") << "Sejtan" << QStringLiteral("");
        QTest::newRow("rodjen finds rođen and rodjen") << "rodjen" << QStringLiteral("");
        QTest::newRow("two words, each without marks") << "sejtan&Allah" << QStringLiteral("");
        QTest::newRow("within one surah") << "zena" << QStringLiteral("4");
    }

    // The listing holds exactly the ayahs in which every word stands in one of its spellings, the
    // summary counts them, and exactly those spellings are red.
    void tickedFindsWithoutMarks()
    {
        QFETCH(QString, text);
        QFETCH(QString, surah);
        MainControls &c = m_w->controls();
        if (!c.chkBezKvacica->isChecked())
            test::clickAt(c.chkBezKvacica);
        QVERIFY(c.chkBezKvacica->isChecked());
        if (!surah.isEmpty()) {
            c.CmbNrSure->setEditText(surah);
            test::clickAt(c.ChkKerkoSure);
            QVERIFY(c.ChkKerkoSure->isChecked());
        }
        QVERIFY(test::searchAsReader(*m_w, text));

        const QStringList words = text.split(QLatin1Char('&'));
        const int expected = expectedCount(words, surah);
        QVERIFY(expected > 1);
        const QString shown = c.Rtf1->text();
        QCOMPARE(int(shown.count(QStringLiteral(".\t"))), expected);
        QVERIFY2(shown.contains(summaryLine(expected, text, !surah.isEmpty(), c.CmbEmrSure->currentText())),
                 qPrintable(shown.left(200)));
        int red = 0;
        const QString mismatch = redMismatch(c.Rtf1, words, &red);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QVERIFY(red > expected);
    }

    // Unticked, a word typed without its marks finds what it found before: nothing for covjek,
    // while čovjek is in many ayahs.
    void untickedIsTheSearchAsBefore()
    {
        MainControls &c = m_w->controls();
        if (c.chkBezKvacica->isChecked())
            test::clickAt(c.chkBezKvacica);
        QVERIFY(!c.chkBezKvacica->isChecked());
        QVERIFY(test::searchAsReader(*m_w, QStringLiteral("covjek")));
        QVERIFY(c.Rtf1->text().startsWith(
            QStringLiteral("\r\nNije pronađen neki ajet koji sadrži izraz covjek\r\n")));
    }

    void tooManyFormsOnlyTellsTheReader()
    {
        MainControls &c = m_w->controls();
        if (!c.chkBezKvacica->isChecked())
            test::clickAt(c.chkBezKvacica);
        const QString before = c.Rtf1->text();
        const int history = c.CmbKerkoKrejt->count();
        test::MessageBoxAnswerer answerer;
        answerer.answer(QMessageBox::Ok);
        test::clickAt(c.CmbKerkoKrejt);
        QVERIFY(test::waitUntil([&] { return c.CmbKerkoKrejt->hasFocus(); }));
        test::typeText(c.CmbKerkoKrejt, QStringLiteral("djdjdjdjdjdjdj"));
        test::pressKey(c.CmbKerkoKrejt, Qt::Key_Return);
        QVERIFY(test::waitUntil([&] { return answerer.pending() == 0; }));
        QCOMPARE(answerer.texts.size(), 1);
        QVERIFY2(
            answerer.texts.first().startsWith(QStringLiteral("Riječ \"djdjdjdjdjdjdj\" ima previše slova")),
            qPrintable(answerer.texts.first()));
        QCOMPARE(c.Rtf1->text(), before);
        QVERIFY(!m_w->isResultsView());
        QCOMPARE(c.CmbKerkoKrejt->count(), history);
    }

    void stateKeptInTheSettingsStore_data()
    {
        QTest::addColumn<QVariant>("stored"); // invalid: nothing kept
        QTest::addColumn<bool>("ticked");
        QTest::newRow("nothing kept: unticked") << QVariant() << false;
        QTest::newRow("kept ticked") << QVariant(QStringLiteral("true")) << true;
        QTest::newRow("kept unticked") << QVariant(QStringLiteral("false")) << false;
        QTest::newRow("damaged value: unticked") << QVariant(QStringLiteral("\x01yes")) << false;
    }

    // A new window shows the state kept, and a click on the box keeps the new state at once.
    void stateKeptInTheSettingsStore()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, ticked);
        {
            auto settings = VerseSearchPart::openSettings();
            if (stored.isValid())
                settings->setValue(VerseSearchPart::ignoreMarksKey(), stored);
            else
                settings->remove(VerseSearchPart::ignoreMarksKey());
        }
        MainWindow again;
        QVERIFY(test::startMainWindow(again));
        QCheckBox *box = again.controls().chkBezKvacica;
        QCOMPARE(box->isChecked(), ticked);
        test::clickAt(box);
        QCOMPARE(box->isChecked(), !ticked);
        QSettings file(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora"),
                       QStringLiteral("Velmora 4.0"));
        QCOMPARE(file.value(VerseSearchPart::ignoreMarksKey()).toString(),
                 ticked ? QStringLiteral("false") : QStringLiteral("true"));
        QVERIFY(QFile::exists(file.fileName()));
        QVERIFY(file.fileName().startsWith(m_home.path()));
        again.close();
        QVERIFY(test::showActive(m_w.get()));
    }

private:
    std::unique_ptr<MainWindow> m_w;
    QTemporaryDir m_home;
};

QTEST_MAIN(TestMarkFreeSearch)
#include "tst_markfreesearch.moc"
