#pragma once

#include "recitation/WavFile.h"

#include <QFile>
#include <QIODevice>
#include <memory>

namespace velmora {

// A read-only stream of a WAV file's sound in an audio output's format, read from the file
// piece by piece as the output asks for it (nothing is decoded ahead). With looping on, the
// clip starts again from its first frame when it ends, without a gap.
class WavStream : public QIODevice {
    Q_OBJECT
public:
    WavStream(const QString &path, const WavInfo &info, const QAudioFormat &format,
              QObject *parent = nullptr);
    ~WavStream() override;

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    // Never at its end while open. The end of the sound is known to the player through
    // finished(); an audio output that saw the end here would start draining its stream with
    // a callback that may outlive the output (Qt 6.4's PulseAudio sink), and it asks from its
    // own thread.
    bool atEnd() const override { return !isOpen(); }
    qint64 bytesAvailable() const override;

    void setLooping(bool looping) { m_looping = looping; }
    bool looping() const { return m_looping; }

    // How many times the clip has been started again from its beginning.
    int wraps() const { return m_wraps; }
    // True once the last frame has been handed out (the file ended, or could not be read).
    bool finished() const { return m_finished; }
    // Sound handed out so far, in output frames and in microseconds.
    qint64 framesDelivered() const { return m_framesDelivered; }
    qint64 deliveredUs() const;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    // Converts more of the file until `bytes` output bytes are pending or the sound ends.
    void fill(qint64 bytes);

    QFile m_file;
    WavInfo m_info;
    QAudioFormat m_format;
    std::unique_ptr<PcmConverter> m_converter;
    QByteArray m_pending;
    qsizetype m_pendingStart = 0;
    QByteArray m_raw;
    qint64 m_nextFrame = 0;    // next frame of the file to read, within the current pass
    bool m_readInPass = false; // whether the current pass has read any frame
    bool m_looping = false;
    bool m_finished = false;
    int m_wraps = 0;
    qint64 m_framesDelivered = 0;
};

} // namespace velmora
