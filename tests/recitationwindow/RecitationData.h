#pragma once

// A data folder for recitation tests: a copy of the default data (the store and the whole
// text) with a folder `wav` of generated clips, short sine tones of known length.

#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>

namespace velmora::test {

// Writes a RIFF/WAVE file of 16-bit mono PCM holding a sine tone of `ms` milliseconds.
inline bool writeTone(const QString &path, int ms, int rate = 22050, double frequency = 440.0)
{
    const qint64 frames = qint64(rate) * ms / 1000;
    QByteArray pcm;
    pcm.resize(frames * 2);
    for (qint64 i = 0; i < frames; ++i) {
        const double v = 0.3 * std::sin(2.0 * M_PI * frequency * double(i) / rate);
        qToLittleEndian<qint16>(qint16(std::lround(v * 32767.0)), pcm.data() + i * 2);
    }
    auto le32 = [](quint32 v) {
        QByteArray b(4, '\0');
        qToLittleEndian<quint32>(v, b.data());
        return b;
    };
    auto le16 = [](quint16 v) {
        QByteArray b(2, '\0');
        qToLittleEndian<quint16>(v, b.data());
        return b;
    };
    QByteArray out;
    out += "RIFF" + le32(quint32(36 + pcm.size())) + "WAVE";
    out += "fmt " + le32(16) + le16(1) + le16(1) + le32(quint32(rate)) + le32(quint32(rate * 2)) + le16(2) +
           le16(16);
    out += "data" + le32(quint32(pcm.size())) + pcm;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size();
}

class RecitationData {
public:
    // Copies Bazabos.db and KUR'AN.rtf from `defaultData`; with `withWav`, makes the folder
    // `wav` (empty until clips are added).
    bool make(const QString &defaultData, bool withWav = true)
    {
        if (!m_dir.isValid())
            return false;
        for (const char *name : {"Bazabos.db", "KUR'AN.rtf"}) {
            const QString file = QLatin1String(name);
            if (!QFile::copy(QDir(defaultData).filePath(file), QDir(m_dir.path()).filePath(file)))
                return false;
        }
        return !withWav || QDir(m_dir.path()).mkpath(QStringLiteral("wav"));
    }
    QString path() const { return m_dir.path(); }
    QString wavDir() const { return QDir(m_dir.path()).filePath(QStringLiteral("wav")); }
    QString clip(int surah, int ayah) const
    {
        return wavDir() + QStringLiteral("/s%1a%2.wav").arg(surah).arg(ayah);
    }
    bool addClip(int surah, int ayah, int ms) const { return writeTone(clip(surah, ayah), ms); }
    // The Bismillah clip (s1a1.wav) and every ayah of the given surah.
    bool addSurah(int surah, int ayahs, int ms) const
    {
        if (!addClip(1, 1, ms))
            return false;
        for (int a = 1; a <= ayahs; ++a) {
            if (!addClip(surah, a, ms))
                return false;
        }
        return true;
    }

private:
    QTemporaryDir m_dir;
};

} // namespace velmora::test
