#pragma once

// Shared by the sound tests (header only): test clips, WAV files of sine tones written byte by
// byte so that every field of the file is under the test's control, a caller's wait for the end
// of a clip, and the contract a caller sees, with or without an output.

#include "recitation/FXSnd.h"

#include <QtEndian>
#include <QtTest>
#include <cmath>

namespace testwav {

struct Format {
    int rate, channels, bits; // bits: 8, 16, 24 or 32
    bool isFloat = false, extensible = false;
};

template <typename T> QByteArray le(T v)
{
    QByteArray b(sizeof(T), '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// A chunk with its header, and the pad byte after an odd-sized body.
inline QByteArray chunk(const char *id, const QByteArray &body)
{
    return QByteArray(id, 4) + le<quint32>(body.size()) + body + QByteArray(body.size() % 2, '\0');
}

inline QByteArray riff(const QList<QByteArray> &chunks)
{
    QByteArray body("WAVE");
    for (const QByteArray &c : chunks)
        body += c;
    return QByteArray("RIFF") + le<quint32>(body.size()) + body;
}

inline QByteArray fmtBody(const Format &f)
{
    const quint16 code = f.isFloat ? 3 : 1;
    const int align = f.channels * f.bits / 8;
    QByteArray b = le<quint16>(f.extensible ? 0xFFFE : code) + le<quint16>(f.channels) + le<quint32>(f.rate) +
                   le<quint32>(f.rate * align) + le<quint16>(align) + le<quint16>(f.bits);
    if (f.extensible) // size, valid bits, channel mask, and the sub-format GUID
        b += le<quint16>(22) + le<quint16>(f.bits) + le<quint32>(f.channels == 2 ? 3 : 4) +
             le<quint16>(code) + QByteArray::fromHex("000000001000800000aa00389b71");
    return b;
}

// The sound data of a tone (channel c at c + 1 times the frequency, so that a swap of channels
// shows), and in `stored` the exact values the file then holds, as a reader should decode them.
inline QByteArray toneBytes(const Format &f, double seconds, double frequency, double amplitude,
                            std::vector<double> *stored = nullptr)
{
    QByteArray out;
    const qint64 samples = std::llround(seconds * f.rate) * f.channels;
    for (qint64 i = 0; i < samples; ++i) {
        const double t = double(i / f.channels) / f.rate;
        const double v = amplitude * std::sin(2.0 * M_PI * frequency * double(i % f.channels + 1) * t);
        double s = float(v);
        if (f.isFloat) {
            out += le<float>(float(v));
        } else {
            const double scale = std::ldexp(1.0, f.bits - 1);
            const qint64 x = std::llround(v * (scale - 1));
            out += le<qint64>(f.bits == 8 ? x + 128 : x).left(f.bits / 8); // 8-bit samples are unsigned
            s = double(x) / scale;
        }
        if (stored)
            stored->push_back(s);
    }
    return out;
}

inline QByteArray toneWav(const Format &f, double seconds, double frequency = 1000.0, double amplitude = 0.5)
{
    return riff({chunk("fmt ", fmtBody(f)), chunk("data", toneBytes(f, seconds, frequency, amplitude))});
}

inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write a test clip");
    return path;
}

struct PollResult {
    bool ended = false; // the loop saw the end before the time-out
    QString endStatus;
    qint32 endPosition = -1;
    int passes = 0, quickPasses = 0; // all, and those within 30 ms of the one before
    int wraps = 0;                   // times the position went back (a repeated clip)
    bool lengthWhilePlaying = false; // position == length seen with a status other than "stopped"
};

// Waits for a clip the way the recitation sequencer does: reads position, then length, then
// status, and yields with QEventLoop::WaitForMoreEvents, so that it comes round only when the
// control's own wake-up wakes the thread (a slow watchdog keeps a control that never does from
// hanging the test). `onPass` may return false to leave early (ended then stays false).
inline PollResult waitLikeSequencer(velmora::FXSnd &snd, int timeoutMs,
                                    const std::function<bool(qint64, qint32)> &onPass = {})
{
    PollResult r;
    QTimer watchdog;
    watchdog.start(250);
    QElapsedTimer clock;
    clock.start();
    qint64 lastPass = 0;
    qint32 lastPosition = -1;
    while (clock.elapsed() < timeoutMs) {
        const qint64 now = clock.elapsed();
        const qint32 position = snd.position();
        const qint32 length = snd.length();
        const QString status = snd.status();
        r.quickPasses += r.passes++ > 0 && now - lastPass <= 30;
        r.wraps += position < lastPosition;
        lastPass = now;
        lastPosition = position;
        r.lengthWhilePlaying |= position == length && status != QLatin1String("stopped");
        if (status == QLatin1String("stopped") || status.isEmpty() || position == length) {
            r.ended = true;
            r.endStatus = status;
            r.endPosition = position;
            break;
        }
        if (onPass && !onPass(now, position))
            break;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return r;
}

// Runs the event loop for `ms` milliseconds.
inline void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Played {
    qint32 cut = -1;     // where a stop or a new file cut the clip; -1 when it played to the end
    qint64 pausedMs = 0; // how long it was paused
};

// Plays the clip at `path` (of 400 ms when it exists) as the recitation window does, and does
// `action` 150 ms into it: "" nothing, "pause" (for 300 ms), "stop", "new file", or "repeat"
// (from the start, cleared after one second). Checks what the caller sees; the end may be seen
// `early` ms before its time or `late` ms after it.
inline void playWith(velmora::FXSnd &snd, const QString &path, const QString &action, int early, int late,
                     Played *out)
{
    const bool repeat = action == QLatin1String("repeat");
    int ticks = 0;
    QObject context;
    QObject::connect(&snd, &velmora::FXSnd::tick, &context, [&ticks] { ++ticks; });
    snd.setRepeat(repeat);
    snd.setFile(path);
    QElapsedTimer clock;
    clock.start();
    snd.setCommand(5);
    QVERIFY2(clock.elapsed() < 50, "command 5 does not return at once");
    const qint32 position = snd.position(); // the first reads, in the caller's order
    const qint32 length = snd.length();
    const QString status = snd.status();
    const bool exists = QFileInfo::exists(path); // a missing file ends a waiting caller at once
    QCOMPARE(status, exists ? QStringLiteral("playing") : QStringLiteral("stopped"));
    QCOMPARE(length, exists ? 400 : position);
    if (!exists)
        return;
    QVERIFY(position < 60);

    PollResult r =
        waitLikeSequencer(snd, 2000, [&](qint64 t, qint32 p) { return repeat ? t < 1000 : p < 150; });
    QVERIFY2(!r.ended, "the clip ended too soon");
    qint64 extra = 0; // time on top of one pass: the pause, or the passes before the last
    if (action == QLatin1String("pause")) {
        QElapsedTimer pause;
        pause.start();
        snd.setCommand(6);
        const qint32 pausedAt = snd.position();
        QCOMPARE(snd.status(), QStringLiteral("paused"));
        ticks = 0;
        spin(300);
        QCOMPARE(ticks, 0); // no work while paused
        QCOMPARE(snd.position(), pausedAt);
        QCOMPARE(snd.status(), QStringLiteral("paused"));
        snd.setCommand(10);
        out->pausedMs = extra = pause.elapsed();
        QCOMPARE(snd.status(), QStringLiteral("playing"));
        const qint32 resumedAt = snd.position();
        QVERIFY2(resumedAt >= pausedAt && resumedAt <= pausedAt + 50, qPrintable(QString::number(resumedAt)));
    } else if (action == QLatin1String("stop") || action == QLatin1String("new file")) {
        const bool stop = action == QLatin1String("stop");
        out->cut = snd.position();
        stop ? snd.setCommand(11) : snd.setFile(path + QStringLiteral(".next.wav"));
        out->cut = stop ? snd.position() : out->cut;
        QCOMPARE(snd.status(), stop ? QStringLiteral("stopped") : QString());
        QVERIFY(stop || snd.position() == snd.length()); // a new file ends a waiting caller
        QVERIFY2(out->cut >= 150 && out->cut < 350, qPrintable(QString::number(out->cut)));
        const qint32 after = snd.position();
        spin(300);
        QCOMPARE(snd.position(), after);
        QCOMPARE(snd.status(), stop ? QStringLiteral("stopped") : QString());
        return;
    } else if (repeat) {
        QCOMPARE(r.wraps, 2);
        QVERIFY(!r.lengthWhilePlaying);
        snd.setRepeat(0); // the pass that runs is the last
        extra = 800;
    }
    r = waitLikeSequencer(snd, 3000);
    QVERIFY2(r.ended, "the clip never ended");
    QCOMPARE(r.endStatus, QStringLiteral("stopped"));
    QCOMPARE(r.endPosition, 400);
    QVERIFY2(r.wraps == 0 && !r.lengthWhilePlaying, "position went back or stood at the length too soon");
    // The control wakes the caller about every 20 ms (a loaded machine stretches some gaps).
    QVERIFY2(r.quickPasses * 2 >= r.passes,
             qPrintable(QStringLiteral("%1 of %2").arg(r.quickPasses).arg(r.passes)));
    const qint64 lateBy = clock.elapsed() - extra - 400;
    QVERIFY2(lateBy >= -early && lateBy <= late, qPrintable(QStringLiteral("ended %1 ms late").arg(lateBy)));
    spin(60);
    ticks = 0;
    spin(200);
    QCOMPARE(ticks, 0); // no work once the clip has ended, and it stays ended
    QCOMPARE(snd.status(), QStringLiteral("stopped"));
    QCOMPARE(snd.position(), 400);
}

} // namespace testwav
