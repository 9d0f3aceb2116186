#include "TestSupport.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "textview/widgets/RichTextView.h"

#include <QtTest>
#include <QtWidgets>

using namespace velmora;

namespace {

// The tooltip texts keep plain letters for č, ć, š, ž and đ; dropping the marks of a
// description must give its control's tooltip back.
QString withoutMarks(QString text)
{
    const std::pair<const char16_t *, const char *> marks[] = {
        {u"č", "c"}, {u"ć", "c"}, {u"š", "s"}, {u"ž", "z"}, {u"đ", "dj"},
        {u"Č", "C"}, {u"Ć", "C"}, {u"Š", "S"}, {u"Ž", "Z"}, {u"Đ", "Dj"},
    };
    for (const auto &[marked, plain] : marks)
        text.replace(QString::fromUtf16(marked), QLatin1String(plain));
    return text;
}

// The controls of a window a reader works with: what takes the focus by Tab, every button and
// every slider. Parts inside a control (the edit field of a combo box, the scroll bars and
// page of a text view, the tab bar of a tab widget) are left to their control.
QList<QWidget *> controlsOf(QWidget *window)
{
    QList<QWidget *> found;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->isWindow())
            continue;
        const bool control = (w->focusPolicy() & Qt::TabFocus) || qobject_cast<QAbstractButton *>(w) ||
                             qobject_cast<QAbstractSlider *>(w);
        if (!control)
            continue;
        bool part = false;
        for (QWidget *up = w->parentWidget(); up && up != window; up = up->parentWidget()) {
            part = part || qobject_cast<QComboBox *>(up) || qobject_cast<QAbstractScrollArea *>(up) ||
                   qobject_cast<QTabBar *>(up);
        }
        part = part || (qobject_cast<QTabBar *>(w) && qobject_cast<QTabWidget *>(w->parentWidget()));
        if (!part)
            found.append(w);
    }
    return found;
}

QString nameOf(const QWidget *w)
{
    if (!w)
        return QStringLiteral("(none)");
    // The dropped-down list of a combo box.
    for (const QWidget *up = w->parentWidget(); up; up = up->parentWidget()) {
        if (qobject_cast<const QComboBox *>(up) && up != w->parentWidget())
            return up->objectName() + QStringLiteral(" list");
    }
    // The edit field of a box made of parts.
    if (w->parentWidget() && w->parentWidget()->focusProxy() == w)
        return w->parentWidget()->objectName();
    QString name = w->objectName();
    if (name.isEmpty() && w->parentWidget())
        name = w->parentWidget()->objectName() + QStringLiteral("/") +
               QLatin1String(w->metaObject()->className());
    return name;
}

// Closes a list dropped down, with Escape as a reader does.
void closePopups()
{
    while (QWidget *popup = QApplication::activePopupWidget()) {
        test::pressKey(popup, Qt::Key_Escape);
        QApplication::processEvents();
        if (QApplication::activePopupWidget() == popup)
            popup->close();
    }
}

// The window a click on `button` opens, modal: `check` runs on it once it is active, then it
// is closed.
void withModalFrom(QAbstractButton *button, const std::function<void(QWidget *)> &check)
{
    bool ran = false;
    closePopups();
    QTimer::singleShot(0, [&] {
        QVERIFY(test::waitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(test::showActive(dialog));
        check(dialog);
        ran = true;
        dialog->close();
    });
    test::clickAt(button);
    QVERIFY(test::waitUntil([&] { return ran; }));
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(test::useDefaultData());
        m_w = std::make_unique<MainWindow>();
        QVERIFY(test::startMainWindow(*m_w));
    }

    void everyControlDescribed_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("atLeast"); // controls expected, so that an empty walk cannot pass
        QTest::newRow("main window with its panels") << "main" << 28;
        QTest::newRow("recitation window") << "recitation" << 14;
        QTest::newRow("About window") << "about" << 2;
    }

    // Each control has a name and a description, both as a screen reader gets them; where it has
    // a tooltip, the description is that tooltip with the proper Bosnian letters.
    void everyControlDescribed()
    {
        QFETCH(QString, window);
        QFETCH(int, atLeast);
        openWindow(window, [&](QWidget *top) {
            const QList<QWidget *> controls = controlsOf(top);
            QStringList names;
            for (const QWidget *w : controls)
                names << nameOf(w);
            QVERIFY2(controls.size() >= atLeast, qPrintable(names.join(QLatin1Char(' '))));
            for (QWidget *w : controls) {
                QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
                QVERIFY(a);
                const QString name = a->text(QAccessible::Name);
                const QString description = a->text(QAccessible::Description);
                QVERIFY2(!name.isEmpty(), qPrintable(nameOf(w) + QStringLiteral(" has no accessible name")));
                QVERIFY2(!description.isEmpty(),
                         qPrintable(nameOf(w) + QStringLiteral(" has no accessible description")));
                if (qobject_cast<QComboBox *>(w)) {
                    // A combo box speaks its text as its name on this platform and takes its name
                    // from the label that stands for it.
                    QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(nameOf(w)));
                    QVERIFY2(!a->relations(QAccessible::Label).isEmpty(),
                             qPrintable(nameOf(w) + QStringLiteral(" has no label")));
                } else {
                    QCOMPARE(name, w->accessibleName());
                }
                if (!w->toolTip().isEmpty())
                    QVERIFY2(description == w->toolTip() || withoutMarks(description) == w->toolTip(),
                             qPrintable(nameOf(w) + QStringLiteral(": \"") + description +
                                        QStringLiteral("\" for \"") + w->toolTip() + QLatin1Char('"')));
            }
        });
    }

    void tabOrder_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QStringList>("expected"); // up to and including the control where it stops

        const QStringList selectors{"CmbNrSure list", "CmbEmrSure list", "CmbTotalAjete list",
                                    "CmbNrAjeti list"};
        QTest::newRow("main window, Tab: every control, top to bottom, then the text")
            << "main" << QStringLiteral("Rtf1") << true
            << (QStringList{"cmdRrethProg", "cmdSipasSureve", "CmdKlasifikim", "CmdShowCmbKlasifikim",
                            "cmdLeximAjet", "txtKerkim", "cmdKerkimPrapa", "cmdKerkim", "cmdCopy",
                            "CmbNrFonti", "CmbFontNames", "cmdFund"} +
                selectors +
                QStringList{"CmbKerkoKrejt", "cmdKerkoAll", "ChkKerkoSure", "chkBezKvacica", "Rtf1"});
        QStringList back{"chkBezKvacica", "ChkKerkoSure", "cmdKerkoAll", "CmbKerkoKrejt"};
        for (auto it = selectors.rbegin(); it != selectors.rend(); ++it)
            back << *it;
        QTest::newRow("main window, Shift+Tab from the text up to Kraj")
            << "main" << QStringLiteral("Rtf1") << false << (back << "cmdFund");
        QTest::newRow("main window, Shift+Tab from the font list round to the text")
            << "main" << QStringLiteral("CmbFontNames") << false
            << QStringList{"CmbNrFonti",           "cmdCopy",       "cmdKerkim",
                           "cmdKerkimPrapa",       "txtKerkim",     "cmdLeximAjet",
                           "CmdShowCmbKlasifikim", "CmdKlasifikim", "cmdSipasSureve",
                           "cmdRrethProg",         "Rtf1"};
        const QStringList recitation{"CmbNrSure",     "CmbEmrSure", "CmbNrAjeti",   "CmbUcac",
                                     "cmdDodajUcaca", "cmdLexo",    "cmdPause",     "cmdResume",
                                     "chkRepeat",     "cmdFund",    "VSBWavVolume", "RichTextBox1"};
        QTest::newRow("recitation window, Tab")
            << "recitation" << QStringLiteral("Option1") << true << (recitation + QStringList{"Option1"});
        QStringList recitationBack;
        for (auto it = recitation.rbegin(); it != recitation.rend(); ++it)
            recitationBack << *it;
        QTest::newRow("recitation window, Shift+Tab")
            << "recitation" << QStringLiteral("Option1") << false << (recitationBack << "Option1");
    }

    // Real Tab presses to the window, from a start control: the focus visits the controls in the
    // order given. A list that drops down when its box gets the focus is closed with Escape before
    // the next Tab, as a reader does.
    void tabOrder()
    {
        QFETCH(QString, window);
        QFETCH(QString, start);
        QFETCH(bool, forward);
        QFETCH(QStringList, expected);
        openWindow(window, [&](QWidget *top) {
            QWidget *first = top->findChild<QWidget *>(start);
            QVERIFY(first);
            // Leaving "Kraj" sends the focus to the surah selector, which drops its list down: a
            // second try starts from there.
            for (int attempt = 0; attempt < 3 && !first->hasFocus(); ++attempt) {
                closePopups();
                first->setFocus(Qt::OtherFocusReason);
                QApplication::processEvents();
            }
            closePopups();
            QVERIFY(first->hasFocus());
            // Without a sound output the volume bar is disabled, and Tab passes it by.
            if (QWidget *volume = top->findChild<QWidget *>(QStringLiteral("VSBWavVolume"));
                volume && !volume->isEnabled())
                expected.removeAll(QStringLiteral("VSBWavVolume"));
            QStringList visited;
            while (visited.size() < expected.size()) {
                closePopups();
                test::pressKey(top, Qt::Key_Tab, forward ? Qt::NoModifier : Qt::ShiftModifier);
                QApplication::processEvents();
                visited << nameOf(QApplication::focusWidget());
            }
            QCOMPARE(visited, expected);
        });
    }

    void popupMenuFromKeyboard_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier);
        QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
    }

    // The popup menu of the text opens from the keyboard under the caret, and its items are
    // chosen with the arrow keys and Enter: "Selektiraj ajet" selects the ayah of the caret.
    void popupMenuFromKeyboard()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        MainControls &c = m_w->controls();
        QVERIFY(test::showActive(m_w.get()));
        RichTextView *view = c.Rtf1;
        view->setFocus(Qt::OtherFocusReason);
        const int ayah = int(view->text().indexOf(QStringLiteral("1:5.\t")));
        QVERIFY(ayah > 0);
        view->setSelStart(ayah + 8);
        QTRY_COMPARE(QApplication::focusWidget(), view);

        if (key == Qt::Key_Menu) {
            // The window system turns the menu key into a keyboard request for a context menu,
            // sent to the widget that has the focus (the key itself follows it).
            QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            QApplication::sendEvent(QApplication::focusWidget(), &request);
        }
        test::pressKey(view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QMenu *menu = c.mnuPopupRtf;
        QVERIFY(test::waitUntil([menu] { return menu->isVisible(); }));
        const QRect caret(view->viewport()->mapToGlobal(view->cursorRect().topLeft()),
                          view->cursorRect().size());
        QVERIFY2(qAbs(menu->geometry().top() - caret.bottom()) < 8 &&
                     qAbs(menu->geometry().left() - caret.left()) < 8,
                 qPrintable(QStringLiteral("menu at %1,%2, caret at %3,%4")
                                .arg(menu->geometry().left())
                                .arg(menu->geometry().top())
                                .arg(caret.left())
                                .arg(caret.bottom())));
        test::pressKey(menu, Qt::Key_Down);
        QCOMPARE(menu->activeAction(), c.mnuSelektojeAjetin);
        test::pressKey(menu, Qt::Key_Return);
        QVERIFY(test::waitUntil([menu] { return !menu->isVisible(); }));
        QVERIFY2(view->selText().startsWith(QStringLiteral("1:5.\tTebi se klanjamo")),
                 qPrintable(view->selText()));
    }

private:
    void openWindow(const QString &which, const std::function<void(QWidget *)> &check)
    {
        MainControls &c = m_w->controls();
        if (which == QLatin1String("main")) {
            QVERIFY(test::showActive(m_w.get()));
            check(m_w.get());
        } else if (which == QLatin1String("recitation"))
            withModalFrom(c.cmdLeximAjet, check);
        else
            withModalFrom(c.cmdRrethProg, check);
    }

    std::unique_ptr<MainWindow> m_w;
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
