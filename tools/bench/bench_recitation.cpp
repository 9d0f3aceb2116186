// Whole-surah playback in the recitation window with the real sound player: how much CPU the
// program takes while it plays (getrusage CPU time over wall time, all threads), the gap
// between one clip's end and the next clip's start, and how long each command 5 takes to hand
// its first sound to the output.
//
//   bench_recitation [--busy] [--clip-ms N] [--surah 108|112] [--set mp3|ogg|flac|opus]
//
// With --set the clips are a recitation set of that kind (made with sox, or libsndfile for
// Opus), chosen in the window's reciter list; otherwise WAV clips in the copied `wav` folder.
// The run uses a settings store and data folder of its own, never the reader's.
//
// Run it with an audio output (the test scripts' PulseAudio null sink: source
// scripts/test-services.sh and call start_test_services). --busy measures the same run with
// the wait loops polling without waiting and the slider timer at 1 ms, for comparison.

#include "../../tests/recitationsets/SetKit.h"
#include "../../tests/recitationwindow/RecitationData.h"

#include "data/DataFolder.h"
#include "recitation/FXSnd.h"
#include "recitation/RecitationSets.h"
#include "recitation/SoundSource.h"
#include "recitation/widgets/RecitationWindow.h"
#include "textview/widgets/SurahSelectors.h"

#include <QApplication>
#include <QAudioDevice>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace velmora;

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Times each clip's start (command 5) and the poll that first sees it ended, and notes how
// long the player took to hand the clip's first sound to the output.
class TimingControl : public SoundControl {
public:
    TimingControl(SoundControl *inner, FXSnd *player) : m_inner(inner), m_player(player) { clock.start(); }
    QElapsedTimer clock;
    QList<double> startMs;
    QList<double> endSeenMs;
    QList<double> firstSoundMs;
    QList<qint32> lengthMs; // as the player reports it after each command 5
    qint64 polls = 0;

    void setFile(const QString &path) override { m_inner->setFile(path); }
    void setCommand(int command) override
    {
        if (command == 5 && !startMs.isEmpty())
            noteFirstSound();
        if (command == 5) {
            startMs << clock.nsecsElapsed() / 1e6;
            m_endSeen = false;
        }
        m_inner->setCommand(command);
        if (command == 5)
            lengthMs << m_inner->length();
    }
    qint32 position() const override
    {
        ++const_cast<TimingControl *>(this)->polls;
        return m_inner->position();
    }
    qint32 startPosition() const override { return m_inner->startPosition(); }
    qint32 length() const override { return m_inner->length(); }
    QString status() const override
    {
        const QString s = m_inner->status();
        const bool ended =
            s == QLatin1String("stopped") || s.isEmpty() || m_inner->length() == m_inner->position();
        if (ended && !m_endSeen) {
            m_endSeen = true;
            const_cast<TimingControl *>(this)->endSeenMs << clock.nsecsElapsed() / 1e6;
        }
        return s;
    }

    void noteFirstSound()
    {
        if (firstSoundMs.size() < startMs.size())
            firstSoundMs << m_player->startLatencyUs() / 1000.0;
    }

private:
    SoundControl *m_inner;
    FXSnd *m_player;
    mutable bool m_endSeen = false;
};

// The same window with the loops polling without waiting and the slider timer at 1 ms.
class BusyWindow : public RecitationWindow {
public:
    BusyWindow()
    {
        if (auto *timer = findChild<QTimer *>(QStringLiteral("Timer2")))
            timer->setInterval(1);
    }
    void waitForEvents() override { QCoreApplication::processEvents(); }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A settings store and data home of the run's own.
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("share"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool busy = args.contains(QStringLiteral("--busy"));
    int clipMs = 2000;
    int surah = 108;
    QString setKind;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--clip-ms"))
            clipMs = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--surah"))
            surah = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--set"))
            setKind = args.at(i + 1);
    }
    const int ayahs = surah == 112 ? 4 : 3;
    if ((surah != 108 && surah != 112) || clipMs <= 0 ||
        !(setKind.isEmpty() || RecitationSet::clipEndings().contains(setKind))) {
        std::fprintf(stderr, "usage: bench_recitation [--busy] [--clip-ms N] [--surah 108|112] "
                             "[--set mp3|ogg|flac|opus]\n");
        return 2;
    }

    const QAudioDevice out = QMediaDevices::defaultAudioOutput();
    std::printf("audio output: %s\n",
                out.isNull() ? "none (the player keeps time silently)" : qPrintable(out.description()));

    test::RecitationData data;
    if (!data.make(QStringLiteral(VELMORA_BUILD_DATA_DIR)) || !data.addSurah(surah, ayahs, clipMs)) {
        std::fprintf(stderr, "cannot make the data folder from %s (run set-up)\n", VELMORA_BUILD_DATA_DIR);
        return 2;
    }
    DataFolder::setPath(data.path());
    setVolumeLister([] { return QList<MountedVolume>{}; });
    if (!setKind.isEmpty()) {
        const QString folder = recitationSetsFolder() + QStringLiteral("/Bench");
        QList<int> all;
        for (int a = 1; a <= ayahs; ++a)
            all << a;
        if (!setkit::makeSet(folder, surah, all, setKind, clipMs)) {
            std::fprintf(stderr, "cannot make a set of %s clips (sox missing?)\n", qPrintable(setKind));
            return 2;
        }
        ReciterSettings::setChosen(*openProgramSettings(), {QStringLiteral("Bench"), folder});
    }

    std::unique_ptr<RecitationWindow> window =
        busy ? std::make_unique<BusyWindow>() : std::make_unique<RecitationWindow>();
    window->show();
    QCoreApplication::processEvents();
    FXSndControl fx(window->soundPlayer());
    TimingControl timing(&fx, window->soundPlayer());
    window->setSoundControl(&timing);
    window->findChild<QRadioButton *>(QStringLiteral("Option2"))->click();
    window->findChild<QComboBox *>(QStringLiteral("CmbNrSure"))->setEditText(QString::number(surah));
    window->selectors()->CmbNrSure_Click();

    QElapsedTimer wall;
    const double cpu0 = cpuSeconds();
    wall.start();
    window->findChild<QPushButton *>(QStringLiteral("cmdLexo"))->click();
    const double wallS = wall.nsecsElapsed() / 1e9;
    timing.noteFirstSound();
    const double cpuS = cpuSeconds() - cpu0;
    const double share = 100.0 * cpuS / wallS;

    const QString reciter = window->findChild<QComboBox *>(QStringLiteral("CmbUcac"))->currentText();
    std::printf("mode: %s; surah %d: Bismillah and %d ayahs, clips of %d ms, reciter %s (%s)\n",
                busy ? "busy polling" : "waiting for events", surah, ayahs, clipMs, qPrintable(reciter),
                setKind.isEmpty() ? "WAV" : qPrintable(setKind));
    std::printf("clips started: %lld, polls of the player: %lld\n", qlonglong(timing.startMs.size()),
                qlonglong(timing.polls));
    std::printf("wall %.3f s, CPU %.3f s, CPU share %.2f%% of one core\n", wallS, cpuS, share);

    double worstSeen = 0;
    double worstNominal = 0;
    for (int i = 1; i < timing.startMs.size(); ++i) {
        const double seenGap =
            i - 1 < timing.endSeenMs.size() ? timing.startMs[i] - timing.endSeenMs[i - 1] : -1;
        // Against the clip's own length: an MP3 holds the encoder's few ms of padding too.
        const double nominalGap = timing.startMs[i] - (timing.startMs[i - 1] + timing.lengthMs[i - 1]);
        worstSeen = std::max(worstSeen, seenGap);
        worstNominal = std::max(worstNominal, nominalGap);
        std::printf("clip %d -> %d: start-to-start %.1f ms, gap after the clip's length (%d ms) %.1f ms, "
                    "from the end seen to the next start %.2f ms\n",
                    i, i + 1, timing.startMs[i] - timing.startMs[i - 1], int(timing.lengthMs[i - 1]),
                    nominalGap, seenGap);
    }
    double worstStart = 0;
    for (int i = 0; i < timing.firstSoundMs.size(); ++i) {
        worstStart = std::max(worstStart, timing.firstSoundMs[i]);
        std::printf("clip %d: command 5 to the first sound handed to the output %.2f ms\n", i + 1,
                    timing.firstSoundMs[i]);
    }
    const bool started = !timing.firstSoundMs.isEmpty() &&
                         std::all_of(timing.firstSoundMs.cbegin(), timing.firstSoundMs.cend(),
                                     [](double ms) { return ms >= 0; });
    std::printf("largest command-5-to-first-sound: %.2f ms (limit 30)%s\n", worstStart,
                started ? "" : " (some clip never reached an output)");
    const bool ok = timing.startMs.size() == ayahs + 1 && share <= 1.5 && worstNominal < 50.0 &&
                    (!started || worstStart < 30.0);
    std::printf("largest gap after a clip's length: %.1f ms (limit 50), largest end-seen-to-start: %.2f ms\n",
                worstNominal, worstSeen);
    std::printf("%s\n", ok ? "within limits" : "OUTSIDE LIMITS");
    return ok ? 0 : 1;
}
