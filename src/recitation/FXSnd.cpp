#include "recitation/FXSnd.h"

#include "recitation/ClipStream.h"
#include "recitation/PcmConverter.h"
#include "recitation/SoundFile.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

// How the control keeps time. A clip's "elapsed sound" E (microseconds, over all passes of a
// repeated clip) comes from the audio output's count of processed sound, which follows what
// has really been heard: the output reports Idle some 100-250 ms before the sound has ended,
// so Idle alone never ends a clip. A clip ends when E has reached the end of all the sound
// handed to the output. Position is E within the current pass, in milliseconds; it equals the
// length exactly when, and only when, the clip has ended.
//
// Without an audio output (no device, or the output fails to start or fails later, or stops
// advancing) the same rules run on a wall clock, silently.

namespace velmora {

namespace {

constexpr int CmdPlay = 5;
constexpr int CmdPause = 6;
constexpr int CmdContinue = 10;
constexpr int CmdStop = 11;

constexpr double MaxVolume = 65535.0;
// An output whose count of processed sound stays still this long while the thread is free to
// feed it is stuck.
constexpr qint64 StuckOutputMs = 3000;
// After the last sound was handed out and the output went idle, a count of processed sound
// that stays still for this long is taken as the end.
constexpr qint64 StillAtEndMs = 500;
// Checks further apart than this mean the thread was busy elsewhere (and could not feed the
// output): the count may have stood still for that reason, so the stillness is measured anew.
constexpr qint64 BusyGapMs = 250;
// How often the control looks for the end of a clip in its last NearEndUs of sound.
constexpr qint64 EndPollMs = 10;
constexpr qint64 NearEndUs = 100000;

bool isFailure(QAudio::Error error)
{
    return error != QAudio::NoError && error != QAudio::UnderrunError;
}

QAudioFormat chooseFormat(const QAudioDevice &device, const SoundInfo &info)
{
    QList<QAudioFormat> candidates;
    for (int channels : {info.channels, 2}) {
        for (auto sampleFormat : {QAudioFormat::Float, QAudioFormat::Int16}) {
            QAudioFormat f;
            f.setSampleRate(info.sampleRate);
            f.setChannelCount(channels);
            f.setSampleFormat(sampleFormat);
            candidates.append(f);
        }
    }
    for (const QAudioFormat &f : candidates) {
        if (device.isFormatSupported(f))
            return f;
    }
    return device.preferredFormat();
}

} // namespace

struct FXSndPrivate {
    enum class State { Empty, Playing, Paused, Stopped };

    explicit FXSndPrivate(FXSnd *owner) : q(owner) {}

    FXSnd *q;
    State state = State::Empty;
    QString file;
    SoundInfo info;
    std::shared_ptr<SoundFile> sound; // the clip, decoded as the output asks for it
    qint64 durationUs = 0;
    qint32 lengthMs = 0;
    qint32 stoppedPosition = 0;

    QAudioSink *sink = nullptr;
    ClipStream *stream = nullptr; // a child of the sink
    bool sinkFailed = false;      // set by the sink's state signal, handled by update()
    int releasing = 0;            // an output is being deleted
    bool outputFailed = false;    // the last attempt to open an output failed
    QByteArray deviceId;

    bool wallClock = false;
    qint64 wallOffsetUs = 0; // on the wall clock, E = activeUs() - wallOffsetUs
    int wallPass = 0;        // completed passes of a repeated clip on the wall clock

    QElapsedTimer activeTimer; // runs while playing
    qint64 activeBaseUs = 0;   // time spent playing before activeTimer's current run
    qint64 elapsedUs = 0;      // E, never going back
    QElapsedTimer clock;       // runs from the control's creation
    qint64 stillUs = -1;       // E when it was last seen to change
    qint64 stillSinceMs = 0;   // on `clock`
    qint64 lastUpdateMs = 0;   // on `clock`

    qint64 commandNs = 0;       // when the last command 5 came
    qint64 startLatencyUs = -1; // from it to the first sound handed to the output
    void noteFirstSound()
    {
        if (startLatencyUs < 0 && stream && stream->firstReadNs() > 0)
            startLatencyUs = (stream->firstReadNs() - commandNs) / 1000;
    }

    double volume = MaxVolume;
    int repeat = 0;
    QTimer wake;             // single-shot, armed again after each wake while a clip plays
    int wakeIntervalMs = 20; // the longest time between two wakes
    // Arms the next wake: after the wake interval, or sooner, when the clip's sound ends.
    void armWake();

    QAudioDevice outputDevice() const;
    qint64 activeUs() const;
    qint64 currentElapsed();
    int currentPass() const;
    qint32 currentPosition() const;
    void update();
    void play();
    void startClip();
    bool openOutput();
    void releaseOutput();
    void switchToWallClock();
    void finish(qint32 position);
};

QAudioDevice FXSndPrivate::outputDevice() const
{
    if (!deviceId.isEmpty()) {
        const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
        for (const QAudioDevice &device : outputs) {
            if (device.id() == deviceId)
                return device;
        }
        return {};
    }
    return QMediaDevices::defaultAudioOutput();
}

qint64 FXSndPrivate::activeUs() const
{
    qint64 us = activeBaseUs;
    if (state == State::Playing && activeTimer.isValid())
        us += activeTimer.nsecsElapsed() / 1000;
    return us;
}

qint64 FXSndPrivate::currentElapsed()
{
    if (state != State::Playing)
        return elapsedUs;
    qint64 e = elapsedUs;
    if (wallClock)
        e = activeUs() - wallOffsetUs;
    else if (sink)
        e = sink->processedUSecs();
    elapsedUs = std::max(elapsedUs, e);
    return elapsedUs;
}

int FXSndPrivate::currentPass() const
{
    if (durationUs <= 0)
        return 0;
    if (wallClock)
        return wallPass;
    const qint64 byTime = elapsedUs / durationUs;
    return int(std::min<qint64>(byTime, stream ? stream->wraps() : 0));
}

qint32 FXSndPrivate::currentPosition() const
{
    switch (state) {
    case State::Empty:
        return 0;
    case State::Stopped:
        return stoppedPosition;
    case State::Playing:
    case State::Paused:
        break;
    }
    const qint64 inPassUs = elapsedUs - qint64(currentPass()) * durationUs;
    // Only an ended clip stands at its length.
    return qint32(std::clamp<qint64>(inPassUs / 1000, 0, std::max(lengthMs - 1, 0)));
}

void FXSndPrivate::update()
{
    noteFirstSound();
    if (state != State::Playing || releasing > 0)
        return;
    if (!wallClock && (sinkFailed || !sink))
        switchToWallClock();
    qint64 e = currentElapsed();
    qint64 stillMs = 0;
    if (!wallClock) {
        const qint64 now = clock.elapsed();
        if (e != stillUs || now - lastUpdateMs > BusyGapMs) {
            stillUs = e;
            stillSinceMs = now;
        }
        lastUpdateMs = now;
        stillMs = now - stillSinceMs;
        if (stillMs >= StuckOutputMs) {
            switchToWallClock();
            e = currentElapsed();
        }
    }

    bool ended = false;
    if (wallClock) {
        if (repeat != 0 && durationUs > 0)
            wallPass = std::max<int>(wallPass, int(e / durationUs));
        ended = e >= (qint64(wallPass) + 1) * durationUs;
    } else if (stream->finished()) {
        ended = e + 1000 >= stream->deliveredUs() ||
                (sink->state() == QAudio::IdleState && stillMs >= StillAtEndMs);
    }
    if (!ended)
        return;
    if (repeat != 0)
        startClip(); // the sound was handed out before repeat was set: play it again
    else
        finish(lengthMs);
}

void FXSndPrivate::play()
{
    const qint64 now = monotonicNs();
    releaseOutput();
    commandNs = now;
    startLatencyUs = -1;
    sound.reset();
    state = State::Stopped;
    stoppedPosition = 0;
    lengthMs = 0;
    durationUs = 0;
    auto clip = std::make_shared<SoundFile>();
    if (!clip->open(file))
        return; // nothing can play: "stopped" with position equal to length
    sound = std::move(clip);
    info = sound->info();
    durationUs = info.durationUs();
    lengthMs = qint32(std::min<qint64>(info.durationMs(), std::numeric_limits<qint32>::max()));
    if (lengthMs == 0)
        return; // less than a millisecond: ended before it began
    startClip();
}

void FXSndPrivate::startClip()
{
    releaseOutput();
    elapsedUs = 0;
    stillUs = -1;
    wallPass = 0;
    wallOffsetUs = 0;
    activeBaseUs = 0;
    activeTimer.start();
    state = State::Playing;
    wallClock = !openOutput();
    armWake();
}

void FXSndPrivate::armWake()
{
    if (state != State::Playing) {
        wake.stop();
        return;
    }
    qint64 dueMs = wakeIntervalMs;
    if (durationUs > 0) {
        // Close to the end of the current pass the control looks every few milliseconds (the
        // output reports what it has played in steps), so that a caller waiting for the end
        // sees it in time; before that, once the interval has passed.
        const qint64 remainingUs = (qint64(currentPass()) + 1) * durationUs - elapsedUs;
        dueMs = remainingUs > NearEndUs ? (remainingUs - NearEndUs) / 1000 + 1 : EndPollMs;
    }
    wake.start(int(std::clamp<qint64>(dueMs, 1, wakeIntervalMs)));
}

bool FXSndPrivate::openOutput()
{
    const QAudioDevice device = outputDevice();
    if (device.isNull()) {
        outputFailed = true;
        return false;
    }
    const QAudioFormat format = chooseFormat(device, info);
    auto *newStream = new ClipStream(sound, format);
    if (!newStream->open(QIODevice::ReadOnly)) {
        delete newStream;
        return false;
    }
    sink = new QAudioSink(device, format);
    stream = newStream;
    stream->setParent(sink);
    stream->setLooping(repeat != 0);
    sink->setVolume(volume / MaxVolume);
    sinkFailed = false;
    QObject::connect(sink, &QAudioSink::stateChanged, q, [this](QAudio::State) {
        if (sink && isFailure(sink->error()))
            sinkFailed = true;
    });
    sink->start(stream);
    if (isFailure(sink->error()) || sink->state() == QAudio::StoppedState) {
        releaseOutput();
        outputFailed = true;
        return false;
    }
    outputFailed = false;
    return true;
}

void FXSndPrivate::releaseOutput()
{
    if (!sink)
        return;
    noteFirstSound();
    QAudioSink *old = std::exchange(sink, nullptr);
    stream = nullptr;
    sinkFailed = false;
    // Deleting a PulseAudio sink runs the event loop (Qt 6.4): whatever runs meanwhile finds
    // no output and leaves the control's state alone.
    ++releasing;
    QObject::disconnect(old, nullptr, q, nullptr);
    old->stop();
    delete old; // and the stream with it
    --releasing;
}

void FXSndPrivate::switchToWallClock()
{
    wallPass = currentPass();
    releaseOutput();
    wallClock = true;
    wallOffsetUs = activeUs() - elapsedUs;
}

void FXSndPrivate::finish(qint32 position)
{
    stoppedPosition = position;
    state = State::Stopped;
    releaseOutput();
    sound.reset();
}

FXSnd::FXSnd(QObject *parent) : QObject(parent), d(std::make_unique<FXSndPrivate>(this))
{
    d->clock.start();
    d->wake.setSingleShot(true);
    d->wake.setTimerType(Qt::PreciseTimer);
    connect(&d->wake, &QTimer::timeout, this, [this] {
        d->update();
        emit tick();
        d->armWake();
    });
    // Brings the audio system up now, so that the first command 5 does not wait for it.
    (void)QMediaDevices::defaultAudioOutput();
}

FXSnd::~FXSnd()
{
    d->wake.stop();
    d->releaseOutput();
}

QString FXSnd::file() const
{
    return d->file;
}

void FXSnd::setFile(const QString &path)
{
    d->releaseOutput();
    d->wake.stop();
    d->sound.reset();
    d->file = path;
    d->state = FXSndPrivate::State::Empty;
    d->lengthMs = 0;
    d->durationUs = 0;
    d->stoppedPosition = 0;
    d->elapsedUs = 0;
    emit fileReplaced();
}

void FXSnd::setCommand(int command)
{
    using State = FXSndPrivate::State;
    switch (command) {
    case CmdPlay:
        d->play();
        break;
    case CmdPause:
        d->update();
        if (d->state != State::Playing)
            return;
        d->currentElapsed(); // read before suspending: a suspended output's count is stale
        d->activeBaseUs = d->activeUs();
        if (d->sink)
            d->sink->suspend();
        d->state = State::Paused;
        d->wake.stop();
        break;
    case CmdContinue:
        if (d->state != State::Paused)
            return;
        d->activeTimer.start();
        d->stillUs = -1;
        d->state = State::Playing;
        if (d->sink)
            d->sink->resume();
        d->armWake();
        break;
    case CmdStop:
        d->update();
        if (d->state == State::Playing || d->state == State::Paused)
            d->finish(d->currentPosition());
        d->wake.stop();
        break;
    default:
        break;
    }
}

qint32 FXSnd::position() const
{
    d->update();
    return d->currentPosition();
}

qint32 FXSnd::startPosition() const
{
    return 0;
}

qint32 FXSnd::length() const
{
    d->update();
    return d->lengthMs;
}

QString FXSnd::status() const
{
    d->update();
    switch (d->state) {
    case FXSndPrivate::State::Empty:
        return QString();
    case FXSndPrivate::State::Playing:
        return QStringLiteral("playing");
    case FXSndPrivate::State::Paused:
        return QStringLiteral("paused");
    case FXSndPrivate::State::Stopped:
        return QStringLiteral("stopped");
    }
    return QString();
}

double FXSnd::volume() const
{
    return d->volume;
}

void FXSnd::setVolume(double volume)
{
    if (std::isnan(volume))
        return;
    d->volume = std::clamp(volume, 0.0, MaxVolume);
    if (d->sink)
        d->sink->setVolume(d->volume / MaxVolume);
}

qint64 FXSnd::startLatencyUs() const
{
    d->noteFirstSound();
    return d->startLatencyUs;
}

bool FXSnd::volumeSupported() const
{
    if (d->sink)
        return true;
    return !d->outputFailed && !d->outputDevice().isNull();
}

void FXSnd::setRepeat(int repeat)
{
    d->update(); // brings the pass count up to date under the old setting
    d->repeat = repeat;
    if (d->stream)
        d->stream->setLooping(repeat != 0);
}

int FXSnd::repeat() const
{
    return d->repeat;
}

void FXSnd::setWakeInterval(int ms)
{
    d->wakeIntervalMs = std::max(ms, 1);
}

void FXSnd::setOutputDevice(const QByteArray &id)
{
    d->deviceId = id;
}

QByteArray FXSnd::outputDevice() const
{
    return d->deviceId;
}

} // namespace velmora
