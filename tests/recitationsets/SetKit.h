#pragma once

// Shared by the tests of recitation sets (header only): short clips of a sine tone in the kinds
// the sets hold, made the way readers' sets are made (sox with LAME for MP3, sox for Ogg
// Vorbis, FLAC and WAV, libsndfile's Opus encoder for Opus, which sox does not write), and a
// set folder of such clips.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <cmath>
#include <sndfile.h>
#include <vector>

namespace setkit {

inline bool haveSox()
{
    return !QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty();
}

// Writes a mono tone of `ms` milliseconds at `rate` to `path`, of the kind `kind` ("mp3", "ogg",
// "flac", "wav", "opus", or "mp3id3": an MP3 made by LAME with ID3 tags), whatever the file's name
// says. False when it could not be made.
inline bool makeClip(const QString &path, const QString &kind, int ms, int rate = 48000,
                     double frequency = 880.0)
{
    if (kind == QLatin1String("opus")) {
        SF_INFO info{};
        info.samplerate = 48000; // the only rate Opus takes
        info.channels = 1;
        info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS;
        SNDFILE *sf = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
        if (!sf)
            return false;
        std::vector<float> samples(size_t(48 * ms));
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = float(0.5 * std::sin(2.0 * M_PI * frequency * double(i) / 48000.0));
        const bool ok =
            sf_writef_float(sf, samples.data(), sf_count_t(samples.size())) == sf_count_t(samples.size());
        return sf_close(sf) == 0 && ok;
    }
    if (!haveSox())
        return false;
    if (kind == QLatin1String("mp3id3")) {
        // An MP3 as the archives hand them out: made by LAME, with ID3 tags before the sound.
        const QString wav = path + QStringLiteral(".source.wav");
        QProcess lame;
        const bool made = makeClip(wav, QStringLiteral("wav"), ms, rate, frequency);
        lame.start(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("--add-id3v2"),
                                            QStringLiteral("--tt"), QStringLiteral("Al-Fatiha"), wav, path});
        const bool ok = made && lame.waitForFinished(20000) && lame.exitStatus() == QProcess::NormalExit &&
                        lame.exitCode() == 0;
        QFile::remove(wav);
        return ok;
    }
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              {QStringLiteral("-q"), QStringLiteral("-n"), QStringLiteral("-r"), QString::number(rate),
               QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-t"), kind, path,
               QStringLiteral("synth"), QString::number(ms / 1000.0, 'f', 3), QStringLiteral("sine"),
               QString::number(frequency), QStringLiteral("vol"), QStringLiteral("0.5")});
    return sox.waitForFinished(20000) && sox.exitStatus() == QProcess::NormalExit && sox.exitCode() == 0 &&
           QFile(path).size() > 0;
}

inline QString clipName(int surah, int ayah, const QString &ending)
{
    return QStringLiteral("%1%2.%3")
        .arg(surah, 3, 10, QLatin1Char('0'))
        .arg(ayah, 3, 10, QLatin1Char('0'))
        .arg(ending);
}

// A set folder: the Bismillah (001001) and the given ayahs of one surah, made once and copied,
// so that a set of many clips costs one encoding.
inline bool makeSet(const QString &folder, int surah, const QList<int> &ayahs, const QString &kind, int ms)
{
    if (!QDir().mkpath(folder))
        return false;
    const QString first = QDir(folder).filePath(clipName(1, 1, kind));
    if (!makeClip(first, kind, ms))
        return false;
    for (int a : ayahs) {
        const QString path = QDir(folder).filePath(clipName(surah, a, kind));
        if (path != first && ((QFile::exists(path) && !QFile::remove(path)) || !QFile::copy(first, path)))
            return false;
    }
    return true;
}

} // namespace setkit
