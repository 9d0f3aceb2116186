// Start-up after the splash: from the end of the splash's wait to the main window ready for
// the reader (whole text loaded, font lists, history, selectors filled, first paint done), on
// the platform given by QT_QPA_PLATFORM (offscreen by default). Also the resident memory then.
// Usage: bench_startup [DATA-FOLDER]
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/DataFolder.h"
#include "textview/widgets/LastPlace.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

using namespace velmora;

static QString residentMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:") || line.startsWith("VmHWM:"))
            return QString::fromLatin1(line.simplified());
    return QStringLiteral("?");
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1)
        DataFolder::setPath(QString::fromLocal8Bit(argv[1]));
    QTextStream out(stdout);
    MainWindow w;
    installMainParts(w);
    // Without the splash the start-up steps run at once; their time is what follows the
    // splash's three seconds.
    QElapsedTimer t;
    t.start();
    if (!w.formLoad(MainWindow::Options{0, false}))
        return 1;
    const double steps = t.nsecsElapsed() / 1e6;
    QCoreApplication::processEvents(); // the first paint of the window
    w.repaint();
    const double ready = t.nsecsElapsed() / 1e6;
    out << "start-up steps after the splash: " << steps << " ms; window painted and ready: " << ready
        << " ms (goal 500 ms)\n";
    out << "memory with the whole text loaded: " << residentMemory() << "\n";
    // With a last place kept in the settings store, the whole text then moves to it once it is
    // laid out up to there, while the window already answers the reader.
    if (auto *lastPlace = w.findChild<LastPlaceTracker *>(QStringLiteral("LastPlaceTracker"));
        lastPlace && lastPlace->place()) {
        bool moved = false;
        QObject::connect(lastPlace, &LastPlaceTracker::placeRestored, [&moved] { moved = true; });
        QElapsedTimer wait;
        wait.start();
        while (!moved && wait.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        out << "text moved to the last place read (" << formatAyahRef(*lastPlace->place()) << "): "
            << (moved ? QString::number(t.nsecsElapsed() / 1e6) + QStringLiteral(" ms")
                      : QStringLiteral("never"))
            << " after the splash\n";
    }
    return 0;
}
