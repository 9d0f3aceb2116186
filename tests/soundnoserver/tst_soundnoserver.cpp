// The sound player control on a machine without any audio output: the environment of this
// test (file ENV) points PulseAudio at a server that does not exist. The control must keep its
// contract on the wall clock, silently, and say that the volume cannot be set.

#include "../fxsnd/soundkit.h"

#include <QtMultimedia>
#include <QtTest>

using namespace velmora;

class TestSoundNoServer : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(QMediaDevices::defaultAudioOutput().isNull(), "an audio output is present");
    }

    void keepsTheContract_data()
    {
        QTest::addColumn<QString>("action");
        for (const char *action : {"", "pause", "stop", "new file", "repeat", "missing file"})
            QTest::newRow(*action ? action : "to the end") << QString::fromLatin1(action);
    }

    void keepsTheContract()
    {
        QFETCH(QString, action);
        const QString path = m_dir.filePath(QStringLiteral("%1.wav").arg(QTest::currentDataTag()));
        if (action != QLatin1String("missing file"))
            testwav::writeFile(path, testwav::toneWav(testwav::Format{22050, 2, 16}, 0.4));
        FXSnd snd;
        QVERIFY(!snd.volumeSupported());
        snd.setVolume(32767.5); // accepted all the same
        QCOMPARE(snd.volume(), 32767.5);
        testwav::Played played;
        testwav::playWith(snd, path, action, 5, 80, &played);
        QVERIFY(!snd.volumeSupported());
    }
};

QTEST_GUILESS_MAIN(TestSoundNoServer)
#include "tst_soundnoserver.moc"
