#pragma once

#include "recitation/SoundFile.h"

#include <QAudioFormat>
#include <QByteArray>
#include <vector>

namespace velmora {

// Turns a clip's decoded frames (floats within [-1, 1]) into the format an audio output
// takes: sample format, channel count and rate. Rates are matched by linear interpolation,
// which keeps its state from one call to the next so that a clip may be converted piece by
// piece (and played again seamlessly).
class PcmConverter {
public:
    PcmConverter(const SoundInfo &in, const QAudioFormat &out);

    // The clip's own layout as an output format: float samples, its channels and rate.
    static QAudioFormat nativeFormat(const SoundInfo &info);

    const QAudioFormat &outputFormat() const { return m_out; }
    bool isPassThrough() const { return m_passThrough; }

    // Appends to `out` the output frames for `frames` input frames.
    void convert(const float *in, qint64 frames, QByteArray &out);

    // Floats to an output's sample format; values outside [-1, 1] are clipped.
    static void encode(QAudioFormat::SampleFormat format, const float *in, qint64 samples, char *out);

private:
    void mapChannels(const float *in, qint64 frames, float *out) const;

    SoundInfo m_in;
    QAudioFormat m_out;
    bool m_passThrough = false;
    double m_step = 1.0; // input frames per output frame
    double m_t = 0.0;    // time of the next output frame, in input frames after m_prev
    bool m_havePrev = false;
    std::vector<float> m_prev;
    std::vector<float> m_mapped, m_resampled;
};

} // namespace velmora
