#include "recitation/WavStream.h"

#include <algorithm>
#include <cstring>

namespace velmora {

namespace {
constexpr qint64 FramesPerRead = 4096;
}

WavStream::WavStream(const QString &path, const WavInfo &info, const QAudioFormat &format, QObject *parent)
    : QIODevice(parent), m_file(path), m_info(info), m_format(format),
      m_converter(std::make_unique<PcmConverter>(info, format))
{
}

WavStream::~WavStream() = default;

bool WavStream::open(OpenMode mode)
{
    if ((mode & WriteOnly) || !m_file.open(QIODevice::ReadOnly) || !m_file.seek(m_info.dataOffset))
        return false;
    m_nextFrame = 0;
    m_readInPass = false;
    m_finished = false;
    return QIODevice::open(mode | Unbuffered);
}

void WavStream::close()
{
    m_file.close();
    QIODevice::close();
}

qint64 WavStream::deliveredUs() const
{
    const int rate = m_format.sampleRate();
    return rate > 0 ? m_framesDelivered * 1000000 / rate : 0;
}

qint64 WavStream::bytesAvailable() const
{
    const qint64 pending = m_pending.size() - m_pendingStart;
    if (m_finished)
        return pending + QIODevice::bytesAvailable();
    // A rough figure of what is still to come, in output bytes.
    const double ratio = double(m_format.sampleRate()) / double(std::max(m_info.sampleRate, 1));
    const qint64 remaining =
        qint64(double(m_info.frameCount - m_nextFrame) * ratio) * m_format.bytesPerFrame();
    return pending + std::max<qint64>(remaining, m_looping ? m_format.bytesPerFrame() : 0) +
           QIODevice::bytesAvailable();
}

void WavStream::fill(qint64 bytes)
{
    while (m_pending.size() - m_pendingStart < bytes && !m_finished) {
        if (m_nextFrame >= m_info.frameCount) {
            // A pass that read nothing would loop for ever on a file that cannot be read.
            if (!m_looping || !m_readInPass || !m_file.seek(m_info.dataOffset)) {
                m_finished = true;
                break;
            }
            m_nextFrame = 0;
            m_readInPass = false;
            ++m_wraps;
        }
        const qint64 frames = std::min(FramesPerRead, m_info.frameCount - m_nextFrame);
        m_raw.resize(frames * m_info.bytesPerFrame);
        const qint64 got = m_file.read(m_raw.data(), m_raw.size());
        const qint64 whole = got > 0 ? got / m_info.bytesPerFrame : 0;
        if (whole > 0) {
            m_converter->convert(m_raw.constData(), whole, m_pending);
            m_readInPass = true;
        }
        if (whole < frames) {
            // The file ended early or could not be read: what is left of this pass is lost.
            m_nextFrame = m_info.frameCount;
        } else {
            m_nextFrame += whole;
        }
    }
}

qint64 WavStream::readData(char *data, qint64 maxSize)
{
    const int frameBytes = m_format.bytesPerFrame();
    if (frameBytes <= 0)
        return -1;
    fill(maxSize);
    const qint64 pending = m_pending.size() - m_pendingStart;
    const qint64 n = std::min(maxSize, pending) / frameBytes * frameBytes;
    if (n > 0) {
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

qint64 WavStream::writeData(const char *, qint64)
{
    return -1;
}

} // namespace velmora
