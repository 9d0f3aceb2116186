#include "recitation/ClipStream.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace velmora {

qint64 monotonicNs()
{
    return qint64(std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}

ClipStream::ClipStream(std::shared_ptr<SoundFile> sound, const QAudioFormat &format, QObject *parent)
    : QIODevice(parent), m_sound(std::move(sound)), m_info(m_sound ? m_sound->info() : SoundInfo()),
      m_format(format), m_converter(std::make_unique<PcmConverter>(m_info, format))
{
}

ClipStream::~ClipStream() = default;

bool ClipStream::open(OpenMode mode)
{
    if ((mode & WriteOnly) || !m_sound || !m_sound->isOpen() || !m_sound->rewind())
        return false;
    m_nextFrame = 0;
    m_readInPass = false;
    m_finished = false;
    return QIODevice::open(mode | Unbuffered);
}

qint64 ClipStream::deliveredUs() const
{
    const int rate = m_format.sampleRate();
    return rate > 0 ? m_framesDelivered * 1000000 / rate : 0;
}

qint64 ClipStream::bytesAvailable() const
{
    const qint64 pending = m_pending.size() - m_pendingStart;
    if (m_finished)
        return pending + QIODevice::bytesAvailable();
    // A rough figure of what is still to come, in output bytes.
    const double ratio = double(m_format.sampleRate()) / double(std::max(m_info.sampleRate, 1));
    const qint64 remaining = qint64(double(std::max<qint64>(m_info.frameCount - m_nextFrame, 0)) * ratio) *
                             m_format.bytesPerFrame();
    return pending + std::max<qint64>(remaining, m_format.bytesPerFrame()) + QIODevice::bytesAvailable();
}

void ClipStream::fill(qint64 bytes)
{
    const int channels = std::max(m_info.channels, 1);
    m_block.resize(size_t(SoundFile::BlockFrames * channels));
    while (m_pending.size() - m_pendingStart < bytes && !m_finished) {
        const qint64 got = m_sound->read(m_block.data(), SoundFile::BlockFrames);
        if (got > 0) {
            m_converter->convert(m_block.data(), got, m_pending);
            m_nextFrame += got;
            m_readInPass = true;
            continue;
        }
        // The end of the sound, or the rest cannot be decoded. A pass that decoded nothing would
        // loop for ever on a clip that cannot be read.
        if (!m_looping || !m_readInPass || !m_sound->rewind()) {
            m_finished = true;
            break;
        }
        m_nextFrame = 0;
        m_readInPass = false;
        ++m_wraps;
    }
}

qint64 ClipStream::readData(char *data, qint64 maxSize)
{
    const int frameBytes = m_format.bytesPerFrame();
    if (frameBytes <= 0)
        return -1;
    fill(maxSize);
    const qint64 pending = m_pending.size() - m_pendingStart;
    const qint64 n = std::min(maxSize, pending) / frameBytes * frameBytes;
    if (n > 0) {
        if (m_firstReadNs.load() == 0)
            m_firstReadNs.store(std::max<qint64>(monotonicNs(), 1));
        std::memcpy(data, m_pending.constData() + m_pendingStart, size_t(n));
        m_pendingStart += n;
        m_framesDelivered += n / frameBytes;
        if (m_pendingStart == m_pending.size()) {
            m_pending.clear();
            m_pendingStart = 0;
        } else if (m_pendingStart > 65536) {
            m_pending.remove(0, m_pendingStart);
            m_pendingStart = 0;
        }
    }
    return n;
}

qint64 ClipStream::writeData(const char *, qint64)
{
    return -1;
}

} // namespace velmora
