// The WAV reader and the sound player control, played on a private null output of the test
// PulseAudio server (so that other programs playing on the server cannot disturb what is heard)
// and heard through its monitor.

#include "recitation/PcmConverter.h"
#include "recitation/SoundFile.h"
#include "soundkit.h"

#include <QtMultimedia>
#include <QtTest>

using namespace velmora;
using namespace testwav;
Q_DECLARE_METATYPE(Format)

namespace {

constexpr double ToneLevel = 0.02; // RMS of 10 ms that holds sound (the test tone is 0.35 at full volume)

// What the sink plays, recorded from its monitor by parec: the RMS of every 10 ms.
struct Monitor {
    QProcess parec;
    std::vector<double> rms;
    int first = -1, end = -1; // the windows from the first to after the last that hold sound

    bool start(const QString &sink) // returns once sound data flows
    {
        parec.start(
            QStringLiteral("parec"),
            QStringLiteral("-d %1.monitor --raw --format=s16le --rate=48000 --channels=1 --latency-msec=20")
                .arg(sink)
                .split(QLatin1Char(' ')));
        for (int i = 0; i < 30 && parec.bytesAvailable() == 0; ++i)
            parec.waitForReadyRead(100);
        return parec.bytesAvailable() > 0;
    }
    void stop()
    {
        spin(100); // lets the last sound reach the recorder
        parec.terminate();
        parec.waitForFinished(2000);
        const QByteArray raw = parec.readAllStandardOutput();
        for (qsizetype at = 0; at + 960 <= raw.size(); at += 960) {
            double sum = 0.0;
            for (qsizetype i = at; i < at + 960; i += 2)
                sum += std::pow(qFromLittleEndian<qint16>(raw.constData() + i) / 32768.0, 2);
            rms.push_back(std::sqrt(sum / 480));
            if (rms.back() > ToneLevel) {
                first = first < 0 ? int(rms.size()) - 1 : first;
                end = int(rms.size());
            }
        }
    }
    int count(double above) const
    {
        return int(std::count_if(rms.begin(), rms.end(), [&](double v) { return v > above; }));
    }
    int longestRun(double atMost) const // of windows at or below `atMost`, inside [first, end)
    {
        int best = 0;
        for (int i = std::max(first, 0), run = 0; i < end; ++i)
            best = std::max(best, run = rms[size_t(i)] <= atMost ? run + 1 : 0);
        return best;
    }
    double median() const // of the windows that hold sound
    {
        std::vector<double> v;
        std::copy_if(rms.begin(), rms.end(), std::back_inserter(v), [](double x) { return x > ToneLevel; });
        std::nth_element(v.begin(), v.begin() + qsizetype(v.size() / 2), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    }
};

} // namespace

class TestFXSnd : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_sink;   // the private null sink
    QString m_module; // its module, unloaded at the end
    QByteArray m_deviceId;
    int m_files = 0;

    QString writeClip(const QByteArray &bytes)
    {
        return writeFile(m_dir.filePath(QStringLiteral("clip%1.wav").arg(++m_files)), bytes);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The sink must exist before the audio system first looks at the server's outputs.
        m_sink = QStringLiteral("velmora_test_%1").arg(QCoreApplication::applicationPid());
        QProcess pactl;
        const QString args =
            QStringLiteral("load-module module-null-sink sink_name=%1 rate=48000 norewinds=1");
        pactl.start(QStringLiteral("pactl"), args.arg(m_sink).split(QLatin1Char(' ')));
        if (!pactl.waitForFinished(5000) || pactl.exitCode() != 0)
            return; // no server: the tests that play sound are skipped
        m_module = QString::fromLatin1(pactl.readAllStandardOutput().trimmed());
        for (const QAudioDevice &device : QMediaDevices::audioOutputs())
            m_deviceId = device.id() == m_sink.toUtf8() ? device.id() : m_deviceId;
        QVERIFY2(!m_deviceId.isEmpty(), "the private null sink is not among the audio outputs");
    }

    void cleanupTestCase()
    {
        if (!m_module.isEmpty())
            QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("unload-module"), m_module});
    }

    void readsWav_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QString>("layout");

        QTest::newRow("8-bit mono 22050") << Format{22050, 1, 8} << "plain";
        QTest::newRow("16-bit stereo 48000") << Format{48000, 2, 16} << "plain";
        QTest::newRow("24-bit stereo 44100") << Format{44100, 2, 24} << "plain";
        QTest::newRow("float stereo 44100") << Format{44100, 2, 32, true} << "plain";
        QTest::newRow("extensible 16-bit stereo") << Format{44100, 2, 16, false, true} << "plain";
        QTest::newRow("extensible 24-bit mono") << Format{48000, 1, 24, false, true} << "plain";
        QTest::newRow("junk chunk before fmt") << Format{22050, 1, 16} << "junk";
        QTest::newRow("odd-sized data then LIST") << Format{22050, 1, 8} << "list";
        QTest::newRow("data size beyond the file") << Format{44100, 2, 16} << "overlong";
    }

    void readsWav()
    {
        QFETCH(Format, format);
        QFETCH(QString, layout);

        std::vector<double> stored;
        const QByteArray data = toneBytes(format, 0.05, 440.0, 0.8, &stored);
        const QByteArray fmtChunk = chunk("fmt ", fmtBody(format));
        const QByteArray dataChunk = chunk("data", data);
        QByteArray bytes = riff({fmtChunk, dataChunk});
        if (layout == QLatin1String("junk"))
            bytes = riff({chunk("JUNK", QByteArray(27, 'j')), fmtChunk, dataChunk});
        else if (layout == QLatin1String("list")) // the pad byte after the data is no sound
            bytes = riff({fmtChunk, dataChunk, chunk("LIST", QByteArray("INFOISFT"))});
        else if (layout == QLatin1String("overlong"))
            bytes = riff({fmtChunk, QByteArray("data") + le<quint32>(data.size() * 3) + data});
        const QString path = writeClip(bytes);

        QString error;
        SoundFile sound;
        QVERIFY2(sound.open(path, &error), qPrintable(error));
        const SoundInfo &info = sound.info();
        QCOMPARE(info.channels, format.channels);
        QCOMPARE(info.sampleRate, format.rate);
        QCOMPARE(info.frameCount, qint64(stored.size()) / format.channels);
        // Read in pieces of odd sizes, so that the first block kept from opening and the rest
        // join without a frame lost or repeated; then nothing more.
        std::vector<float> decoded(stored.size() + size_t(334 * info.channels));
        qint64 frames = 0;
        for (qint64 got; (got = sound.read(decoded.data() + frames * info.channels, 333)) > 0;)
            frames += got;
        QCOMPARE(frames, info.frameCount);
        QVERIFY(sound.rewind());
        QCOMPARE(sound.read(decoded.data() + frames * info.channels, 1), 1);
        QCOMPARE(decoded[size_t(frames * info.channels)], decoded[0]);
        decoded.resize(stored.size());
        for (size_t i = 0; i < decoded.size(); ++i)
            QVERIFY2(std::abs(decoded[i] - stored[i]) < 1e-6, qPrintable(QString::number(i)));
    }

    void cannotPlay_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: no file at all

        const Format pcm = Format{22050, 1, 16};
        const QByteArray good = toneWav(pcm, 0.1);
        const QByteArray data = chunk("data", QByteArray(400, '\0'));
        auto fmtWith = [&](QByteArray body, int offset, quint16 value) {
            qToLittleEndian(value, body.data() + offset);
            return riff({chunk("fmt ", body), data});
        };

        QTest::newRow("missing file") << QByteArray();
        QTest::newRow("empty file") << QByteArray("");
        QTest::newRow("text file") << QByteArray("This is not a sound file at all.\n");
        QTest::newRow("RIFF that is not WAVE") << QByteArray(good).replace(8, 4, "AVI ");
        QTest::newRow("truncated in the header") << good.left(30);
        QTest::newRow("no data chunk") << riff({chunk("fmt ", fmtBody(pcm))});
        QTest::newRow("ADPCM") << fmtWith(fmtBody(pcm), 0, 2);
        QTest::newRow("no channels") << fmtWith(fmtBody(pcm), 2, 0);
        QTest::newRow("zero sample rate") << fmtWith(fmtBody(pcm), 4, 0);
        QTest::newRow("extensible with an unknown sub-format")
            << fmtWith(fmtBody(Format{22050, 1, 16, false, true}), 30, 0x11);
        QTest::newRow("less than one frame of data")
            << riff({chunk("fmt ", fmtBody(Format{22050, 2, 16})), chunk("data", QByteArray(3, '\1'))});
    }

    void cannotPlay()
    {
        QFETCH(QByteArray, bytes);
        const QString path =
            bytes.isNull() ? m_dir.filePath(QStringLiteral("nowhere.wav")) : writeClip(bytes);
        QString error;
        SoundFile sound;
        QVERIFY(!sound.open(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!sound.isOpen());

        // No sound, and the status ends a waiting caller at its first reads.
        FXSnd snd;
        snd.setOutputDevice(m_deviceId);
        snd.setFile(path);
        snd.setCommand(5);
        const qint32 position = snd.position();
        QCOMPARE(position, snd.length());
        QCOMPARE(snd.status(), QStringLiteral("stopped"));
    }

    // Float samples reach an output finite and within full scale, also when the output takes
    // the file's own format: NaN and infinities become silence, values beyond full scale clip.
    void floatSamplesAreSafe_data()
    {
        QTest::addColumn<QAudioFormat::SampleFormat>("sampleFormat");
        QTest::addColumn<int>("rate");

        QTest::newRow("the file's own format") << QAudioFormat::Float << 44100;
        QTest::newRow("float at another rate") << QAudioFormat::Float << 22050;
        QTest::newRow("16-bit") << QAudioFormat::Int16 << 44100;
    }

    void floatSamplesAreSafe()
    {
        QFETCH(QAudioFormat::SampleFormat, sampleFormat);
        QFETCH(int, rate);

        const float inf = std::numeric_limits<float>::infinity();
        const std::vector<float> samples = {0.5f, 2.0f, -3.0f, std::numeric_limits<float>::quiet_NaN(),
                                            inf,  -inf, 0.25f, -0.25f};
        QByteArray data;
        for (float v : samples)
            data += le<float>(v);
        const QString path =
            writeClip(riff({chunk("fmt ", fmtBody(Format{44100, 1, 32, true})), chunk("data", data)}));
        SoundFile sound;
        QVERIFY(sound.open(path));
        const SoundInfo &info = sound.info();
        QCOMPARE(info.frameCount, qint64(samples.size()));
        std::vector<float> decoded(samples.size());
        QCOMPARE(sound.read(decoded.data(), info.frameCount), info.frameCount);

        QAudioFormat out = PcmConverter::nativeFormat(info);
        out.setSampleFormat(sampleFormat);
        out.setSampleRate(rate);
        PcmConverter converter(info, out);
        QByteArray converted;
        converter.convert(decoded.data(), info.frameCount, converted);
        QVERIFY(!converted.isEmpty());
        const qsizetype count = converted.size() / out.bytesPerSample();
        for (qsizetype i = 0; i < count; ++i) {
            const float v = sampleFormat == QAudioFormat::Float
                                ? qFromLittleEndian<float>(converted.constData() + i * 4)
                                : float(qFromLittleEndian<qint16>(converted.constData() + i * 2)) / 32768.0f;
            QVERIFY2(std::isfinite(v) && v >= -1.0f && v <= 1.0f, qPrintable(QString::number(i)));
        }
        if (rate == info.sampleRate) { // frame for frame: 0.5, 1, -1, then silence for the others
            const std::vector<float> expected = {0.5f, 1.0f, -1.0f, 0.0f, 0.0f, 0.0f, 0.25f, -0.25f};
            QCOMPARE(count, qsizetype(expected.size()));
            for (qsizetype i = 0; i < count; ++i) {
                const float v =
                    sampleFormat == QAudioFormat::Float
                        ? qFromLittleEndian<float>(converted.constData() + i * 4)
                        : float(qFromLittleEndian<qint16>(converted.constData() + i * 2)) / 32768.0f;
                QVERIFY2(std::abs(v - expected[size_t(i)]) < 1e-4f, qPrintable(QString::number(i)));
            }
        }
    }

    void commands_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QString>("action");
        QTest::addColumn<double>("volume");
        QTest::newRow("to the end: 16-bit mono 22050") << Format{22050, 1, 16} << "" << 65535.0;
        QTest::newRow("to the end: extensible float stereo")
            << Format{44100, 2, 32, true, true} << "" << 65535.0;
        QTest::newRow("volume 50 % written as 32767.5") << Format{48000, 1, 16} << "" << 32767.5;
        QTest::newRow("volume 0") << Format{48000, 1, 16} << "" << 0.0;
        QTest::newRow("pause and continue") << Format{48000, 1, 16} << "pause" << 65535.0;
        QTest::newRow("stop") << Format{44100, 2, 16} << "stop" << 65535.0;
        QTest::newRow("new file") << Format{48000, 1, 16} << "new file" << 65535.0;
        QTest::newRow("repeat") << Format{22050, 1, 16} << "repeat" << 65535.0;
    }

    void commands()
    {
        QFETCH(Format, format);
        QFETCH(QString, action);
        QFETCH(double, volume);
        Monitor heard;
        if (m_deviceId.isEmpty() || !heard.start(m_sink))
            QSKIP("no PulseAudio server with parec (start it with scripts/test-services.sh)");
        FXSnd snd;
        snd.setOutputDevice(m_deviceId);
        QVERIFY(snd.volumeSupported());
        snd.setVolume(volume);
        QCOMPARE(snd.volume(), volume);
        Played played;
        // The sink reports what it has played in steps of its own period, which may run a few
        // tens of milliseconds ahead of the wall clock started after command 5.
        playWith(snd, writeClip(toneWav(format, 0.4)), action, 50, 400, &played);
        if (QTest::currentTestFailed())
            return;

        heard.stop();
        QVERIFY2((heard.first >= 0) == (volume > 0), "sound at volume 0, or none at all");
        const int span = heard.end - heard.first;
        if (volume == 0)
            return;
        if (played.cut >= 0) { // sound up to the cut, then silence
            QVERIFY2(span >= played.cut / 10 - 5 && span <= played.cut / 10 + 10,
                     qPrintable(QStringLiteral("heard %1 ms, cut at %2 ms").arg(span * 10).arg(played.cut)));
            QVERIFY2(int(heard.rms.size()) - heard.end >= 25, "no silence after the cut");
            return;
        }
        // Every pass whole, nothing twice, no gap but the pause, and silence while paused.
        const int passes = action == QLatin1String("repeat") ? 3 : 1;
        QVERIFY2(std::abs(heard.count(0.05) - 40 * passes) <= 6,
                 qPrintable(QString::number(heard.count(0.05))));
        const int paused = int(played.pausedMs / 10);
        const int quiet = heard.longestRun(played.pausedMs ? 0.001 : 0.05);
        QVERIFY2(quiet >= paused - 10 && quiet <= (paused ? paused + 25 : 1),
                 qPrintable(QStringLiteral("%1 ms of silence").arg(quiet * 10)));
        // A mono tone is heard at its own level (0.5 / sqrt 2) times the volume.
        const double level = heard.median() / (0.5 / std::sqrt(2.0));
        QVERIFY2(format.channels == 2 || std::abs(level - volume / 65535) <= 0.03,
                 qPrintable(QString::number(level)));
    }
};

QTEST_GUILESS_MAIN(TestFXSnd)
#include "tst_fxsnd.moc"
