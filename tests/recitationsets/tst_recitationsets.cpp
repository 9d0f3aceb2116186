// Recitation sets and the decoding of their clips: clip names, finding a set's clips, the
// reciters offered and the choice kept in the settings store; every kind of clip decoded by
// libsndfile, damaged clips refused or ended without a hang, and the sound player's contract
// for every kind on a private null output of the test PulseAudio server.

#include "../fxsnd/soundkit.h"
#include "SetKit.h"

#include "recitation/FXSnd.h"
#include "recitation/RecitationSets.h"
#include "recitation/SoundFile.h"

#include <QtMultimedia>
#include <QtTest>

using namespace velmora;

class TestRecitationSets : public QObject {
    Q_OBJECT

    QTemporaryDir m_home; // HOME and the XDG folders of this test: the reader's own stay untouched
    QTemporaryDir m_dir;
    QString m_sink, m_module;
    QByteArray m_deviceId;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString clip(const QString &kind, int ms = 400)
    {
        const QString p = path(QStringLiteral("tone%1.%2").arg(ms).arg(kind));
        if (!QFile::exists(p) && !setkit::makeClip(p, kind, ms))
            return QString();
        return p;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_dir.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".local/share"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral(".config"))));
        // The settings store too lies in this test's home.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           m_home.filePath(QStringLiteral(".config")));
        if (!setkit::haveSox())
            QSKIP("sox is missing (scripts/packages.sh installs it)");
        QVERIFY2(SoundFile::mp3Supported(), "this libsndfile does not decode MP3");

        m_sink = QStringLiteral("velmora_sets_%1").arg(QCoreApplication::applicationPid());
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"),
                    {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                     QStringLiteral("sink_name=") + m_sink, QStringLiteral("rate=48000"),
                     QStringLiteral("norewinds=1")});
        if (!pactl.waitForFinished(5000) || pactl.exitCode() != 0)
            return; // no server: the contract on an output is skipped
        m_module = QString::fromLatin1(pactl.readAllStandardOutput().trimmed());
        for (const QAudioDevice &device : QMediaDevices::audioOutputs())
            m_deviceId = device.id() == m_sink.toUtf8() ? device.id() : m_deviceId;
    }

    void cleanupTestCase()
    {
        if (!m_module.isEmpty())
            QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("unload-module"), m_module});
    }

    void clipNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("surah"); // 0: not a clip of a set
        QTest::addColumn<int>("ayah");
        QTest::newRow("2:255") << "002255.mp3" << 2 << 255;
        QTest::newRow("Bismillah") << "001001.mp3" << 1 << 1;
        QTest::newRow("capitals") << "114006.MP3" << 114 << 6;
        QTest::newRow("Opus, mixed case") << "036001.Opus" << 36 << 1;
        QTest::newRow("flac") << "002001.flac" << 2 << 1;
        QTest::newRow("oga") << "002002.oga" << 2 << 2;
        QTest::newRow("wav") << "002003.wav" << 2 << 3;
        QTest::newRow("too few digits") << "2255.mp3" << 0 << 0;
        QTest::newRow("too many digits") << "0022550.mp3" << 0 << 0;
        QTest::newRow("surah 0") << "000001.mp3" << 0 << 0;
        QTest::newRow("ayah 0") << "002000.mp3" << 0 << 0;
        QTest::newRow("letter among the digits") << "00a255.mp3" << 0 << 0;
        QTest::newRow("Arabic-Indic digits") << QString::fromUtf8("٠٠٢٢٥٥.mp3") << 0 << 0;
        QTest::newRow("unknown ending") << "002255.txt" << 0 << 0;
        QTest::newRow("half downloaded") << "002255.mp3.part" << 0 << 0;
        QTest::newRow("no ending") << "002255" << 0 << 0;
    }

    void clipNames()
    {
        QFETCH(QString, name);
        QFETCH(int, surah);
        int s = -1, a = -1;
        QCOMPARE(RecitationSet::isClipName(name, &s, &a), surah > 0);
        if (surah > 0) {
            QCOMPARE(s, surah);
            QTEST(a, "ayah");
        }
    }

    void setLookup_data()
    {
        QTest::addColumn<QString>("surah");
        QTest::addColumn<QString>("ayah");
        QTest::addColumn<QString>("file"); // empty: no clip (the path given does not exist)
        QTest::newRow("2:255") << "2" << QStringLiteral("255") << "002255.mp3";
        QTest::newRow("name in capitals") << "114" << QStringLiteral("6") << "114006.MP3";
        QTest::newRow("MP3 before Ogg of the same ayah") << "1" << QStringLiteral("1") << "001001.mp3";
        QTest::newRow("only Ogg") << "1" << QStringLiteral("2") << "001002.ogg";
        QTest::newRow("ayah the set lacks") << "2" << QStringLiteral("256") << "";
        QTest::newRow("leading zero") << "02" << QStringLiteral("255") << "";
        QTest::newRow("heading text") << "SURA BEKARE" << QStringLiteral("") << "";
        QTest::newRow("path in the text") << "1" << QStringLiteral("1/../../x") << "";
        QTest::newRow("four digits") << "2" << QStringLiteral("2550") << "";
    }

    void setLookup()
    {
        QFETCH(QString, surah);
        QFETCH(QString, ayah);
        QFETCH(QString, file);
        const QString folder = path(QStringLiteral("lookup"));
        QVERIFY(QDir().mkpath(folder));
        for (const char *name :
             {"002255.mp3", "114006.MP3", "001001.mp3", "001001.ogg", "001002.ogg", "readme.txt"})
            QVERIFY(setkit::makeClip(QDir(folder).filePath(QLatin1String(name)), QStringLiteral("wav"), 20) ||
                    QFile::exists(QDir(folder).filePath(QLatin1String(name))));
        const RecitationSet set = RecitationSet::scan(folder);
        QCOMPARE(set.clipCount(), 4); // one per ayah; the text file is none
        const QString found = set.clipPath(surah, ayah);
        if (file.isEmpty()) {
            QVERIFY2(!QFileInfo::exists(found), qPrintable(found));
            QVERIFY(found.startsWith(folder + QLatin1Char('/'))); // never out of the set's folder
        } else {
            QCOMPARE(found, QDir(folder).filePath(file));
        }
    }

    void recitersOffered_data()
    {
        QTest::addColumn<bool>("cd");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("with the CD") << true << QStringList{"CD", "abdulbasit", "Alafasy", "Dodani"};
        QTest::newRow("without the CD") << false << QStringList{"abdulbasit", "Alafasy", "Dodani"};
    }

    void recitersOffered()
    {
        QFETCH(bool, cd);
        const QString sets = path(QStringLiteral("offered/recitations"));
        QVERIFY(setkit::makeSet(sets + QStringLiteral("/Alafasy"), 2, {1}, QStringLiteral("wav"), 20));
        QVERIFY(setkit::makeSet(sets + QStringLiteral("/abdulbasit"), 2, {1}, QStringLiteral("wav"), 20));
        QVERIFY(QDir().mkpath(sets + QStringLiteral("/Prazno"))); // a folder without clips
        QFile readme(sets + QStringLiteral("/Prazno/procitaj.txt"));
        QVERIFY(readme.open(QIODevice::WriteOnly));
        readme.close();
        const QString added = path(QStringLiteral("offered/Dodani"));
        QVERIFY(setkit::makeSet(added, 1, {2}, QStringLiteral("wav"), 20));
        // The same folders again, written otherwise, and one that is gone: listed once, or not.
        const QStringList addedFolders{added, sets + QStringLiteral("/Alafasy/"),
                                       added + QStringLiteral("/."), path(QStringLiteral("offered/nestalo"))};
        QStringList shown;
        for (const Reciter &r : findReciters(cd, sets, addedFolders))
            shown << r.name;
        QTEST(shown, "names");
    }

    void choiceKept()
    {
        const QString folder = path(QStringLiteral("kept/Sudais"));
        QVERIFY(setkit::makeSet(folder, 2, {1}, QStringLiteral("wav"), 20));
        {
            const std::unique_ptr<QSettings> settings = openProgramSettings();
            QVERIFY(settings->fileName().startsWith(m_home.path()));
            ReciterSettings::addFolder(*settings, folder);
            ReciterSettings::addFolder(*settings, folder + QLatin1Char('/')); // the same, once
            ReciterSettings::setChosen(*settings, {QStringLiteral("Sudais"), folder});
        }
        // A new store object reads the file back, as the next start does.
        const std::unique_ptr<QSettings> settings = openProgramSettings();
        QCOMPARE(ReciterSettings::addedFolders(*settings),
                 QStringList{QFileInfo(folder).canonicalFilePath()});
        const QList<Reciter> reciters =
            findReciters(true, QString(), ReciterSettings::addedFolders(*settings));
        QCOMPARE(ReciterSettings::indexOfChosen(reciters, ReciterSettings::chosen(*settings)), 1);
        QVERIFY(chosenReciterIsSet());
        QCOMPARE(chosenClipSource()(QStringLiteral("2"), QStringLiteral("1")),
                 folder + QStringLiteral("/002001.wav"));
        ReciterSettings::setChosen(*settings, {QStringLiteral("CD"), QString()});
        settings->sync();
        QCOMPARE(ReciterSettings::indexOfChosen(reciters, ReciterSettings::chosen(*settings)), 0);
        // The CD chosen last time is not found now: the first reciter offered plays, as the
        // recitation window preselects it.
        QVERIFY(chosenReciterIsSet());
        QCOMPARE(chosenReciter()->name, QStringLiteral("Sudais"));
    }

    void decodesEveryKind_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("ending"); // the file's name may say another kind
        QTest::addColumn<int>("tolerance");  // ms the stated length may differ by
        QTest::newRow("mp3") << "mp3" << QStringLiteral("mp3") << 50;
        QTest::newRow("ogg vorbis") << "ogg" << QStringLiteral("ogg") << 2;
        QTest::newRow("flac") << "flac" << QStringLiteral("flac") << 1;
        QTest::newRow("opus") << "opus" << QStringLiteral("opus") << 2;
        QTest::newRow("wav") << "wav" << QStringLiteral("wav") << 1;
        QTest::newRow("mp3 named .ogg") << "mp3" << QStringLiteral("ogg") << 50;
        QTest::newRow("mp3 by LAME with ID3 tags") << "mp3id3" << QStringLiteral("mp3") << 50;
    }

    void decodesEveryKind()
    {
        QFETCH(QString, kind);
        QFETCH(QString, ending);
        QFETCH(int, tolerance);
        const QString p = path(QStringLiteral("kind-%1.%2").arg(kind, ending));
        QVERIFY(setkit::makeClip(p, kind, 400));
        SoundFile sound;
        QString error;
        QVERIFY2(sound.open(p, &error), qPrintable(error));
        QCOMPARE(sound.info().channels, 1);
        QCOMPARE(sound.info().sampleRate, 48000);
        QVERIFY2(std::abs(sound.info().durationMs() - 400) <= tolerance,
                 qPrintable(QString::number(sound.info().durationMs())));
        // All of it decodes, the stated length is what comes out, and it is the tone.
        std::vector<float> all;
        std::vector<float> block(1000);
        for (qint64 got; (got = sound.read(block.data(), 1000)) > 0;)
            all.insert(all.end(), block.begin(), block.begin() + got);
        QVERIFY2(std::abs(qint64(all.size()) - sound.info().frameCount) <= 48 * tolerance,
                 qPrintable(QStringLiteral("%1 of %2").arg(all.size()).arg(sound.info().frameCount)));
        double sum = 0.0;
        for (float v : all)
            sum += double(v) * v;
        const double rms = std::sqrt(sum / double(std::max<size_t>(all.size(), 1)));
        QVERIFY2(std::abs(rms - 0.5 / std::sqrt(2.0)) < 0.05, qPrintable(QString::number(rms)));
    }

    void rewindGivesTheSameSound_data()
    {
        QTest::addColumn<QString>("file"); // a kind made here, or a file of the fuzz seeds
        QTest::newRow("mp3") << "mp3";
        QTest::newRow("ogg vorbis") << "ogg";
        QTest::newRow("opus") << "opus";
        QTest::newRow("mp3 with a damaged frame") << "damaged-frame.mp3";
    }

    // A clip played again ("Ponovi") sounds the same in every pass, a damaged one as well.
    void rewindGivesTheSameSound()
    {
        QFETCH(QString, file);
        const QString p = file.contains(QLatin1Char('.'))
                              ? QStringLiteral(VELMORA_SOURCE_DIR "/fuzz/corpus/fuzz_wav/") + file
                              : clip(file);
        SoundFile sound;
        QVERIFY(sound.open(p));
        const auto pass = [&sound] {
            std::vector<float> all, block(size_t(999 * sound.info().channels));
            for (qint64 got; (got = sound.read(block.data(), 999)) > 0;)
                all.insert(all.end(), block.begin(), block.begin() + got * sound.info().channels);
            return all;
        };
        const std::vector<float> first = pass();
        QVERIFY(!first.empty());
        for (int again = 0; again < 2; ++again) {
            QVERIFY(sound.rewind());
            QVERIFY(pass() == first);
        }
    }

    void damagedClips_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("stoppedAtOnce"); // false: may play what it holds, and must end
        for (const char *k : {"mp3", "ogg", "flac", "opus", "wav"}) {
            const QString kind = QLatin1String(k);
            QTest::addRow("%s empty", k) << kind << "empty" << true;
            QTest::addRow("%s first 20 bytes", k) << kind << "head" << true;
            QTest::addRow("%s cut in half", k) << kind << "half" << false;
            QTest::addRow("%s garbage after the first 20 bytes", k) << kind << "garbage" << false;
            // An MP3 decoder finds the next frame after a damaged one, as players do.
            QTest::addRow("%s wrong header", k) << kind << "magic" << (kind != QLatin1String("mp3"));
        }
        QTest::newRow("text named .mp3") << "mp3" << QStringLiteral("text") << true;
        // A metadata chunk whose header claims gigabytes in a small file kept libsndfile busy for
        // minutes on opening it.
        QTest::newRow("wav chunk claiming gigabytes") << "wav" << QStringLiteral("bigchunk") << true;
    }

    // A damaged clip never crashes or hangs the player: one that cannot play reads "stopped" at
    // the first reads after command 5, and one that plays part of its sound ends in time.
    void damagedClips()
    {
        QFETCH(QString, kind);
        QFETCH(QString, damage);
        QFETCH(bool, stoppedAtOnce);
        const QString good = clip(kind);
        QVERIFY(!good.isEmpty());
        QFile in(good);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray bytes = in.readAll();
        if (damage == QLatin1String("empty"))
            bytes.clear();
        else if (damage == QLatin1String("head"))
            bytes = bytes.left(20);
        else if (damage == QLatin1String("half"))
            bytes = bytes.left(bytes.size() / 2);
        else if (damage == QLatin1String("garbage"))
            for (qsizetype i = 20; i < bytes.size(); ++i)
                bytes[i] = char((i * 7919) % 251);
        else if (damage == QLatin1String("magic"))
            bytes.replace(0, 4, "XXXX");
        else if (damage == QLatin1String("text"))
            bytes = "Ovo nije zvuk.\n";
        else if (damage == QLatin1String("bigchunk"))
            // A WAV file the decoding fuzz target made: its LIST chunk claims 4 GB.
            bytes = QByteArray::fromHex(
                "5249464640000000574156454c495354030000ffffffffffffffffffffffffffffffffffffffff03"
                "e8ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
                "ffffffffffffffffffffff0061626300666d7420100000000100020044ac000010b1020004001000"
                "64617461100000240000000000ff7f0080e80318fc0500fbff");
        const QString damaged = testwav::writeFile(path(QStringLiteral("damaged.%1").arg(kind)), bytes);

        FXSnd snd;
        snd.setOutputDevice("no such output"); // the wall clock: the test needs no server
        snd.setFile(damaged);
        QElapsedTimer clock;
        clock.start();
        snd.setCommand(5);
        QVERIFY(clock.elapsed() < 100);
        const qint32 position = snd.position();
        const qint32 length = snd.length();
        const QString status = snd.status();
        if (stoppedAtOnce) {
            QCOMPARE(status, QStringLiteral("stopped"));
            QCOMPARE(position, length);
            return;
        }
        QVERIFY(length >= 0 && length <= 1000);
        const testwav::PollResult r = testwav::waitLikeSequencer(snd, length + 1500);
        QVERIFY2(r.ended, "a damaged clip did not end");
    }

    void contractForEveryKind_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("tolerance"); // of the length, ms
        QTest::newRow("mp3") << "mp3" << 50;
        QTest::newRow("ogg vorbis") << "ogg" << 2;
        QTest::newRow("flac") << "flac" << 1;
        QTest::newRow("opus") << "opus" << 2;
    }

    // Command 5 returns at once with the length right at the first read; pause holds the
    // position; the clip ends "stopped" with the position at the length, in its time.
    void contractForEveryKind()
    {
        QFETCH(QString, kind);
        QFETCH(int, tolerance);
        if (m_deviceId.isEmpty())
            QSKIP("no PulseAudio server (start it with scripts/test-services.sh)");
        const QString p = clip(kind);
        QVERIFY(!p.isEmpty());
        FXSnd snd;
        snd.setOutputDevice(m_deviceId);
        snd.setFile(p);
        QElapsedTimer clock;
        clock.start();
        snd.setCommand(5);
        QVERIFY2(clock.elapsed() < 30, qPrintable(QString::number(clock.elapsed())));
        const qint32 position = snd.position();
        const qint32 length = snd.length();
        QCOMPARE(snd.status(), QStringLiteral("playing"));
        QVERIFY(snd.volumeSupported());
        QVERIFY2(std::abs(length - 400) <= tolerance, qPrintable(QString::number(length)));
        QVERIFY(position < 60);

        testwav::PollResult r =
            testwav::waitLikeSequencer(snd, 2000, [](qint64, qint32 p) { return p < 150; });
        QVERIFY(!r.ended);
        snd.setCommand(6);
        const qint32 pausedAt = snd.position();
        testwav::spin(200);
        QCOMPARE(snd.status(), QStringLiteral("paused"));
        QCOMPARE(snd.position(), pausedAt);
        snd.setCommand(10);
        r = testwav::waitLikeSequencer(snd, 3000);
        QVERIFY(r.ended);
        QCOMPARE(r.endStatus, QStringLiteral("stopped"));
        QCOMPARE(r.endPosition, length);
        const qint64 late = clock.elapsed() - 200 - length;
        QVERIFY2(late >= -60 && late <= 400, qPrintable(QStringLiteral("ended %1 ms late").arg(late)));
    }

    // A player that wakes rarely while its clip plays (the recitation window's) still wakes a
    // waiting caller when the clip ends, in time for the next clip to follow without a gap.
    void rareWakesStillSeeTheEnd()
    {
        if (m_deviceId.isEmpty())
            QSKIP("no PulseAudio server (start it with scripts/test-services.sh)");
        const QString p = clip(QStringLiteral("mp3"), 1500);
        QVERIFY(!p.isEmpty());
        FXSnd snd;
        snd.setOutputDevice(m_deviceId);
        snd.setWakeInterval(250);
        int ticks = 0;
        connect(&snd, &FXSnd::tick, this, [&ticks] { ++ticks; });
        snd.setFile(p);
        QElapsedTimer clock;
        clock.start();
        snd.setCommand(5);
        const qint32 length = snd.length();
        const testwav::PollResult r = testwav::waitLikeSequencer(snd, 4000);
        QVERIFY(r.ended);
        QCOMPARE(r.endStatus, QStringLiteral("stopped"));
        const qint64 late = clock.elapsed() - length;
        QVERIFY2(late >= -30 && late <= 150, qPrintable(QStringLiteral("ended %1 ms late").arg(late)));
        // Every 20 ms it would be some 75 wakes.
        QVERIFY2(ticks <= 40, qPrintable(QString::number(ticks)));
    }
};

QTEST_GUILESS_MAIN(TestRecitationSets)
#include "tst_recitationsets.moc"
