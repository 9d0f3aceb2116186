// Load time of the whole text in the rich text view.
//
//   bench_textview [path/to/KUR'AN.rtf] [rounds]
//   bench_textview --generate out.rtf
//
// Without a path a comparable text is generated: 114 surahs with their real numbers of ayahs
// (6236 ayah paragraphs "S:A.<tab>text" with code page 1250 escapes, a centred bold heading per
// surah), about 1 MB of RTF. Prints the time to read the RTF into the view with the layout
// complete, the time of QTextEdit::setPlainText of the same plain text in the same widget with
// the layout complete, their ratio, and the peak resident memory.

#include "textview/RtfReader.h"
#include "textview/widgets/RichTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int kAyahs[114] = {7,   286, 200, 176, 120, 165, 206, 75, 129, 109, 123, 111, 43, 52, 99, 128, 111,
                         110, 98,  135, 112, 78,  118, 64,  77, 227, 93,  88,  69,  60, 34, 30, 73,  54,
                         45,  83,  182, 88,  75,  85,  54,  53, 89,  59,  37,  35,  38, 29, 18, 45,  60,
                         49,  62,  55,  78,  96,  29,  22,  24, 13,  14,  11,  11,  18, 12, 12, 30,  52,
                         52,  44,  28,  28,  20,  56,  40,  31, 50,  40,  46,  42,  29, 19, 36, 25,  22,
                         17,  19,  26,  30,  20,  15,  21,  11, 8,   8,   19,  5,   8,  8,  11, 11,  8,
                         3,   9,   5,   4,   7,   3,   6,   3,  5,   4,   5,   6};

// Bosnian words, written as RTF with code page 1250 escapes.
const char *const kWords[] = {
    "Allah",      "je",         "Onaj",       "koji",        "sve",         "zna",      "i",
    "Gospodar",   "svjetova",   "Milostivi",  "Samilosni",   "a",           "onima",    "vjeruju",
    "\\'9ato",    "\\'e8ine",   "dobra",      "djela",       "D\\'9eennet", "\\'9ee",   "ka\\'9ee",
    "ku\\'e6a",   "vje\\'e8ni", "\\'e8ovjek", "zemlja",      "nebesa",      "\\'f0aur", "\\'d0ehennem",
    "\\'8aejtan", "\\'c8uvaj",  "bra\\'e6a",  "srce",        "istina",      "Knjiga",   "uputa",
    "narod",      "Musa",       "Harun",      "Ibrahim",     "ka\\'9ee:",   "kazuj,",   "nagrada.",
    "sigurno",    "mudri",      "Mudri.",     "opra\\'9ata", "mnogo",
};

QByteArray generateRtf()
{
    QRandomGenerator rng(6236);
    QByteArray out;
    out.reserve(1200000);
    out += "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\froman\\fcharset238 Times New Roman;}"
           "{\\f1\\fswiss\\fcharset238 Arial;}}{\\colortbl;\\red0\\green0\\blue128;}\r\n"
           "\\pard\\plain\\f0\\fs24\r\n";
    const int wordCount = int(sizeof(kWords) / sizeof(kWords[0]));
    for (int s = 1; s <= 114; ++s) {
        out += "{\\pard\\qc\\b\\f1\\fs28 Sura " + QByteArray::number(s) + "\\par}\r\n";
        for (int a = 1; a <= kAyahs[s - 1]; ++a) {
            out += "\\pard\\qj{\\b\\cf1 " + QByteArray::number(s) + ":" + QByteArray::number(a) + ".}\\tab ";
            const int words = 16 + int(rng.bounded(28));
            for (int w = 0; w < words; ++w) {
                if (w)
                    out += ' ';
                out += kWords[rng.bounded(wordCount)];
            }
            out += ".\\par\r\n";
        }
    }
    out += "}";
    return out;
}

double peakRssMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

void finishLayout(velmora::RichTextView &view)
{
    view.document()->documentLayout()->documentSize();
    QApplication::processEvents();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    if (argc > 2 && qstrcmp(argv[1], "--generate") == 0) {
        QFile out(QString::fromLocal8Bit(argv[2]));
        if (!out.open(QIODevice::WriteOnly) || out.write(generateRtf()) < 0)
            return 1;
        return 0;
    }
    QTemporaryDir tmp;
    QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (!path.isEmpty())
        path = QFileInfo(path).absoluteFilePath();
    const int rounds = argc > 2 ? qMax(1, atoi(argv[2])) : 5;
    if (path.isEmpty()) {
        path = tmp.filePath(QStringLiteral("KUR'AN.rtf"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(generateRtf()) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("generated %s\n", qPrintable(path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray rtf = file.readAll();
    file.close();

    velmora::RichTextView view;
    view.resize(1000, 700);
    view.show();
    QApplication::processEvents();

    // The reader alone, into a document that no widget shows.
    {
        QElapsedTimer t;
        t.start();
        QTextDocument doc;
        velmora::RtfReader::read(rtf, &doc);
        std::printf("RTF size %.2f MB; reader alone: %lld ms, %d paragraphs, %d characters\n",
                    rtf.size() / 1048576.0, t.elapsed(), doc.blockCount(), doc.characterCount());
    }

    QString error;
    if (!view.loadFile(path, &error)) {
        std::fprintf(stderr, "load failed: %s\n", qPrintable(error));
        return 1;
    }
    finishLayout(view);
    const double rssAfterLoad = peakRssMb();
    QString plain = view.text();
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    std::printf("plain text %lld characters, %d paragraphs\n", qlonglong(plain.size()),
                view.document()->blockCount());

    // Warm both paths once (font loading), then alternate.
    view.setPlainText(plain);
    finishLayout(view);
    std::vector<double> rtfTimes, plainTimes;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        view.loadFile(path);
        finishLayout(view);
        rtfTimes.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        view.setPlainText(plain);
        finishLayout(view);
        plainTimes.push_back(t.nsecsElapsed() / 1e6);
    }
    const double rtfMs = median(rtfTimes);
    const double plainMs = median(plainTimes);
    std::printf("RTF load into the view, layout complete: median %.1f ms (best %.1f) over %d rounds\n", rtfMs,
                *std::min_element(rtfTimes.begin(), rtfTimes.end()), rounds);
    std::printf("setPlainText of the same text, layout complete: median %.1f ms (best %.1f)\n", plainMs,
                *std::min_element(plainTimes.begin(), plainTimes.end()));
    std::printf("ratio RTF / plain: %.2f (goal <= 1.5)\n", rtfMs / plainMs);
    // Operations of the program over the whole text.
    {
        view.loadFile(path);
        finishLayout(view);
        QElapsedTimer t;
        t.start();
        view.setSelStart(0);
        view.find(QStringLiteral("114:6.\t"));
        view.span(QStringLiteral("\r"), true, true);
        std::printf("locate and select the last ayah (find + span, first plain text read): %.1f ms\n",
                    t.nsecsElapsed() / 1e6);
        t.restart();
        int count = 0;
        view.setSelStart(0);
        for (int p = view.find(QStringLiteral("allah")); p != -1;
             p = view.find(QStringLiteral("allah"), p + int(view.selText().size()))) {
            view.setSelColor(Qt::red);
            ++count;
        }
        std::printf("colour every occurrence of \"allah\" red: %d occurrences in %.1f ms\n", count,
                    t.nsecsElapsed() / 1e6);
        t.restart();
        const QString v = view.text();
        view.setSelStart(int(v.size()) / 2);
        view.upTo(QStringLiteral("\r"), false, false);
        view.setSelStart(view.selStart() + 2);
        view.span(QStringLiteral("\t"), true, true);
        const QString marker = view.selText();
        std::printf("select the ayah under a caret in the middle (%s): %.3f ms\n", qPrintable(marker),
                    t.nsecsElapsed() / 1e6);
    }
    std::printf("peak RSS after the first load: %.1f MB; at the end: %.1f MB (goal < 150)\n", rssAfterLoad,
                peakRssMb());
    return 0;
}
