#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace velmora {

struct FXSndPrivate;

// The sound player control that plays the recitation clips: WAV, MP3, Ogg Vorbis, Opus or FLAC,
// decoded by libsndfile block by block while they play.
//
// Command 5 plays the file from its start and returns at once, 6 pauses, 10 continues after a
// pause, 11 stops. Position, start position and length share one unit (milliseconds). A clip
// has ended when status() reads "stopped" or the empty text, or length() equals position().
// A file that is missing or cannot be played reads "stopped" at the first read. Without any
// audio output the control keeps time on a wall clock, silently, and volumeSupported() is
// false.
class FXSnd : public QObject {
    Q_OBJECT
public:
    explicit FXSnd(QObject *parent = nullptr);
    ~FXSnd() override;

    QString file() const;
    void setFile(const QString &path); // replaces the clip the control holds (stops it)
    void setCommand(int command);      // 5 play, 6 pause, 10 continue, 11 stop

    qint32 position() const;
    qint32 startPosition() const;
    qint32 length() const;
    // "playing", "paused", "stopped" (ended, stopped, or the file could not be played), or ""
    // when the control holds no clip yet (at start and after the file is replaced).
    QString status() const;

    double volume() const; // 0 .. 65535
    void setVolume(double volume);
    bool volumeSupported() const;
    void setRepeat(int repeat); // 1 loops the clip by itself, 0 plays it once
    int repeat() const;

    // While a clip plays, the control wakes the event loop of its thread at least every
    // `ms` milliseconds (default 20), and when the clip's sound is due to end, so that a
    // caller waiting with QEventLoop::WaitForMoreEvents polls it in time.
    void setWakeInterval(int ms);

    // How long the last command 5 took to hand its first sound to the audio output, in
    // microseconds; -1 until it has (or when it played on the wall clock).
    qint64 startLatencyUs() const;

    // The audio output the clips go to, by its id (QAudioDevice::id()); empty (the default)
    // means the system's default output at the time of each command 5.
    void setOutputDevice(const QByteArray &id);
    QByteArray outputDevice() const;

signals:
    // Emitted on every wake while a clip plays, and when it ends.
    void tick();
    // Emitted when a new file replaces the one the control held.
    void fileReplaced();

private:
    std::unique_ptr<FXSndPrivate> d;
};

} // namespace velmora
