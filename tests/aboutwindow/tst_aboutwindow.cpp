#include "TestSupport.h"
#include "about/Contact.h"
#include "about/widgets/AboutWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

using velmora::AboutImageList;
using velmora::AboutWindow;
namespace contact = velmora::contact;

namespace {

// What the window asked the desktop to open, in order.
QList<QUrl> &openedUrls()
{
    static QList<QUrl> urls;
    return urls;
}

const QString kClipboardBefore = QStringLiteral("clipboard before the click");

// Link names used in data rows: Label1 index 40 and 42 by their index, the mail link as -1.
constexpr int kMailLink = -1;

} // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void captionAndTabs_data();
    void captionAndTabs();
    void linksAtRest_data();
    void linksAtRest();
    void rightClickCopiesWebLink_data();
    void rightClickCopiesWebLink();
    void rightClickElsewhereCopiesNothing_data();
    void rightClickElsewhereCopiesNothing();
    void leftClickOpens_data();
    void leftClickOpens();
    void doubleClickOpensOnce();
    void clickOnTextOpensNothing();
    void clicksThatClose_data();
    void clicksThatClose();
    void natragCloses();
    void hover_data();
    void hover();
    void linkPointer();
    void windowIcon();
    void showAboutWindowIsModal();

private:
    QWidget *container(int index) const;
    QLabel *label1(int index) const;
    QLabel *link(int which) const;
    void moveOver(QWidget *w, QPoint pos = QPoint());
    QPoint emptyPoint(QWidget *w) const;
    static QColor colorOf(const QLabel *label) { return label->palette().color(QPalette::WindowText); }

    AboutWindow *m_window = nullptr;
};

void TestAboutWindow::initTestCase()
{
    AboutWindow::setUrlOpener([](const QUrl &url) { openedUrls().append(url); });
}

void TestAboutWindow::init()
{
    openedUrls().clear();
    QGuiApplication::clipboard()->setText(kClipboardBefore);
    m_window = new AboutWindow;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    // The links live on the "Kontakt" tab.
    auto *tabs = m_window->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    QVERIFY(tabs);
    tabs->setCurrentWidget(container(4));
}

void TestAboutWindow::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

QWidget *TestAboutWindow::container(int index) const
{
    return velmora::test::byName<QWidget>(m_window, QStringLiteral("Picture1"), index);
}

QLabel *TestAboutWindow::label1(int index) const
{
    return velmora::test::byName<QLabel>(m_window, QStringLiteral("Label1"), index);
}

QLabel *TestAboutWindow::link(int which) const
{
    if (which == kMailLink)
        return m_window->findChild<QLabel *>(QStringLiteral("lblHyperlink"));
    return label1(which);
}

void TestAboutWindow::moveOver(QWidget *w, QPoint pos)
{
    if (pos.isNull())
        pos = w->rect().center();
    // A move with no button held, as the windowing system delivers it to a tracking widget.
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

QPoint TestAboutWindow::emptyPoint(QWidget *w) const
{
    // The lower right corner of a container is free of text.
    const QPoint p(w->width() - 5, w->height() - 5);
    return w->childAt(p) == nullptr ? p : QPoint();
}

void TestAboutWindow::captionAndTabs_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("containerIndex");
    QTest::newRow("Program") << 0 << QStringLiteral("Program") << 2;
    QTest::newRow("Obrada") << 1 << QStringLiteral("Obrada") << 1;
    QTest::newRow("Zahvala") << 2 << QStringLiteral("Zahvala") << 3;
    QTest::newRow("Kontakt") << 3 << QStringLiteral("Kontakt") << 4;
}

void TestAboutWindow::captionAndTabs()
{
    QFETCH(int, tab);
    QFETCH(QString, text);
    QFETCH(int, containerIndex);

    QCOMPARE(m_window->objectName(), QStringLiteral("frmRrethProg"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("O programu Velmora 4.0"));
    auto *tabs = m_window->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 4);
    QCOMPARE(m_window->findChildren<QWidget *>(QStringLiteral("Picture1")).size(), 4);
    QCOMPARE(tabs->tabText(tab), text);
    QWidget *page = tabs->widget(tab);
    QVERIFY(page);
    QVERIFY(page == container(containerIndex) || page->isAncestorOf(container(containerIndex)));
    // Every tab has some text of its own to show.
    QVERIFY(!container(containerIndex)->findChildren<QLabel *>().isEmpty());
    auto *natrag = m_window->findChild<QPushButton *>(QStringLiteral("Command1"));
    QVERIFY(natrag);
    QCOMPARE(natrag->text(), QStringLiteral("Natrag"));
}

void TestAboutWindow::linksAtRest_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("hasCopyTip");
    QTest::newRow("first web link") << 40 << contact::webPage(1) << true;
    QTest::newRow("second web link") << 42 << contact::webPage(2) << true;
    QTest::newRow("mail link") << kMailLink << contact::mailAddress() << false;
}

void TestAboutWindow::linksAtRest()
{
    QFETCH(int, which);
    QFETCH(QString, address);
    QFETCH(bool, hasCopyTip);

    QLabel *l = link(which);
    QVERIFY(l);
    QVERIFY(!address.isEmpty());
    QCOMPARE(l->text(), QLatin1Char(' ') + address + QLatin1Char(' '));
    QCOMPARE(colorOf(l), QColor(0, 0, 192));
    QVERIFY(container(4)->isAncestorOf(l));
    QVERIFY(l->hasMouseTracking());
    if (hasCopyTip)
        QCOMPARE(l->toolTip(), QStringLiteral("Kliknite desnim gumbom da bi kopirali adresu"));
}

void TestAboutWindow::rightClickCopiesWebLink_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("caption");
    QTest::newRow("first web link") << 40 << QStringLiteral(" https://velmora.example.org/ ");
    QTest::newRow("second web link") << 42 << QStringLiteral(" https://velmora.example.org/vijesti ");
}

void TestAboutWindow::rightClickCopiesWebLink()
{
    QFETCH(int, which);
    QFETCH(QString, caption);

    QTest::mouseClick(link(which), Qt::RightButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), caption);
    QVERIFY(openedUrls().isEmpty());
    QVERIFY(m_window->isVisible());
}

void TestAboutWindow::rightClickElsewhereCopiesNothing_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("mail link") << QStringLiteral("mail");
    QTest::newRow("text above the web links") << QStringLiteral("text");
    QTest::newRow("Kontakt container") << QStringLiteral("container");
    QTest::newRow("window background") << QStringLiteral("background");
}

void TestAboutWindow::rightClickElsewhereCopiesNothing()
{
    QFETCH(QString, target);

    QWidget *w = nullptr;
    QPoint pos;
    if (target == QLatin1String("mail")) {
        w = link(kMailLink);
    } else if (target == QLatin1String("text")) {
        w = label1(38);
    } else if (target == QLatin1String("container")) {
        w = container(4);
        pos = emptyPoint(w);
        QVERIFY(!pos.isNull());
    } else {
        w = m_window;
        pos = QPoint(3, 3);
        QCOMPARE(m_window->childAt(pos), nullptr);
    }
    QVERIFY(w);
    QTest::mouseClick(w, Qt::RightButton, {}, pos);
    QCOMPARE(QGuiApplication::clipboard()->text(), kClipboardBefore);
    QVERIFY(openedUrls().isEmpty());
    // Only a left click closes the window.
    QVERIFY(m_window->isVisible());
}

void TestAboutWindow::leftClickOpens_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QUrl>("url");
    QTest::newRow("first web link") << 40 << QUrl(QStringLiteral("https://velmora.example.org/"));
    QTest::newRow("second web link") << 42 << QUrl(QStringLiteral("https://velmora.example.org/vijesti"));
    QTest::newRow("mail link") << kMailLink << QUrl(QStringLiteral("mailto:velmora@example.org"));
}

void TestAboutWindow::leftClickOpens()
{
    QFETCH(int, which);
    QFETCH(QUrl, url);

    QTest::mouseClick(link(which), Qt::LeftButton);
    QCOMPARE(openedUrls(), QList<QUrl>{url});
    QCOMPARE(QGuiApplication::clipboard()->text(), kClipboardBefore);
    QVERIFY(m_window->isVisible());
}

void TestAboutWindow::doubleClickOpensOnce()
{
    // The windowing system sends press, release, double click, release.
    QLabel *l = link(40);
    QTest::mouseClick(l, Qt::LeftButton);
    QTest::mouseDClick(l, Qt::LeftButton);
    QTest::mouseRelease(l, Qt::LeftButton);
    QCOMPARE(openedUrls().size(), 1);
}

void TestAboutWindow::clickOnTextOpensNothing()
{
    // Texts that are not links, on the "Kontakt" tab and on another tab.
    QTest::mouseClick(label1(38), Qt::LeftButton);
    QTest::mouseClick(label1(44), Qt::LeftButton);
    QVERIFY(openedUrls().isEmpty());
    QVERIFY(m_window->isVisible());

    // A press on a link that ends outside it is no click.
    QLabel *l = link(42);
    QTest::mousePress(l, Qt::LeftButton);
    QTest::mouseRelease(l, Qt::LeftButton, {}, QPoint(l->width() + 20, l->height() / 2));
    QVERIFY(openedUrls().isEmpty());
}

void TestAboutWindow::clicksThatClose_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Program container") << QStringLiteral("2") << false;
    QTest::newRow("Obrada container") << QStringLiteral("1") << false;
    QTest::newRow("Zahvala container") << QStringLiteral("3") << false;
    QTest::newRow("Kontakt container") << QStringLiteral("4") << true;
    QTest::newRow("window background") << QStringLiteral("background") << true;
    QTest::newRow("tab row") << QStringLiteral("tabbar") << false;
    QTest::newRow("text on the Program tab") << QStringLiteral("text") << false;
}

void TestAboutWindow::clicksThatClose()
{
    QFETCH(QString, target);
    QFETCH(bool, closes);

    auto *tabs = m_window->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    QSignalSpy finished(m_window, &QDialog::finished);
    QWidget *w = nullptr;
    QPoint pos;
    if (target == QLatin1String("background")) {
        w = m_window;
        pos = QPoint(3, m_window->height() / 2);
        QCOMPARE(m_window->childAt(pos), nullptr);
    } else if (target == QLatin1String("tabbar")) {
        w = tabs->tabBar();
        pos = tabs->tabBar()->tabRect(3).center();
    } else if (target == QLatin1String("text")) {
        tabs->setCurrentWidget(container(2));
        w = label1(1);
    } else {
        w = container(target.toInt());
        tabs->setCurrentWidget(w);
        QVERIFY(w->isVisible());
        pos = emptyPoint(w);
        QVERIFY2(!pos.isNull(), "no free area in the container");
    }
    QVERIFY(w);
    QTest::mouseClick(w, Qt::LeftButton, {}, pos);
    QCOMPARE(m_window->isVisible(), !closes);
    QCOMPARE(finished.size(), closes ? 1 : 0);
    QVERIFY(openedUrls().isEmpty());
}

void TestAboutWindow::natragCloses()
{
    QSignalSpy finished(m_window, &QDialog::finished);
    auto *natrag = m_window->findChild<QPushButton *>(QStringLiteral("Command1"));
    QVERIFY(natrag);
    QTest::mouseClick(natrag, Qt::LeftButton);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(finished.size(), 1);
}

void TestAboutWindow::hover_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("then");
    QTest::addColumn<bool>("backAtRest");
    QTest::newRow("first web link, then background") << 40 << QStringLiteral("background") << true;
    QTest::newRow("second web link, then Kontakt container") << 42 << QStringLiteral("4") << true;
    QTest::newRow("mail link, then Kontakt container") << kMailLink << QStringLiteral("4") << true;
    QTest::newRow("mail link, then background") << kMailLink << QStringLiteral("background") << true;
    QTest::newRow("first web link, then text") << 40 << QStringLiteral("text") << false;
    QTest::newRow("first web link, then other link") << 40 << QStringLiteral("link42") << false;
    QTest::newRow("second web link, then tab row") << 42 << QStringLiteral("tabbar") << false;
    QTest::newRow("second web link, then Program container") << 42 << QStringLiteral("2") << false;
    QTest::newRow("mail link, then Obrada container") << kMailLink << QStringLiteral("1") << false;
    QTest::newRow("mail link, then Natrag") << kMailLink << QStringLiteral("natrag") << false;
}

void TestAboutWindow::hover()
{
    QFETCH(int, which);
    QFETCH(QString, then);
    QFETCH(bool, backAtRest);

    const QColor atRest(0, 0, 192);
    const QColor lit(255, 0, 0);
    QLabel *l = link(which);
    QVERIFY(l);
    moveOver(l);
    QCOMPARE(colorOf(l), lit);
    QCOMPARE(l->cursor().shape(), Qt::BitmapCursor);
    auto *images = m_window->findChild<AboutImageList *>(QStringLiteral("ImageList1"));
    QVERIFY(images);
    QCOMPARE(l->cursor().pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
             images->image(0).toImage().convertToFormat(QImage::Format_ARGB32));
    // Only the link under the mouse lights up.
    for (int other : {40, 42, kMailLink}) {
        if (other != which)
            QCOMPARE(colorOf(link(other)), atRest);
    }

    auto *tabs = m_window->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    if (then == QLatin1String("background")) {
        QCOMPARE(m_window->childAt(QPoint(3, 3)), nullptr);
        moveOver(m_window, QPoint(3, 3));
    } else if (then == QLatin1String("text")) {
        moveOver(label1(38));
    } else if (then == QLatin1String("link42")) {
        moveOver(link(42));
    } else if (then == QLatin1String("tabbar")) {
        moveOver(tabs->tabBar(), tabs->tabBar()->tabRect(0).center());
    } else if (then == QLatin1String("natrag")) {
        moveOver(m_window->findChild<QPushButton *>(QStringLiteral("Command1")));
    } else {
        QWidget *c = container(then.toInt());
        tabs->setCurrentWidget(c);
        const QPoint pos = emptyPoint(c);
        QVERIFY(!pos.isNull());
        moveOver(c, pos);
    }
    QCOMPARE(colorOf(l), backAtRest ? atRest : lit);
    if (backAtRest) {
        for (int any : {40, 42, kMailLink})
            QCOMPARE(colorOf(link(any)), atRest);
    }
}

void TestAboutWindow::linkPointer()
{
    auto *images = m_window->findChild<AboutImageList *>(QStringLiteral("ImageList1"));
    QVERIFY(images);
    QVERIFY(images->count() >= 1);
    const QImage pointer = images->image(0).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(pointer.size(), QSize(32, 32));
    QVERIFY(images->image(images->count()).isNull());

    moveOver(link(40));
    const QCursor cursor = link(40)->cursor();
    const QPoint hot = cursor.hotSpot();
    QVERIFY(QRect(QPoint(0, 0), pointer.size()).contains(hot));
    // The pointer aims with a painted tip, and it is a shape with clear corners.
    QVERIFY(qAlpha(pointer.pixel(hot)) > 0);
    QCOMPARE(qAlpha(pointer.pixel(0, 31)), 0);
    QCOMPARE(qAlpha(pointer.pixel(31, 0)), 0);
}

void TestAboutWindow::windowIcon()
{
    QSvgRenderer svg(QStringLiteral(":/velmora/velmora.svg"));
    QVERIFY(svg.isValid());
    QVERIFY(!m_window->windowIcon().isNull());
    const QImage shown = m_window->windowIcon().pixmap(QSize(48, 48)).toImage();
    QVERIFY(!shown.isNull());
    // The icon is drawn, not an empty placeholder: its centre is opaque.
    QCOMPARE(qAlpha(shown.pixel(shown.width() / 2, shown.height() / 2)), 255);
}

void TestAboutWindow::showAboutWindowIsModal()
{
    delete m_window;
    m_window = nullptr;

    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    bool sawModal = false;
    bool ownedByParent = false;
    // Looks at the open window from inside its event loop, then presses "Natrag".
    QTimer::singleShot(0, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == QLatin1String("frmRrethProg")) {
            sawModal = true;
            ownedByParent = modal->parentWidget() == &owner;
            if (auto *natrag = modal->findChild<QPushButton *>(QStringLiteral("Command1")))
                natrag->click();
        }
    });
    // A guard so that a failure cannot leave the test waiting.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, this, [] {
        const QWidgetList tops = QApplication::topLevelWidgets();
        for (QWidget *w : tops) {
            if (w->objectName() == QLatin1String("frmRrethProg"))
                w->close();
        }
    });
    guard.start(5000);
    velmora::showAboutWindow(&owner);
    QVERIFY(guard.isActive());
    QVERIFY(sawModal);
    QVERIFY(ownedByParent);
    // Closing discards the window.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(owner.findChildren<AboutWindow *>().isEmpty());
}

QTEST_MAIN(TestAboutWindow)
#include "tst_aboutwindow.moc"
