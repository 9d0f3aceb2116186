// The sound player control on a machine without any audio output: the environment of this
// test (file ENV) points PulseAudio at a server that does not exist. The control must keep its
// contract on the wall clock, silently, and say that the volume cannot be set.

#include "../fxsnd/pollwait.h"
#include "../fxsnd/wavgen.h"
#include "recitation/FXSnd.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace velmora;

class TestSoundNoServer : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString toneClip(int rate, int channels, double seconds)
    {
        testwav::Format f;
        f.rate = rate;
        f.channels = channels;
        const QString path = m_dir.filePath(QStringLiteral("tone%1.wav").arg(++m_files));
        if (!testwav::writeFile(path, testwav::toneWav(f, seconds)))
            qFatal("cannot write a test clip");
        return path;
    }

private slots:
    void initTestCase();
    void volumeIsNotSupported();
    void playsOnTheWallClock_data();
    void playsOnTheWallClock();
    void pauseFreezesAndContinueResumes();
    void stopIsImmediate();
    void repeatLoops();
    void missingFileStopsAtOnce();
};

void TestSoundNoServer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QMediaDevices::defaultAudioOutput().isNull(),
             "an audio output is present: this test must run without a sound server");
}

void TestSoundNoServer::volumeIsNotSupported()
{
    FXSnd snd;
    QVERIFY(!snd.volumeSupported());
    snd.setVolume(32767.5);
    QCOMPARE(snd.volume(), 32767.5);
    snd.setFile(toneClip(22050, 1, 0.3));
    snd.setCommand(5);
    QVERIFY(!snd.volumeSupported());
    snd.setCommand(11);
}

void TestSoundNoServer::playsOnTheWallClock_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<double>("seconds");

    QTest::newRow("22050 mono 0.3 s") << 22050 << 1 << 0.3;
    QTest::newRow("44100 stereo 0.5 s") << 44100 << 2 << 0.5;
    QTest::newRow("48000 mono 0.45 s") << 48000 << 1 << 0.45;
}

void TestSoundNoServer::playsOnTheWallClock()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(double, seconds);
    const qint32 expected = qint32(std::llround(seconds * rate) * 1000 / rate);

    FXSnd snd;
    snd.setFile(toneClip(rate, channels, seconds));
    QElapsedTimer clock;
    clock.start();
    snd.setCommand(5);
    QVERIFY(clock.elapsed() < 20);
    const qint32 position = snd.position();
    QCOMPARE(snd.length(), expected);
    QCOMPARE(snd.status(), QStringLiteral("playing"));
    QVERIFY(position < 20);

    const testwav::PollResult r = testwav::waitLikeSequencer(snd, expected + 2000);
    QVERIFY(r.ended);
    QCOMPARE(r.endStatus, QStringLiteral("stopped"));
    QCOMPARE(r.endPosition, expected);
    QCOMPARE(r.endLength, expected);
    QVERIFY(!r.positionWentBack);
    QVERIFY(!r.lengthReachedWhilePlaying);
    QVERIFY2(testwav::typicalGapMs(r) <= 30,
             qPrintable(QStringLiteral("the loop slept %1 ms").arg(testwav::typicalGapMs(r))));
    QVERIFY2(qint64(r.gapsMs.size()) >= expected / 25,
             qPrintable(QStringLiteral("%1 passes").arg(r.gapsMs.size())));
    const qint64 total = clock.elapsed();
    QVERIFY2(total >= expected && total <= expected + 80,
             qPrintable(QStringLiteral("ended after %1 ms").arg(total)));
}

void TestSoundNoServer::pauseFreezesAndContinueResumes()
{
    FXSnd snd;
    snd.setFile(toneClip(22050, 1, 0.6));
    snd.setCommand(5);
    testwav::waitLikeSequencer(snd, 2000, [](qint64, qint32 position) { return position < 200; });
    snd.setCommand(6);
    const qint32 pausedAt = snd.position();
    QCOMPARE(snd.status(), QStringLiteral("paused"));
    QVERIFY(pausedAt >= 200 && pausedAt < 300);
    testwav::spin(300);
    QCOMPARE(snd.position(), pausedAt);
    QCOMPARE(snd.status(), QStringLiteral("paused"));

    QElapsedTimer clock;
    clock.start();
    snd.setCommand(10);
    const qint32 resumedAt = snd.position();
    QVERIFY(resumedAt >= pausedAt && resumedAt <= pausedAt + 50);
    const testwav::PollResult r = testwav::waitLikeSequencer(snd, 2000);
    QVERIFY(r.ended);
    QCOMPARE(r.endPosition, 600);
    // The rest of the clip, no more and no less.
    const qint64 rest = clock.elapsed();
    QVERIFY2(std::abs(rest - (600 - pausedAt)) <= 60, qPrintable(QString::number(rest)));
}

void TestSoundNoServer::stopIsImmediate()
{
    FXSnd snd;
    snd.setFile(toneClip(44100, 2, 0.6));
    snd.setCommand(5);
    testwav::spin(150);
    snd.setCommand(11);
    QCOMPARE(snd.status(), QStringLiteral("stopped"));
    const qint32 stoppedAt = snd.position();
    QVERIFY(stoppedAt >= 140 && stoppedAt < 250);
    testwav::spin(100);
    QCOMPARE(snd.position(), stoppedAt);
    QCOMPARE(snd.status(), QStringLiteral("stopped"));
}

void TestSoundNoServer::repeatLoops()
{
    FXSnd snd;
    snd.setFile(toneClip(22050, 1, 0.2));
    snd.setRepeat(1);
    snd.setCommand(5);
    const testwav::PollResult looping =
        testwav::waitLikeSequencer(snd, 2000, [](qint64 elapsed, qint32) { return elapsed < 700; });
    QVERIFY(!looping.ended);
    QVERIFY2(looping.wraps == 3, qPrintable(QString::number(looping.wraps)));
    QVERIFY(!looping.lengthReachedWhilePlaying);
    snd.setRepeat(0);
    const testwav::PollResult last = testwav::waitLikeSequencer(snd, 1000);
    QVERIFY(last.ended);
    QCOMPARE(last.endStatus, QStringLiteral("stopped"));
    QCOMPARE(last.endPosition, 200);
    QVERIFY(last.elapsedMs <= 200);
}

void TestSoundNoServer::missingFileStopsAtOnce()
{
    FXSnd snd;
    snd.setFile(m_dir.filePath(QStringLiteral("absent.wav")));
    snd.setCommand(5);
    const qint32 position = snd.position();
    const qint32 length = snd.length();
    QCOMPARE(snd.status(), QStringLiteral("stopped"));
    QCOMPARE(position, length);
}

QTEST_GUILESS_MAIN(TestSoundNoServer)
#include "tst_soundnoserver.moc"
