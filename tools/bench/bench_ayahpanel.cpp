// The ayah panel, on the whole text and Qt's offscreen platform (or QT_QPA_PLATFORM):
//   - stepping the caret through 500 ayah paragraphs one after the other (surah 2 onwards,
//     headings between surahs included), from the caret move to the panel showing the new ayah
//     (its texts set, the window repainted), against the same steps with the panel hidden:
//     the cost of one change of ayah, and the panel's own parts of it;
//   - the store lookup alone for the same ayahs;
//   - moves of the caret within one ayah, which must cost nothing;
//   - start-up (as bench_startup measures it) with the panel shown and hidden, each run in a
//     fresh process of this program with a settings store of its own, alternating.
// Usage: bench_ayahpanel [DATA-FOLDER]
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "data/DataFolder.h"
#include "textview/AyahMarker.h"
#include "textview/AyahTexts.h"
#include "textview/widgets/AyahPanel.h"
#include "textview/widgets/RichTextView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
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

struct Stats {
    double median = 0, p95 = 0, max = 0, mean = 0;
};

Stats stats(QList<double> v)
{
    Stats s;
    if (v.isEmpty())
        return s;
    std::sort(v.begin(), v.end());
    s.median = v.at(v.size() / 2);
    s.p95 = v.at(std::min<qsizetype>(v.size() - 1, v.size() * 95 / 100));
    s.max = v.last();
    double sum = 0;
    for (double x : v)
        sum += x;
    s.mean = sum / double(v.size());
    return s;
}

void print(const char *what, const QList<double> &v)
{
    const Stats s = stats(v);
    out() << what << ": median " << s.median << " ms, mean " << s.mean << " ms, 95th percentile " << s.p95
          << " ms, max " << s.max << " ms (" << v.size() << " samples)" << Qt::endl;
}

// One start-up in this process: the settings store says shown or hidden; prints the time.
int startupRun()
{
    MainWindow w;
    installMainParts(w);
    QElapsedTimer t;
    t.start();
    if (!w.formLoad(MainWindow::Options{0, false}))
        return 1;
    QCoreApplication::processEvents();
    w.repaint();
    out() << t.nsecsElapsed() / 1e6 << Qt::endl;
    return 0;
}

double startupInChild(const QString &program, const QString &folder, bool shown)
{
    QTemporaryDir config;
    {
        QSettings s(config.filePath(QStringLiteral("Velmora/Velmora 4.0.conf")), QSettings::IniFormat);
        s.setValue(QStringLiteral("Arapski tekst i tefsir/Prikazan"), shown);
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    child.setProcessEnvironment(env);
    child.start(program, {QStringLiteral("--startup"), folder});
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        return -1;
    return QString::fromLatin1(child.readAllStandardOutput())
        .trimmed()
        .section(QLatin1Char('\n'), -1)
        .toDouble();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 && args.at(1) == QLatin1String("--startup")) {
        DataFolder::setPath(args.at(2));
        return startupRun();
    }
    if (args.size() > 1)
        DataFolder::setPath(args.at(1));
    const QString folder = DataFolder::path();
    out() << "data folder: " << folder << Qt::endl;

    // A settings store of its own, so that the reader's is neither read nor changed.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());

    MainWindow window;
    installMainParts(window);
    if (!window.formLoad(MainWindow::Options{0, false}))
        return 1;
    auto *panel = window.findChild<AyahPanel *>(QStringLiteral("AyahPanel"));
    RichTextView *view = window.controls().Rtf1;
    panel->setShown(true);
    QCoreApplication::processEvents();

    // The first paragraph of each of 500 ayahs from 2:1 on, in the order of the text.
    QList<int> starts;
    QList<QPair<int, int>> ayahs;
    const QString text = view->text();
    int from = int(text.indexOf(QStringLiteral("\r\n2:1.\t"))) + 2;
    for (QTextBlock b = view->document()->findBlock(view->toDocumentPosition(from));
         b.isValid() && starts.size() < 500; b = b.next()) {
        int s = 0, a = 0;
        if (ayahOfParagraph(b.text(), &s, &a)) {
            starts << view->fromDocumentPosition(b.position()) + 3;
            ayahs << qMakePair(s, a);
        }
    }

    QElapsedTimer t;
    // The same steps with the panel hidden: what the view itself costs (its caret, scrolling to
    // the paragraph and painting it), which the panel's figures below are to be read against.
    panel->setShown(false);
    QList<double> hiddenChange;
    for (qsizetype i = 0; i < starts.size(); ++i) {
        t.start();
        view->setSelStart(starts.at(i));
        QCoreApplication::processEvents();
        hiddenChange << t.nsecsElapsed() / 1e6;
    }
    view->setSelStart(0);
    panel->setShown(true);
    QCoreApplication::processEvents();

    QList<double> change;
    QList<double> within;
    const int lookupsBefore = panel->lookups();
    for (qsizetype i = 0; i < starts.size(); ++i) {
        t.start();
        view->setSelStart(starts.at(i));
        // The panel updates once the move's event has been handled; then the window paints.
        QCoreApplication::processEvents();
        panel->repaint();
        change << t.nsecsElapsed() / 1e6;
        if (panel->surah() != ayahs.at(i).first || panel->ayah() != ayahs.at(i).second) {
            out() << "the panel did not follow to " << ayahs.at(i).first << ":" << ayahs.at(i).second
                  << Qt::endl;
            return 1;
        }
        t.start();
        view->setSelStart(starts.at(i) + 2);
        QCoreApplication::processEvents();
        within << t.nsecsElapsed() / 1e6;
    }
    out() << "ayahs stepped through: " << starts.size() << " (" << ayahs.first().first << ":"
          << ayahs.first().second << " to " << ayahs.last().first << ":" << ayahs.last().second
          << "), lookups " << panel->lookups() - lookupsBefore << Qt::endl;
    print("change of ayah, panel hidden (the view's own work)", hiddenChange);
    print("change of ayah, panel shown (the view's work, lookup, texts set, panel painted)", change);
    out() << "the panel's share of a change (difference of the medians): "
          << stats(change).median - stats(hiddenChange).median << " ms (goal under 5 ms)" << Qt::endl;
    print("caret move within the same ayah", within);

    // The panel's own parts of a change: its texts set (lookup included), then its paint.
    QList<double> update;
    QList<double> paint;
    for (qsizetype i = ayahs.size() - 1; i >= 0; --i) {
        t.start();
        panel->showAyah(ayahs.at(i).first, ayahs.at(i).second);
        update << t.nsecsElapsed() / 1e6;
        t.start();
        panel->repaint();
        paint << t.nsecsElapsed() / 1e6;
    }
    print("panel texts set (lookup included)", update);
    print("panel painted", paint);
    AyahTexts texts;
    QList<double> lookup;
    for (const auto &[s, a] : std::as_const(ayahs)) {
        t.start();
        texts.lookup(s, a);
        lookup << t.nsecsElapsed() / 1e6;
    }
    print("store lookup alone", lookup);

    // Start-up, shown and hidden in turn, five times each, each in a fresh process.
    QList<double> shown;
    QList<double> hidden;
    for (int i = 0; i < 5; ++i) {
        hidden << startupInChild(QCoreApplication::applicationFilePath(), folder, false);
        shown << startupInChild(QCoreApplication::applicationFilePath(), folder, true);
    }
    print("start-up with the panel hidden", hidden);
    print("start-up with the panel shown", shown);
    out() << "difference of the medians: " << stats(shown).median - stats(hidden).median
          << " ms (goal under 50 ms)" << Qt::endl;
    return 0;
}
