// Times of the verse search and of find in text on the whole book, on Qt's offscreen platform:
//   - a verse search from the Enter key to the last word red with the layout complete, against
//     setPlainText of the same listing into the same view with its layout complete; five
//     rounds per word, each with its ratio, then the median ratio;
//   - find backward from the end of the whole text for a word that is not there: the time to
//     the question at the beginning, and to the end of the command once it is answered.
// Usage: bench_search [DATA-FOLDER]
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/DataFolder.h"
#include "textview/widgets/RichTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

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
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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
