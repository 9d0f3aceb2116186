// The audio decoding path of the recitation: a WAV file's header is read, and its sound is
// streamed in a few output formats the way the player asks for it, from a file.
//
// Checked: the header read from memory and from a file agree and describe frames that lie
// within the input; a stream in the file's own format hands out exactly the file's frames,
// and with looping on the same frames again; a stream in another format gives what one
// conversion of all the frames gives, float output stays within [-1, 1].

#include "FuzzSupport.h"

#include "recitation/WavFile.h"
#include "recitation/WavStream.h"

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
    return dir.filePath(QStringLiteral("clip.wav"));
}

// Everything a stream hands out for `want` bytes, in reads of an output's usual size.
QByteArray readStream(WavStream &stream, qint64 want)
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    QBuffer buffer;
    buffer.setData(input);
    FUZZ_CHECK(buffer.open(QIODevice::ReadOnly));
    QString error;
    const std::optional<WavInfo> info = WavFile::readHeader(buffer, &error);

    const QString path = clipPath();
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(input) == input.size());
    }
    const std::optional<WavInfo> fromFile = WavFile::readHeader(path, nullptr);
    FUZZ_CHECK(info.has_value() == fromFile.has_value());
    if (!info) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(info->dataOffset == fromFile->dataOffset && info->frameCount == fromFile->frameCount &&
               info->channels == fromFile->channels && info->sampleRate == fromFile->sampleRate &&
               info->encoding == fromFile->encoding);
    FUZZ_CHECK(info->channels >= 1 && info->channels <= WavFile::MaxChannels);
    FUZZ_CHECK(info->sampleRate >= WavFile::MinSampleRate && info->sampleRate <= WavFile::MaxSampleRate);
    FUZZ_CHECK(info->bytesPerFrame == WavFile::bytesPerSample(info->encoding) * info->channels);
    FUZZ_CHECK(info->frameCount > 0);
    FUZZ_CHECK(info->dataOffset + info->frameCount * info->bytesPerFrame <= input.size());
    const QByteArray frames = input.mid(info->dataOffset, info->frameCount * info->bytesPerFrame);

    // The file's own format: its frames as they are, once, then again when looping.
    const QAudioFormat native = PcmConverter::nativeFormat(*info);
    if (PcmConverter(*info, native).isPassThrough()) {
        WavStream stream(path, *info, native);
        FUZZ_CHECK(stream.open(QIODevice::ReadOnly));
        FUZZ_CHECK(readStream(stream, frames.size() + 4096) == frames);
        FUZZ_CHECK(stream.finished());
        WavStream looping(path, *info, native);
        looping.setLooping(true);
        FUZZ_CHECK(looping.open(QIODevice::ReadOnly));
        FUZZ_CHECK(readStream(looping, 2 * frames.size()) == frames + frames);
    }

    // Other formats: a stream gives what one conversion of every frame gives. Inputs are
    // kept small enough to be one piece of the stream, so both convert the same run.
    const QAudioFormat others[] = {
        native, format(QAudioFormat::Int16, 2, 22050), format(QAudioFormat::Float, 1, 8000),
        format(QAudioFormat::UInt8, 3, 11025), format(QAudioFormat::Int32, 1, info->sampleRate)};
    for (const QAudioFormat &out : others) {
        QByteArray expected;
        PcmConverter(*info, out).convert(frames.constData(), info->frameCount, expected);
        FUZZ_CHECK(expected.size() % out.bytesPerFrame() == 0);
        WavStream stream(path, *info, out);
        FUZZ_CHECK(stream.open(QIODevice::ReadOnly));
        const QByteArray streamed = readStream(stream, expected.size() + 4096);
        if (info->frameCount <= 4096)
            FUZZ_CHECK(streamed == expected);
        if (out.sampleFormat() == QAudioFormat::Float) {
            const auto *samples = reinterpret_cast<const float *>(streamed.constData());
            for (qsizetype i = 0; i < streamed.size() / qsizetype(sizeof(float)); ++i)
                FUZZ_CHECK(std::isfinite(samples[i]) && samples[i] >= -1.0f && samples[i] <= 1.0f);
        }
    }
    return 0;
}
