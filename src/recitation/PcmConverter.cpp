#include "recitation/PcmConverter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velmora {

void PcmConverter::encode(QAudioFormat::SampleFormat format, const float *in, qint64 samples, char *out)
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

QAudioFormat PcmConverter::nativeFormat(const SoundInfo &info)
{
    QAudioFormat format;
    format.setSampleRate(info.sampleRate);
    format.setChannelCount(info.channels);
    format.setSampleFormat(QAudioFormat::Float);
    return format;
}

PcmConverter::PcmConverter(const SoundInfo &in, const QAudioFormat &out) : m_in(in), m_out(out)
{
    // The decoder's floats are already finite and within full scale: in the clip's own layout
    // they go to the output as they are.
    const QAudioFormat native = nativeFormat(in);
    m_passThrough = native.sampleFormat() == out.sampleFormat() &&
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

void PcmConverter::convert(const float *in, qint64 frames, QByteArray &out)
{
    if (frames <= 0)
        return;
    if (m_passThrough) {
        out.append(reinterpret_cast<const char *>(in), qsizetype(frames * m_in.channels * sizeof(float)));
        return;
    }
    const int oc = m_out.channelCount();
    m_mapped.resize(size_t(frames * oc));
    mapChannels(in, frames, m_mapped.data());

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
    encode(m_out.sampleFormat(), result, samples, out.data() + start);
}

} // namespace velmora
