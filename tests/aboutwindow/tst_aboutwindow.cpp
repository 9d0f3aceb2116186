#include "TestSupport.h"
#include "about/widgets/AboutWindow.h"

#include <QtTest>
#include <QtWidgets>

using velmora::AboutWindow;
using velmora::test::byName;

namespace {

// What the window asked the desktop to open, in order.
QList<QUrl> openedUrls;

const QString kClipboardBefore = QStringLiteral("clipboard before the click");
const QColor kAtRest(0, 0, 192);
const QColor kLit(255, 0, 0);

QColor colorOf(const QWidget *w)
{
    return w->palette().color(QPalette::WindowText);
}

} // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        AboutWindow::setUrlOpener([](const QUrl &url) { openedUrls.append(url); });
    }

    void init()
    {
        openedUrls.clear();
        QGuiApplication::clipboard()->setText(kClipboardBefore);
        m_window = new AboutWindow;
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        m_tabs = m_window->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
        QVERIFY(m_tabs);
        // The links live on the "Kontakt" tab.
        m_tabs->setCurrentIndex(3);
    }

    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
    }

    void captionAndTabs()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("O programu Velmora 4.0"));
        // Tab texts in order, with the index of the container each tab shows.
        const QList<std::pair<const char *, int>> tabs = {
            {"Program", 2}, {"Obrada", 1}, {"Zahvala", 3}, {"Kontakt", 4}};
        QCOMPARE(m_tabs->count(), tabs.size());
        for (int i = 0; i < tabs.size(); ++i) {
            QCOMPARE(m_tabs->tabText(i), QLatin1String(tabs[i].first));
            QWidget *page = byName<QWidget>(m_window, QStringLiteral("Picture1"), tabs[i].second);
            QCOMPARE(m_tabs->widget(i), page);
            QVERIFY(!page->findChildren<QLabel *>().isEmpty());
        }
        QCOMPARE(m_window->findChild<QPushButton *>(QStringLiteral("Command1"))->text(),
                 QStringLiteral("Natrag"));
    }

    void clicks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QString>("copied"); // the clipboard after the click: empty for unchanged
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QString>("opened");
        const auto right = Qt::RightButton, left = Qt::LeftButton;
        const QString web1 = QStringLiteral("https://velmora.example.org/"),
                      web2 = web1 + QStringLiteral("vijesti");
        QTest::newRow("right click first web link")
            << "Label1/40" << right << ' ' + web1 + ' ' << false << "";
        QTest::newRow("right click second web link")
            << "Label1/42" << right << ' ' + web2 + ' ' << false << "";
        QTest::newRow("right click mail link") << "lblHyperlink" << right << QString() << false << "";
        QTest::newRow("right click Kontakt container") << "Picture1/4" << right << QString() << false << "";
        QTest::newRow("left click first web link") << "Label1/40" << left << QString() << false << web1;
        QTest::newRow("left click second web link") << "Label1/42" << left << QString() << false << web2;
        QTest::newRow("left click mail link")
            << "lblHyperlink" << left << QString() << false << "mailto:velmora@example.org";
        QTest::newRow("text above the web links") << "Label1/38" << left << QString() << false << "";
        QTest::newRow("Kontakt container") << "Picture1/4" << left << QString() << true << "";
        QTest::newRow("Program container") << "Picture1/2" << left << QString() << false << "";
        QTest::newRow("Obrada container") << "Picture1/1" << left << QString() << false << "";
        QTest::newRow("Zahvala container") << "Picture1/3" << left << QString() << false << "";
        QTest::newRow("window background") << "background" << left << QString() << true << "";
        QTest::newRow("Natrag") << "Command1" << left << QString() << true << "";
    }

    void clicks()
    {
        QFETCH(QString, name);
        QFETCH(Qt::MouseButton, button);
        QFETCH(QString, copied);
        QFETCH(bool, closes);
        QFETCH(QString, opened);

        QSignalSpy finished(m_window, &QDialog::finished);
        QPoint pos;
        QWidget *w = target(name, pos);
        QVERIFY2(w, "no such control or no free spot in it");
        QTest::mouseClick(w, button, {}, pos);
        QCOMPARE(QGuiApplication::clipboard()->text(), copied.isEmpty() ? kClipboardBefore : copied);
        QCOMPARE(openedUrls, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
        QCOMPARE(m_window->isVisible(), !closes);
        QCOMPARE(finished.size(), closes ? 1 : 0);
    }

    void hover_data()
    {
        QTest::addColumn<QString>("moves"); // the link, then where the mouse goes
        QTest::addColumn<bool>("backAtRest");
        QTest::newRow("first web link, then background") << "Label1/40 background" << true;
        QTest::newRow("second web link, then Kontakt container") << "Label1/42 Picture1/4" << true;
        QTest::newRow("mail link, then background") << "lblHyperlink background" << true;
        QTest::newRow("first web link, then text") << "Label1/40 Label1/38" << false;
        QTest::newRow("first web link, then other link") << "Label1/40 Label1/42" << false;
        QTest::newRow("mail link, then Program container") << "lblHyperlink Picture1/2" << false;
        QTest::newRow("mail link, then Natrag") << "lblHyperlink Command1" << false;
    }

    void hover()
    {
        QFETCH(QString, moves);
        QFETCH(bool, backAtRest);

        // A move with no button held, as the windowing system delivers it to a tracking widget.
        const auto moveOver = [](QWidget *w, QPoint pos) {
            QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(w, &move);
        };
        QPoint pos;
        QList<QWidget *> links;
        for (const char *name : {"Label1/40", "Label1/42", "lblHyperlink"})
            links << target(QLatin1String(name), pos);
        QWidget *l = target(moves.section(QLatin1Char(' '), 0, 0), pos);
        QVERIFY(l && !links.contains(nullptr));
        moveOver(l, pos);
        // Only the link under the mouse lights up.
        for (QWidget *any : links)
            QCOMPARE(colorOf(any), any == l ? kLit : kAtRest);
        QWidget *next = target(moves.section(QLatin1Char(' '), 1), pos);
        QVERIFY2(next, "no such control or no free spot in it");
        moveOver(next, pos);
        QCOMPARE(colorOf(l), backAtRest ? kAtRest : kLit);
    }

private:
    // The control a row names ("Label1/40", "lblHyperlink", "Picture1/4", "background"...) and
    // the point to aim at; nullptr when there is none or the point is not free.
    QWidget *target(const QString &name, QPoint &pos)
    {
        // "Label1/40" is element 40 of a control array; a single control matches index 0.
        QWidget *w = name == QLatin1String("background")
                         ? m_window
                         : byName<QWidget>(m_window, name.section(QLatin1Char('/'), 0, 0),
                                           name.section(QLatin1Char('/'), 1).toInt());
        if (!w)
            return nullptr;
        pos = w->rect().center();
        if (w == m_window || w->objectName() == QLatin1String("Picture1")) {
            if (w != m_window)
                m_tabs->setCurrentWidget(w);
            // A free spot: the lower right corner of a container, the top left corner of the window.
            pos = w == m_window ? QPoint(3, 3) : QPoint(w->width() - 5, w->height() - 5);
        }
        return w->childAt(pos) ? nullptr : w;
    }

    AboutWindow *m_window = nullptr;
    QTabWidget *m_tabs = nullptr;
};

QTEST_MAIN(TestAboutWindow)
#include "tst_aboutwindow.moc"
