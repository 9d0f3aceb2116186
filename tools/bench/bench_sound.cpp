// How much the sound player control costs: the time command 5 takes on a one-minute clip, and
// the processor time of the whole program while a clip plays and the caller waits the way the
// recitation sequencer does (reading position, length and status, then yielding with
// QEventLoop::WaitForMoreEvents). Plays on the default audio output, or on the wall clock when
// there is none.

#include "recitation/FXSnd.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int Rate = 44100;
constexpr int Channels = 2;

// A quiet 440 Hz tone of `seconds`, 16-bit stereo.
QByteArray toneWav(int seconds)
{
    const qint64 frames = qint64(seconds) * Rate;
    const quint32 dataBytes = quint32(frames * Channels * 2);
    QByteArray wav(44 + qsizetype(dataBytes), '\0');
    char *p = wav.data();
    auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, p + at); };
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, p + at); };
    std::memcpy(p, "RIFF", 4);
    put32(4, 36 + dataBytes);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, Channels);
    put32(24, Rate);
    put32(28, Rate * Channels * 2);
    put16(32, Channels * 2);
    put16(34, 16);
    std::memcpy(p + 36, "data", 4);
    put32(40, dataBytes);
    auto *samples = reinterpret_cast<qint16 *>(p + 44);
    for (qint64 i = 0; i < frames; ++i) {
        const auto v = qint16(std::lround(1600.0 * std::sin(2.0 * M_PI * 440.0 * double(i) / Rate)));
        samples[2 * i] = v;
        samples[2 * i + 1] = v;
    }
    return wav;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Plays the clip for `seconds` while polling like the sequencer; returns the share of one
// core used, in percent, and the number of passes of the wait loop.
std::pair<double, long> playAndPoll(velmora::FXSnd &snd, double seconds)
{
    snd.setCommand(5);
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    long passes = 0;
    while (wall.elapsed() < qint64(seconds * 1000)) {
        const qint32 position = snd.position();
        const qint32 length = snd.length();
        const QString status = snd.status();
        if (status == QLatin1String("stopped") || status.isEmpty() || position == length)
            break;
        ++passes;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const double cpu = cpuSeconds() - cpu0;
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    snd.setCommand(11);
    return {100.0 * cpu / elapsed, passes};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("minute.wav"));
    {
        QFile file(path);
        const QByteArray wav = toneWav(60);
        if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }

    velmora::FXSnd snd;
    std::printf("audio output: %s\n", snd.volumeSupported() ? "yes" : "none (wall clock)");

    // Command 5 on the one-minute clip.
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        snd.setFile(path);
        QElapsedTimer t;
        t.start();
        snd.setCommand(5);
        latencies.push_back(double(t.nsecsElapsed()) / 1e6);
        snd.setCommand(11);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("command 5 on a 1-minute clip: median %.3f ms, max %.3f ms (%zu runs)\n",
                latencies[latencies.size() / 2], latencies.back(), latencies.size());

    snd.setFile(path);
    const auto [percent, passes] = playAndPoll(snd, 5.0);
    std::printf("CPU while playing 5 s with a WaitForMoreEvents poll loop: %.2f %% of one core "
                "(%ld passes, %.0f per second)\n",
                percent, passes, double(passes) / 5.0);

    // The recitation window also moves its slider on a 1 ms timer while a clip plays.
    QTimer slider;
    slider.setTimerType(Qt::PreciseTimer);
    slider.setInterval(1);
    QObject::connect(&slider, &QTimer::timeout, &snd, [&snd] { (void)snd.position(); });
    slider.start();
    const auto [withSlider, sliderPasses] = playAndPoll(snd, 5.0);
    slider.stop();
    std::printf("the same with a 1 ms slider timer: %.2f %% of one core (%ld passes)\n", withSlider,
                sliderPasses);
    return 0;
}
