// Times of the verse search and of find in text on the whole book, on Qt's offscreen platform:
//   - a verse search from the Enter key to the last word red with the layout complete, against
//     setPlainText of the same listing into the same view with its layout complete; five
//     rounds per word, each with its ratio, then the median ratio;
//   - find backward from the end of the whole text for a word that is not there: the time to
//     the question at the beginning, and to the end of the command once it is answered;
//   - "Bez kvačica" ticked against unticked for the same word, in one run: the whole search
//     (to the last word red, the listing laid out), rounds alternating, medians compared;
//   - what the reader feels: from Enter in the search box to the end of the first paint of
//     the view that shows the listing with the red words of its first screen, ticked and not.
// Usage: bench_search [DATA-FOLDER]
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/DataFolder.h"
#include "textview/widgets/RichTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <ctime>

#include <algorithm>

using namespace velmora;

namespace {
void finishLayout(RichTextView *view)
{
    QTextDocument *doc = view->document();
    doc->documentLayout()->blockBoundingRect(doc->lastBlock());
    QCoreApplication::processEvents();
}

// Answers every message box with "No" (or closes it) as soon as it shows, and notes when the
// first one showed.
class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(QElapsedTimer &clock) : m_clock(clock) { qApp->installEventFilter(this); }
    double firstShownMs = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (box && event->type() == QEvent::Show) {
            if (firstShownMs < 0)
                firstShownMs = m_clock.nsecsElapsed() / 1e6;
            QTimer::singleShot(0, box, [box] {
                if (auto *no = box->button(QMessageBox::No))
                    no->click();
                else
                    box->reject();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QElapsedTimer &m_clock;
};

// The processor time this thread has used, in milliseconds: on a machine busy with other
// work, what the same steps take when they have the processor to themselves.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Whether the blocks of the view's first screen that hold a red word have it red: true when
// at least one character there is red (the listings searched here always have one there).
bool firstScreenRed(RichTextView *view)
{
    const QTextDocument *doc = view->document();
    const int bottom = view->viewport()->height() + view->verticalScrollBar()->value();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (doc->documentLayout()->blockBoundingRect(b).top() > bottom)
            break;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().foreground().color() == QColor(255, 0, 0))
                return true;
        }
    }
    return false;
}

// Times the end of the first paint of the view's viewport that shows a listing (its summary
// line under the first line) with red words on its first screen. The paint is run from inside
// the filter, so that its own time is counted.
class FirstListingPaint : public QObject {
public:
    FirstListingPaint(RichTextView *view, QElapsedTimer &clock) : m_view(view), m_clock(clock)
    {
        view->viewport()->installEventFilter(this);
    }
    double paintedMs = -1;
    double paintedCpuMs = -1; // the thread's processor time at that moment

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || m_inside || paintedMs >= 0)
            return false;
        const QTextBlock second = m_view->document()->firstBlock().next();
        if (!second.isValid() || second.text().indexOf(QLatin1String(" izraz ")) < 0 ||
            !firstScreenRed(m_view))
            return false;
        m_inside = true;
        QCoreApplication::sendEvent(watched, event);
        m_inside = false;
        paintedMs = m_clock.nsecsElapsed() / 1e6;
        paintedCpuMs = threadCpuMs();
        return true;
    }

private:
    RichTextView *m_view;
    QElapsedTimer &m_clock;
    bool m_inside = false;
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The state of "Bez kvačica" is read from and written to a settings store of this run.
    QTemporaryDir settingsHome;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome.path());
    if (argc > 1)
        DataFolder::setPath(QString::fromLocal8Bit(argv[1]));
    QTextStream out(stdout);
    MainWindow w;
    installMainParts(w);
    if (!w.formLoad(MainWindow::Options{0, false}))
        return 1;
    MainControls &c = w.controls();
    finishLayout(c.Rtf1);

    // Each word is searched five times from the whole text, each search followed by its
    // reference. The first search of the run reads the store from disk; the median shows the
    // usual case on a machine whose timings wander.
    constexpr int kRounds = 5;
    for (const char *word : {"Allah", "je"}) {
        QList<double> ratios;
        for (int round = 0; round < kRounds; ++round) {
            c.CmbKerkoKrejt->setEditText(QLatin1String(word));
            QElapsedTimer t;
            t.start();
            c.cmdKerkoAll->click();
            finishLayout(c.Rtf1);
            const double search = t.nsecsElapsed() / 1e6;
            const QString listing = c.Rtf1->text();
            const int lines = static_cast<int>(listing.count(QStringLiteral(".\t")));

            // The reference: the same listing as plain text into the same view, laid out.
            t.restart();
            c.Rtf1->setPlainText(listing);
            finishLayout(c.Rtf1);
            const double plain = t.nsecsElapsed() / 1e6;
            ratios << search / plain;
            out << "search \"" << word << "\" (" << round + 1 << "/" << kRounds << "): " << lines
                << " ayahs listed and coloured in " << search << " ms; setPlainText of the listing " << plain
                << " ms; ratio " << search / plain << "\n";
            w.leaveResultsView();
        }
        std::sort(ratios.begin(), ratios.end());
        out << "search \"" << word << "\": median ratio " << ratios.at(kRounds / 2) << " (lowest "
            << ratios.first() << ", highest " << ratios.last() << ")\n";
        out.flush();
    }

    // "Bez kvačica": the whole search, ticked and unticked alternating: the same word, and a
    // word typed with its marks unticked against the same word typed without them ticked
    // (both find the same ayahs).
    const std::pair<const char *, const char *> pairs[] = {{"Allah", "Allah"}, {"čovjek", "covjek"}};
    constexpr int kPairRounds = 9;
    for (const auto &[plainWord, tickedWord] : pairs) {
        QList<double> times[2], cpu[2];
        int listed[2] = {0, 0};
        for (int round = 0; round < 2 * kPairRounds; ++round) {
            const bool ticked = round % 2 == 1;
            c.chkBezKvacica->setChecked(ticked);
            c.CmbKerkoKrejt->setEditText(QString::fromUtf8(ticked ? tickedWord : plainWord));
            QElapsedTimer t;
            const double cpuStart = threadCpuMs();
            t.start();
            c.cmdKerkoAll->click();
            finishLayout(c.Rtf1);
            times[ticked] << t.nsecsElapsed() / 1e6;
            cpu[ticked] << threadCpuMs() - cpuStart;
            listed[ticked] = static_cast<int>(c.Rtf1->text().count(QStringLiteral(".\t")));
            w.leaveResultsView();
        }
        const double off = median(times[0]), on = median(times[1]);
        const double offCpu = median(cpu[0]), onCpu = median(cpu[1]);
        out << "search \"" << QString::fromUtf8(plainWord) << "\" unticked: " << listed[0] << " ayahs in "
            << off << " ms (processor " << offCpu << " ms); \"" << QString::fromUtf8(tickedWord)
            << "\" with \"Bez kvačica\": " << listed[1] << " ayahs in " << on << " ms (processor " << onCpu
            << " ms); medians of " << kPairRounds << ", rounds alternating; ticked/unticked " << on / off
            << " (processor " << onCpu / offCpu << ")\n";
        out.flush();
    }

    // Enter in the box to the first screen of the listing painted with its red words.
    for (const bool ticked : {false, true}) {
        c.chkBezKvacica->setChecked(ticked);
        for (const char *word : {"Allah", "je"}) {
            QList<double> painted, paintedCpu, whole;
            for (int round = 0; round < kRounds; ++round) {
                c.CmbKerkoKrejt->setEditText(QLatin1String(word));
                c.CmbKerkoKrejt->setFocus();
                QCoreApplication::processEvents();
                QElapsedTimer t;
                FirstListingPaint paint(c.Rtf1, t);
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
                const double cpuStart = threadCpuMs();
                t.start();
                QCoreApplication::sendEvent(c.CmbKerkoKrejt, &enter);
                // The search runs from the event loop once the key is handled, and ends in it.
                while (c.CmbKerkoKrejt->findText(QLatin1String(word)) < 0 || paint.paintedMs < 0) {
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
                    if (t.elapsed() > 20000)
                        break;
                }
                finishLayout(c.Rtf1);
                painted << paint.paintedMs;
                paintedCpu << paint.paintedCpuMs - cpuStart;
                whole << t.nsecsElapsed() / 1e6;
                w.leaveResultsView();
                // The next round's text must be recorded anew to tell its end.
                c.CmbKerkoKrejt->clear();
            }
            out << "Enter to first screen painted with red words, \"" << word << "\""
                << (ticked ? " (Bez kvačica)" : "") << ": median " << median(painted) << " ms (lowest "
                << *std::min_element(painted.begin(), painted.end()) << ", highest "
                << *std::max_element(painted.begin(), painted.end()) << "), processor time "
                << median(paintedCpu) << " ms; to the end of the search, listing laid out: " << median(whole)
                << " ms\n";
            out.flush();
        }
    }
    c.chkBezKvacica->setChecked(false);

    finishLayout(c.Rtf1);
    c.txtKerkim->setText(QStringLiteral("zzqqzz"));
    c.Rtf1->setSelStart(c.Rtf1->textLength());
    QElapsedTimer t;
    BoxAnswerer answerer(t);
    t.start();
    c.cmdKerkimPrapa->click();
    out << "find backward from the end, absent word: " << answerer.firstShownMs
        << " ms to the question at the beginning, " << t.nsecsElapsed() / 1e6
        << " ms until it is answered and the command is done\n";
    return 0;
}
