#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

class QIODevice;

namespace velmora {

// How one sample of a clip is stored in the file.
enum class SampleEncoding { UInt8, Int16, Int24, Int32, Float32 };

// What the header of a RIFF/WAVE file says about its sound.
struct WavInfo {
    SampleEncoding encoding = SampleEncoding::Int16;
    int channels = 0;
    int sampleRate = 0;
    int bytesPerFrame = 0; // one sample of every channel
    qint64 dataOffset = 0; // of the first frame, from the start of the file
    qint64 frameCount = 0; // whole frames present in the file

    qint64 durationUs() const;
    qint64 durationMs() const; // rounded down
};

// Reader of RIFF/WAVE files: integer PCM of 8, 16, 24 or 32 bits and 32-bit float, one to
// eight channels, plain or WAVE_FORMAT_EXTENSIBLE. Chunks other than "fmt " and "data" are
// skipped (with the pad byte after an odd-sized chunk). Anything else cannot be played.
class WavFile {
public:
    static constexpr int MaxChannels = 8;
    static constexpr int MinSampleRate = 1000;
    static constexpr int MaxSampleRate = 384000;

    // Reads the header from the start of `device` (which must allow seeking). Returns nothing,
    // with the reason in `error`, when the data is not a WAV file this reader can play or
    // holds no whole frame of sound.
    static std::optional<WavInfo> readHeader(QIODevice &device, QString *error = nullptr);
    static std::optional<WavInfo> readHeader(const QString &path, QString *error = nullptr);

    static int bytesPerSample(SampleEncoding encoding);

    // Samples (not frames) from the file's layout to floats in [-1, 1], and back to the
    // sample formats an audio output takes (values outside [-1, 1] are clipped).
    static void decode(SampleEncoding encoding, const char *in, qint64 samples, float *out);
    static void encode(QAudioFormat::SampleFormat format, const float *in, qint64 samples, char *out);
};

// Turns a clip's frames into the format an audio output takes: sample format, channel count
// and rate. Rates are matched by linear interpolation, which keeps its state from one call to
// the next so that a clip may be converted piece by piece (and played again seamlessly).
class PcmConverter {
public:
    PcmConverter(const WavInfo &in, const QAudioFormat &out);

    // The file's own layout as an output format (24-bit samples widened to 32 bits).
    static QAudioFormat nativeFormat(const WavInfo &info);

    const QAudioFormat &outputFormat() const { return m_out; }
    bool isPassThrough() const { return m_passThrough; }

    // Appends to `out` the output frames for `frames` input frames.
    void convert(const char *in, qint64 frames, QByteArray &out);

private:
    void mapChannels(const float *in, qint64 frames, float *out) const;

    WavInfo m_in;
    QAudioFormat m_out;
    bool m_passThrough = false;
    double m_step = 1.0; // input frames per output frame
    double m_t = 0.0;    // time of the next output frame, in input frames after m_prev
    bool m_havePrev = false;
    std::vector<float> m_prev;
    std::vector<float> m_decoded, m_mapped, m_resampled;
};

} // namespace velmora
