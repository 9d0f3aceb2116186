#pragma once

// A data folder for recitation tests: a copy of the default data (the store and the whole
// text) with a folder `wav` of generated clips, sine tones of known length.

#include "../fxsnd/soundkit.h"

#include <QDir>
#include <QTemporaryDir>

namespace velmora::test {

class RecitationData {
public:
    bool make(const QString &defaultData)
    {
        bool ok = m_dir.isValid() && QDir(path()).mkpath(QStringLiteral("wav"));
        for (const QString &name : {QStringLiteral("Bazabos.db"), QStringLiteral("KUR'AN.rtf")})
            ok = ok && QFile::copy(QDir(defaultData).filePath(name), QDir(path()).filePath(name));
        return ok;
    }
    QString path() const { return m_dir.path(); }
    QString clip(int surah, int ayah) const
    {
        return path() + QStringLiteral("/wav/s%1a%2.wav").arg(surah).arg(ayah);
    }
    bool addClip(int surah, int ayah, int ms) const
    {
        return !testwav::writeFile(clip(surah, ayah),
                                   testwav::toneWav(testwav::Format{48000, 1, 16}, ms / 1000.0))
                    .isEmpty();
    }
    // The Bismillah clip (s1a1.wav) and every ayah of the given surah.
    bool addSurah(int surah, int ayahs, int ms) const
    {
        bool ok = addClip(1, 1, ms);
        for (int a = 1; a <= ayahs; ++a)
            ok = ok && addClip(surah, a, ms);
        return ok;
    }

private:
    QTemporaryDir m_dir;
};

} // namespace velmora::test
