// Times the topic report of the reference line with the most ayahs in the default data
// against fetching the same ayah texts with one prepared statement per ayah on one open
// connection, and the filling of the topic tree.
//
//   bench_topics [data folder]

#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"
#include "classification/TopicData.h"
#include "classification/TopicReferences.h"
#include "classification/widgets/TopicReportView.h"
#include "classification/widgets/TopicTreePanel.h"
#include "data/DataFolder.h"
#include "data/Database.h"
#include "data/SqliteFile.h"
#include "textview/widgets/RichTextView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextEdit>
#include <QTextStream>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <cstdio>
#include <memory>

using namespace velmora;

namespace {

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

double msSince(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

std::unique_ptr<MainWindow> startWindow()
{
    auto w = std::make_unique<MainWindow>();
    installMainParts(*w);
    if (!w->formLoad(MainWindow::Options{0, false}))
        return nullptr;
    return w;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VELMORA_BUILD_DATA_DIR);
    if (!DataFolder::holdsData(dir)) {
        out << "no data in " << dir << "\n";
        return 1;
    }
    DataFolder::setPath(dir);

    // The reference connection, opened once.
    data::SqliteFile db;
    if (!db.open(DataFolder::findFile(dir, QStringLiteral("Bazabos.db")), data::SqliteFile::Mode::ReadOnly)) {
        out << "cannot open the store\n";
        return 1;
    }

    // The reference line with the most ayah lines.
    QString bestLine, bestTopic;
    ReferenceLine best;
    QList<int> bestAyahs;
    {
        data::SqliteStatement q =
            db.prepare(QStringLiteral("select nrsure, emrsure, ajetet, tema from klasifikim"));
        while (q.next()) {
            const QString line =
                referenceLineText(q.value(0).toText(), q.value(1).toText(), q.value(2).toText());
            const ReferenceLine ref = splitReferenceLine(line);
            const AyahScan scan = scanReferences(ref.references);
            if (scan.ayahs.size() > bestAyahs.size()) {
                bestAyahs = scan.ayahs;
                best = ref;
                bestLine = line;
                bestTopic = q.value(3).toText();
            }
        }
    }
    out << "largest reference line: " << bestLine.left(80) << (bestLine.size() > 80 ? "..." : "")
        << " (topic " << bestTopic << ", " << bestAyahs.size() << " ayahs)\n";

    const int runs = 15;
    // Reference: one prepared statement per ayah on the open connection.
    QList<double> reference;
    int referenceLines = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        QStringList lines;
        for (int ayah : std::as_const(bestAyahs)) {
            data::SqliteStatement q = db.prepare(QStringLiteral(
                "select nrsure, nrajet, tekstajet from kuran where nrsure = ? and nrajet = ?"));
            if (q.bind({best.surah.toInt(), ayah}) && q.next())
                lines << ayahLineText(q.value(0).toText(), q.value(1).toText(), q.value(2).toText());
        }
        reference << msSince(t);
        referenceLines = static_cast<int>(lines.size());
    }

    std::unique_ptr<MainWindow> window = startWindow();
    if (!window) {
        out << "the main window did not start\n";
        return 1;
    }

    // The program's fetch alone (store opened per run, one query text per ayah).
    QList<double> fetch;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        const data::Database store = data::Database::open(topicStoreName());
        const QStringList lines = fetchAyahLines(store, best);
        fetch << msSince(t);
        if (lines.size() != referenceLines)
            out << "line count differs: " << lines.size() << " vs " << referenceLines << "\n";
    }

    // The whole report (ShowTopicAyahs): fetch, compose, show in the view, results view.
    QList<double> report;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        showTopicAyahs(window->controls().Rtf1, *window, bestLine, bestTopic);
        report << msSince(t);
    }

    // Where that time goes: the program's own work, and the view taking the new text.
    QList<double> ownWork, viewWork, bareEdit;
    QTextEdit bare;
    bare.setFont(window->controls().Rtf1->font());
    bare.resize(window->controls().Rtf1->size());
    bare.show();
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        QStringList lines;
        {
            const data::Database store = data::Database::open(topicStoreName());
            lines = fetchAyahLines(store, best);
        }
        const QString text = composeTopicReport(bestTopic, bestLine, lines);
        ownWork << msSince(t);
        t.restart();
        window->controls().Rtf1->setText(text);
        window->enterResultsView();
        viewWork << msSince(t);
        QString plain = text;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        t.restart();
        bare.setPlainText(plain);
        bareEdit << msSince(t);
        QCoreApplication::processEvents();
    }

    const int shownLines = static_cast<int>(
        window->controls().Rtf1->text().count(QStringLiteral("\r\n") + best.surah + QLatin1Char(':')));

    // Filling the tree, on fresh windows (the tree fills once per window).
    QList<double> fill;
    int nodes = 0;
    for (int run = 0; run < 5; ++run) {
        std::unique_ptr<MainWindow> w = startWindow();
        auto *panel = w->findChild<TopicTreePanel *>();
        QElapsedTimer t;
        t.start();
        panel->CmdKlasifikim_Click();
        fill << msSince(t);
        nodes = 0;
        for (QTreeWidgetItemIterator it(w->findChild<QTreeWidget *>(QStringLiteral("TreeView1"))); *it; ++it)
            ++nodes;
    }

    out << QStringLiteral("reference fetch (prepared statement per ayah, open connection): %1 ms, %2 lines\n")
               .arg(median(reference), 0, 'f', 2)
               .arg(referenceLines);
    out << QStringLiteral("program fetch (store opened, query text per ayah):             %1 ms\n")
               .arg(median(fetch), 0, 'f', 2);
    out << QStringLiteral("topic report shown in the view:                                %1 ms, %2 lines\n")
               .arg(median(report), 0, 'f', 2)
               .arg(shownLines);
    out << QStringLiteral("  of which fetch and report text %1 ms, the view taking the text %2 ms "
                          "(a bare QTextEdit: %3 ms)\n")
               .arg(median(ownWork), 0, 'f', 2)
               .arg(median(viewWork), 0, 'f', 2)
               .arg(median(bareEdit), 0, 'f', 2);
    out << QStringLiteral("report / reference: %1 (limit 2.00); fetch and report text / reference: %2\n")
               .arg(median(report) / median(reference), 0, 'f', 2)
               .arg(median(ownWork) / median(reference), 0, 'f', 2);
    out << QStringLiteral("tree fill: %1 ms for %2 nodes (limit 100 ms)\n")
               .arg(median(fill), 0, 'f', 2)
               .arg(nodes);
    return 0;
}
