// The selectors, the ayah location, "Selektiraj ajet", copy and font size, driven through a real
// main window on the default data, control by control name.
#include "TestSupport.h"

#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/Database.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/RichTextView.h"

#include <QtTest>
#include <QtWidgets>

using namespace velmora;
using test::paragraphOf;

namespace {

struct SurahRow {
    QString number, name, count;
};

// The surah table's row of `number`, read from the store.
SurahRow surah(const QString &number)
{
    const data::Database db = data::Database::open(QStringLiteral("bazabos.mdb"));
    data::Recordset rs = db.openRecordset(QStringLiteral("SELECT * FROM sure WHERE Numri = ") + number);
    if (!rs.isValid() || rs.eof())
        return {};
    return {number, rs.field(QStringLiteral("EmriBoshnjakisht")).value_or(QString()),
            rs.field(QStringLiteral("Nr i ajeteve")).value_or(QString())};
}

// Red runs of the text, as document positions; the font sizes met on the way into `sizes`.
QList<QPair<int, int>> redRuns(const QTextDocument *doc, QSet<double> *sizes = nullptr)
{
    QList<QPair<int, int>> runs;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (sizes)
                sizes->insert(f.charFormat().font().pointSizeF());
            if (f.charFormat().foreground().color() == QColor(255, 0, 0))
                runs.append({f.position(), f.position() + f.length()});
        }
    }
    return runs;
}

} // namespace

class TestNavigation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(test::useDefaultData(), "the default data is missing: run scripts/setup.sh");
        m_window = new MainWindow;
        QVERIFY(test::startMainWindow(*m_window));
    }

    void cleanupTestCase() { delete m_window; }
    void init()
    {
        reactivate();
        m_window->formActivate();
        // Start away from surah 1, so that a fallback to it is seen.
        pickRow(combo(QStringLiteral("CmbNrSure")), QStringLiteral("50"));
    }

    // clang-format off
    void pick_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("entry"); // a surah number; for CmbEmrSure, that surah's name
        QTest::addColumn<QString>("surah");
        QTest::newRow("2 in CmbNrSure") << "CmbNrSure" << "2" << "2";
        QTest::newRow("7 in CmbTotalAjete leads to surah 1") << "CmbTotalAjete" << "7" << "1";
        QTest::newRow("last 11 in CmbTotalAjete leads to 62") << "CmbTotalAjete" << "11" << "62";
        QTest::newRow("name of 26") << "CmbEmrSure" << "26" << "26";
    }
    // clang-format on

    void pick()
    {
        QFETCH(QString, control);
        QFETCH(QString, entry);
        QFETCH(QString, surah);
        pickRow(combo(control), control == QLatin1String("CmbEmrSure") ? ::surah(entry).name : entry);
        verifySelectors(::surah(surah), QStringLiteral("1"));
        verifySelected(paragraphOf(view()->text(), surah + QStringLiteral(":1.\t")));
    }

    // clang-format off
    void typed_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("ayah"); // typed in CmbNrAjeti afterwards unless "-"
        QTest::addColumn<QString>("surah");
        QTest::addColumn<bool>("firstParagraph");
        QTest::newRow("200 falls back to 1, Fatiha, 7, 1") << "CmbNrSure" << "200" << "-" << "1" << false;
        QTest::newRow("letters fall back") << "CmbNrSure" << "abc" << "-" << "1" << false;
        QTest::newRow("2 and ayah 5 selects 2:5, not 12:5") << "CmbNrSure" << "2" << "5" << "2" << false;
        QTest::newRow("2:255") << "CmbNrSure" << "2" << "255" << "2" << false;
        QTest::newRow("114:6, the last ayah") << "CmbNrSure" << "114" << "6" << "114" << false;
        QTest::newRow("empty ayah becomes 1") << "CmbNrSure" << "4" << "" << "4" << false;
        QTest::newRow("ayah beyond the end: first paragraph") << "CmbNrSure" << "1" << "8" << "1" << true;
        QTest::newRow("Ali-'Imran found") << "CmbEmrSure" << "Ali-'Imran" << "-" << "3" << false;
        QTest::newRow("unknown name falls back") << "CmbEmrSure" << "Nepostojeca" << "-" << "1" << false;
    }
    // clang-format on

    void typed()
    {
        QFETCH(QString, control);
        QFETCH(QString, text);
        QFETCH(QString, ayah);
        QFETCH(QString, surah);
        QFETCH(bool, firstParagraph);
        typeAndEnter(control, text);
        if (ayah != QLatin1String("-"))
            typeAndEnter(QStringLiteral("CmbNrAjeti"), ayah);
        // An ayah choice leaves the ayah text as typed, an empty one becomes 1.
        const QString shown = ayah == QLatin1String("-") || ayah.isEmpty() ? QStringLiteral("1") : ayah;
        verifySelectors(::surah(surah), shown);
        const QString marker = surah + QLatin1Char(':') + shown + QStringLiteral(".\t");
        verifySelected(firstParagraph ? 0 : paragraphOf(view()->text(), marker));
    }

    // clang-format off
    void tabLeavesADroppedList_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("downs"); // Down presses in the open list
        QTest::addColumn<QString>("surah");
        QTest::addColumn<QString>("ayah");
        QTest::newRow("number, moved one down") << "CmbNrSure" << 1 << "51" << "1";
        QTest::newRow("name, not moved") << "CmbEmrSure" << 0 << "50" << "1";
        QTest::newRow("ayah, moved three down") << "CmbNrAjeti" << 3 << "50" << "4";
    }
    // clang-format on

    // Tab in a dropped-down list closes it and takes the entry under the cursor as a pick does;
    // the choice then puts the focus into the text.
    void tabLeavesADroppedList()
    {
        QFETCH(QString, control);
        QFETCH(int, downs);
        QFETCH(QString, surah);
        QFETCH(QString, ayah);
        QComboBox *c = combo(control);
        reactivate();
        view()->setFocus(Qt::OtherFocusReason);
        c->setFocus(Qt::TabFocusReason);
        QVERIFY(test::waitUntil([c] { return c->view()->isVisible(); }));
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(test::waitUntil([c] { return !c->view()->isVisible(); }));
        reactivate();
        verifySelectors(::surah(surah), ayah);
        verifySelected(paragraphOf(view()->text(), surah + QLatin1Char(':') + ayah + QStringLiteral(".\t")));
    }

    void activationAfterAnotherWindowResets()
    {
        typeAndEnter(QStringLiteral("CmbNrSure"), QStringLiteral("2"));
        typeAndEnter(QStringLiteral("CmbNrAjeti"), QStringLiteral("255"));
        RichTextView *v = view();
        const auto place = [v] {
            return QList<int>{v->selStart(), v->selLength(), v->verticalScrollBar()->value()};
        };
        const QList<int> before = place();
        QVERIFY(before.at(2) > 0);
        QDialog other(m_window);
        QTimer::singleShot(0, &other, &QDialog::accept);
        m_window->execModal(&other);
        verifySelectors(surah(QStringLiteral("1")), QStringLiteral("1"));
        // The selection and the scrolling stay as they were.
        QCOMPARE(place(), before);
    }

    // clang-format off
    void selectAyahAtCaret_data()
    {
        QTest::addColumn<QString>("anchor"); // where the selection starts; empty: the text's start
        QTest::addColumn<int>("caret");      // from the anchor; -1: just before the paragraph's end
        QTest::addColumn<int>("shift");      // of the selection's start from the anchor
        for (const char *m : {"1:1.", "2:255.", "12:5.", "114:6."}) {
            const QString marker = QString::fromLatin1(m) + QLatin1Char('\t');
            QTest::addRow("%s on the marker", m) << marker << 0 << 0;
            QTest::addRow("%s mid-text", m) << marker << 12 << 0;
            QTest::addRow("%s before the paragraph end", m) << marker << -1 << 0;
        }
        // A heading runs through the next tab to the end of that paragraph (the surah's first ayah).
        QTest::newRow("in a heading") << "2. SURA BEKARE" << 5 << 0;
        // No paragraph end before the caret: the start is the third character.
        QTest::newRow("in the first paragraph") << "" << 3 << 2;
    }
    // clang-format on

    void selectAyahAtCaret()
    {
        QFETCH(QString, anchor);
        QFETCH(int, caret);
        QFETCH(int, shift);
        RichTextView *v = view();
        const QString text = v->text();
        const int at = anchor.isEmpty()                     ? 0
                       : anchor.endsWith(QLatin1Char('\t')) ? paragraphOf(text, anchor)
                                                            : text.indexOf(anchor);
        QVERIFY(at >= 0);
        const int end = text.indexOf(QLatin1Char('\r'), text.indexOf(QLatin1Char('\t'), at));
        auto *find = test::byName<QLineEdit>(m_window, QStringLiteral("txtKerkim"));
        find->setFocus(Qt::TabFocusReason);
        v->setSelStart(caret < 0 ? end : at + caret);
        test::byName<QAction>(m_window, QStringLiteral("mnuSelektojeAjetin"))->trigger();
        QCOMPARE(v->selStart(), at + shift);
        QCOMPARE(v->selText(), text.mid(at + shift, end - at - shift));
        // Only selects: the focus stays where it was.
        QCOMPARE(QApplication::focusWidget(), find);
    }

    void copySelectedAyah()
    {
        typeAndEnter(QStringLiteral("CmbNrSure"), QStringLiteral("2"));
        typeAndEnter(QStringLiteral("CmbNrAjeti"), QStringLiteral("255"));
        const QString selected = view()->selText();
        QVERIFY(selected.startsWith(QStringLiteral("2:255.\t")));
        // The button copies plain text, without the reference the menu item adds.
        QApplication::clipboard()->setText(QStringLiteral("held before"));
        test::clickAt(test::byName<QToolButton>(m_window, QStringLiteral("cmdCopy")));
        QCOMPARE(QApplication::clipboard()->text(), selected);
        QVERIFY(!QApplication::clipboard()->mimeData()->hasHtml());
    }

    void fontSizeKeepsRedWords()
    {
        RichTextView *v = view();
        SkuqjeFjalesh(v, QStringLiteral("milostiv"));
        const auto red = redRuns(v->document());
        QVERIFY(red.size() > 10);
        v->setSelStart(5000);
        QComboBox *sizes = combo(QStringLiteral("CmbNrFonti"));
        sizes->setFocus(Qt::MouseFocusReason);
        for (const QString &size : {QStringLiteral("14"), QStringLiteral("6")}) {
            pickRow(sizes, size);
            QSet<double> shown;
            QCOMPARE(redRuns(v->document(), &shown), red);
            QCOMPARE(shown, QSet<double>{size.toDouble()});
            QCOMPARE(v->selStart(), 0);
            QCOMPARE(v->selLength(), 0);
            // The focus stays in the list that was used.
            QCOMPARE(QApplication::focusWidget(), sizes);
        }
    }

    // The font list drops down as wide as its longest name, however narrow the field is.
    void fontListShowsWholeNames()
    {
        QComboBox *names = combo(QStringLiteral("CmbFontNames"));
        QVERIFY(names->count() > 1);
        // The widest entry as the list draws it, text and margins.
        const int widest = names->view()->sizeHintForColumn(0);
        QVERIFY(widest > names->width()); // the case the list has to handle
        reactivate();
        test::clickAt(names, QPoint(names->width() - 5, names->height() / 2)); // the arrow
        QVERIFY(test::waitUntil([names] { return names->view()->isVisible(); }));
        QVERIFY2(names->view()->viewport()->width() >= widest,
                 qPrintable(QStringLiteral("%1 < %2").arg(names->view()->viewport()->width()).arg(widest)));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(test::waitUntil([names] { return !names->view()->isVisible(); }));
    }

private:
    QComboBox *combo(const QString &name) const { return test::byName<QComboBox>(m_window, name); }
    RichTextView *view() const { return test::byName<RichTextView>(m_window, QStringLiteral("Rtf1")); }
    // A mouse click on the last entry showing `text` (for the counts: not the first such entry).
    void pickRow(QComboBox *c, const QString &text)
    {
        int row = c->count() - 1;
        while (row >= 0 && c->itemText(row) != text)
            --row;
        QVERIFY2(row >= 0, qPrintable(text));
        c->showPopup();
        QVERIFY(test::waitUntil([c] { return c->view()->isVisible(); }));
        const QModelIndex index = c->model()->index(row, c->modelColumn());
        c->view()->scrollTo(index);
        QTest::mouseClick(c->view()->viewport(), Qt::LeftButton, {}, c->view()->visualRect(index).center());
        QVERIFY(test::waitUntil([c] { return !c->view()->isVisible(); }));
        reactivate();
    }

    // As the reader does it: Tab into the selector (its list drops down), type, press Enter. Keys
    // go to the focused widget, the open list included.
    void typeAndEnter(const QString &control, const QString &text)
    {
        QComboBox *c = combo(control);
        reactivate();
        view()->setFocus(Qt::OtherFocusReason);
        c->setFocus(Qt::TabFocusReason);
        QVERIFY(test::waitUntil([c] { return c->view()->isVisible(); }));
        if (text.isEmpty())
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        for (const QChar ch : text)
            QTest::keyClick(QApplication::focusWidget(), ch.toLatin1());
        QCOMPARE(c->currentText(), text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        reactivate();
    }

    // The offscreen platform does not hand the activation back to the main window when a list
    // closes, as a desktop does; the tests do it.
    void reactivate()
    {
        while (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        QCoreApplication::processEvents();
        if (QGuiApplication::focusWindow() != m_window->windowHandle()) {
            m_window->activateWindow();
            QVERIFY(test::waitUntil(
                [this] { return QGuiApplication::focusWindow() == m_window->windowHandle(); }));
        }
    }

    void verifySelectors(const SurahRow &row, const QString &ayah)
    {
        QCOMPARE(combo(QStringLiteral("CmbNrSure"))->currentText(), row.number);
        QCOMPARE(combo(QStringLiteral("CmbEmrSure"))->currentText(), row.name);
        QCOMPARE(combo(QStringLiteral("CmbTotalAjete"))->currentText(), row.count);
        QComboBox *ayahs = combo(QStringLiteral("CmbNrAjeti"));
        QCOMPARE(ayahs->currentText(), ayah);
        // The ayah list holds exactly 1 to the surah's number of ayahs.
        QCOMPARE(ayahs->count(), row.count.toInt());
        for (int i = 0; i < ayahs->count(); ++i)
            QCOMPARE(ayahs->itemText(i), QString::number(i + 1));
    }

    // The paragraph at `start` is selected, in sight, with the focus in the view.
    void verifySelected(int start)
    {
        RichTextView *v = view();
        QVERIFY(start >= 0);
        QCOMPARE(v->selStart(), start);
        QCOMPARE(v->selText(), v->text().mid(start, v->text().indexOf(QLatin1Char('\r'), start) - start));
        QCOMPARE(QApplication::focusWidget(), v);
        QVERIFY(v->viewport()->rect().intersects(v->cursorRect()));
    }

    MainWindow *m_window = nullptr;
};

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
