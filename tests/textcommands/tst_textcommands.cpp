// Font lists, font name and size on the whole text, copy and select all, driven through a
// real main window on the default data.
#include "TestSupport.h"

#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/RichTextView.h"

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QCollator>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>
#include <QtTest/QtTest>

using namespace velmora;

namespace {

// Red runs of the view, as document positions.
QList<QPair<int, int>> redRuns(const QTextDocument *doc)
{
    QList<QPair<int, int>> runs;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().foreground().color() == QColor(255, 0, 0))
                runs.append({f.position(), f.position() + f.length()});
        }
    }
    return runs;
}

// Sizes and families that occur in the text, over all its characters.
QSet<double> sizesOf(const QTextDocument *doc)
{
    QSet<double> sizes;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it)
            sizes.insert(it.fragment().charFormat().font().pointSizeF());
    }
    return sizes;
}

QSet<QString> familiesOf(const QTextDocument *doc)
{
    QSet<QString> families;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it)
            families.insert(it.fragment().charFormat().font().family());
    }
    return families;
}

} // namespace

class TestTextCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void fontLists();
    void pickFontSizeKeepsRedWords();
    void pickFontName();
    void typingAFontDoesNothing();
    void fontNameOnListingThenWholeTextBack();
    void copySelectedAyah_data();
    void copySelectedAyah();
    void copyEmptySelection();
    void selectWholeTextThenCopy();

private:
    QComboBox *combo(const char *name) const
    {
        return test::byName<QComboBox>(m_window, QLatin1String(name));
    }
    RichTextView *view() const { return test::byName<RichTextView>(m_window, QStringLiteral("Rtf1")); }
    QAction *action(const char *name) const { return test::byName<QAction>(m_window, QLatin1String(name)); }
    void pickText(QComboBox *c, const QString &text);
    void reactivate();

    MainWindow *m_window = nullptr;
};

void TestTextCommands::initTestCase()
{
    QVERIFY2(test::useDefaultData(), "the default data is missing: run scripts/setup.sh");
    m_window = new MainWindow;
    installMainParts(*m_window);
    QVERIFY(m_window->formLoad(MainWindow::Options{0, false}));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestTextCommands::cleanupTestCase()
{
    delete m_window;
}

void TestTextCommands::init()
{
    while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    reactivate();
}

void TestTextCommands::reactivate()
{
    QCoreApplication::processEvents();
    if (QGuiApplication::focusWindow() != m_window->windowHandle()) {
        m_window->activateWindow();
        QVERIFY(test::waitUntil([this] { return QGuiApplication::focusWindow() == m_window->windowHandle(); },
                                2000));
    }
}

void TestTextCommands::pickText(QComboBox *c, const QString &text)
{
    const int row = c->findText(text);
    QVERIFY2(row >= 0, qPrintable(text));
    c->showPopup();
    QVERIFY(test::waitUntil([c] { return c->view()->isVisible(); }, 2000));
    QAbstractItemView *list = c->view();
    const QModelIndex index = c->model()->index(row, c->modelColumn());
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    QVERIFY(test::waitUntil([c] { return !c->view()->isVisible(); }, 2000));
    reactivate();
}

void TestTextCommands::fontLists()
{
    QComboBox *sizes = combo("CmbNrFonti");
    QCOMPARE(sizes->count(), 21);
    for (int i = 0; i < sizes->count(); ++i)
        QCOMPARE(sizes->itemText(i), QString::number(i + 6));
    QCOMPARE(sizes->currentText(), QStringLiteral("10"));

    QComboBox *names = combo("CmbFontNames");
    QCOMPARE(names->currentText(), QStringLiteral("Verdana"));
    const QStringList families = QFontDatabase::families();
    QVERIFY(!families.isEmpty());
    QCOMPARE(names->count(), families.size());
    // Every font the platform reports, the first one included.
    for (const QString &family : families)
        QVERIFY2(names->findText(family) >= 0, qPrintable(family));
    QCollator collator(QLocale(QLocale::Bosnian, QLocale::LatinScript, QLocale::BosniaAndHerzegowina));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (int i = 1; i < names->count(); ++i)
        QVERIFY(collator.compare(names->itemText(i - 1), names->itemText(i)) <= 0);

    // The lists' texts were not applied: the text keeps the file's sizes.
    QVERIFY(sizesOf(view()->document()).size() > 1);
}

void TestTextCommands::pickFontSizeKeepsRedWords()
{
    RichTextView *v = view();
    QVERIFY(m_window->loadWholeText(QStringLiteral("KUR'AN.rtf")));
    SkuqjeFjalesh(v, QStringLiteral("milostiv"));
    const auto red = redRuns(v->document());
    QVERIFY(red.size() > 10);
    v->setSelStart(5000);

    // The reader clicks the list's arrow: the list takes the focus and keeps it.
    combo("CmbNrFonti")->setFocus(Qt::MouseFocusReason);
    pickText(combo("CmbNrFonti"), QStringLiteral("14"));
    QCOMPARE(sizesOf(v->document()), QSet<double>{14.0});
    QCOMPARE(redRuns(v->document()), red);
    QCOMPARE(v->selStart(), 0);
    QCOMPARE(v->selLength(), 0);
    // The focus stays in the list that was used.
    QCOMPARE(QApplication::focusWidget(), combo("CmbNrFonti"));

    pickText(combo("CmbNrFonti"), QStringLiteral("6"));
    QCOMPARE(sizesOf(v->document()), QSet<double>{6.0});
    QCOMPARE(redRuns(v->document()), red);
}

void TestTextCommands::pickFontName()
{
    RichTextView *v = view();
    QVERIFY(m_window->loadWholeText(QStringLiteral("KUR'AN.rtf")));
    const QSet<double> fileSizes = sizesOf(v->document());
    SkuqjeFjalesh(v, QStringLiteral("Musa"));
    const auto red = redRuns(v->document());
    QVERIFY(!red.isEmpty());
    QComboBox *names = combo("CmbFontNames");
    const QString family = names->itemText(names->count() - 1);
    pickText(names, family);
    QCOMPARE(familiesOf(v->document()), QSet<QString>{family});
    QCOMPARE(redRuns(v->document()), red);
    QCOMPARE(sizesOf(v->document()), fileSizes);
    QCOMPARE(v->selStart(), 0);
    QCOMPARE(v->selLength(), 0);
}

void TestTextCommands::typingAFontDoesNothing()
{
    RichTextView *v = view();
    QVERIFY(m_window->loadWholeText(QStringLiteral("KUR'AN.rtf")));
    const QSet<double> fileSizes = sizesOf(v->document());
    QComboBox *sizes = combo("CmbNrFonti");
    sizes->setFocus(Qt::TabFocusReason);
    sizes->lineEdit()->selectAll();
    QTest::keyClicks(sizes, QStringLiteral("12"));
    QTest::keyClick(sizes, Qt::Key_Return);
    test::byName<QLineEdit>(m_window, QStringLiteral("txtKerkim"))->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    QCOMPARE(sizes->currentText(), QStringLiteral("12"));
    QCOMPARE(sizesOf(v->document()), fileSizes);
}

void TestTextCommands::fontNameOnListingThenWholeTextBack()
{
    RichTextView *v = view();
    QVERIFY(m_window->loadWholeText(QStringLiteral("KUR'AN.rtf")));
    const QSet<QString> fileFamilies = familiesOf(v->document());
    m_window->enterResultsView();
    v->setText(QStringLiteral("\r\nUkupno 1 ajet\r\n\r\n2:255.\tAllah je, nema boga osim Njega\r\n"));
    QComboBox *names = combo("CmbFontNames");
    const QString family = names->itemText(0);
    pickText(names, family);
    QCOMPARE(familiesOf(v->document()), QSet<QString>{family});
    QVERIFY(m_window->leaveResultsView());
    QCOMPARE(familiesOf(v->document()), fileFamilies);
}

void TestTextCommands::copySelectedAyah_data()
{
    QTest::addColumn<QString>("control");
    QTest::newRow("cmdCopy") << QStringLiteral("cmdCopy");
    QTest::newRow("mnuKopjim") << QStringLiteral("mnuKopjim");
}

void TestTextCommands::copySelectedAyah()
{
    QFETCH(QString, control);
    RichTextView *v = view();
    QVERIFY(m_window->loadWholeText(QStringLiteral("KUR'AN.rtf")));
    kerkoje(v, QStringLiteral("2"), QStringLiteral("255"));
    const QString selected = v->selText();
    QVERIFY(selected.startsWith(QStringLiteral("2:255.\t")));
    QVERIFY(!selected.contains(QLatin1Char('\r')));
    QApplication::clipboard()->setText(QStringLiteral("held before"));
    if (control == QLatin1String("cmdCopy"))
        test::byName<QToolButton>(m_window, control)->click();
    else
        test::byName<QAction>(m_window, control)->trigger();
    QCOMPARE(QApplication::clipboard()->text(), selected);
    // Plain text only.
    QVERIFY(!QApplication::clipboard()->mimeData()->hasHtml());
}

void TestTextCommands::copyEmptySelection()
{
    RichTextView *v = view();
    v->setSelStart(100);
    QCOMPARE(v->selLength(), 0);
    QApplication::clipboard()->setText(QStringLiteral("held before"));
    test::byName<QToolButton>(m_window, QStringLiteral("cmdCopy"))->click();
    QCOMPARE(QApplication::clipboard()->text(), QString());
}

void TestTextCommands::selectWholeTextThenCopy()
{
    RichTextView *v = view();
    QVERIFY(m_window->loadWholeText(QStringLiteral("KUR'AN.rtf")));
    auto *find = test::byName<QLineEdit>(m_window, QStringLiteral("txtKerkim"));
    find->setFocus(Qt::TabFocusReason);
    v->setSelStart(777);
    action("mnuSelektoKrejtTekstin")->trigger();
    QCOMPARE(v->selStart(), 0);
    QCOMPARE(v->selLength(), v->textLength());
    QCOMPARE(QApplication::focusWidget(), find);
    action("mnuKopjim")->trigger();
    const QString copied = QApplication::clipboard()->text();
    QCOMPARE(copied, v->text());
    QVERIFY(copied.contains(QStringLiteral("\r\n2:255.\t")));
}

QTEST_MAIN(TestTextCommands)
#include "tst_textcommands.moc"
