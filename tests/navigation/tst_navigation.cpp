// The selectors, the ayah location and "Selektiraj ajet", driven through a real main window
// on the default data, control by control name.
#include "TestSupport.h"

#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/Database.h"
#include "textview/widgets/RichTextView.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCollator>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QtTest>

using namespace velmora;

namespace {

struct SurahRow {
    QString number;
    QString name;
    QString count;
};

QString paragraphText(const QString &text, int start)
{
    const int end = text.indexOf(QLatin1Char('\r'), start);
    return text.mid(start, (end < 0 ? text.size() : end) - start);
}

// Start of the paragraph that begins with the marker of surah s, ayah a.
int ayahParagraph(const QString &text, const QString &s, const QString &a)
{
    const QString marker = s + QLatin1Char(':') + a + QStringLiteral(".\t");
    for (int at = text.indexOf(marker); at >= 0; at = text.indexOf(marker, at + 1)) {
        if (at == 0 || text.at(at - 1) == QLatin1Char('\n'))
            return at;
    }
    return -1;
}

} // namespace

class TestNavigation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void startUpState();
    void pickSurahNumber_data();
    void pickSurahNumber();
    void typedSurahNumberBeyondTheTableFallsBack_data();
    void typedSurahNumberBeyondTheTableFallsBack();
    void leadingZeroFindsSurahButNotMarker();
    void ayahNumber_data();
    void ayahNumber();
    void ayahBeyondSurahEndSelectsFirstParagraph();
    void emptyAyahBecomesOne();
    void emptySurahWithAyah();
    void pickAyahFromList();
    void pickCount_data();
    void pickCount();
    void pickName_data();
    void pickName();
    void nameWithApostrophe();
    void unknownNameFallsBack();
    void typingAloneDoesNothing();
    void focusDropsListDown();
    void enterInDroppedList();
    void tabAwayFromExitDropsSurahList();
    void activationAfterAnotherWindowResets();
    void activationFromAnotherApplicationResetsNothing();
    void selectAyahAtCaret_data();
    void selectAyahAtCaret();
    void selectInHeading();

private:
    QComboBox *combo(const char *name) const;
    RichTextView *view() const;
    SurahRow surah(const QString &number) const;
    QList<SurahRow> allSurahs() const;
    void pickRow(QComboBox *c, int row);
    void pickText(QComboBox *c, const QString &text);
    void typeAndEnter(QComboBox *c, const QString &text);
    void closePopups();
    void reactivate();
    void verifySelectors(const SurahRow &row, const QString &ayah);
    void verifyAyahSelected(const QString &s, const QString &a);

    MainWindow *m_window = nullptr;
};

// ---- Helpers ------------------------------------------------------------------------------

QComboBox *TestNavigation::combo(const char *name) const
{
    return test::byName<QComboBox>(m_window, QLatin1String(name));
}

RichTextView *TestNavigation::view() const
{
    return test::byName<RichTextView>(m_window, QStringLiteral("Rtf1"));
}

QList<SurahRow> TestNavigation::allSurahs() const
{
    QList<SurahRow> rows;
    const data::Database db = data::Database::open(QStringLiteral("bazabos.mdb"));
    data::Recordset rs = db.openRecordset(QStringLiteral("SELECT * FROM sure"));
    for (; rs.isValid() && !rs.eof(); rs.moveNext()) {
        rows.append({rs.field(QStringLiteral("Numri")).value_or(QString()),
                     rs.field(QStringLiteral("EmriBoshnjakisht")).value_or(QString()),
                     rs.field(QStringLiteral("Nr i ajeteve")).value_or(QString())});
    }
    return rows;
}

SurahRow TestNavigation::surah(const QString &number) const
{
    const QList<SurahRow> rows = allSurahs();
    for (const SurahRow &r : rows) {
        if (r.number == number)
            return r;
    }
    return {};
}

void TestNavigation::closePopups()
{
    while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    QCoreApplication::processEvents();
    reactivate();
}

// The offscreen platform does not hand the activation back to the main window when a list
// closes, as a desktop does; the tests do it.
void TestNavigation::reactivate()
{
    QCoreApplication::processEvents();
    if (m_window && QGuiApplication::focusWindow() != m_window->windowHandle()) {
        m_window->activateWindow();
        QVERIFY(test::waitUntil([this] { return QGuiApplication::focusWindow() == m_window->windowHandle(); },
                                2000));
    }
}

void TestNavigation::pickRow(QComboBox *c, int row)
{
    QVERIFY(row >= 0 && row < c->count());
    if (!c->view()->isVisible())
        c->showPopup();
    QVERIFY(test::waitUntil([c] { return c->view()->isVisible(); }, 2000));
    QAbstractItemView *list = c->view();
    const QModelIndex index = c->model()->index(row, c->modelColumn());
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    QVERIFY(test::waitUntil([c] { return !c->view()->isVisible(); }, 2000));
    QCoreApplication::processEvents();
    reactivate();
}

void TestNavigation::pickText(QComboBox *c, const QString &text)
{
    const int row = c->findText(text);
    QVERIFY2(row >= 0, qPrintable(text));
    pickRow(c, row);
}

// As the reader does it: Tab into the selector (its list drops down), type, press Enter. Keys
// go where the window system would send them: to the focused widget, the open list included.
void TestNavigation::typeAndEnter(QComboBox *c, const QString &text)
{
    closePopups();
    // The focus comes from elsewhere, as with Tab.
    view()->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    c->setFocus(Qt::TabFocusReason);
    QVERIFY(test::waitUntil([c] { return c->view()->isVisible(); }, 2000));
    if (text.isEmpty()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QCoreApplication::processEvents();
    }
    for (const QChar ch : text) {
        QTest::keyClick(QApplication::focusWidget(), ch.toLatin1() ? ch.toLatin1() : 'x');
        QCoreApplication::processEvents();
    }
    QCOMPARE(c->currentText(), text);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCoreApplication::processEvents();
    reactivate();
}

void TestNavigation::verifySelectors(const SurahRow &row, const QString &ayah)
{
    QCOMPARE(combo("CmbNrSure")->currentText(), row.number);
    QCOMPARE(combo("CmbEmrSure")->currentText(), row.name);
    QCOMPARE(combo("CmbTotalAjete")->currentText(), row.count);
    QCOMPARE(combo("CmbNrAjeti")->currentText(), ayah);
    // The ayah list holds exactly 1 to the surah's number of ayahs.
    QComboBox *ayahs = combo("CmbNrAjeti");
    QCOMPARE(ayahs->count(), row.count.toInt());
    for (int i = 0; i < ayahs->count(); ++i)
        QCOMPARE(ayahs->itemText(i), QString::number(i + 1));
}

void TestNavigation::verifyAyahSelected(const QString &s, const QString &a)
{
    RichTextView *v = view();
    const QString text = v->text();
    const int start = ayahParagraph(text, s, a);
    QVERIFY2(start >= 0, qPrintable(s + QLatin1Char(':') + a));
    QCOMPARE(v->selStart(), start);
    QCOMPARE(v->selText(), paragraphText(text, start));
    QCOMPARE(QApplication::focusWidget(), v);
    QVERIFY(v->viewport()->rect().intersects(v->cursorRect()));
}

// ---- Set-up -------------------------------------------------------------------------------

void TestNavigation::initTestCase()
{
    QVERIFY2(test::useDefaultData(), "the default data is missing: run scripts/setup.sh");
    m_window = new MainWindow;
    installMainParts(*m_window);
    QVERIFY(m_window->formLoad(MainWindow::Options{0, false}));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestNavigation::cleanupTestCase()
{
    closePopups();
    delete m_window;
}

void TestNavigation::init()
{
    closePopups();
    m_window->formActivate();
}

// ---- Cases --------------------------------------------------------------------------------

void TestNavigation::startUpState()
{
    const QList<SurahRow> rows = allSurahs();
    QCOMPARE(rows.size(), 114);
    verifySelectors(rows.first(), QStringLiteral("1"));
    QCOMPARE(rows.first().name, QStringLiteral("Fatiha"));
    QCOMPARE(rows.first().count, QStringLiteral("7"));

    // Numbers and counts in the table's order, one entry per surah; names sorted.
    QComboBox *numbers = combo("CmbNrSure");
    QComboBox *counts = combo("CmbTotalAjete");
    QComboBox *names = combo("CmbEmrSure");
    QCOMPARE(numbers->count(), 114);
    QCOMPARE(counts->count(), 114);
    QCOMPARE(names->count(), 114);
    QStringList expectedNames;
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(numbers->itemText(i), rows.at(i).number);
        QCOMPARE(counts->itemText(i), rows.at(i).count);
        expectedNames.append(rows.at(i).name);
    }
    QStringList shownNames;
    for (int i = 0; i < names->count(); ++i)
        shownNames.append(names->itemText(i));
    QCollator collator(QLocale(QLocale::Bosnian, QLocale::LatinScript, QLocale::BosniaAndHerzegowina));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (int i = 1; i < shownNames.size(); ++i)
        QVERIFY2(collator.compare(shownNames.at(i - 1), shownNames.at(i)) <= 0,
                 qPrintable(shownNames.at(i - 1) + QStringLiteral(" before ") + shownNames.at(i)));
    shownNames.sort();
    expectedNames.sort();
    QCOMPARE(shownNames, expectedNames);
}

void TestNavigation::pickSurahNumber_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("2") << QStringLiteral("2");
    QTest::newRow("3") << QStringLiteral("3");
    QTest::newRow("114") << QStringLiteral("114");
    QTest::newRow("1 again") << QStringLiteral("1");
}

void TestNavigation::pickSurahNumber()
{
    QFETCH(QString, number);
    pickText(combo("CmbNrSure"), number);
    verifySelectors(surah(number), QStringLiteral("1"));
    verifyAyahSelected(number, QStringLiteral("1"));
}

void TestNavigation::typedSurahNumberBeyondTheTableFallsBack_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("200") << QStringLiteral("200");
    QTest::newRow("0") << QStringLiteral("0");
    QTest::newRow("letters") << QStringLiteral("abc");
}

void TestNavigation::typedSurahNumberBeyondTheTableFallsBack()
{
    QFETCH(QString, typed);
    // Start somewhere else, so that the fallback is seen.
    pickText(combo("CmbNrSure"), QStringLiteral("5"));
    typeAndEnter(combo("CmbNrSure"), typed);
    verifySelectors(surah(QStringLiteral("1")), QStringLiteral("1"));
    verifyAyahSelected(QStringLiteral("1"), QStringLiteral("1"));
}

void TestNavigation::leadingZeroFindsSurahButNotMarker()
{
    typeAndEnter(combo("CmbNrSure"), QStringLiteral("02"));
    const SurahRow two = surah(QStringLiteral("2"));
    QCOMPARE(combo("CmbNrSure")->currentText(), QStringLiteral("02"));
    QCOMPARE(combo("CmbEmrSure")->currentText(), two.name);
    QCOMPARE(combo("CmbTotalAjete")->currentText(), two.count);
    QCOMPARE(combo("CmbNrAjeti")->count(), two.count.toInt());
    // 02:1. is no marker of the text: the first paragraph is selected.
    QCOMPARE(view()->selStart(), 0);
    QCOMPARE(view()->selText(), paragraphText(view()->text(), 0));
}

void TestNavigation::ayahNumber_data()
{
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("ayah");
    QTest::newRow("2:5, not 12:5 or 22:5") << QStringLiteral("2") << QStringLiteral("5");
    QTest::newRow("2:255") << QStringLiteral("2") << QStringLiteral("255");
    QTest::newRow("12:5") << QStringLiteral("12") << QStringLiteral("5");
    QTest::newRow("3:200") << QStringLiteral("3") << QStringLiteral("200");
    QTest::newRow("114:6, the last ayah") << QStringLiteral("114") << QStringLiteral("6");
}

void TestNavigation::ayahNumber()
{
    QFETCH(QString, surah);
    QFETCH(QString, ayah);
    typeAndEnter(combo("CmbNrSure"), surah);
    typeAndEnter(combo("CmbNrAjeti"), ayah);
    // An ayah choice leaves the ayah text as typed and the ayah list as it was.
    verifySelectors(this->surah(surah), ayah);
    verifyAyahSelected(surah, ayah);
}

void TestNavigation::ayahBeyondSurahEndSelectsFirstParagraph()
{
    typeAndEnter(combo("CmbNrAjeti"), QStringLiteral("8"));
    verifySelectors(surah(QStringLiteral("1")), QStringLiteral("8"));
    QCOMPARE(view()->selStart(), 0);
    QCOMPARE(view()->selText(), paragraphText(view()->text(), 0));
    QCOMPARE(QApplication::focusWidget(), view());
}

void TestNavigation::emptyAyahBecomesOne()
{
    pickText(combo("CmbNrSure"), QStringLiteral("4"));
    typeAndEnter(combo("CmbNrAjeti"), QString());
    verifySelectors(surah(QStringLiteral("4")), QStringLiteral("1"));
    verifyAyahSelected(QStringLiteral("4"), QStringLiteral("1"));
}

void TestNavigation::emptySurahWithAyah()
{
    // An empty surah number becomes 1 with the name Fatiha; the count stays as it was.
    pickText(combo("CmbNrSure"), QStringLiteral("2"));
    combo("CmbNrSure")->setEditText(QString());
    typeAndEnter(combo("CmbNrAjeti"), QStringLiteral("3"));
    QCOMPARE(combo("CmbNrSure")->currentText(), QStringLiteral("1"));
    QCOMPARE(combo("CmbEmrSure")->currentText(), QStringLiteral("Fatiha"));
    QCOMPARE(combo("CmbTotalAjete")->currentText(), surah(QStringLiteral("2")).count);
    verifyAyahSelected(QStringLiteral("1"), QStringLiteral("3"));
}

void TestNavigation::pickAyahFromList()
{
    pickText(combo("CmbNrSure"), QStringLiteral("36"));
    pickText(combo("CmbNrAjeti"), QStringLiteral("58"));
    verifySelectors(surah(QStringLiteral("36")), QStringLiteral("58"));
    verifyAyahSelected(QStringLiteral("36"), QStringLiteral("58"));
}

void TestNavigation::pickCount_data()
{
    QTest::addColumn<QString>("count");
    QTest::newRow("7") << QStringLiteral("7");
    QTest::newRow("3") << QStringLiteral("3");
    QTest::newRow("11") << QStringLiteral("11");
    QTest::newRow("286") << QStringLiteral("286");
}

void TestNavigation::pickCount()
{
    QFETCH(QString, count);
    // The first surah with that count in the index "nr i ajeteve" (ascending surah number),
    // whichever of the entries with that count is picked.
    const QList<SurahRow> rows = allSurahs();
    SurahRow first;
    for (const SurahRow &r : rows) {
        if (r.count == count && (first.number.isEmpty() || r.number.toInt() < first.number.toInt()))
            first = r;
    }
    QVERIFY(!first.number.isEmpty());
    QComboBox *counts = combo("CmbTotalAjete");
    QList<int> entries;
    for (int i = 0; i < counts->count(); ++i) {
        if (counts->itemText(i) == count)
            entries.append(i);
    }
    for (const int row : entries) {
        m_window->formActivate();
        pickText(combo("CmbNrSure"), QStringLiteral("50"));
        pickRow(counts, row);
        verifySelectors(first, QStringLiteral("1"));
        verifyAyahSelected(first.number, QStringLiteral("1"));
    }
}

void TestNavigation::pickName_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("2") << QStringLiteral("2");
    QTest::newRow("18") << QStringLiteral("18");
    QTest::newRow("26") << QStringLiteral("26");
    QTest::newRow("114") << QStringLiteral("114");
}

void TestNavigation::pickName()
{
    QFETCH(QString, number);
    const SurahRow row = surah(number);
    pickText(combo("CmbEmrSure"), row.name);
    verifySelectors(row, QStringLiteral("1"));
    verifyAyahSelected(number, QStringLiteral("1"));
}

void TestNavigation::nameWithApostrophe()
{
    const SurahRow row = surah(QStringLiteral("3"));
    QCOMPARE(row.name, QStringLiteral("Ali-'Imran"));
    typeAndEnter(combo("CmbEmrSure"), row.name);
    verifySelectors(row, QStringLiteral("1"));
    verifyAyahSelected(QStringLiteral("3"), QStringLiteral("1"));
    // Picked from the list as well.
    m_window->formActivate();
    pickText(combo("CmbEmrSure"), QStringLiteral("'Ankebut"));
    verifySelectors(surah(QStringLiteral("29")), QStringLiteral("1"));
}

void TestNavigation::unknownNameFallsBack()
{
    pickText(combo("CmbNrSure"), QStringLiteral("9"));
    typeAndEnter(combo("CmbEmrSure"), QStringLiteral("Nepostojeca"));
    verifySelectors(surah(QStringLiteral("1")), QStringLiteral("1"));
    verifyAyahSelected(QStringLiteral("1"), QStringLiteral("1"));
}

void TestNavigation::typingAloneDoesNothing()
{
    pickText(combo("CmbNrSure"), QStringLiteral("2"));
    const int selStart = view()->selStart();
    const QString selText = view()->selText();
    QComboBox *numbers = combo("CmbNrSure");
    numbers->setFocus(Qt::TabFocusReason);
    QVERIFY(test::waitUntil([numbers] { return numbers->view()->isVisible(); }, 2000));
    QTest::keyClick(QApplication::focusWidget(), '3');
    QCoreApplication::processEvents();
    QCOMPARE(numbers->currentText(), QStringLiteral("3"));
    // The focus leaves without Enter: nothing is looked up, nothing moves.
    test::byName<QLineEdit>(m_window, QStringLiteral("txtKerkim"))->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    QCOMPARE(combo("CmbEmrSure")->currentText(), surah(QStringLiteral("2")).name);
    QCOMPARE(view()->selStart(), selStart);
    QCOMPARE(view()->selText(), selText);
}

void TestNavigation::focusDropsListDown()
{
    for (const char *name : {"CmbNrSure", "CmbEmrSure", "CmbTotalAjete", "CmbNrAjeti"}) {
        closePopups();
        QComboBox *c = combo(name);
        c->setFocus(Qt::TabFocusReason);
        QVERIFY2(test::waitUntil([c] { return c->view()->isVisible(); }, 2000), name);
        // The highlighted entry is the one the field shows.
        QCOMPARE(c->view()->currentIndex().data().toString(), c->currentText());
        // Closing the list hands the focus back: the list stays closed.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(test::waitUntil([c] { return !c->view()->isVisible(); }, 2000));
        QTest::qWait(50);
        QVERIFY2(!c->view()->isVisible(), name);
        QCOMPARE(QApplication::focusWidget(), c);
    }
}

void TestNavigation::enterInDroppedList()
{
    pickText(combo("CmbNrSure"), QStringLiteral("2"));
    QComboBox *ayahs = combo("CmbNrAjeti");
    view()->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();

    // Enter at once: the entry the field shows, as Enter in the field would.
    ayahs->setFocus(Qt::TabFocusReason);
    QVERIFY(test::waitUntil([ayahs] { return ayahs->view()->isVisible(); }, 2000));
    view()->setSelStart(0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(test::waitUntil([ayahs] { return !ayahs->view()->isVisible(); }, 2000));
    reactivate();
    verifyAyahSelected(QStringLiteral("2"), QStringLiteral("1"));

    // Down twice, then Enter: the entry moved to is picked.
    view()->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    ayahs->setFocus(Qt::TabFocusReason);
    QVERIFY(test::waitUntil([ayahs] { return ayahs->view()->isVisible(); }, 2000));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(test::waitUntil([ayahs] { return !ayahs->view()->isVisible(); }, 2000));
    reactivate();
    QCOMPARE(ayahs->currentText(), QStringLiteral("3"));
    verifyAyahSelected(QStringLiteral("2"), QStringLiteral("3"));
}

void TestNavigation::tabAwayFromExitDropsSurahList()
{
    auto *exit = test::byName<QToolButton>(m_window, QStringLiteral("cmdFund"));
    exit->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    QTest::keyClick(exit, Qt::Key_Tab);
    QComboBox *numbers = combo("CmbNrSure");
    QVERIFY(test::waitUntil([numbers] { return numbers->view()->isVisible(); }, 2000));
    QCOMPARE(numbers->currentText(), QStringLiteral("1"));
}

void TestNavigation::activationAfterAnotherWindowResets()
{
    typeAndEnter(combo("CmbNrSure"), QStringLiteral("2"));
    typeAndEnter(combo("CmbNrAjeti"), QStringLiteral("255"));
    RichTextView *v = view();
    const int selStart = v->selStart();
    const int selLength = v->selLength();
    const int scroll = v->verticalScrollBar()->value();
    QVERIFY(scroll > 0);

    QDialog other(m_window);
    QTimer::singleShot(0, &other, &QDialog::accept);
    m_window->execModal(&other);

    verifySelectors(surah(QStringLiteral("1")), QStringLiteral("1"));
    QCOMPARE(v->selStart(), selStart);
    QCOMPARE(v->selLength(), selLength);
    QCOMPARE(v->verticalScrollBar()->value(), scroll);
}

void TestNavigation::activationFromAnotherApplicationResetsNothing()
{
    typeAndEnter(combo("CmbNrSure"), QStringLiteral("2"));
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(m_window, &deactivate);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(m_window, &activate);
    QCoreApplication::processEvents();
    verifySelectors(surah(QStringLiteral("2")), QStringLiteral("1"));
}

void TestNavigation::selectAyahAtCaret_data()
{
    QTest::addColumn<QString>("surah");
    QTest::addColumn<QString>("ayah");
    QTest::addColumn<int>("offset"); // caret offset in the paragraph; -1 just before its end
    for (const auto &[s, a] :
         {std::pair{"1", "1"}, std::pair{"2", "255"}, std::pair{"12", "5"}, std::pair{"114", "6"}}) {
        const QString surah = QLatin1String(s);
        const QString ayah = QLatin1String(a);
        QTest::addRow("%s:%s on the marker", s, a) << surah << ayah << 0;
        QTest::addRow("%s:%s mid-text", s, a) << surah << ayah << 12;
        QTest::addRow("%s:%s before the end", s, a) << surah << ayah << -1;
    }
}

void TestNavigation::selectAyahAtCaret()
{
    QFETCH(QString, surah);
    QFETCH(QString, ayah);
    QFETCH(int, offset);
    RichTextView *v = view();
    const QString text = v->text();
    const int start = ayahParagraph(text, surah, ayah);
    QVERIFY(start >= 0);
    const QString paragraph = paragraphText(text, start);
    auto *find = test::byName<QLineEdit>(m_window, QStringLiteral("txtKerkim"));
    find->setFocus(Qt::TabFocusReason);
    v->setSelStart(offset < 0 ? start + int(paragraph.size()) : start + offset);
    test::byName<QAction>(m_window, QStringLiteral("mnuSelektojeAjetin"))->trigger();
    QCOMPARE(v->selStart(), start);
    QCOMPARE(v->selText(), paragraph);
    // Only selects: the focus stays where it was.
    QCOMPARE(QApplication::focusWidget(), find);
}

void TestNavigation::selectInHeading()
{
    RichTextView *v = view();
    const QString text = v->text();
    auto *select = test::byName<QAction>(m_window, QStringLiteral("mnuSelektojeAjetin"));

    // A surah heading: from its first character through the next tab, to the end of the
    // paragraph that holds that tab (the first ayah of the surah).
    const int heading = text.indexOf(QStringLiteral("2. SURA BEKARE"));
    QVERIFY(heading > 0);
    v->setSelStart(heading + 5);
    select->trigger();
    const int tab = text.indexOf(QLatin1Char('\t'), heading);
    QCOMPARE(v->selStart(), heading);
    QCOMPARE(v->selText(), text.mid(heading, text.indexOf(QLatin1Char('\r'), tab) - heading));
    QVERIFY(v->selText().endsWith(
        paragraphText(text, ayahParagraph(text, QStringLiteral("2"), QStringLiteral("1")))));

    // The first paragraph: no paragraph end before it, so the selection starts at its third
    // character.
    v->setSelStart(3);
    select->trigger();
    QCOMPARE(v->selStart(), 2);
    const int firstTab = text.indexOf(QLatin1Char('\t'));
    QCOMPARE(v->selText(), text.mid(2, text.indexOf(QLatin1Char('\r'), firstTab) - 2));
}

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
