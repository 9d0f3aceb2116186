// The WAV reader and the sound player control, played on a private null output of the test
// PulseAudio server and heard through its monitor.

#include "monitor.h"
#include "pollwait.h"
#include "recitation/FXSnd.h"
#include "recitation/WavFile.h"
#include "recitation/WavStream.h"
#include "wavgen.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>

using namespace velmora;
using testwav::Format;

Q_DECLARE_METATYPE(testwav::Format)
Q_DECLARE_METATYPE(QAudioFormat::SampleFormat)

namespace {

constexpr double ToneThreshold = 0.05; // RMS of a window that holds the test tone (0.35)
constexpr double SilenceThreshold = 0.001;
constexpr int Window = 480; // 10 ms at 48 kHz

Format makeFormat(int rate, int channels, int bits, bool isFloat = false, bool extensible = false)
{
    Format f;
    f.rate = rate;
    f.channels = channels;
    f.bits = bits;
    f.isFloat = isFloat;
    f.extensible = extensible;
    return f;
}

// Sign changes of channel `channel` per second of `samples` (interleaved floats).
double crossingsPerSecond(const std::vector<float> &samples, int channels, int channel, int rate)
{
    int changes = 0;
    const size_t frames = samples.size() / size_t(channels);
    for (size_t i = 1; i < frames; ++i) {
        const float a = samples[(i - 1) * size_t(channels) + size_t(channel)];
        const float b = samples[i * size_t(channels) + size_t(channel)];
        if ((a < 0.0f) != (b < 0.0f))
            ++changes;
    }
    return double(changes) * rate / double(frames);
}

std::vector<float> decodeOutput(const QByteArray &bytes, QAudioFormat::SampleFormat format)
{
    const int size = format == QAudioFormat::UInt8 ? 1 : format == QAudioFormat::Int16 ? 2 : 4;
    std::vector<float> out(size_t(bytes.size() / size));
    for (size_t i = 0; i < out.size(); ++i) {
        const char *p = bytes.constData() + i * size_t(size);
        switch (format) {
        case QAudioFormat::UInt8:
            out[i] = (float(uchar(*p)) - 128.0f) / 128.0f;
            break;
        case QAudioFormat::Int16:
            out[i] = float(qFromLittleEndian<qint16>(p)) / 32768.0f;
            break;
        case QAudioFormat::Int32:
            out[i] = float(double(qFromLittleEndian<qint32>(p)) / 2147483648.0);
            break;
        default:
            out[i] = qFromLittleEndian<float>(p);
            break;
        }
    }
    return out;
}

QByteArray readAll(QIODevice &device, qint64 chunk)
{
    QByteArray all;
    QByteArray buffer(chunk, '\0');
    while (true) {
        const qint64 n = device.read(buffer.data(), chunk);
        if (n <= 0)
            break;
        all.append(buffer.constData(), n);
    }
    return all;
}

} // namespace

class TestFXSnd : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    testwav::PrivateSink m_sink;
    bool m_haveSink = false;
    QString m_why;
    QByteArray m_deviceId;
    int m_files = 0;

    QString writeClip(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("clip%1.wav").arg(++m_files));
        if (!testwav::writeFile(path, bytes))
            qFatal("cannot write a test clip");
        return path;
    }

    QString toneClip(const Format &f, double seconds, double frequency = 1000.0, double amplitude = 0.5)
    {
        return writeClip(testwav::toneWav(f, seconds, frequency, amplitude));
    }

    std::unique_ptr<FXSnd> player() const
    {
        auto snd = std::make_unique<FXSnd>();
        snd->setOutputDevice(m_deviceId);
        return snd;
    }

private slots:
    void initTestCase();
    void cleanupTestCase();

    void readsWav_data();
    void readsWav();
    void rejectsWhatCannotPlay_data();
    void rejectsWhatCannotPlay();
    void convertsForTheOutput_data();
    void convertsForTheOutput();
    void convertsPieceByPieceAsAWhole();
    void streamLoopsSeamlessly();
    void commandsWithoutClipDoNothing();
    void volumeIsKeptAsWritten();
    void playOnLongClipReturnsAtOnce();
    void unknownOutputPlaysOnTheWallClock();
    void clipShorterThanAMillisecondEndsAtOnce();

    void playsToTheEnd_data();
    void playsToTheEnd();
    void pauseIsSilentAndContinueResumes();
    void stopIsImmediate();
    void repeatLoopsByItself();
    void volumeScalesTheSignal_data();
    void volumeScalesTheSignal();
    void newFileStopsTheOldClip();
};

void TestFXSnd::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The sink must exist before the audio system first looks at the server's outputs.
    m_haveSink = m_sink.load(&m_why);
    if (!m_haveSink)
        return;
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    for (const QAudioDevice &device : outputs) {
        if (device.id() == m_sink.name().toUtf8())
            m_deviceId = device.id();
    }
    QVERIFY2(!m_deviceId.isEmpty(), "the private null sink is not among the audio outputs");
}

void TestFXSnd::cleanupTestCase()
{
    m_sink.unload();
}

// ---- the WAV reader ----

void TestFXSnd::readsWav_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QString>("layout");

    QTest::newRow("8-bit mono 22050") << makeFormat(22050, 1, 8) << "plain";
    QTest::newRow("16-bit mono 44100") << makeFormat(44100, 1, 16) << "plain";
    QTest::newRow("16-bit stereo 48000") << makeFormat(48000, 2, 16) << "plain";
    QTest::newRow("24-bit stereo 44100") << makeFormat(44100, 2, 24) << "plain";
    QTest::newRow("24-bit mono 48000") << makeFormat(48000, 1, 24) << "plain";
    QTest::newRow("32-bit stereo 22050") << makeFormat(22050, 2, 32) << "plain";
    QTest::newRow("float stereo 44100") << makeFormat(44100, 2, 32, true) << "plain";
    QTest::newRow("extensible 16-bit stereo") << makeFormat(44100, 2, 16, false, true) << "plain";
    QTest::newRow("extensible 24-bit mono") << makeFormat(48000, 1, 24, false, true) << "plain";
    QTest::newRow("junk chunk before fmt") << makeFormat(22050, 1, 16) << "junkBefore";
    QTest::newRow("odd-sized chunks are padded") << makeFormat(22050, 2, 16) << "oddChunks";
    QTest::newRow("odd-sized data then LIST") << makeFormat(22050, 1, 8) << "listAfter";
    QTest::newRow("data before fmt") << makeFormat(44100, 1, 16) << "dataFirst";
    QTest::newRow("data size beyond the file") << makeFormat(44100, 2, 16) << "overlong";
    QTest::newRow("data size left unknown") << makeFormat(48000, 1, 16) << "unknownSize";
}

void TestFXSnd::readsWav()
{
    QFETCH(Format, format);
    QFETCH(QString, layout);

    std::vector<double> stored;
    const std::vector<double> values = testwav::tone(format, 0.05, 440.0, 0.8);
    const qint64 frames = qint64(values.size()) / format.channels;
    const QByteArray data = testwav::sampleBytes(format, values, &stored);
    const QByteArray fmt = testwav::chunk("fmt ", testwav::fmtBody(format));
    const QByteArray dataChunk = testwav::chunk("data", data);
    QByteArray bytes;
    if (layout == QLatin1String("plain")) {
        bytes = testwav::riff({fmt, dataChunk});
    } else if (layout == QLatin1String("junkBefore")) {
        bytes = testwav::riff({testwav::chunk("JUNK", QByteArray(28, 'j')), fmt, dataChunk});
    } else if (layout == QLatin1String("oddChunks")) {
        bytes = testwav::riff({testwav::chunk("bext", QByteArray(3, 'x')), fmt,
                               testwav::chunk("odd ", QByteArray(5, 'y')), dataChunk});
    } else if (layout == QLatin1String("listAfter")) {
        QVERIFY(data.size() % 2 == 1); // the pad byte must not count as sound
        bytes = testwav::riff({fmt, dataChunk, testwav::chunk("LIST", QByteArray("INFOISFT"))});
    } else if (layout == QLatin1String("dataFirst")) {
        bytes = testwav::riff({dataChunk, fmt});
    } else if (layout == QLatin1String("overlong")) {
        bytes = testwav::riff({fmt, QByteArray("data") + testwav::le32(quint32(data.size() * 3)) + data});
    } else if (layout == QLatin1String("unknownSize")) {
        bytes = testwav::riff({fmt, QByteArray("data") + testwav::le32(0xFFFFFFFFu) + data});
    }
    const QString path = writeClip(bytes);

    QString error;
    const std::optional<WavInfo> info = WavFile::readHeader(path, &error);
    QVERIFY2(info.has_value(), qPrintable(error));
    QCOMPARE(info->channels, format.channels);
    QCOMPARE(info->sampleRate, format.rate);
    QCOMPARE(info->frameCount, frames);
    QCOMPARE(info->bytesPerFrame, format.channels * format.bits / 8);
    QCOMPARE(info->durationMs(), frames * 1000 / format.rate);

    // The samples decode to exactly what was stored.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.seek(info->dataOffset));
    const QByteArray raw = file.read(frames * info->bytesPerFrame);
    std::vector<float> decoded(stored.size());
    WavFile::decode(info->encoding, raw.constData(), qint64(decoded.size()), decoded.data());
    for (size_t i = 0; i < decoded.size(); ++i) {
        if (std::abs(double(decoded[i]) - stored[i]) > 1e-6)
            QFAIL(qPrintable(
                QStringLiteral("sample %1: %2 instead of %3").arg(i).arg(double(decoded[i])).arg(stored[i])));
    }

    // Streamed as 16-bit for an output, every sample is within one step of the original.
    QAudioFormat out;
    out.setSampleRate(format.rate);
    out.setChannelCount(format.channels);
    out.setSampleFormat(QAudioFormat::Int16);
    WavStream stream(path, *info, out);
    QVERIFY(stream.open(QIODevice::ReadOnly));
    const std::vector<float> streamed = decodeOutput(readAll(stream, 1000), QAudioFormat::Int16);
    QCOMPARE(streamed.size(), stored.size());
    for (size_t i = 0; i < streamed.size(); ++i)
        QVERIFY(std::abs(double(streamed[i]) - stored[i]) <= 1.0 / 32768.0 + 1e-9);
    QVERIFY(stream.finished());
    QCOMPARE(stream.deliveredUs(), frames * 1000000 / format.rate);
}

void TestFXSnd::rejectsWhatCannotPlay_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exists");

    const Format pcm = makeFormat(22050, 1, 16);
    const QByteArray good = testwav::toneWav(pcm, 0.1);
    const QByteArray fmt = testwav::chunk("fmt ", testwav::fmtBody(pcm));
    const QByteArray data = testwav::chunk("data", QByteArray(400, '\0'));
    auto fmtWith = [&](int offset, quint16 value) {
        QByteArray body = testwav::fmtBody(pcm);
        qToLittleEndian(value, body.data() + offset);
        return testwav::chunk("fmt ", body);
    };
    QByteArray badGuid = testwav::fmtBody(makeFormat(22050, 1, 16, false, true));
    badGuid[30] = 0x11;
    QByteArray adpcmGuid = testwav::fmtBody(makeFormat(22050, 1, 16, false, true));
    qToLittleEndian<quint16>(2, adpcmGuid.data() + 24);

    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("text file") << QByteArray("This is not a sound file at all.\n") << true;
    QTest::newRow("RIFF that is not WAVE") << QByteArray(good).replace(8, 4, "AVI ") << true;
    QTest::newRow("truncated in the header") << good.left(30) << true;
    QTest::newRow("truncated in the format chunk") << good.left(24) << true;
    QTest::newRow("no data chunk") << testwav::riff({fmt}) << true;
    QTest::newRow("no format chunk") << testwav::riff({data}) << true;
    QTest::newRow("ADPCM") << testwav::riff({fmtWith(0, 2), data}) << true;
    QTest::newRow("extensible with an unknown sub-format")
        << testwav::riff({testwav::chunk("fmt ", badGuid), data}) << true;
    QTest::newRow("extensible ADPCM") << testwav::riff({testwav::chunk("fmt ", adpcmGuid), data}) << true;
    QTest::newRow("12-bit samples") << testwav::riff({fmtWith(14, 12), data}) << true;
    QTest::newRow("no channels") << testwav::riff({fmtWith(2, 0), data}) << true;
    QTest::newRow("zero sample rate") << testwav::riff({fmtWith(4, 0), data}) << true;
    QTest::newRow("64-bit float")
        << testwav::riff({testwav::chunk("fmt ", testwav::fmtBody(makeFormat(22050, 1, 64, true))), data})
        << true;
    QTest::newRow("less than one frame of data")
        << testwav::riff({testwav::chunk("fmt ", testwav::fmtBody(makeFormat(22050, 2, 16))),
                          testwav::chunk("data", QByteArray(3, '\1'))})
        << true;
}

void TestFXSnd::rejectsWhatCannotPlay()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);
    const QString path = exists ? writeClip(bytes) : m_dir.filePath(QStringLiteral("nowhere.wav"));

    QString error;
    QVERIFY(!WavFile::readHeader(path, &error).has_value());
    QVERIFY(!error.isEmpty());

    // The control: no sound, and the status ends a waiting caller at its first read.
    auto snd = player();
    snd->setFile(path);
    snd->setCommand(5);
    const qint32 position = snd->position();
    const qint32 length = snd->length();
    const QString status = snd->status();
    QVERIFY2(status == QLatin1String("stopped") || status.isEmpty(), qPrintable(status));
    QCOMPARE(position, length);
    QCOMPARE(snd->file(), path);
}

void TestFXSnd::convertsForTheOutput_data()
{
    QTest::addColumn<Format>("in");
    QTest::addColumn<int>("outRate");
    QTest::addColumn<int>("outChannels");
    QTest::addColumn<QAudioFormat::SampleFormat>("outFormat");

    QTest::newRow("22050 mono 16-bit to 48000 stereo")
        << makeFormat(22050, 1, 16) << 48000 << 2 << QAudioFormat::Int16;
    QTest::newRow("44100 stereo 24-bit to 32-bit")
        << makeFormat(44100, 2, 24) << 44100 << 2 << QAudioFormat::Int32;
    QTest::newRow("48000 stereo to mono float")
        << makeFormat(48000, 2, 16) << 48000 << 1 << QAudioFormat::Float;
    QTest::newRow("8000 mono 8-bit to 48000") << makeFormat(8000, 1, 8) << 48000 << 1 << QAudioFormat::Int16;
    QTest::newRow("48000 mono to 22050 8-bit")
        << makeFormat(48000, 1, 16) << 22050 << 1 << QAudioFormat::UInt8;
}

void TestFXSnd::convertsForTheOutput()
{
    QFETCH(Format, in);
    QFETCH(int, outRate);
    QFETCH(int, outChannels);
    QFETCH(QAudioFormat::SampleFormat, outFormat);

    const double frequency = 300.0;
    std::vector<double> stored;
    const QByteArray bytes = testwav::sampleBytes(in, testwav::tone(in, 1.0, frequency, 0.8), &stored);
    const QString path = writeClip(
        testwav::riff({testwav::chunk("fmt ", testwav::fmtBody(in)), testwav::chunk("data", bytes)}));
    const std::optional<WavInfo> info = WavFile::readHeader(path);
    QVERIFY(info.has_value());

    QAudioFormat out;
    out.setSampleRate(outRate);
    out.setChannelCount(outChannels);
    out.setSampleFormat(outFormat);
    PcmConverter converter(*info, out);
    QVERIFY(!converter.isPassThrough());
    QByteArray converted;
    converter.convert(bytes.constData(), info->frameCount, converted);
    const std::vector<float> samples = decodeOutput(converted, outFormat);
    const qint64 frames = qint64(samples.size()) / outChannels;

    // As long as the original, in output frames (the interpolation may leave out what
    // follows the last input frame).
    const double expectedFrames = double(info->frameCount) * outRate / in.rate;
    const double slack = std::ceil(double(outRate) / in.rate) + 1.0;
    QVERIFY2(std::abs(double(frames) - expectedFrames) <= slack,
             qPrintable(QStringLiteral("%1 frames, %2 expected").arg(frames).arg(expectedFrames)));
    // The tone keeps its pitch (a mix of two channels has none to compare).
    const double crossings = crossingsPerSecond(samples, outChannels, 0, outRate);
    QVERIFY2(in.channels > outChannels || std::abs(crossings - 2 * frequency) <= 2 * frequency * 0.02,
             qPrintable(QStringLiteral("%1 sign changes per second").arg(crossings)));

    if (in.channels == 1 && outChannels == 2) {
        for (qint64 i = 0; i < frames; ++i)
            QCOMPARE(samples[size_t(2 * i)], samples[size_t(2 * i + 1)]);
    }
    if (in.rate == outRate) {
        // Same rate: each output sample is the input's (or the mean of both channels).
        const double step = outFormat == QAudioFormat::UInt8 ? 1.0 / 128 : 1.0 / 32768;
        for (qint64 i = 0; i < frames; ++i) {
            for (int c = 0; c < outChannels; ++c) {
                double expected = 0.0;
                if (in.channels == outChannels) {
                    expected = stored[size_t(i * in.channels + c)];
                } else {
                    for (int k = 0; k < in.channels; ++k)
                        expected += stored[size_t(i * in.channels + k)];
                    expected /= in.channels;
                }
                QVERIFY(std::abs(double(samples[size_t(i * outChannels + c)]) - expected) <= step);
            }
        }
    }
}

void TestFXSnd::convertsPieceByPieceAsAWhole()
{
    const Format in = makeFormat(22050, 2, 16);
    const QByteArray bytes = testwav::sampleBytes(in, testwav::tone(in, 0.5, 440.0, 0.7));
    WavInfo info;
    info.encoding = SampleEncoding::Int16;
    info.channels = 2;
    info.sampleRate = 22050;
    info.bytesPerFrame = 4;
    info.frameCount = bytes.size() / 4;
    QAudioFormat out;
    out.setSampleRate(48000);
    out.setChannelCount(2);
    out.setSampleFormat(QAudioFormat::Int16);

    PcmConverter whole(info, out);
    QByteArray a;
    whole.convert(bytes.constData(), info.frameCount, a);

    PcmConverter pieces(info, out);
    QByteArray b;
    for (qint64 done = 0; done < info.frameCount;) {
        const qint64 n = std::min<qint64>(777, info.frameCount - done);
        pieces.convert(bytes.constData() + done * 4, n, b);
        done += n;
    }
    QCOMPARE(b.size(), a.size());
    QVERIFY(a == b);
}

void TestFXSnd::streamLoopsSeamlessly()
{
    // Every sample of the clip is distinct, so the order of the streamed samples shows any gap
    // or repetition at the joins.
    const int frames = 4800;
    QByteArray data;
    for (int i = 0; i < frames; ++i)
        data += testwav::le16(quint16(qint16(i - 2400)));
    const Format f = makeFormat(48000, 1, 16);
    const QString path =
        writeClip(testwav::riff({testwav::chunk("fmt ", testwav::fmtBody(f)), testwav::chunk("data", data)}));
    const std::optional<WavInfo> info = WavFile::readHeader(path);
    QVERIFY(info.has_value());
    QAudioFormat out = PcmConverter::nativeFormat(*info);

    WavStream stream(path, *info, out);
    QVERIFY(stream.open(QIODevice::ReadOnly));
    stream.setLooping(true);
    QByteArray got;
    QByteArray buffer(1000, '\0');
    while (got.size() < (3 * frames + 100) * 2)
        got += buffer.left(stream.read(buffer.data(), buffer.size()));
    QCOMPARE(stream.wraps(), 3);
    QVERIFY(!stream.finished());
    stream.setLooping(false);
    got += readAll(stream, 1000);
    QVERIFY(stream.finished());
    QCOMPARE(got.size(), 4 * frames * 2); // the pass that was running is played to its end
    for (int i = 0; i < 4 * frames; ++i)
        QCOMPARE(qFromLittleEndian<qint16>(got.constData() + 2 * i), qint16(i % frames - 2400));
    QCOMPARE(stream.deliveredUs(), 4 * 100000);
}

// ---- the control, needing no output ----

void TestFXSnd::commandsWithoutClipDoNothing()
{
    auto snd = player();
    QCOMPARE(snd->status(), QString());
    QCOMPARE(snd->position(), 0);
    QCOMPARE(snd->length(), 0);
    QCOMPARE(snd->startPosition(), 0);
    for (int command : {6, 10, 11, 0, 99}) {
        snd->setCommand(command);
        QCOMPARE(snd->status(), QString());
        QCOMPARE(snd->position(), 0);
    }
    snd->setFile(m_dir.filePath(QStringLiteral("absent.wav")));
    snd->setCommand(5);
    for (int command : {6, 10, 11}) {
        snd->setCommand(command);
        QCOMPARE(snd->status(), QStringLiteral("stopped"));
        QCOMPARE(snd->position(), snd->length());
    }
}

void TestFXSnd::volumeIsKeptAsWritten()
{
    auto snd = player();
    QCOMPARE(snd->volume(), 65535.0);
    snd->setVolume(50 * 655.35); // the recitation window's percentage
    QCOMPARE(snd->volume(), 32767.5);
    snd->setVolume(70000);
    QCOMPARE(snd->volume(), 65535.0);
    snd->setVolume(-3.5);
    QCOMPARE(snd->volume(), 0.0);
    snd->setVolume(std::nan(""));
    QCOMPARE(snd->volume(), 0.0);
    QCOMPARE(snd->repeat(), 0);
    snd->setRepeat(1);
    QCOMPARE(snd->repeat(), 1);
}

void TestFXSnd::playOnLongClipReturnsAtOnce()
{
    const QString path = toneClip(makeFormat(44100, 2, 16), 20.0, 440.0, 0.1);
    auto snd = player();
    snd->setVolume(0);
    snd->setFile(path);
    QElapsedTimer clock;
    clock.start();
    snd->setCommand(5);
    const qint64 ms = clock.elapsed();
    // Far less than the clip: it neither plays it through nor reads it all first (the
    // benchmark measures the real figure; a loaded test machine may delay the output's set-up).
    QVERIFY2(ms < 250, qPrintable(QStringLiteral("command 5 took %1 ms").arg(ms)));
    QVERIFY(snd->position() < 300);
    QCOMPARE(snd->length(), 20000);
    QCOMPARE(snd->status(), QStringLiteral("playing"));
    snd->setCommand(11);
    QCOMPARE(snd->status(), QStringLiteral("stopped"));
}

void TestFXSnd::unknownOutputPlaysOnTheWallClock()
{
    // An output that is not there (unplugged since it was chosen): silence, and the clip
    // still keeps its time.
    const QString path = toneClip(makeFormat(22050, 1, 16), 0.3);
    FXSnd snd;
    snd.setOutputDevice("velmora-no-such-output");
    QVERIFY(!snd.volumeSupported());
    snd.setFile(path);
    QElapsedTimer clock;
    clock.start();
    snd.setCommand(5);
    QCOMPARE(snd.status(), QStringLiteral("playing"));
    QCOMPARE(snd.length(), 300);
    const testwav::PollResult r = testwav::waitLikeSequencer(snd, 2000);
    QVERIFY(r.ended);
    QCOMPARE(r.endStatus, QStringLiteral("stopped"));
    QCOMPARE(r.endPosition, 300);
    QVERIFY2(clock.elapsed() >= 300 && clock.elapsed() <= 350, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!snd.volumeSupported());
}

void TestFXSnd::clipShorterThanAMillisecondEndsAtOnce()
{
    const Format f = makeFormat(48000, 1, 16);
    const QString path = writeClip(testwav::riff(
        {testwav::chunk("fmt ", testwav::fmtBody(f)), testwav::chunk("data", QByteArray(40, '\1'))}));
    QVERIFY(WavFile::readHeader(path).has_value());
    auto snd = player();
    snd->setFile(path);
    snd->setCommand(5);
    QCOMPARE(snd->position(), 0);
    QCOMPARE(snd->length(), 0);
    QCOMPARE(snd->status(), QStringLiteral("stopped"));
}

// ---- the control on the null output ----

void TestFXSnd::playsToTheEnd_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<double>("seconds");

    QTest::newRow("16-bit mono 22050, 0.4 s") << makeFormat(22050, 1, 16) << 0.4;
    QTest::newRow("24-bit stereo 44100, 0.5 s") << makeFormat(44100, 2, 24) << 0.5;
    QTest::newRow("8-bit mono 48000, 0.3 s") << makeFormat(48000, 1, 8) << 0.3;
    QTest::newRow("16-bit stereo 48000, 0.6 s") << makeFormat(48000, 2, 16) << 0.6;
    QTest::newRow("extensible float stereo 44100, 0.35 s") << makeFormat(44100, 2, 32, true, true) << 0.35;
}

void TestFXSnd::playsToTheEnd()
{
    if (!m_haveSink)
        QSKIP(qPrintable(m_why));
    QFETCH(Format, format);
    QFETCH(double, seconds);
    const QString path = toneClip(format, seconds);
    const qint64 frames = std::llround(seconds * format.rate);
    const qint32 expectedLength = qint32(frames * 1000 / format.rate);

    auto snd = player();
    QVERIFY(snd->volumeSupported());
    snd->setFile(path);
    QElapsedTimer clock;
    clock.start();
    snd->setCommand(5);
    QVERIFY2(clock.elapsed() < 50, "command 5 does not return at once");
    // The first reads, in the caller's order.
    const qint32 position = snd->position();
    const qint32 length = snd->length();
    const QString status = snd->status();
    QCOMPARE(status, QStringLiteral("playing"));
    QCOMPARE(length, expectedLength);
    QVERIFY(position < 60);

    const testwav::PollResult r = testwav::waitLikeSequencer(*snd, expectedLength + 3000);
    QVERIFY2(r.ended, "the clip never ended");
    QCOMPARE(r.endStatus, QStringLiteral("stopped"));
    QCOMPARE(r.endPosition, expectedLength);
    QCOMPARE(r.endLength, expectedLength);
    QVERIFY(!r.positionWentBack);
    QVERIFY2(!r.lengthReachedWhilePlaying, "position stood at the length before the end");
    QVERIFY2(testwav::typicalGapMs(r) <= 30,
             qPrintable(QStringLiteral("the loop slept %1 ms").arg(testwav::typicalGapMs(r))));
    QVERIFY2(qint64(r.gapsMs.size()) >= expectedLength / 25,
             qPrintable(QStringLiteral("%1 passes").arg(r.gapsMs.size())));
    const qint64 total = clock.elapsed();
    // The sink reports what it has played in steps of its own period, which on a busy machine may
    // run a few tens of milliseconds ahead of the wall clock started after command 5.
    QVERIFY2(total >= expectedLength - 50 && total <= expectedLength + 400,
             qPrintable(QStringLiteral("ended after %1 ms").arg(total)));
    // It stays ended.
    testwav::spin(60);
    QCOMPARE(snd->status(), QStringLiteral("stopped"));
    QCOMPARE(snd->position(), expectedLength);
}

void TestFXSnd::pauseIsSilentAndContinueResumes()
{
    if (!m_haveSink)
        QSKIP(qPrintable(m_why));
    const QString path = toneClip(makeFormat(48000, 1, 16), 1.0);
    testwav::MonitorRecorder recorder;
    QString why;
    QVERIFY2(recorder.start(m_sink.name(), &why), qPrintable(why));

    auto snd = player();
    snd->setFile(path);
    snd->setCommand(5);
    int ticks = 0;
    connect(snd.get(), &FXSnd::tick, this, [&ticks] { ++ticks; });
    testwav::waitLikeSequencer(*snd, 2000, [](qint64, qint32 position) { return position < 300; });
    QVERIFY2(ticks >= 10, qPrintable(QStringLiteral("%1 wake-ups in 300 ms").arg(ticks)));
    snd->setCommand(6);
    const qint32 pausedAt = snd->position();
    QCOMPARE(snd->status(), QStringLiteral("paused"));
    QVERIFY2(pausedAt >= 300 && pausedAt < 450, qPrintable(QString::number(pausedAt)));
    ticks = 0;
    testwav::spin(500);
    QCOMPARE(ticks, 0); // no work while paused
    QCOMPARE(snd->status(), QStringLiteral("paused"));
    QCOMPARE(snd->position(), pausedAt);

    snd->setCommand(10);
    QCOMPARE(snd->status(), QStringLiteral("playing"));
    const qint32 resumedAt = snd->position();
    QVERIFY2(resumedAt >= pausedAt && resumedAt <= pausedAt + 50,
             qPrintable(QStringLiteral("paused at %1, resumed at %2").arg(pausedAt).arg(resumedAt)));
    const testwav::PollResult r = testwav::waitLikeSequencer(*snd, 3000);
    QVERIFY(r.ended);
    QCOMPARE(r.endStatus, QStringLiteral("stopped"));
    QCOMPARE(r.endPosition, 1000);
    testwav::spin(60);
    ticks = 0;
    testwav::spin(200);
    QCOMPARE(ticks, 0); // nor once the clip has ended

    const std::vector<double> rms = testwav::windowRms(recorder.stop(), Window);
    const auto [first, last] = testwav::activeSpan(rms, ToneThreshold);
    QVERIFY2(first >= 0, "no sound was heard");
    // The pause is a silence of about half a second inside the tone.
    const int quiet = testwav::longestQuietRun(rms, first, last, SilenceThreshold);
    QVERIFY2(quiet >= 40 && quiet <= 80, qPrintable(QStringLiteral("silence of %1 ms").arg(quiet * 10)));
    // The tone lasts one second in all: nothing lost, nothing played twice.
    const int toneWindows = testwav::countAbove(rms, ToneThreshold);
    QVERIFY2(std::abs(toneWindows - 100) <= 6,
             qPrintable(QStringLiteral("tone of %1 ms").arg(toneWindows * 10)));
}

void TestFXSnd::stopIsImmediate()
{
    if (!m_haveSink)
        QSKIP(qPrintable(m_why));
    const QString path = toneClip(makeFormat(44100, 2, 16), 1.0);
    testwav::MonitorRecorder recorder;
    QString why;
    QVERIFY2(recorder.start(m_sink.name(), &why), qPrintable(why));

    auto snd = player();
    snd->setFile(path);
    snd->setCommand(5);
    testwav::waitLikeSequencer(*snd, 2000, [](qint64, qint32 position) { return position < 300; });
    snd->setCommand(11);
    QCOMPARE(snd->status(), QStringLiteral("stopped"));
    const qint32 stoppedAt = snd->position();
    QVERIFY(stoppedAt >= 300 && stoppedAt < 1000);
    testwav::spin(400);
    QCOMPARE(snd->status(), QStringLiteral("stopped"));
    QCOMPARE(snd->position(), stoppedAt);

    const std::vector<double> rms = testwav::windowRms(recorder.stop(), Window);
    const auto [first, last] = testwav::activeSpan(rms, ToneThreshold);
    QVERIFY2(first >= 0, "no sound was heard");
    const int heard = last - first;
    QVERIFY2(heard >= stoppedAt / 10 - 5 && heard <= stoppedAt / 10 + 10,
             qPrintable(QStringLiteral("heard %1 ms, stopped at %2 ms").arg(heard * 10).arg(stoppedAt)));
    QVERIFY2(int(rms.size()) - last >= 35, "no silence after the stop");
}

void TestFXSnd::repeatLoopsByItself()
{
    if (!m_haveSink)
        QSKIP(qPrintable(m_why));
    const QString path = toneClip(makeFormat(22050, 1, 16), 0.3);
    testwav::MonitorRecorder recorder;
    QString why;
    QVERIFY2(recorder.start(m_sink.name(), &why), qPrintable(why));

    auto snd = player();
    snd->setRepeat(1);
    snd->setFile(path);
    snd->setCommand(5);
    const testwav::PollResult looping =
        testwav::waitLikeSequencer(*snd, 3000, [](qint64 elapsed, qint32) { return elapsed < 1100; });
    QVERIFY2(!looping.ended, "a repeated clip ended");
    QVERIFY2(looping.wraps >= 2 && looping.wraps <= 4, qPrintable(QString::number(looping.wraps)));
    QVERIFY(!looping.lengthReachedWhilePlaying);
    QCOMPARE(snd->status(), QStringLiteral("playing"));

    snd->setRepeat(0);
    const testwav::PollResult last = testwav::waitLikeSequencer(*snd, 2000);
    QVERIFY(last.ended);
    QCOMPARE(last.endStatus, QStringLiteral("stopped"));
    QCOMPARE(last.endPosition, 300);
    QVERIFY2(last.elapsedMs <= 650,
             qPrintable(QStringLiteral("%1 ms after repeat was cleared").arg(last.elapsedMs)));

    const std::vector<double> rms = testwav::windowRms(recorder.stop(), Window);
    const auto [first, end] = testwav::activeSpan(rms, ToneThreshold);
    QVERIFY2(first >= 0, "no sound was heard");
    QVERIFY2(end - first >= 110, qPrintable(QStringLiteral("%1 ms of sound").arg((end - first) * 10)));
    QVERIFY2(testwav::longestQuietRun(rms, first, end, ToneThreshold) <= 1, "a gap between the passes");
}

void TestFXSnd::volumeScalesTheSignal_data()
{
    QTest::addColumn<double>("volume");
    QTest::addColumn<double>("ratio");

    QTest::newRow("50 % written as 32767.5") << 32767.5 << 0.5;
    QTest::newRow("25 % written as 16383.75") << 16383.75 << 0.25;
    QTest::newRow("0") << 0.0 << 0.0;
}

void TestFXSnd::volumeScalesTheSignal()
{
    if (!m_haveSink)
        QSKIP(qPrintable(m_why));
    QFETCH(double, volume);
    QFETCH(double, ratio);
    const QString path = toneClip(makeFormat(48000, 1, 16), 0.4);
    testwav::MonitorRecorder recorder;
    QString why;
    QVERIFY2(recorder.start(m_sink.name(), &why), qPrintable(why));

    auto snd = player();
    snd->setFile(path);
    snd->setCommand(5);
    QVERIFY(testwav::waitLikeSequencer(*snd, 2000).ended);
    testwav::spin(100);
    snd->setVolume(volume);
    QCOMPARE(snd->volume(), volume);
    snd->setCommand(5);
    QVERIFY(testwav::waitLikeSequencer(*snd, 2000).ended);

    const std::vector<double> rms = testwav::windowRms(recorder.stop(), Window);
    const auto parts = testwav::segments(rms, 0.005, 5);
    QVERIFY2(!parts.empty(), "no sound was heard");
    const double full = testwav::medianAbove(rms, parts[0].first, parts[0].second, 0.005);
    QVERIFY(full > 0.3);
    if (ratio == 0.0) {
        QCOMPARE(int(parts.size()), 1);
        return;
    }
    QCOMPARE(int(parts.size()), 2);
    const double scaled = testwav::medianAbove(rms, parts[1].first, parts[1].second, 0.005);
    QVERIFY2(std::abs(scaled / full - ratio) <= 0.03,
             qPrintable(QStringLiteral("level %1 of full").arg(scaled / full)));
}

void TestFXSnd::newFileStopsTheOldClip()
{
    if (!m_haveSink)
        QSKIP(qPrintable(m_why));
    const QString path = toneClip(makeFormat(48000, 1, 16), 1.0);
    testwav::MonitorRecorder recorder;
    QString why;
    QVERIFY2(recorder.start(m_sink.name(), &why), qPrintable(why));

    auto snd = player();
    snd->setFile(path);
    snd->setCommand(5);
    testwav::spin(300);
    snd->setFile(m_dir.filePath(QStringLiteral("next.wav")));
    QVERIFY(snd->status().isEmpty());
    QCOMPARE(snd->position(), snd->length());
    testwav::spin(300);

    const std::vector<double> rms = testwav::windowRms(recorder.stop(), Window);
    const auto [first, last] = testwav::activeSpan(rms, ToneThreshold);
    QVERIFY2(first >= 0, "no sound was heard");
    QVERIFY2(last - first <= 45, qPrintable(QStringLiteral("%1 ms of sound").arg((last - first) * 10)));
}

QTEST_GUILESS_MAIN(TestFXSnd)
#include "tst_fxsnd.moc"
