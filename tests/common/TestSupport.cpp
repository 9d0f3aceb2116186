#include "TestSupport.h"

#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"

#include "data/DataFolder.h"
#include "data/Database.h"
#include "textview/widgets/RichTextView.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace velmora::test {

namespace {
QList<MessageBoxAnswerer *> &answerers()
{
    static QList<MessageBoxAnswerer *> all;
    return all;
}

QStringList &unexpected()
{
    static QStringList texts;
    return texts;
}

// Watches every widget shown in the program: a message box that shows while no answerer is
// waiting for one is closed as soon as its own event loop runs, and the running test fails.
class UnaskedBoxCloser : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            auto *box = qobject_cast<QMessageBox *>(watched);
            if (box && box->isWindow() && !MessageBoxAnswerer::anyPending()) {
                QTimer::singleShot(0, box, [guard = QPointer<QMessageBox>(box)] {
                    if (!guard || !guard->isVisible())
                        return;
                    const QString text = guard->text();
                    unexpected().append(text);
                    guard->done(0);
                    QTest::qFail(
                        qPrintable(QStringLiteral("a message box that no test answers: \"%1\"").arg(text)),
                        __FILE__, __LINE__);
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

void installUnaskedBoxCloser()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (app && app->inherits("QApplication"))
        app->installEventFilter(new UnaskedBoxCloser(app));
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(installUnaskedBoxCloser)

// The per-user settings store of every test program lies in a folder of its own, made empty
// for each run: no test reads what the reader (or another test) kept there, such as a last
// place that would move the text at start-up, and none writes into the reader's own settings.
// A test may still point the store elsewhere with QSettings::setPath.
void useScratchSettings()
{
    static QTemporaryDir scratch;
    if (!scratch.isValid())
        return;
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, scratch.path());
}

Q_COREAPP_STARTUP_FUNCTION(useScratchSettings)

const QStringList &unexpectedBoxes()
{
    return unexpected();
}

bool MessageBoxAnswerer::anyPending()
{
    for (const MessageBoxAnswerer *a : std::as_const(answerers()))
        if (a->pending() > 0)
            return true;
    return false;
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    answerers().removeAll(this);
}

MessageBoxAnswerer::MessageBoxAnswerer(QObject *parent) : QObject(parent)
{
    answerers().append(this);
    auto *timer = new QTimer(this);
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
    timer->start();
}

void MessageBoxAnswerer::answer(QMessageBox::StandardButton button)
{
    m_queue.append(button);
}

void MessageBoxAnswerer::poll()
{
    if (m_queue.isEmpty())
        return;
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box) {
        // Offscreen windows are not always made active: look for any visible message box.
        const auto tops = QApplication::topLevelWidgets();
        for (QWidget *w : tops) {
            if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible()) {
                box = b;
                break;
            }
        }
    }
    if (!box)
        return;
    QAbstractButton *b = box->button(m_queue.first());
    if (!b)
        return;
    m_queue.removeFirst();
    texts.append(box->text());
    if (inspect)
        inspect(box);
    b->click();
}

void pressKey(QWidget *inWindow, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(inWindow->window()->windowHandle(), key, modifiers);
}

void typeText(QWidget *inWindow, const QString &latin1Text)
{
    for (const QChar c : latin1Text)
        QTest::keyClick(inWindow->window()->windowHandle(), c.toLatin1());
}

void clickAt(QWidget *control, QPoint pos, Qt::MouseButton button)
{
    QWidget *top = control->window();
    const QPoint at = control->mapTo(top, pos.isNull() ? control->rect().center() : pos);
    QTest::mouseClick(top->windowHandle(), button, Qt::NoModifier, at);
}

void clickItem(QAbstractItemView *view, const QModelIndex &index)
{
    view->scrollTo(index);
    clickAt(view->viewport(), view->visualRect(index).center());
}

bool showActive(QWidget *widget)
{
    QWidget *top = widget->window();
    top->show();
    top->activateWindow();
    return QTest::qWaitForWindowActive(top);
}

bool useDefaultData()
{
    const QString dir = QStringLiteral(VELMORA_TEST_DATA_DIR);
    if (!DataFolder::holdsData(dir))
        return false;
    DataFolder::setPath(dir);
    return true;
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QString ayahText(int surah, int ayah)
{
    data::Recordset rs = data::Database::open(QStringLiteral("bazabos.mdb"))
                             .openRecordset(QStringLiteral("SELECT tekstajet FROM kuran WHERE nrsure = %1 "
                                                           "AND nrajet = %2")
                                                .arg(surah)
                                                .arg(ayah));
    return rs.isValid() && !rs.eof() ? rs.field(0).value_or(QString()) : QString();
}

int paragraphOf(const QString &text, const QString &marker)
{
    for (qsizetype at = text.indexOf(marker); at >= 0; at = text.indexOf(marker, at + 1)) {
        if (at == 0 || text.at(at - 1) == QLatin1Char('\n'))
            return int(at);
    }
    return -1;
}

bool copyDefaultData(const QString &dir, const QStringList &names)
{
    for (const QString &name : names) {
        if (!QFile::copy(QStringLiteral(VELMORA_TEST_DATA_DIR "/") + name, QDir(dir).filePath(name)))
            return false;
    }
    return true;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

ProgramRun runProgram(const QString &program, const QStringList &args, int timeoutMs, bool merged)
{
    QProcess p;
    if (merged)
        p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) // the process is killed with its QProcess
        return {-1, QStringLiteral("timed out"), {}};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

void useOwnHome(const QString &home)
{
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
}

bool searchAsReader(MainWindow &window, const QString &words, int timeoutMs)
{
    QComboBox *box = window.controls().CmbKerkoKrejt;
    clickAt(box);
    if (!waitUntil([box] { return box->hasFocus(); }))
        return false;
    typeText(box, words);
    pressKey(box, Qt::Key_Return);
    const QString summary = QStringLiteral("izraz ") + words;
    return waitUntil(
        [&] { return window.controls().Rtf1->text().contains(summary) && box->findText(words) >= 0; },
        timeoutMs);
}

void chooseFromPopup(MainWindow &window, const QString &item, const std::function<void()> &whileOpen)
{
    RichTextView *view = window.controls().Rtf1;
    QPoint at = view->cursorRect().center();
    if (!view->viewport()->rect().contains(at))
        at = view->viewport()->rect().center();
    clickAt(view->viewport(), at, Qt::RightButton);
    QMenu *menu = window.controls().mnuPopupRtf;
    QVERIFY(waitUntil([menu] { return menu->isVisible(); }));
    auto *action = menu->findChild<QAction *>(item);
    QVERIFY2(action && menu->actions().contains(action), qPrintable(item));
    QTimer watch;
    if (whileOpen) {
        watch.setInterval(10);
        QObject::connect(&watch, &QTimer::timeout, &watch, [&watch, &whileOpen] {
            if (!QApplication::activeModalWidget())
                return;
            watch.stop();
            whileOpen();
        });
        watch.start();
    }
    clickAt(menu, menu->actionGeometry(action).center());
    QVERIFY(waitUntil([menu] { return !menu->isVisible(); }));
}

bool startMainWindow(MainWindow &window)
{
    installMainParts(window);
    return window.formLoad(MainWindow::Options{0, false}) && showActive(&window);
}

} // namespace velmora::test
