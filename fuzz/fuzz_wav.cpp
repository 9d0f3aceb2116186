// The audio decoding path of the recitation: a clip of any kind libsndfile knows (WAV, MP3,
// Ogg Vorbis, Opus, FLAC) is opened from memory and from a file, and its sound is streamed in a
// few output formats the way the player asks for it.
//
// Checked: a clip opens from memory exactly when it opens from a file, with the same channels,
// rate and length, all within the player's limits; decoding ends (no endless clip); samples are
// finite and within [-1, 1]; a stream in the clip's own format hands out exactly the decoded
// frames, and with looping on the same frames again; every output format ends too.

#include "FuzzSupport.h"

#include "recitation/ClipStream.h"
#include "recitation/SoundFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>

using namespace velmora;

namespace {

QString clipPath()
{
    // Shared memory where there is some: every input is written to this file.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/velmora-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/velmora-fuzz-XXXXXX"));
    FUZZ_CHECK(dir.isValid());
    return dir.filePath(QStringLiteral("clip"));
}

// Everything a stream hands out, up to `want` bytes, in reads of an output's usual size.
QByteArray readStream(ClipStream &stream, qint64 want)
{
    QByteArray out;
    char buffer[4096];
    while (out.size() < want) {
        const qint64 n = stream.read(buffer, std::min<qint64>(sizeof buffer, want - out.size()));
        if (n <= 0)
            break;
        out.append(buffer, n);
    }
    return out;
}

QAudioFormat format(QAudioFormat::SampleFormat sampleFormat, int channels, int rate)
{
    QAudioFormat f;
    f.setSampleFormat(sampleFormat);
    f.setChannelCount(channels);
    f.setSampleRate(rate);
    return f;
}

std::shared_ptr<SoundFile> openMemory(const QByteArray &input, QString *error)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(input);
    FUZZ_CHECK(buffer->open(QIODevice::ReadOnly));
    auto sound = std::make_shared<SoundFile>();
    if (!sound->open(std::move(buffer), error))
        return nullptr;
    return sound;
}

// Inputs are small; a clip that decodes to more than this is cut short by the checks.
constexpr qint64 MaxFrames = 1 << 20;

} // namespace

// libsndfile 1.2.0 refuses an Ogg Vorbis stream whose headers are damaged without freeing the
// Vorbis decoder's state it had set up (allocated in vorbis_info_init); nothing of it is the
// program's to free. That leak of the library is left out of the search, every other one counts.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:vorbis_info_init\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    QString error;
    const std::shared_ptr<SoundFile> sound = openMemory(input, &error);

    const QString path = clipPath();
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(input) == input.size());
    }
    SoundFile fromFile;
    FUZZ_CHECK(fromFile.open(path) == (sound != nullptr));
    if (!sound) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    const SoundInfo info = sound->info();
    FUZZ_CHECK(info.channels == fromFile.info().channels && info.sampleRate == fromFile.info().sampleRate &&
               info.frameCount == fromFile.info().frameCount);
    FUZZ_CHECK(info.channels >= 1 && info.channels <= SoundFile::MaxChannels);
    FUZZ_CHECK(info.sampleRate >= SoundFile::MinSampleRate && info.sampleRate <= SoundFile::MaxSampleRate);
    FUZZ_CHECK(info.frameCount > 0);

    // Decoding directly: it ends, and every sample is finite and within full scale.
    std::vector<float> frames;
    std::vector<float> block(size_t(SoundFile::BlockFrames * info.channels));
    qint64 decoded = 0;
    for (qint64 got;
         decoded < MaxFrames && (got = fromFile.read(block.data(), SoundFile::BlockFrames)) > 0;) {
        frames.insert(frames.end(), block.begin(), block.begin() + got * info.channels);
        decoded += got;
    }
    FUZZ_CHECK(decoded > 0);
    for (float v : frames)
        FUZZ_CHECK(std::isfinite(v) && v >= -1.0f && v <= 1.0f);
    if (decoded >= MaxFrames)
        return 0;
    const QByteArray raw(reinterpret_cast<const char *>(frames.data()),
                         qsizetype(frames.size() * sizeof(float)));

    // The clip's own format: its frames as decoded, once, then again when looping.
    const QAudioFormat native = PcmConverter::nativeFormat(info);
    {
        ClipStream stream(sound, native);
        FUZZ_CHECK(stream.open(QIODevice::ReadOnly));
        FUZZ_CHECK(readStream(stream, raw.size() + 4096) == raw);
        FUZZ_CHECK(stream.finished());
        stream.close();
        ClipStream looping(sound, native);
        looping.setLooping(true);
        FUZZ_CHECK(looping.open(QIODevice::ReadOnly));
        FUZZ_CHECK(readStream(looping, 2 * raw.size()) == raw + raw);
    }

    // Other formats end, and float output stays within [-1, 1].
    const QAudioFormat others[] = {
        format(QAudioFormat::Int16, 2, 22050), format(QAudioFormat::Float, 1, 8000),
        format(QAudioFormat::UInt8, 3, 11025), format(QAudioFormat::Int32, 1, info.sampleRate)};
    for (const QAudioFormat &out : others) {
        ClipStream stream(sound, out);
        FUZZ_CHECK(stream.open(QIODevice::ReadOnly));
        const double ratio = double(out.sampleRate()) / double(info.sampleRate);
        const qint64 bound = qint64(double(decoded) * ratio + 2) * out.bytesPerFrame();
        const QByteArray streamed = readStream(stream, bound + 4096);
        FUZZ_CHECK(stream.finished());
        FUZZ_CHECK(streamed.size() <= bound);
        if (out.sampleFormat() == QAudioFormat::Float) {
            const auto *samples = reinterpret_cast<const float *>(streamed.constData());
            for (qsizetype i = 0; i < streamed.size() / qsizetype(sizeof(float)); ++i)
                FUZZ_CHECK(std::isfinite(samples[i]) && samples[i] >= -1.0f && samples[i] <= 1.0f);
        }
    }
    return 0;
}
