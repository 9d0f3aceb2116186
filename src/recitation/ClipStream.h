#pragma once

#include "recitation/PcmConverter.h"
#include "recitation/SoundFile.h"

#include <QIODevice>
#include <atomic>
#include <memory>
#include <vector>

namespace velmora {

// Nanoseconds of the steady clock, for timing the start of a clip.
qint64 monotonicNs();

// A read-only stream of a clip's sound in an audio output's format, decoded block by block as
// the output asks for it (nothing is decoded ahead of need). With looping on, the clip starts
// again from its first frame when it ends, without a gap.
class ClipStream : public QIODevice {
    Q_OBJECT
public:
    ClipStream(std::shared_ptr<SoundFile> sound, const QAudioFormat &format, QObject *parent = nullptr);
    ~ClipStream() override;

    // Starts from the clip's first frame.
    bool open(OpenMode mode) override;
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
    // True once the last frame has been handed out (the sound ended, or could not be decoded).
    bool finished() const { return m_finished; }
    // Sound handed out so far, in output frames and in microseconds.
    qint64 framesDelivered() const { return m_framesDelivered; }
    qint64 deliveredUs() const;
    // When the first sound was handed out (monotonicNs()), 0 before; the output may ask from
    // its own thread.
    qint64 firstReadNs() const { return m_firstReadNs.load(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    // Decodes and converts more of the clip until `bytes` output bytes are pending or the sound
    // ends.
    void fill(qint64 bytes);

    std::shared_ptr<SoundFile> m_sound;
    SoundInfo m_info;
    QAudioFormat m_format;
    std::unique_ptr<PcmConverter> m_converter;
    QByteArray m_pending;
    qsizetype m_pendingStart = 0;
    std::vector<float> m_block;
    qint64 m_nextFrame = 0;    // frames decoded in the current pass
    bool m_readInPass = false; // whether the current pass has decoded any frame
    bool m_looping = false;
    bool m_finished = false;
    int m_wraps = 0;
    qint64 m_framesDelivered = 0;
    std::atomic<qint64> m_firstReadNs{0};
};

} // namespace velmora
