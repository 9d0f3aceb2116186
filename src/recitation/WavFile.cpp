#include "recitation/WavFile.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace velmora {

namespace {

constexpr quint16 FormatPcm = 0x0001;
constexpr quint16 FormatFloat = 0x0003;
constexpr quint16 FormatExtensible = 0xFFFE;

// The part of the KSDATAFORMAT_SUBTYPE_* GUIDs that follows the format code.
constexpr unsigned char SubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool fail(QString *error, const char *reason)
{
    if (error)
        *error = QString::fromLatin1(reason);
    return false;
}

bool readExactly(QIODevice &device, char *buffer, qint64 size)
{
    return device.read(buffer, size) == size;
}

struct FmtChunk {
    quint16 formatTag = 0;
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint16 blockAlign = 0;
    quint16 bitsPerSample = 0;
};

bool parseFmt(const QByteArray &bytes, FmtChunk &fmt, QString *error)
{
    if (bytes.size() < 16)
        return fail(error, "format chunk too short");
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    fmt.formatTag = qFromLittleEndian<quint16>(p);
    fmt.channels = qFromLittleEndian<quint16>(p + 2);
    fmt.sampleRate = qFromLittleEndian<quint32>(p + 4);
    fmt.blockAlign = qFromLittleEndian<quint16>(p + 12);
    fmt.bitsPerSample = qFromLittleEndian<quint16>(p + 14);
    if (fmt.formatTag == FormatExtensible) {
        if (bytes.size() < 40)
            return fail(error, "extensible format chunk too short");
        const quint16 code = qFromLittleEndian<quint16>(p + 24);
        if (std::memcmp(p + 26, SubFormatTail, sizeof SubFormatTail) != 0)
            return fail(error, "unknown extensible sub-format");
        fmt.formatTag = code;
    }
    return true;
}

} // namespace

qint64 WavInfo::durationUs() const
{
    if (sampleRate <= 0)
        return 0;
    return frameCount * 1000000 / sampleRate;
}

qint64 WavInfo::durationMs() const
{
    if (sampleRate <= 0)
        return 0;
    return frameCount * 1000 / sampleRate;
}

int WavFile::bytesPerSample(SampleEncoding encoding)
{
    switch (encoding) {
    case SampleEncoding::UInt8:
        return 1;
    case SampleEncoding::Int16:
        return 2;
    case SampleEncoding::Int24:
        return 3;
    case SampleEncoding::Int32:
    case SampleEncoding::Float32:
        return 4;
    }
    return 0;
}

std::optional<WavInfo> WavFile::readHeader(const QString &path, QString *error)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        fail(error, "cannot open the file");
        return std::nullopt;
    }
    return readHeader(file, error);
}

std::optional<WavInfo> WavFile::readHeader(QIODevice &device, QString *error)
{
    const qint64 fileSize = device.size();
    char riff[12];
    if (!device.seek(0) || !readExactly(device, riff, 12)) {
        fail(error, "not a RIFF file");
        return std::nullopt;
    }
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        fail(error, "not a RIFF/WAVE file");
        return std::nullopt;
    }

    std::optional<FmtChunk> fmt;
    qint64 dataOffset = -1;
    qint64 dataSize = 0;
    qint64 pos = 12;
    while (!(fmt && dataOffset >= 0) && pos + 8 <= fileSize) {
        char header[8];
        if (!device.seek(pos) || !readExactly(device, header, 8))
            break;
        const quint32 size = qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(header + 4));
        const qint64 body = pos + 8;
        if (std::memcmp(header, "fmt ", 4) == 0 && !fmt) {
            const qint64 wanted = std::min<qint64>(size, 40);
            QByteArray bytes = device.read(wanted);
            if (bytes.size() != wanted) {
                fail(error, "format chunk cut short");
                return std::nullopt;
            }
            FmtChunk parsed;
            if (!parseFmt(bytes, parsed, error))
                return std::nullopt;
            fmt = parsed;
        } else if (std::memcmp(header, "data", 4) == 0 && dataOffset < 0) {
            dataOffset = body;
            // Writers that stream sound out fill the size in later, or never: such a chunk,
            // and one that claims more than the file holds, runs to the end of the file.
            dataSize = std::min<qint64>(size, fileSize - body);
        }
        pos = body + qint64(size) + (size & 1);
    }

    if (!fmt) {
        fail(error, "no format chunk");
        return std::nullopt;
    }
    if (dataOffset < 0) {
        fail(error, "no data chunk");
        return std::nullopt;
    }

    WavInfo info;
    switch (fmt->formatTag) {
    case FormatPcm:
        switch (fmt->bitsPerSample) {
        case 8:
            info.encoding = SampleEncoding::UInt8;
            break;
        case 16:
            info.encoding = SampleEncoding::Int16;
            break;
        case 24:
            info.encoding = SampleEncoding::Int24;
            break;
        case 32:
            info.encoding = SampleEncoding::Int32;
            break;
        default:
            fail(error, "unsupported sample size");
            return std::nullopt;
        }
        break;
    case FormatFloat:
        if (fmt->bitsPerSample != 32) {
            fail(error, "unsupported float sample size");
            return std::nullopt;
        }
        info.encoding = SampleEncoding::Float32;
        break;
    default:
        fail(error, "compressed or unknown sample format");
        return std::nullopt;
    }
    if (fmt->channels < 1 || fmt->channels > MaxChannels) {
        fail(error, "unsupported channel count");
        return std::nullopt;
    }
    if (fmt->sampleRate < quint32(MinSampleRate) || fmt->sampleRate > quint32(MaxSampleRate)) {
        fail(error, "unsupported sample rate");
        return std::nullopt;
    }
    info.channels = fmt->channels;
    info.sampleRate = int(fmt->sampleRate);
    const int frameBytes = bytesPerSample(info.encoding) * info.channels;
    // The block align of a PCM file is the frame size; some writers leave it wrong, and the
    // frame size follows from the sample size anyway. A larger one would mean padded
    // samples, which this reader does not know.
    if (fmt->blockAlign != 0 && fmt->blockAlign != frameBytes) {
        fail(error, "unsupported block alignment");
        return std::nullopt;
    }
    info.bytesPerFrame = frameBytes;
    info.dataOffset = dataOffset;
    info.frameCount = std::max<qint64>(dataSize, 0) / frameBytes;
    if (info.frameCount == 0) {
        fail(error, "no sound data");
        return std::nullopt;
    }
    return info;
}

void WavFile::decode(SampleEncoding encoding, const char *in, qint64 samples, float *out)
{
    const auto *p = reinterpret_cast<const uchar *>(in);
    switch (encoding) {
    case SampleEncoding::UInt8:
        for (qint64 i = 0; i < samples; ++i)
            out[i] = (float(p[i]) - 128.0f) / 128.0f;
        break;
    case SampleEncoding::Int16:
        for (qint64 i = 0; i < samples; ++i)
            out[i] = float(qFromLittleEndian<qint16>(p + 2 * i)) / 32768.0f;
        break;
    case SampleEncoding::Int24:
        for (qint64 i = 0; i < samples; ++i) {
            const uchar *s = p + 3 * i;
            qint32 v = qint32(quint32(s[0]) << 8 | quint32(s[1]) << 16 | quint32(s[2]) << 24);
            out[i] = float(v >> 8) / 8388608.0f;
        }
        break;
    case SampleEncoding::Int32:
        for (qint64 i = 0; i < samples; ++i)
            out[i] = float(double(qFromLittleEndian<qint32>(p + 4 * i)) / 2147483648.0);
        break;
    case SampleEncoding::Float32:
        for (qint64 i = 0; i < samples; ++i) {
            const float v = qFromLittleEndian<float>(p + 4 * i);
            out[i] = std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
        }
        break;
    }
}

void WavFile::encode(QAudioFormat::SampleFormat format, const float *in, qint64 samples, char *out)
{
    switch (format) {
    case QAudioFormat::UInt8:
        for (qint64 i = 0; i < samples; ++i) {
            const long v = std::lround(double(in[i]) * 128.0) + 128;
            out[i] = char(uchar(std::clamp(v, 0L, 255L)));
        }
        break;
    case QAudioFormat::Int16: {
        auto *o = reinterpret_cast<qint16 *>(out);
        for (qint64 i = 0; i < samples; ++i)
            o[i] = qint16(std::clamp(std::lround(double(in[i]) * 32768.0), -32768L, 32767L));
        break;
    }
    case QAudioFormat::Int32: {
        auto *o = reinterpret_cast<qint32 *>(out);
        for (qint64 i = 0; i < samples; ++i)
            o[i] =
                qint32(std::clamp(std::llround(double(in[i]) * 2147483648.0), -2147483648LL, 2147483647LL));
        break;
    }
    case QAudioFormat::Float: {
        auto *o = reinterpret_cast<float *>(out);
        for (qint64 i = 0; i < samples; ++i)
            o[i] = std::clamp(in[i], -1.0f, 1.0f);
        break;
    }
    default:
        std::memset(out, 0, size_t(samples));
        break;
    }
}

QAudioFormat PcmConverter::nativeFormat(const WavInfo &info)
{
    QAudioFormat format;
    format.setSampleRate(info.sampleRate);
    format.setChannelCount(info.channels);
    switch (info.encoding) {
    case SampleEncoding::UInt8:
        format.setSampleFormat(QAudioFormat::UInt8);
        break;
    case SampleEncoding::Int16:
        format.setSampleFormat(QAudioFormat::Int16);
        break;
    case SampleEncoding::Int24:
    case SampleEncoding::Int32:
        format.setSampleFormat(QAudioFormat::Int32);
        break;
    case SampleEncoding::Float32:
        format.setSampleFormat(QAudioFormat::Float);
        break;
    }
    return format;
}

PcmConverter::PcmConverter(const WavInfo &in, const QAudioFormat &out) : m_in(in), m_out(out)
{
    const QAudioFormat native = nativeFormat(in);
    // Float samples are never passed through: a file may hold NaN, infinities or values beyond
    // full scale, which decoding turns into silence or clips, and an output must not get them.
    m_passThrough = in.encoding != SampleEncoding::Int24 && in.encoding != SampleEncoding::Float32 &&
                    native.sampleFormat() == out.sampleFormat() &&
                    native.channelCount() == out.channelCount() && native.sampleRate() == out.sampleRate();
    if (out.sampleRate() > 0)
        m_step = double(in.sampleRate) / double(out.sampleRate());
    m_prev.assign(size_t(std::max(out.channelCount(), 1)), 0.0f);
}

void PcmConverter::mapChannels(const float *in, qint64 frames, float *out) const
{
    const int ic = m_in.channels;
    const int oc = m_out.channelCount();
    if (ic == oc) {
        std::copy(in, in + frames * ic, out);
        return;
    }
    for (qint64 f = 0; f < frames; ++f) {
        const float *src = in + f * ic;
        float *dst = out + f * oc;
        if (ic == 1) {
            std::fill(dst, dst + oc, src[0]);
        } else if (oc == 1) {
            float sum = 0.0f;
            for (int c = 0; c < ic; ++c)
                sum += src[c];
            dst[0] = sum / float(ic);
        } else {
            for (int c = 0; c < oc; ++c)
                dst[c] = c < ic ? src[c] : 0.0f;
        }
    }
}

void PcmConverter::convert(const char *in, qint64 frames, QByteArray &out)
{
    if (frames <= 0)
        return;
    if (m_passThrough) {
        out.append(in, frames * m_in.bytesPerFrame);
        return;
    }
    const int oc = m_out.channelCount();
    m_decoded.resize(size_t(frames * m_in.channels));
    WavFile::decode(m_in.encoding, in, frames * m_in.channels, m_decoded.data());
    m_mapped.resize(size_t(frames * oc));
    mapChannels(m_decoded.data(), frames, m_mapped.data());

    const float *result = m_mapped.data();
    qint64 produced = frames;
    if (m_in.sampleRate != m_out.sampleRate()) {
        // The input seen by the interpolation: the last frame of the previous piece (index 0,
        // when there was one) followed by this piece.
        const qint64 offset = m_havePrev ? 1 : 0;
        const qint64 count = frames + offset;
        auto frameAt = [&](qint64 i) -> const float * {
            return i < offset ? m_prev.data() : m_mapped.data() + (i - offset) * oc;
        };
        m_resampled.clear();
        m_resampled.reserve(size_t((double(frames) / m_step + 2.0) * oc));
        while (true) {
            const auto i = qint64(std::floor(m_t));
            if (i + 1 >= count)
                break;
            const float frac = float(m_t - double(i));
            const float *a = frameAt(i);
            const float *b = frameAt(i + 1);
            for (int c = 0; c < oc; ++c)
                m_resampled.push_back(a[c] + (b[c] - a[c]) * frac);
            m_t += m_step;
        }
        std::copy(frameAt(count - 1), frameAt(count - 1) + oc, m_prev.begin());
        m_t -= double(count - 1);
        m_havePrev = true;
        result = m_resampled.data();
        produced = qint64(m_resampled.size()) / oc;
    }
    const qint64 samples = produced * oc;
    const qsizetype start = out.size();
    out.resize(start + samples * m_out.bytesPerSample());
    WavFile::encode(m_out.sampleFormat(), result, samples, out.data() + start);
}

} // namespace velmora
