// Times of the navigation on the whole text, on Qt's offscreen platform:
//   - loading the whole text (file read and parsed, then laid out to its end);
//   - locating the last ayah of the book, 114:6, from the Enter key in the ayah selector to
//     the selection in sight (the view repainted);
//   - colouring every occurrence of "allah" (one yield each) against the same find calls on
//     the document without colouring.
// Usage: bench_navigation [DATA-FOLDER]
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/DataFolder.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/RichTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextStream>
#include <algorithm>

using namespace velmora;

namespace {

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

// Lays the document out to its end (Qt lays long documents out lazily).
void finishLayout(RichTextView *view)
{
    QTextDocument *doc = view->document();
    doc->documentLayout()->blockBoundingRect(doc->lastBlock());
}

void drainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

void pressEnter(QComboBox *combo)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(combo, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(combo, &release);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1)
        DataFolder::setPath(QString::fromLocal8Bit(argv[1]));
    out() << "data folder: " << DataFolder::path() << Qt::endl;

    MainWindow window;
    installMainParts(window);
    if (!window.formLoad(MainWindow::Options{0, false}))
        return 1;
    RichTextView *view = window.controls().Rtf1;
    drainEvents();

    // ---- Load of the whole text ----
    QList<double> loads;
    QList<double> layouts;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        if (!window.loadWholeText(QStringLiteral("KUR'AN.rtf")))
            return 1;
        const qint64 loaded = t.nsecsElapsed();
        finishLayout(view);
        const qint64 laidOut = t.nsecsElapsed();
        loads.append(ms(loaded));
        layouts.append(ms(laidOut - loaded));
        drainEvents();
    }
    out() << "whole text: " << view->textLength() << " characters, " << view->document()->blockCount()
          << " paragraphs" << Qt::endl;
    out() << "load of the whole text: " << median(loads) << " ms (file to document), then " << median(layouts)
          << " ms to lay it out to the end; median of " << loads.size() << Qt::endl;

    // ---- kerkoje for 114:6, from the Enter key ----
    MainControls &c = window.controls();
    c.CmbNrSure->setEditText(QStringLiteral("114"));
    pressEnter(c.CmbNrSure);
    drainEvents();
    QList<double> locates;
    bool inSight = true;
    bool right = true;
    for (int run = 0; run < 7; ++run) {
        view->setSelStart(0);
        view->verticalScrollBar()->setValue(0);
        drainEvents();
        c.CmbNrAjeti->setEditText(QStringLiteral("6"));
        QElapsedTimer t;
        t.start();
        pressEnter(c.CmbNrAjeti);
        QCoreApplication::processEvents(); // the repaint that shows the selection
        locates.append(ms(t.nsecsElapsed()));
        inSight = inSight && view->viewport()->rect().intersects(view->cursorRect());
        right = right && view->selText().startsWith(QStringLiteral("114:6.\t"));
    }
    out() << "kerkoje 114:6 on the whole text, Enter to selection in sight: median " << median(locates)
          << " ms, best " << *std::min_element(locates.begin(), locates.end()) << " ms (" << locates.size()
          << " runs; selection " << (right ? "right" : "WRONG") << ", "
          << (inSight ? "in sight" : "NOT in sight") << "); goal under 20 ms" << Qt::endl;

    // ---- Colouring "allah" against the bare find calls ----
    const QString word = QStringLiteral("allah");
    if (!window.loadWholeText(QStringLiteral("KUR'AN.rtf")))
        return 1;
    finishLayout(view);
    drainEvents();
    int occurrences = 0;
    QElapsedTimer t;
    t.start();
    for (QTextCursor hit = view->document()->find(word, 0); !hit.isNull();
         hit = view->document()->find(word, hit.selectionEnd()))
        ++occurrences;
    const double findOnly = ms(t.nsecsElapsed());

    t.restart();
    SkuqjeFjalesh(view, word);
    const double colouring = ms(t.nsecsElapsed());
    t.restart();
    finishLayout(view);
    const double layoutAfter = ms(t.nsecsElapsed());

    out() << "colouring \"" << word << "\": " << occurrences << " occurrences, " << colouring
          << " ms with one yield each (then " << layoutAfter << " ms of layout left); the same "
          << occurrences << " QTextDocument::find calls alone: " << findOnly << " ms; ratio "
          << (findOnly > 0 ? colouring / findOnly : 0) << "x (goal within 3x)" << Qt::endl;
    return 0;
}
